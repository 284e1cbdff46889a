// The live settings record, its key table and the content lists.
#pragma once
#include <cstdint>
#include <limits>
#include <string>
#include <variant>
#include <vector>

#include "base/geometry.h"

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

// The settings file's keys as one table over TickerSettings: a row per key,
// in the order the file is written, with the member it fills, its default
// and the range the editors keep it in (the band's clamp, the font buttons,
// the dialog's numeric edits). A file is loaded as it stands: a hand-edited
// value outside its range stays until it is edited.

// The member a row fills; its type says how the file's text is read and written.
using SettingMember = std::variant<uint8_t TickerSettings::*, int32_t TickerSettings::*, uint32_t TickerSettings::*,
                                   uint64_t TickerSettings::*, std::string TickerSettings::*>;

struct SettingRange {
    int64_t min;
    int64_t max;
};

struct SettingRow {
    const char* key;
    SettingMember member;
    int64_t defaultNumber;    // numbers
    const char* defaultText;  // text
    SettingRange range;
};

namespace setting_ranges {
constexpr SettingRange kAnyU8{0, 255};
constexpr SettingRange kAnyS32{std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
constexpr SettingRange kAnyU32{0, std::numeric_limits<uint32_t>::max()};
constexpr SettingRange kAnyU64{0, std::numeric_limits<int64_t>::max()};  // all of uint64_t
constexpr SettingRange kFlag{0, 1};
constexpr SettingRange kPercent{0, 100};
constexpr SettingRange kCount{0, 999};
constexpr SettingRange kText{0, 0};
}  // namespace setting_ranges

inline constexpr SettingRow kSettingRows[] = {
    {"LineOn", &TickerSettings::LineOn, 0, nullptr, setting_ranges::kFlag},
    {"LinePosX", &TickerSettings::LinePosX, 384, nullptr, setting_ranges::kAnyS32},
    {"LinePosY", &TickerSettings::LinePosY, 557, nullptr, setting_ranges::kAnyS32},
    {"LineSize", &TickerSettings::LineSize, 768, nullptr, {10, kRefWidth}},
    {"FontName", &TickerSettings::FontName, 0, "Arial", setting_ranges::kText},
    // The height is negative: larger text is a more negative value.
    {"FontSize", &TickerSettings::FontSize, -31, nullptr, {-50, -10}},
    {"FontWeight", &TickerSettings::FontWeight, 700, nullptr, setting_ranges::kAnyS32},
    {"FontItalic", &TickerSettings::FontItalic, 0, nullptr, setting_ranges::kAnyU8},
    {"FontUnderline", &TickerSettings::FontUnderline, 0, nullptr, setting_ranges::kAnyU8},
    {"FontStrikeOut", &TickerSettings::FontStrikeOut, 0, nullptr, setting_ranges::kAnyU8},
    {"FontCharSet", &TickerSettings::FontCharSet, 1, nullptr, setting_ranges::kAnyU8},
    {"FontQuality", &TickerSettings::FontQuality, 4, nullptr, setting_ranges::kAnyU8},
    {"TextColor", &TickerSettings::TextColor, 0xC0C0C0, nullptr, setting_ranges::kAnyU32},
    {"BackColor", &TickerSettings::BackColor, 0x606060, nullptr, setting_ranges::kAnyU32},
    {"TextOpacity", &TickerSettings::TextOpacity, 90, nullptr, setting_ranges::kPercent},
    {"BackOpacity", &TickerSettings::BackOpacity, 80, nullptr, setting_ranges::kPercent},
    {"StrIdx", &TickerSettings::StrIdx, 0, nullptr, setting_ranges::kAnyS32},
    {"FileIdx", &TickerSettings::FileIdx, 0, nullptr, setting_ranges::kAnyS32},
    {"URLIdx", &TickerSettings::URLIdx, 0, nullptr, setting_ranges::kAnyS32},
    {"ShadowOffset", &TickerSettings::ShadowOffset, 5, nullptr, setting_ranges::kPercent},
    {"Interlace", &TickerSettings::Interlace, 1, nullptr, setting_ranges::kFlag},
    {"Speed", &TickerSettings::Speed, 4, nullptr, setting_ranges::kAnyS32},
    {"Repeat", &TickerSettings::Repeat, 0, nullptr, setting_ranges::kCount},
    {"StartHotKey", &TickerSettings::StartHotKey, 0, nullptr, setting_ranges::kAnyU32},
    {"StringSource", &TickerSettings::StringSource, 0, nullptr, {0, 2}},
    {"Date", &TickerSettings::Date, 1, nullptr, setting_ranges::kFlag},
    {"Time", &TickerSettings::Time, 1, nullptr, setting_ranges::kFlag},
    {"Title", &TickerSettings::Title, 1, nullptr, setting_ranges::kFlag},
    {"Description", &TickerSettings::Description, 0, nullptr, setting_ranges::kFlag},
    {"LatestNews", &TickerSettings::LatestNews, 0, nullptr, setting_ranges::kFlag},
    {"AutoUpdate", &TickerSettings::AutoUpdate, 0, nullptr, setting_ranges::kCount},
    {"LastUpdate", &TickerSettings::LastUpdate, 0, nullptr, setting_ranges::kAnyU64},
    {"LastURL", &TickerSettings::LastURL, 0, "", setting_ranges::kText},
};

// The range of the row that fills `member`.
constexpr SettingRange RangeOf(int32_t TickerSettings::*member) {
    for (const SettingRow& row : kSettingRows) {
        const auto* m = std::get_if<int32_t TickerSettings::*>(&row.member);
        if (m && *m == member) return row.range;
    }
    return setting_ranges::kAnyS32;
}

// `value` kept inside the range of `member`'s row.
constexpr int32_t ClampTo(int32_t TickerSettings::*member, int64_t value) {
    const SettingRange r = RangeOf(member);
    return int32_t(value < r.min ? r.min : value > r.max ? r.max : value);
}

using StringList = std::vector<std::string>;

// Everything the settings file holds.
struct SettingsStore {
    TickerSettings live;
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
void SaveSettings(IniStore& ini, const SettingsStore& store);
void ReadList(IniStore& ini, const char* section, const char* keyFormat, StringList& list);
void WriteList(IniStore& ini, const char* keyFormat, const StringList& list);

// Index into a content list, or nullptr when out of range (a hand-edited file).
const std::string* ListEntry(const StringList& list, int32_t index);
