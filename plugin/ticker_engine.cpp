#include "plugin/ticker_engine.h"

#include <tuple>

#include "base/ansi_codec.h"
#include "base/geometry.h"
#include "base/saturate.h"
#include "settings/band_geometry.h"
#include "plugin/source_messages.h"
#include "settings/ini_store.h"
#include "sources/text_sources.h"

TickerEngine::TickerEngine(TickerLock& lock, EngineServices& services, TextRenderer& renderer,
                           SurfaceAllocator& allocator)
    : lock_(lock),
      services_(services),
      band_(renderer, allocator),
      onAir_(lock, store_, band_, services, dialog_),
      playback_(lock, store_, onAir_, services, dialog_),
      frames_(lock, store_, onAir_, playback_, band_) {}

void TickerEngine::Init(const SettingsLocation& location) {
    location_ = location;
    IniStore ini;
    ini.fullPath = location.fullPath;
    LockGuard guard(lock_);
    LoadSettings(ini, store_);
}

void TickerEngine::Start(const FrameGeometry& g) {
    {
        LockGuard guard(lock_);
        frames_.SetGeometryLocked(g);
        RebuildFontLocked();
        band_.AddSlotsLocked();
    }
    services_.OpenLog(location_.LogPath());
    ResumePlayback();
}

void TickerEngine::ResumePlayback() {
    int32_t autoUpdate, repeat;
    uint32_t lineOn;
    {
        LockGuard guard(lock_);
        autoUpdate = store_.live.AutoUpdate, repeat = store_.live.Repeat, lineOn = store_.live.LineOn;
        // A counted run is not resumed.
        if (autoUpdate == 0 && lineOn != 0 && repeat != 0) store_.live.LineOn = 0;
    }
    if (autoUpdate != 0) playback_.StartPlayback(RunBy::Timer);
    else if (lineOn != 0 && repeat == 0) playback_.StartPlayback(RunBy::User);
    playback_.ArmAutoUpdate();
}

int32_t TickerEngine::ProcessFrame(uint8_t* pixels, uint32_t tick) {
    if (!pixels || CpuTooOld(frames_.CpuLevel())) return 0;
    frames_.NoteFrame(tick);
    frames_.DrawFrame(pixels);
    return 1;
}

void TickerEngine::Shutdown() {
    services_.StopFeeds();
    services_.StopWatchingFile();
    SettingsStore saved;
    {
        LockGuard guard(lock_);
        saved = store_;
    }
    IniStore ini;  // the file is written without the lock: frames keep coming
    ini.fullPath = location_.fullPath;
    SaveSettings(ini, saved);
}

void TickerEngine::RebuildFontLocked() {
    band_.RebuildFontLocked(store_.live);
    onAir_.RemeasureLocked();
}

AirView TickerEngine::Now(bool withTexts) {
    AirView view;
    LockGuard guard(lock_);
    onAir_.ViewLocked(view, withTexts);
    return view;
}

FrameCounts TickerEngine::Counts() {
    LockGuard guard(lock_);
    FrameCounts c;
    c.bitmaps = band_.Surface().Allocations();
    c.stripGrowths = band_.Strips().Growths();
    c.tableBuilds = frames_.Blender().TableBuilds();
    c.bufferRemakes = frames_.Blender().BufferRemakes();
    c.resampled = frames_.Blender().Stats();
    return c;
}

void TickerEngine::UseStrips(bool on) {
    LockGuard guard(lock_);
    band_.UseStripsLocked(on);
    frames_.Blender().UseStripCache(on);
}

// ---- the control seam ----

TickerSettings TickerEngine::Settings() {
    LockGuard guard(lock_);
    return store_.live;
}

StringList& TickerEngine::ListOf(ContentList which) {
    switch (which) {
    case ContentList::Strings: return store_.strings;
    case ContentList::Files: return store_.files;
    default: return store_.urls;
    }
}

StringList TickerEngine::List(ContentList which) {
    LockGuard guard(lock_);
    return ListOf(which);
}

void TickerEngine::SetList(ContentList which, const StringList& list) {
    StringList copy(list);  // made before the lock; the old list leaves after it
    {
        LockGuard guard(lock_);
        if (which == ContentList::Urls) ReplaceUrls(store_, std::move(copy));
        else ListOf(which).swap(copy);
    }
    // The announcements follow the strings at once.
    if (which == ContentList::Strings) playback_.RefreshAnnouncements();
    dialog_.Post(UPDATE_LISTS);
}

void TickerEngine::PutString(const std::string& text) {
    if (text.empty()) return;  // an empty entry would end the list there
    StringList strings = List(ContentList::Strings);
    if (strings.empty() || !strings.back().empty()) strings.emplace_back();
    int32_t index;
    {
        LockGuard guard(lock_);
        index = store_.live.StrIdx;
    }
    if (index < 0 || size_t(index) >= strings.size()) index = int32_t(strings.size()) - 1;
    strings[size_t(index)] = text;
    // Exactly one empty entry ends the list: the one typed over gets a successor.
    if (size_t(index) + 1 == strings.size()) strings.push_back(std::string());
    SetList(ContentList::Strings, strings);
    Set(&TickerSettings::StrIdx, index);
    // A line running on the strings shows it where the pass ends.
    Bulletin b;
    b.from = Bulletin::From::Strings;
    b.kind = Bulletin::Kind::News;
    BuildStringMessages(&text, b.messages);
    onAir_.Offer(b, StopSignal::Never());
}

