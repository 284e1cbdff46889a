// The live settings record, its key table and the content lists.
#pragma once
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "base/geometry.h"

// Where a run's messages come from; the settings file keeps the number.
enum class ContentSource : int32_t { Strings = 0, TextFile = 1, Feed = 2 };

struct TickerSettings {
    int32_t DlgWndPosX = 0;  // where the settings dialog last stood
    int32_t DlgWndPosY = 0;
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
    uint32_t AllFeeds = 0;       // every address of the feed list in one crawl
    uint32_t SourceLabel = 0;    // each feed item after its channel's title
    int32_t MaxAge = 0;          // hours; older dated items are not shown (0: no limit)
    int32_t AnnounceEvery = 0;   // the strings go on air between the news, one after every N items (0: never)
    uint32_t UrgentTextColor = 0;
    uint32_t UrgentBackColor = 0;
    int32_t UrgentRepeat = 0;    // showings of an urgent line
    int32_t ControlPort = 0;  // the control endpoint's TCP port; 0: no endpoint
    std::string ControlKey;   // what every request to it presents; empty: none asked
    uint32_t ControlLan = 0;  // it listens on the network too (with a long enough key)
    uint32_t Direction = 0;   // 0: the text moves to the left; 1: to the right, entering at the left edge

    ContentSource Source() const { return ContentSource(StringSource); }
};

// The settings file's keys as one table over TickerSettings: a row per key,
// in the order the file is written, with the member it fills, its default,
// the range the editors keep it in (the band's clamp, the font buttons, the
// dialog's numeric edits) and what a change made while the ticker runs does
// besides storing the value. A file is loaded as it stands: a hand-edited
// value outside its range stays until it is edited.

// What an open settings dialog is told to refresh.
// UPDATE_SOURCE: the source's radio buttons and what it enables;
// UPDATE_LISTS: the three lists and their selections.
enum UpdatePart : int32_t { UPDATE_ALL = 0, UPDATE_RUNSTATE = 1, UPDATE_SPEED = 2, UPDATE_SOURCE = 3, UPDATE_LISTS = 4 };

// What a change does besides storing the value; nothing else is rebuilt,
// the rest is read again where it is next used.
struct ChangeRule {
    bool measuresBand = false;      // shadow and band height follow at once
    bool rearmsAutoUpdate = false;  // the next refresh is due AutoUpdate minutes from now (when not 0)
    bool restartsLine = false;      // a running line starts again from the new source
    std::optional<UpdatePart> posts;  // what an open dialog is told to refresh, if anything
    bool restartsFeeds = false;     // a line running on the feeds starts again with the new crawl
    bool restartsEndpoint = false;  // the control endpoint listens again by the new settings
};

// The member a row fills; its type says how the file's text is read and written.
using SettingMember = std::variant<uint8_t TickerSettings::*, int32_t TickerSettings::*, uint32_t TickerSettings::*,
                                   uint64_t TickerSettings::*, std::string TickerSettings::*>;

struct SettingRange {
    int64_t min;
    int64_t max;
    bool orZero = false;  // 0 is taken too, and means "off"
};

constexpr bool InRange(const SettingRange& r, int64_t value) {
    return (r.orZero && value == 0) || (value >= r.min && value <= r.max);
}

