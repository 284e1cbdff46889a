// The one way the settings dialog, the input hooks and the control endpoint
// reach the engine: read a copy of the settings, apply a change, start and
// stop the line, and be told what to refresh. Every change is stored under
// the ticker lock and holds it only for the store and the rebuild it needs;
// whatever may wait on another thread (the downloader, the endpoint) runs
// after the lock is released.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "render/text_renderer.h"
#include "settings/ticker_settings.h"

// The dialog's end of the link; PostUpdate may be called from any thread and
// must not wait (the Windows dialog posts itself a message).
class UpdateSink {
public:
    virtual ~UpdateSink() = default;
    virtual void PostUpdate(UpdatePart part) = 0;
};

// The seven font settings as one font (a face name holds at most 31 characters).
FontSpec FontSpecFrom(const TickerSettings& s);

// The position and size buttons.
enum class Nudge : int32_t { Left, Right, Up, Down, Narrower, Wider, FontSmaller, FontLarger };
enum class Corner : int32_t { TopLeft, TopRight, BottomLeft, BottomRight };
enum class ContentList : int32_t { Strings, Files, Urls };

// What the line reports of itself (a copy, taken under the lock).
enum class UrgentState : int32_t { Waiting, OnAir, Done, Replaced };
struct UrgentStatus {
    uint32_t id = 0;
    UrgentState state = UrgentState::Waiting;
};
struct FeedStatus {
    std::string address;    // as listed (the settings' code page)
    std::string result;     // the last outcome: "ok", "nothing new", "not modified", "failed", "fetching", "" before any
    std::u16string notice;  // a failure's notice
    int64_t time = 0;       // calendar seconds of that outcome, 0 before any
};
struct LineStatus {
    bool running = false;  // the line runs (an urgent line may be on air without it)
    ContentSource source = ContentSource::Strings;
    bool allFeeds = false;
    std::u16string onScreen;  // the text of the run entering or last entered the band; empty off air
    int32_t items = 0;        // messages on air (a feed's items, a file's lines, the string; no notice)
    std::vector<FeedStatus> feeds;
    std::vector<UrgentStatus> urgent;  // the most recent first, a few
};

class TickerControl {
public:
    virtual ~TickerControl() = default;

    virtual TickerSettings Settings() = 0;
    virtual StringList List(ContentList which) = 0;
    virtual void DialogPosition(int32_t* x, int32_t* y) = 0;

    // Writes one setting through its row of the settings table and does
    // what the row says a change does (kSettingRows). Text rows take no
    // number.
    virtual void Set(SettingMember which, int64_t value) = 0;
    // The same for a text row (ControlKey), the text in the settings' code page.
    virtual void SetText(std::string TickerSettings::*which, const std::string& text) = 0;
    // The seven font settings at once; the font and the band are rebuilt.
    virtual void SetFont(const FontSpec& font) = 0;
    virtual void SetList(ContentList which, const StringList& list) = 0;
    virtual void SetDialogPosition(int32_t x, int32_t y) = 0;
    // Moves or sizes the band by `step` reference pixels; the font buttons
    // change the height by one whatever the step, within -10..-50.
    virtual void NudgeBand(Nudge which, int32_t step) = 0;
    virtual void SnapToCorner(Corner which) = 0;

    virtual void StartLine() = 0;   // a user run
    virtual void StopLine() = 0;    // also ends a running download
    virtual void ToggleLine() = 0;
    virtual bool LineOn() = 0;

    // While a sink is connected the dialog counts as open: no automatic feed
    // refresh runs, and the hooks stay idle. Null disconnects.
    virtual void ConnectDialog(UpdateSink* sink) = 0;
    virtual bool DialogOpen() = 0;
    // GetTickCount of the last frame, for the hooks' activity test.
    virtual uint32_t LastFrameTick() = 0;
    // The link of the message whose run is under `x` (reference-frame
    // units) on the band; empty between runs, off air, or for a message
    // without one. A copy: the caller opens it after the lock is released.
    virtual std::u16string LinkAt(int32_t x) = 0;

    virtual LineStatus Status() = 0;
    // Queues an urgent line (UTF-16, no control characters) shown `repeat`
    // times (0: the UrgentRepeat setting); its id, or 0 when it was not taken.
    virtual uint32_t OfferUrgent(const std::u16string& text, int32_t repeat) = 0;
    // Replaces the string list's current entry (StrIdx), or adds one when that is
    // the empty last entry; text in the settings' code page. A line running on
    // the strings shows it from the pass end.
    virtual void PutString(const std::string& text) = 0;
};