LineStatus TickerEngine::Status() {
    LineStatus status;
    LockGuard guard(lock_);
    onAir_.StatusLocked(status);
    return status;
}

uint32_t TickerEngine::OfferUrgent(const std::u16string& text, int32_t repeat) {
    Bulletin b;
    b.from = Bulletin::From::Operator;
    b.kind = Bulletin::Kind::Urgent;
    b.text = text;
    b.repeat = repeat;
    onAir_.Offer(b, StopSignal::Never());
    return b.id;
}

void TickerEngine::DialogPosition(int32_t* x, int32_t* y) {
    LockGuard guard(lock_);
    *x = store_.live.DlgWndPosX;
    *y = store_.live.DlgWndPosY;
}

void TickerEngine::SetDialogPosition(int32_t x, int32_t y) {
    LockGuard guard(lock_);
    store_.live.DlgWndPosX = x;
    store_.live.DlgWndPosY = y;
}

void TickerEngine::Set(SettingMember which, int64_t value) {
    const SettingRow* row = RowOf(which);
    if (!row) return;
    const ChangeRule& rule = row->change;
    bool restart, changed;
    {
        LockGuard guard(lock_);
        changed = StoreNumber(*row, store_.live, value);
        if (rule.measuresBand) band_.MeasureBandLocked(store_.live);
        restart = store_.live.LineOn != 0 &&
                  (rule.restartsLine || (rule.restartsFeeds && store_.live.Source() == ContentSource::Feed));
    }
    if (rule.rearmsAutoUpdate) playback_.ArmAutoUpdate();
    if (rule.restartsEndpoint && changed) services_.ControlSettingsChanged();
    if (restart) {
        // A running line starts again from the beginning of the new source.
        playback_.StopPlayback(true);
        {
            LockGuard guard(lock_);
            if (store_.live.Source() == ContentSource::Feed) onAir_.ClearCrawlLocked();
        }
        playback_.StartPlayback(RunBy::User);
    }
    if (rule.posts) dialog_.Post(*rule.posts);
}

void TickerEngine::SetText(std::string TickerSettings::*which, const std::string& text) {
    const SettingRow* row = RowOf(which);
    if (!row) return;
    {
        LockGuard guard(lock_);
        if (store_.live.*which == text) return;
        store_.live.*which = text;
    }
    if (row->change.restartsEndpoint) services_.ControlSettingsChanged();
    if (row->change.posts) dialog_.Post(*row->change.posts);
}

void TickerEngine::SetFont(const FontSpec& font) {
    {
        LockGuard guard(lock_);
        TickerSettings& s = store_.live;
        std::tie(s.FontName, s.FontSize, s.FontWeight, s.FontItalic, s.FontUnderline, s.FontStrikeOut, s.FontCharSet) =
            std::tie(font.faceName, font.height, font.weight, font.italic, font.underline, font.strikeOut, font.charSet);
        RebuildFontLocked();
    }
    dialog_.Post(UPDATE_ALL);
}

void TickerEngine::NudgeBand(Nudge which, int32_t step) {
    LockGuard guard(lock_);
    TickerSettings& s = store_.live;
    switch (which) {
    case Nudge::Left: s.LinePosX = SaturateInt32(int64_t(s.LinePosX) - step); break;
    case Nudge::Right: s.LinePosX = SaturateInt32(int64_t(s.LinePosX) + step); break;
    case Nudge::Up: s.LinePosY = SaturateInt32(int64_t(s.LinePosY) - step); break;
    case Nudge::Down: s.LinePosY = SaturateInt32(int64_t(s.LinePosY) + step); break;
    case Nudge::Narrower: s.LineSize = SaturateInt32(int64_t(s.LineSize) - step); break;
    case Nudge::Wider: s.LineSize = SaturateInt32(int64_t(s.LineSize) + step); break;
    // The height is negative: larger text is a more negative value.
    case Nudge::FontSmaller:
        if (s.FontSize < RangeOf(&TickerSettings::FontSize).max) {
            s.FontSize += 1;
            RebuildFontLocked();
        }
        break;
    case Nudge::FontLarger:
        if (s.FontSize > RangeOf(&TickerSettings::FontSize).min) {
            s.FontSize -= 1;
            RebuildFontLocked();
        }
        break;
    }
}

void TickerEngine::SnapToCorner(Corner which) {
    LockGuard guard(lock_);
    TickerSettings& s = store_.live;
    const bool left = which == Corner::TopLeft || which == Corner::BottomLeft;
    const bool top = which == Corner::TopLeft || which == Corner::TopRight;
    s.LinePosX = left ? s.LineSize / 2 : kRefWidth - s.LineSize / 2;
    s.LinePosY = top ? s.BandHeight / 2 : kRefHeight - s.BandHeight / 2;
}

bool TickerEngine::LineOn() {
    LockGuard guard(lock_);
    return store_.live.LineOn != 0;
}

void TickerEngine::ToggleLine() {
    if (LineOn()) StopLine();
    else StartLine();
}

std::u16string TickerEngine::LinkAt(int32_t x) {
    LockGuard guard(lock_);
    return onAir_.LinkAtLocked(int64_t(x) - ReferenceBandRect(store_.live).left);
}
