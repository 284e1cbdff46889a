// The plug-in's module-level state and its one owner: the settings and
// their file, the band, playback, the content and the frame road, tied to
// their surroundings (lock, services, text renderer, bitmaps). The entry
// points drive it through its operations; the settings dialog and the hooks
// reach it only through TickerControl.
#pragma once
#include <cstdint>

#include "plugin/band_state.h"
#include "plugin/feed_publisher.h"
#include "plugin/dialog_link.h"
#include "plugin/engine_services.h"
#include "plugin/frame_road.h"
#include "plugin/playback_control.h"
#include "plugin/ticker_control.h"
#include "plugin/ticker_lock.h"
#include "settings/instance_paths.h"
#include "settings/ticker_settings.h"

class TickerEngine final : public TickerControl, public FeedReceiver {
public:
    TickerEngine(TickerLock& lock, EngineServices& services, TextRenderer& renderer, SurfaceAllocator& allocator);

    // The operations the host's entry points drive; each takes the ticker
    // lock for what it changes.

    // Init: the settings file's place, and the settings read from it (the
    // defaults where there is none).
    void Init(const SettingsLocation& location);
    const SettingsLocation& Location() const { return location_; }
    // Start: the frame geometry, the blender, the font and the slots; the
    // log of this period; then whether playback starts by itself.
    void Start(const FrameGeometry& g);
    // ProcessFrame: 0 without a frame or on a processor too old for the
    // blender; otherwise the frame is noted at `tick` and drawn, and 1.
    int32_t ProcessFrame(uint8_t* pixels, uint32_t tick);
    // ShowSettings: the settings are not offered on a processor too old for
    // the blender.
    bool SettingsAvailable() const { return !CpuTooOld(frames_.CpuLevel()); }
    // Shutdown: the settings saved. The download worker writes LastUpdate
    // when it puts a feed on air: it is stopped first (bounded), and the
    // settings are copied under the lock, so that the file holds the old
    // stamp or the new one and nothing changes what was saved afterwards.
    void Shutdown();

    // FeedReceiver: on the feed source's worker (see FeedPublisher); what
    // was published is remembered for Status.
    bool OnFeed(const FeedResult& feed, const StopSignal& stop) override;

    // TickerControl
    TickerSettings Settings() override;
    StringList List(ContentList which) override;
    void DialogPosition(int32_t* x, int32_t* y) override;
    void Set(SettingMember which, int64_t value) override;
    void SetFont(const FontSpec& font) override;
    void SetList(ContentList which, const StringList& list) override;
    void SetDialogPosition(int32_t x, int32_t y) override;
    void NudgeBand(Nudge which, int32_t step) override;
    void SnapToCorner(Corner which) override;
    void StartLine() override { playback_.StartPlayback(RunBy::User); }
    void StopLine() override { playback_.StopPlayback(true); }
    void ToggleLine() override;
    bool LineOn() override;
    void ConnectDialog(UpdateSink* sink) override { dialog_.Connect(sink); }
    bool DialogOpen() override { return dialog_.IsOpen(); }
    uint32_t LastFrameTick() override { return frames_.LastFrameTick(); }
    std::u16string LinkAt(int32_t x) override;
    LineStatus Status() override;
    // No urgent lines in this engine: nothing is taken.
    uint32_t OfferUrgent(const std::u16string&, int32_t) override { return 0; }
    void PutString(const std::string& text) override;

private:
    friend struct EngineProbe;  // tests reach the parts that no operation sets up

    // Start's last step: a line left running, or the automatic refresh, starts.
    void ResumePlayback();
    void RebuildFontLocked();
    StringList& ListOf(ContentList which);

    TickerLock& lock_;
    EngineServices& services_;
    SettingsLocation location_;
    SettingsStore store_;
    DialogLink dialog_;
    BandState band_;
    PlaybackControl playback_;
    FeedPublisher feeds_;
    FrameRoad frames_;
    FeedStatus lastFeed_;  // the last feed result put on air or held, by the address it was read from
};
