// The live settings record, its key table and the content lists.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Where a run's messages come from; the settings file keeps the number.
enum class ContentSource : int32_t { Strings = 0, TextFile = 1, Feed = 2 };

struct TickerSettings {
    uint32_t LineOn = 0;
    int32_t LinePosX = 0;
    int32_t LinePosY = 0;
    int32_t LineSize = 0;
    int32_t BandHeight = 0;  // measured from the font, never stored
    std::string FontName;
    int32_t FontSize = 0;
    int32_t FontWeight = 0;
    uint8_t FontItalic = 0;
    uint8_t FontUnderline = 0;
    uint8_t FontStrikeOut = 0;
    uint8_t FontCharSet = 0;
    uint8_t FontQuality = 0;
    uint32_t TextColor = 0;
    uint32_t BackColor = 0;
    int32_t TextOpacity = 0;
    int32_t BackOpacity = 0;
    int32_t StrIdx = 0;
    int32_t FileIdx = 0;
    int32_t URLIdx = 0;
    int32_t ShadowOffset = 0;
    uint32_t Interlace = 0;
    int32_t Speed = 0;
    int32_t Repeat = 0;
    uint32_t StartHotKey = 0;
    int32_t StringSource = 0;  // a ContentSource, as the file has it (a hand-edited file may hold any number)
    uint32_t Date = 0;
    uint32_t Time = 0;
    uint32_t Title = 0;
    uint32_t Description = 0;
    uint32_t LatestNews = 0;
    int32_t AutoUpdate = 0;
    uint64_t LastUpdate = 0;
    std::string LastURL;

    ContentSource Source() const { return ContentSource(StringSource); }
};

// Type codes of the table machinery.
enum SettingType : int32_t {
    kTypeU8 = 0, kTypeS16 = 1, kTypeU16a = 2, kTypeU16b = 3,
    kTypeFlag = 4, kTypeU32 = 5, kTypeS32 = 6, kTypeU32c = 7, kTypeFontMetric = 8,
    kTypeU32d = 9, kTypeS64 = 10, kTypeU64 = 11, kTypeString = 12,
};

struct SettingsEntry {
    int32_t type;
    const char* key;
    void* target;
    int64_t defaultNumber;
    const char* defaultText;
};

constexpr int kSettingsCount = 33;

// Binds the 33 keys to the fields of `buffer` (the load buffer).
void BuildSettingsTable(TickerSettings& buffer, SettingsEntry (&table)[kSettingsCount]);

using StringList = std::vector<std::string>;

// Everything the settings file holds.
struct SettingsStore {
    TickerSettings live;
    TickerSettings loadBuffer;
    int32_t DlgWndPosX = 0;
    int32_t DlgWndPosY = 0;
    StringList strings;
    StringList files;
    StringList urls;
};

class IniStore;

constexpr const char* kSettingsSection = "PluginSettings";
constexpr int kMaxListEntries = 1000;

void LoadSettings(IniStore& ini, SettingsStore& store);
void SaveSettings(IniStore& ini, SettingsStore& store);
void ReadList(IniStore& ini, const char* section, const char* keyFormat, StringList& list);
void WriteList(IniStore& ini, const char* keyFormat, const StringList& list);

// Index into a content list, or nullptr when out of range (a hand-edited file).
const std::string* ListEntry(const StringList& list, int32_t index);
