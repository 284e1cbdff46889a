#include "settings/ticker_settings.h"

#include <cinttypes>
#include <cstdio>

#include "base/text.h"
#include "settings/ini_store.h"

namespace {

// Every row's member receives a value: the file's, else the default.
// Numbers keep the low bits of what the runtime's parser reads.
void ReadRow(IniStore& ini, const SettingRow& row, TickerSettings& s) {
    std::string text;
    const bool found = ini.ReadValue(kSettingsSection, row.key, text);
    if (const auto* m = std::get_if<std::string TickerSettings::*>(&row.member)) {
        s.*(*m) = found ? text : std::string(row.defaultText);
        return;
    }
    StoreNumber(row, s, int64_t(found ? ParseDecimal(text.c_str()) : uint64_t(row.defaultNumber)));
}

void WriteRow(IniStore& ini, const SettingRow& row, const TickerSettings& s) {
    if (const auto* m = std::get_if<std::string TickerSettings::*>(&row.member)) {
        ini.WriteValue(row.key, s.*(*m));
        return;
    }
    char buf[32] = "";
    if (const auto* m = std::get_if<uint8_t TickerSettings::*>(&row.member))
        std::snprintf(buf, sizeof buf, "%u", unsigned(s.*(*m)));
    else if (const auto* m = std::get_if<int32_t TickerSettings::*>(&row.member))
        std::snprintf(buf, sizeof buf, "%" PRId32, s.*(*m));
    else if (const auto* m = std::get_if<uint32_t TickerSettings::*>(&row.member))
        std::snprintf(buf, sizeof buf, "%" PRIu32, s.*(*m));
    else if (const auto* m = std::get_if<uint64_t TickerSettings::*>(&row.member))
        std::snprintf(buf, sizeof buf, "%" PRIu64, s.*(*m));
    ini.WriteValue(row.key, buf);
}

}  // namespace

const SettingRow* RowOf(SettingMember member) {
    for (const SettingRow& row : kSettingRows)
        if (row.member == member) return &row;
    return nullptr;
}

namespace {
template <class T>
bool Replace(T& member, T value) {
    const bool changed = member != value;
    member = value;
    return changed;
}
}  // namespace

bool StoreNumber(const SettingRow& row, TickerSettings& s, int64_t value) {
    const uint64_t v = uint64_t(value);
    if (const auto* m = std::get_if<uint8_t TickerSettings::*>(&row.member)) return Replace(s.*(*m), uint8_t(v));
    if (const auto* m = std::get_if<int32_t TickerSettings::*>(&row.member)) return Replace(s.*(*m), int32_t(uint32_t(v)));
    if (const auto* m = std::get_if<uint32_t TickerSettings::*>(&row.member)) return Replace(s.*(*m), uint32_t(v));
    if (const auto* m = std::get_if<uint64_t TickerSettings::*>(&row.member)) return Replace(s.*(*m), v);
    return false;
}

void ReadList(IniStore& ini, const char* section, const char* keyFormat, StringList& list) {
    list.clear();
    char key[32];
    for (int i = 0;; ++i) {
        std::snprintf(key, sizeof key, keyFormat, i);
        std::string value;
        if (!ini.ReadValue(section, key, value)) value.clear();
        list.push_back(value);
        if (value.empty()) break;
    }
}

void WriteList(IniStore& ini, const char* keyFormat, const StringList& list) {
    int n = static_cast<int>(list.size()) - 1;
    if (n > kMaxListEntries) n = kMaxListEntries;
    char key[32];
    for (int i = 0; i < n; ++i) {
        std::snprintf(key, sizeof key, keyFormat, i);
        ini.WriteValue(key, list[static_cast<size_t>(i)]);
    }
}

uint64_t StampOf(const SettingsStore& store, int32_t feed) {
    return feed >= 0 && size_t(feed) < store.urlStamps.size() ? store.urlStamps[size_t(feed)] : 0;
}

void SetStampOf(SettingsStore& store, int32_t feed, uint64_t stamp) {
    if (feed < 0 || size_t(feed) >= store.urls.size()) return;
    if (store.urlStamps.size() < store.urls.size()) store.urlStamps.resize(store.urls.size(), 0);
    store.urlStamps[size_t(feed)] = stamp;
}

void ReplaceUrls(SettingsStore& store, StringList urls) {
    std::vector<uint64_t> stamps(urls.size(), 0);
    for (size_t i = 0; i < urls.size(); ++i)
        for (size_t k = 0; k < store.urls.size() && k < store.urlStamps.size(); ++k)
            if (!urls[i].empty() && store.urls[k] == urls[i]) {
                stamps[i] = store.urlStamps[k];
                break;
            }
    store.urls.swap(urls);
    store.urlStamps.swap(stamps);
}

namespace {

// Each feed's stamp, where it has one, under the number of its address.
void ReadUrlStamps(IniStore& ini, SettingsStore& s) {
    s.urlStamps.assign(s.urls.size(), 0);
    char key[32];
    for (size_t i = 0; i + 1 < s.urls.size(); ++i) {
        std::snprintf(key, sizeof key, "LastUpdate_%03d", int(i));
        std::string value;
        if (ini.ReadValue(kSettingsSection, key, value)) s.urlStamps[i] = ParseDecimal(value.c_str());
    }
}

void WriteUrls(IniStore& ini, const SettingsStore& s) {
    int n = static_cast<int>(s.urls.size()) - 1;
    if (n > kMaxListEntries) n = kMaxListEntries;
    char key[32], value[32];
    for (int i = 0; i < n; ++i) {
        std::snprintf(key, sizeof key, "URL_%03d", i);
        ini.WriteValue(key, s.urls[size_t(i)]);
        const uint64_t stamp = StampOf(s, i);
        if (stamp == 0) continue;
        std::snprintf(key, sizeof key, "LastUpdate_%03d", i);
        std::snprintf(value, sizeof value, "%" PRIu64, stamp);
        ini.WriteValue(key, value);
    }
}

}  // namespace

void LoadSettings(IniStore& ini, SettingsStore& s) {
    ini.Open(IniStore::Access::Read);
    // The measured band height has no key: it stays as it is.
    for (const SettingRow& row : kSettingRows) ReadRow(ini, row, s.live);
    ReadList(ini, kSettingsSection, "Str_%03d", s.strings);
    ReadList(ini, kSettingsSection, "File_%03d", s.files);
    ReadList(ini, kSettingsSection, "URL_%03d", s.urls);
    ReadUrlStamps(ini, s);
    ini.Close();
}

void SaveSettings(IniStore& ini, const SettingsStore& s) {
    if (!ini.Open(IniStore::Access::Write)) return;
    ini.WriteSection(kSettingsSection);
    for (const SettingRow& row : kSettingRows) WriteRow(ini, row, s.live);
    WriteList(ini, "Str_%03d", s.strings);
    WriteList(ini, "File_%03d", s.files);
    WriteUrls(ini, s);
    ini.Close();
}

const std::string* ListEntry(const StringList& list, int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= list.size()) return nullptr;
    return &list[static_cast<size_t>(index)];
}