struct SettingRow {
    const char* key;
    SettingMember member;
    int64_t defaultNumber;    // numbers
    const char* defaultText;  // text
    SettingRange range;
    ChangeRule change;
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

namespace setting_changes {
constexpr ChangeRule kStored{};
constexpr ChangeRule kMeasuresBand{true, false, false, std::nullopt};
constexpr ChangeRule kRearmsAutoUpdate{false, true, false, std::nullopt};
constexpr ChangeRule kRestartsLine{false, false, true, UPDATE_SOURCE};
constexpr ChangeRule kRedrawsDialog{false, false, false, UPDATE_ALL};  // both colour swatches
constexpr ChangeRule kShowsSpeed{false, false, false, UPDATE_SPEED};
// All feeds: its check box follows the control endpoint's changes too.
constexpr ChangeRule kRestartsFeeds{false, false, false, UPDATE_ALL, true};
constexpr ChangeRule kShowsSelection{false, false, false, UPDATE_LISTS};
constexpr ChangeRule kRestartsEndpoint{false, false, false, std::nullopt, false, true};
}  // namespace setting_changes

inline constexpr SettingRow kSettingRows[] = {
    {"DlgWndPosX", &TickerSettings::DlgWndPosX, -100, nullptr, setting_ranges::kAnyS32, setting_changes::kStored},
    {"DlgWndPosY", &TickerSettings::DlgWndPosY, -100, nullptr, setting_ranges::kAnyS32, setting_changes::kStored},
    {"LineOn", &TickerSettings::LineOn, 0, nullptr, setting_ranges::kFlag, setting_changes::kStored},
    {"LinePosX", &TickerSettings::LinePosX, 384, nullptr, setting_ranges::kAnyS32, setting_changes::kStored},
    {"LinePosY", &TickerSettings::LinePosY, 557, nullptr, setting_ranges::kAnyS32, setting_changes::kStored},
    {"LineSize", &TickerSettings::LineSize, 768, nullptr, {10, kRefWidth}, setting_changes::kStored},
    {"FontName", &TickerSettings::FontName, 0, "Arial", setting_ranges::kText, setting_changes::kStored},
    // The height is negative: larger text is a more negative value.
    {"FontSize", &TickerSettings::FontSize, -31, nullptr, {-50, -10}, setting_changes::kStored},
    {"FontWeight", &TickerSettings::FontWeight, 700, nullptr, setting_ranges::kAnyS32, setting_changes::kStored},
    {"FontItalic", &TickerSettings::FontItalic, 0, nullptr, setting_ranges::kAnyU8, setting_changes::kStored},
    {"FontUnderline", &TickerSettings::FontUnderline, 0, nullptr, setting_ranges::kAnyU8, setting_changes::kStored},
    {"FontStrikeOut", &TickerSettings::FontStrikeOut, 0, nullptr, setting_ranges::kAnyU8, setting_changes::kStored},
    {"FontCharSet", &TickerSettings::FontCharSet, 1, nullptr, setting_ranges::kAnyU8, setting_changes::kStored},
    {"FontQuality", &TickerSettings::FontQuality, 4, nullptr, setting_ranges::kAnyU8, setting_changes::kStored},
    {"TextColor", &TickerSettings::TextColor, 0xC0C0C0, nullptr, setting_ranges::kAnyU32, setting_changes::kRedrawsDialog},
    {"BackColor", &TickerSettings::BackColor, 0x606060, nullptr, setting_ranges::kAnyU32, setting_changes::kRedrawsDialog},
    {"TextOpacity", &TickerSettings::TextOpacity, 90, nullptr, setting_ranges::kPercent, setting_changes::kStored},
    {"BackOpacity", &TickerSettings::BackOpacity, 80, nullptr, setting_ranges::kPercent, setting_changes::kStored},
    {"StrIdx", &TickerSettings::StrIdx, 0, nullptr, setting_ranges::kAnyS32, setting_changes::kShowsSelection},
    {"FileIdx", &TickerSettings::FileIdx, 0, nullptr, setting_ranges::kAnyS32, setting_changes::kShowsSelection},
    {"URLIdx", &TickerSettings::URLIdx, 0, nullptr, setting_ranges::kAnyS32, setting_changes::kShowsSelection},
    {"ShadowOffset", &TickerSettings::ShadowOffset, 5, nullptr, setting_ranges::kPercent, setting_changes::kMeasuresBand},
    {"Interlace", &TickerSettings::Interlace, 1, nullptr, setting_ranges::kFlag, setting_changes::kStored},
    {"Speed", &TickerSettings::Speed, 4, nullptr, setting_ranges::kAnyS32, setting_changes::kShowsSpeed},
    {"Repeat", &TickerSettings::Repeat, 0, nullptr, setting_ranges::kCount, setting_changes::kStored},
    {"StartHotKey", &TickerSettings::StartHotKey, 0, nullptr, setting_ranges::kAnyU32, setting_changes::kStored},
    {"StringSource", &TickerSettings::StringSource, 0, nullptr, {0, 2}, setting_changes::kRestartsLine},
    {"Date", &TickerSettings::Date, 1, nullptr, setting_ranges::kFlag, setting_changes::kStored},
    {"Time", &TickerSettings::Time, 1, nullptr, setting_ranges::kFlag, setting_changes::kStored},
    {"Title", &TickerSettings::Title, 1, nullptr, setting_ranges::kFlag, setting_changes::kStored},
    {"Description", &TickerSettings::Description, 0, nullptr, setting_ranges::kFlag, setting_changes::kStored},
    {"LatestNews", &TickerSettings::LatestNews, 0, nullptr, setting_ranges::kFlag, setting_changes::kStored},
    {"AutoUpdate", &TickerSettings::AutoUpdate, 0, nullptr, setting_ranges::kCount, setting_changes::kRearmsAutoUpdate},
    {"LastUpdate", &TickerSettings::LastUpdate, 0, nullptr, setting_ranges::kAnyU64, setting_changes::kStored},
    {"LastURL", &TickerSettings::LastURL, 0, "", setting_ranges::kText, setting_changes::kStored},
    {"AllFeeds", &TickerSettings::AllFeeds, 0, nullptr, setting_ranges::kFlag, setting_changes::kRestartsFeeds},
    {"SourceLabel", &TickerSettings::SourceLabel, 0, nullptr, setting_ranges::kFlag, setting_changes::kStored},
    {"MaxAge", &TickerSettings::MaxAge, 0, nullptr, {0, 8760}, setting_changes::kStored},
    {"AnnounceEvery", &TickerSettings::AnnounceEvery, 0, nullptr, {0, 100}, setting_changes::kStored},
    {"UrgentTextColor", &TickerSettings::UrgentTextColor, 0xFFFFFF, nullptr, setting_ranges::kAnyU32,
     setting_changes::kRedrawsDialog},
    {"UrgentBackColor", &TickerSettings::UrgentBackColor, 0x0000C0, nullptr, setting_ranges::kAnyU32,
     setting_changes::kRedrawsDialog},
    {"UrgentRepeat", &TickerSettings::UrgentRepeat, 3, nullptr, {1, 99}, setting_changes::kStored},
    {"ControlPort", &TickerSettings::ControlPort, 0, nullptr, {1024, 65535, true}, setting_changes::kRestartsEndpoint},
    {"ControlKey", &TickerSettings::ControlKey, 0, "", setting_ranges::kText, setting_changes::kRestartsEndpoint},
    {"ControlLan", &TickerSettings::ControlLan, 0, nullptr, setting_ranges::kFlag, setting_changes::kRestartsEndpoint},
    // The runs on the band turn round at the next field.
    {"Direction", &TickerSettings::Direction, 0, nullptr, setting_ranges::kFlag, setting_changes::kStored},
};

// The row that fills `member`; nullptr for a member without a key.
const SettingRow* RowOf(SettingMember member);

// Stores `value` in the row's member as the settings file would read it
// back (a number keeps its low bits); text rows take no number. True when
// the member changed.
bool StoreNumber(const SettingRow& row, TickerSettings& s, int64_t value);

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
    StringList strings;
    StringList files;
    StringList urls;
    // The stamp of the newest item shown of each feed of the list, by the
    // feed's index, as LastUpdate is for one feed; 0 for none. Kept with
    // its address when the list is edited (ReplaceUrls).
    std::vector<uint64_t> urlStamps;
};

// A feed's own stamp (LastUpdate_%03d); 0 off the list.
uint64_t StampOf(const SettingsStore& store, int32_t feed);
void SetStampOf(SettingsStore& store, int32_t feed, uint64_t stamp);
// A new feed list: every address keeps its stamp, wherever it now stands.
void ReplaceUrls(SettingsStore& store, StringList urls);

class IniStore;

constexpr const char* kSettingsSection = "PluginSettings";
constexpr int kMaxListEntries = 1000;

void LoadSettings(IniStore& ini, SettingsStore& store);
void SaveSettings(IniStore& ini, const SettingsStore& store);
void ReadList(IniStore& ini, const char* section, const char* keyFormat, StringList& list);
void WriteList(IniStore& ini, const char* keyFormat, const StringList& list);

// Index into a content list, or nullptr when out of range (a hand-edited file).
const std::string* ListEntry(const StringList& list, int32_t index);
