// The plug-in's module-level state and its one owner: the settings and
// their file, the band, what is on air, playback and the frame road, tied to
// their surroundings (lock, services, text renderer, bitmaps). The entry
// points drive it through its operations; the settings dialog, the hooks
// and the control endpoint reach it only through TickerControl; the
// producers (feeds, the watched file) offer what they have at its desk.
#pragma once
#include <cstdint>

#include "plugin/band_state.h"
#include "plugin/dialog_link.h"
#include "plugin/engine_services.h"
#include "plugin/frame_road.h"
#include "plugin/on_air.h"
#include "plugin/playback_control.h"
#include "plugin/ticker_control.h"
#include "plugin/ticker_lock.h"
#include "settings/instance_paths.h"
#include "settings/ticker_settings.h"
#include "text/news_desk.h"

struct FrameCounts {
    int64_t bitmaps = 0;        // the band's surfaces
    int64_t stripGrowths = 0;   // the strip cache's buffers
    int64_t tableBuilds = 0;    // the blender's filter tables
    int64_t bufferRemakes = 0;  // the blender's line buffers
    FrameBlender::CacheStats resampled;
};

class TickerEngine final : public TickerControl {
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
    // Shutdown: the settings saved. The download workers write the feeds'
    // stamps when they put news on air: they are stopped first (bounded), and
    // the settings are copied under the lock, so that the file holds the old
    // stamps or the new ones and nothing changes what was saved afterwards.
    void Shutdown();

    // Where the feeds and the watched file offer what they bring.
    NewsDesk& Desk() { return onAir_; }
    // What is on air, copied (the list's texts too, when asked).
    AirView Now(bool withTexts = false);
    // Off: every band is drawn directly, not from cached strips, and blended
    // with every column filtered (for equality tests and benchmarks).
    void UseStrips(bool on);
    const BandMetrics& Metrics() const { return band_.Metrics(); }

    // TickerControl
    TickerSettings Settings() override;
    StringList List(ContentList which) override;
    void DialogPosition(int32_t* x, int32_t* y) override;
    void Set(SettingMember which, int64_t value) override;
    void SetText(std::string TickerSettings::*which, const std::string& text) override;
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
    uint32_t OfferUrgent(const std::u16string& text, int32_t repeat) override;
    void PutString(const std::string& text) override;

    // What the frame road has made so far: the steady state makes nothing.
    FrameCounts Counts();

private:
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
    OnAir onAir_;
    PlaybackControl playback_;
    FrameRoad frames_;
};
