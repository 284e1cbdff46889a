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

void StoreNumber(const SettingRow& row, TickerSettings& s, int64_t value) {
    const uint64_t v = uint64_t(value);
    if (const auto* m = std::get_if<uint8_t TickerSettings::*>(&row.member)) s.*(*m) = uint8_t(v);
    else if (const auto* m = std::get_if<int32_t TickerSettings::*>(&row.member)) s.*(*m) = int32_t(uint32_t(v));
    else if (const auto* m = std::get_if<uint32_t TickerSettings::*>(&row.member)) s.*(*m) = uint32_t(v);
    else if (const auto* m = std::get_if<uint64_t TickerSettings::*>(&row.member)) s.*(*m) = v;
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

void LoadSettings(IniStore& ini, SettingsStore& s) {
    ini.Open(IniStore::Access::Read);
    // The measured band height has no key: it stays as it is.
    for (const SettingRow& row : kSettingRows) ReadRow(ini, row, s.live);
    ReadList(ini, kSettingsSection, "Str_%03d", s.strings);
    ReadList(ini, kSettingsSection, "File_%03d", s.files);
    ReadList(ini, kSettingsSection, "URL_%03d", s.urls);
    ini.Close();
}

void SaveSettings(IniStore& ini, const SettingsStore& s) {
    if (!ini.Open(IniStore::Access::Write)) return;
    ini.WriteSection(kSettingsSection);
    for (const SettingRow& row : kSettingRows) WriteRow(ini, row, s.live);
    WriteList(ini, "Str_%03d", s.strings);
    WriteList(ini, "File_%03d", s.files);
    WriteList(ini, "URL_%03d", s.urls);
    ini.Close();
}

const std::string* ListEntry(const StringList& list, int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= list.size()) return nullptr;
    return &list[static_cast<size_t>(index)];
}
