#include "plugin/ticker_engine.h"

#include <tuple>

#include "base/ansi_codec.h"
#include "base/geometry.h"
#include "base/saturate.h"
#include "settings/band_geometry.h"
#include "plugin/source_messages.h"
#include "settings/ini_store.h"

TickerEngine::TickerEngine(TickerLock& lock, EngineServices& services, TextRenderer& renderer,
                           SurfaceAllocator& allocator)
    : lock_(lock),
      services_(services),
      band_(renderer, allocator),
      playback_(lock, store_, band_, services, dialog_),
      feeds_(lock, store_, playback_, services),
      frames_(lock, store_, playback_, band_) {}

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
    services_.StopDownload();
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
    playback_.RemeasureSegmentsLocked();
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
    LockGuard guard(lock_);
    ListOf(which).swap(copy);
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
    bool restart;
    {
        LockGuard guard(lock_);
        StoreNumber(*row, store_.live, value);
        if (rule.measuresBand) band_.MeasureBandLocked(store_.live);
        restart = rule.restartsLine && store_.live.LineOn != 0;
    }
    if (rule.rearmsAutoUpdate) playback_.ArmAutoUpdate();
    if (restart) {
        // A running line starts again from the beginning of the new source.
        playback_.StopPlayback(true);
        {
            LockGuard guard(lock_);
            if (store_.live.Source() == ContentSource::Feed) playback_.ClearMessagesLocked();
        }
        playback_.StartPlayback(RunBy::User);
    }
    if (rule.posts) dialog_.Post(*rule.posts);
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
    if (!store_.live.LineOn || !playback_.State().contentReady) return std::u16string();
    const int64_t onBand = int64_t(x) - ReferenceBandRect(store_.live).left;
    const MessageList& messages = playback_.Messages();
    for (const TickerSegment& seg : playback_.Segments()) {
        if (onBand < seg.x || onBand >= int64_t(seg.x) + seg.width) continue;
        if (seg.messageIndex < 0 || seg.messageIndex >= messages.Count()) break;
        return messages[seg.messageIndex].link;
    }
    return std::u16string();
}

bool TickerEngine::OnFeed(const FeedResult& feed, const StopSignal& stop) {
    if (!feeds_.Publish(feed, stop)) return false;
    std::string result = feed.kind == FeedResult::Items         ? "ok"
                         : feed.kind == FeedResult::NotModified ? "not modified"
                                                                : "failed: " + SystemAnsiCodec().FromUtf16(feed.notice.c_str());
    const int64_t now = services_.NowSeconds();
    LockGuard guard(lock_);
    lastFeed_.address = store_.live.LastURL;  // the address StartFeed asked for
    lastFeed_.result.swap(result);
    lastFeed_.time = now;
    return true;
}

LineStatus TickerEngine::Status() {
    LineStatus status;
    LockGuard guard(lock_);
    const TickerSettings& s = store_.live;
    status.running = s.LineOn != 0;
    status.source = s.Source();
    const MessageList& messages = playback_.Messages();
    if (status.running && playback_.State().contentReady) {
        status.items = messages.Count();
        const SegmentList& segments = playback_.Segments();
        if (!segments.empty()) {
            const int32_t index = segments.back().messageIndex;
            if (index >= 0 && index < messages.Count()) status.onScreen = messages[index].displayText.Str();
        }
    }
    if (status.source == ContentSource::Feed) {
        FeedStatus feed;
        if (const std::string* url = ListEntry(store_.urls, s.URLIdx)) feed.address = *url;
        if (!feed.address.empty() && feed.address == lastFeed_.address) feed = lastFeed_;
        status.feeds.push_back(std::move(feed));
    }
    return status;
}

void TickerEngine::PutString(const std::string& text) {
    bool running;
    {
        LockGuard guard(lock_);
        StringList& list = store_.strings;
        if (list.empty() || !list.back().empty()) list.emplace_back();
        int32_t& index = store_.live.StrIdx;
        // The trailing empty entry, or an index off the list, takes a new entry.
        if (index < 0 || index >= int32_t(list.size()) - 1) {
            index = int32_t(list.size()) - 1;
            list[size_t(index)] = text;
            list.emplace_back();
        } else {
            list[size_t(index)] = text;
        }
        running = (store_.live.LineOn && store_.live.Source() == ContentSource::Strings) && playback_.State().contentReady;
    }
    if (!running) return;
    // Built off the lock; it takes over where the pass ends, as a watched file's lines do.
    MessageList fresh;
    LoadSourceMessages(lock_, store_, ContentSource::Strings, fresh);
    LockGuard guard(lock_);
    if ((store_.live.LineOn && store_.live.Source() == ContentSource::Strings) && playback_.State().contentReady) playback_.HoldLocked(fresh, std::nullopt);
}
