#include "settings/ticker_settings.h"

#include <cinttypes>
#include <cstdio>

#include "base/text.h"
#include "settings/ini_store.h"

void BuildSettingsTable(TickerSettings& b, SettingsEntry (&t)[kSettingsCount]) {
    const SettingsEntry entries[kSettingsCount] = {
        {kTypeFlag, "LineOn", &b.LineOn, 0, nullptr},
        {kTypeS32, "LinePosX", &b.LinePosX, 384, nullptr},
        {kTypeS32, "LinePosY", &b.LinePosY, 557, nullptr},
        {kTypeS32, "LineSize", &b.LineSize, 768, nullptr},
        {kTypeString, "FontName", &b.FontName, 0, "Arial"},
        {kTypeFontMetric, "FontSize", &b.FontSize, -31, nullptr},
        {kTypeFontMetric, "FontWeight", &b.FontWeight, 700, nullptr},
        {kTypeU8, "FontItalic", &b.FontItalic, 0, nullptr},
        {kTypeU8, "FontUnderline", &b.FontUnderline, 0, nullptr},
        {kTypeU8, "FontStrikeOut", &b.FontStrikeOut, 0, nullptr},
        {kTypeU8, "FontCharSet", &b.FontCharSet, 1, nullptr},
        {kTypeU8, "FontQuality", &b.FontQuality, 4, nullptr},
        {kTypeU32, "TextColor", &b.TextColor, 0xC0C0C0, nullptr},
        {kTypeU32, "BackColor", &b.BackColor, 0x606060, nullptr},
        {kTypeS32, "TextOpacity", &b.TextOpacity, 90, nullptr},
        {kTypeS32, "BackOpacity", &b.BackOpacity, 80, nullptr},
        {kTypeS32, "StrIdx", &b.StrIdx, 0, nullptr},
        {kTypeS32, "FileIdx", &b.FileIdx, 0, nullptr},
        {kTypeS32, "URLIdx", &b.URLIdx, 0, nullptr},
        {kTypeS32, "ShadowOffset", &b.ShadowOffset, 5, nullptr},
        {kTypeFlag, "Interlace", &b.Interlace, 1, nullptr},
        {kTypeS32, "Speed", &b.Speed, 4, nullptr},
        {kTypeS32, "Repeat", &b.Repeat, 0, nullptr},
        {kTypeU32, "StartHotKey", &b.StartHotKey, 0, nullptr},
        {kTypeS32, "StringSource", &b.StringSource, 0, nullptr},
        {kTypeFlag, "Date", &b.Date, 1, nullptr},
        {kTypeFlag, "Time", &b.Time, 1, nullptr},
        {kTypeFlag, "Title", &b.Title, 1, nullptr},
        {kTypeFlag, "Description", &b.Description, 0, nullptr},
        {kTypeFlag, "LatestNews", &b.LatestNews, 0, nullptr},
        {kTypeS32, "AutoUpdate", &b.AutoUpdate, 0, nullptr},
        {kTypeU64, "LastUpdate", &b.LastUpdate, 0, nullptr},
        {kTypeString, "LastURL", &b.LastURL, 0, ""},
    };
    for (int i = 0; i < kSettingsCount; ++i) t[i] = entries[i];
}

