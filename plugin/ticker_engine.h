// The plug-in's module-level state and its one owner: the settings and
// their file, the band, playback, the content and the frame road, tied to
// their surroundings (lock, services, text renderer, bitmaps). The entry
// points drive it; the settings dialog and the hooks reach it only through
// TickerControl.
#pragma once
#include <cstdint>

#include "plugin/band_state.h"
#include "plugin/content_loader.h"
#include "plugin/dialog_link.h"
#include "plugin/engine_services.h"
#include "plugin/frame_road.h"
#include "plugin/playback_control.h"
#include "plugin/ticker_control.h"
#include "plugin/ticker_lock.h"
#include "settings/ini_store.h"
#include "settings/ticker_settings.h"

class TickerEngine final : public TickerControl {
public:
    TickerEngine(TickerLock& lock, EngineServices& services, TextRenderer& renderer, SurfaceAllocator& allocator);

    // Start's steps that need no platform: records, blender, font and slots;
    // then, once the downloader is set up, the playback decision and deadline.
    void PrepareProcessing(const FrameGeometry& g);
    void DecidePlayback();
    void DrawFrame(uint8_t* pixels) { frames_.DrawFrame(pixels); }
    // ProcessFrame: 0 without a frame or on a processor too old for the
    // blender; otherwise the frame is noted at `tick` and drawn, and 1.
    int32_t ProcessFrame(uint8_t* pixels, uint32_t tick);
    // Shutdown's save. The download worker writes LastUpdate when it puts a
    // feed on air: it is stopped first (bounded), and the settings are copied
    // under the lock, so that the file holds the old stamp or the new one
    // and nothing changes what was saved afterwards.
    void SaveSettingsAtShutdown();

    void RebuildFont();
    void MeasureBand();
    void ComposeBand();
    bool OnFeedParsed(const FeedParseResult& feed, const TimeZoneInfo& zone, const DateFormatter& formatter,
                      bool (*stopping)(void*), void* context) {
        return content_.OnFeedParsed(feed, zone, formatter, stopping, context);
    }

    TickerLock& Lock() { return lock_; }
    // The settings file's paths and the host's windows (set by Init and Start).
    IniStore& Ini() { return ini_; }
    // Loaded by Init, saved by Shutdown, and set up directly by tests.
    SettingsStore& Store() { return store_; }
    PlaybackControl& Playback() { return playback_; }
    const BandState& Band() const { return band_; }
    BandState& Band() { return band_; }
    FrameRoad& Frames() { return frames_; }
    void SetInitWords(uint32_t word0, uint32_t word1) { initWords_[0] = word0, initWords_[1] = word1; }

    // TickerControl
    TickerSettings Settings() override;
    StringList List(ContentList which) override;
    void DialogPosition(int32_t* x, int32_t* y) override;
    void Set(Setting which, int64_t value) override;
    void SetFont(const FontSpec& font) override;
    void SetList(ContentList which, const StringList& list) override;
    void SetDialogPosition(int32_t x, int32_t y) override;
    void NudgeBand(Nudge which, int32_t step) override;
    void SnapToCorner(Corner which) override;
    void StartLine() override { playback_.StartPlayback(1); }
    void StopLine() override { playback_.StopPlayback(1); }
    void ToggleLine() override;
    bool LineOn() override;
    void ConnectDialog(UpdateSink* sink) override { dialog_.Connect(sink); }
    bool DialogOpen() override { return dialog_.IsOpen(); }
    uint32_t LastFrameTick() override { return frames_.LastFrameTick(); }

private:
    void RebuildFontLocked();
    void StoreLocked(Setting which, int64_t value);
    StringList& ListOf(ContentList which);

    TickerLock& lock_;
    EngineServices& services_;
    SettingsStore store_;
    IniStore ini_;
    DialogLink dialog_;
    BandState band_;
    PlaybackControl playback_;
    ContentLoader content_;
    FrameRoad frames_;
    uint32_t initWords_[2] = {0, 0};
};