namespace {

// The target always receives a value.
void ReadTyped(IniStore& ini, const std::string& section, const SettingsEntry& e) {
    std::string text;
    const bool found = ini.ReadValue(section, e.key, text);
    if (e.type == kTypeString) {
        *static_cast<std::string*>(e.target) = found ? text : std::string(e.defaultText ? e.defaultText : "");
        return;
    }
    const uint64_t v = found ? ParseDecimal(text.c_str()) : uint64_t(e.defaultNumber);
    switch (e.type) {
    case kTypeU8: *static_cast<uint8_t*>(e.target) = uint8_t(v); break;
    case kTypeS16: *static_cast<int16_t*>(e.target) = int16_t(uint16_t(v)); break;
    case kTypeU16a:
    case kTypeU16b: *static_cast<uint16_t*>(e.target) = uint16_t(v); break;
    case kTypeFlag:
    case kTypeU32:
    case kTypeU32c:
    case kTypeU32d: *static_cast<uint32_t*>(e.target) = uint32_t(v); break;
    case kTypeS32:
    case kTypeFontMetric: *static_cast<int32_t*>(e.target) = int32_t(uint32_t(v)); break;
    case kTypeS64: *static_cast<int64_t*>(e.target) = int64_t(v); break;
    case kTypeU64: *static_cast<uint64_t*>(e.target) = v; break;
    default: break;
    }
}

void ReadTable(IniStore& ini, const std::string& section, const SettingsEntry* table, int count) {
    for (int i = 0; i < count; ++i)
        if (table[i].type <= kTypeString) ReadTyped(ini, section, table[i]);
}

void WriteTyped(IniStore& ini, const SettingsEntry& e) {
    char buf[32];
    switch (e.type) {
    case kTypeString: ini.WriteValue(e.key, *static_cast<const std::string*>(e.target)); return;
    case kTypeU8: std::snprintf(buf, sizeof buf, "%u", unsigned(*static_cast<const uint8_t*>(e.target))); break;
    case kTypeS16: std::snprintf(buf, sizeof buf, "%d", int(*static_cast<const int16_t*>(e.target))); break;
    case kTypeU16a:
    case kTypeU16b: std::snprintf(buf, sizeof buf, "%u", unsigned(*static_cast<const uint16_t*>(e.target))); break;
    case kTypeFlag:
    case kTypeU32:
    case kTypeU32c:
    case kTypeU32d: std::snprintf(buf, sizeof buf, "%" PRIu32, *static_cast<const uint32_t*>(e.target)); break;
    case kTypeS32:
    case kTypeFontMetric: std::snprintf(buf, sizeof buf, "%" PRId32, *static_cast<const int32_t*>(e.target)); break;
    case kTypeS64: std::snprintf(buf, sizeof buf, "%" PRId64, *static_cast<const int64_t*>(e.target)); break;
    case kTypeU64: std::snprintf(buf, sizeof buf, "%" PRIu64, *static_cast<const uint64_t*>(e.target)); break;
    default: return;
    }
    ini.WriteValue(e.key, buf);
}

void WriteTable(IniStore& ini, const SettingsEntry* table, int count) {
    for (int i = 0; i < count; ++i)
        if (table[i].type <= kTypeString) WriteTyped(ini, table[i]);
}

void CopyRecord(const TickerSettings& from, TickerSettings& to) {
    // Field by field; the measured band height belongs to the live record only.
    const int32_t bandHeight = to.BandHeight;
    to = from;
    to.BandHeight = bandHeight;
}

}  // namespace

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
    SettingsEntry table[kSettingsCount];
    BuildSettingsTable(s.loadBuffer, table);
    ini.Open(IniStore::Access::Read);
    s.DlgWndPosX = ini.ReadLong(kSettingsSection, "DlgWndPosX", -100);
    s.DlgWndPosY = ini.ReadLong(kSettingsSection, "DlgWndPosY", -100);
    ReadTable(ini, kSettingsSection, table, kSettingsCount);
    CopyRecord(s.loadBuffer, s.live);
    ReadList(ini, kSettingsSection, "Str_%03d", s.strings);
    ReadList(ini, kSettingsSection, "File_%03d", s.files);
    ReadList(ini, kSettingsSection, "URL_%03d", s.urls);
    ini.Close();
}

void SaveSettings(IniStore& ini, SettingsStore& s) {
    if (!ini.Open(IniStore::Access::Write)) return;
    SettingsEntry table[kSettingsCount];
    BuildSettingsTable(s.loadBuffer, table);
    ini.WriteSection(kSettingsSection);
    ini.WriteLong("DlgWndPosX", s.DlgWndPosX);
    ini.WriteLong("DlgWndPosY", s.DlgWndPosY);
    CopyRecord(s.live, s.loadBuffer);
    WriteTable(ini, table, kSettingsCount);
    WriteList(ini, "Str_%03d", s.strings);
    WriteList(ini, "File_%03d", s.files);
    WriteList(ini, "URL_%03d", s.urls);
    ini.Close();
}

const std::string* ListEntry(const StringList& list, int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= list.size()) return nullptr;
    return &list[static_cast<size_t>(index)];
}
