// The road of one frame: the band kept inside the reference frame, mapped
// to the frame, composed from what is on air and blended once per field,
// then the runs' upkeep; the automatic feed refresh.
#pragma once
#include <atomic>
#include <cstdint>

#include "base/geometry.h"
#include "plugin/band_state.h"
#include "plugin/on_air.h"
#include "plugin/playback_control.h"
#include "plugin/ticker_lock.h"
#include "render/frame_blender.h"

struct FrameGeometry {
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t reserved = 0;
    PixelFormat pixelFormat = kFormatYuy2;
    int32_t cpuLevel = 0;
};

inline bool CpuTooOld(int32_t cpuLevel) { return cpuLevel == 1 || cpuLevel == 2; }

class FrameRoad {
public:
    FrameRoad(TickerLock& lock, SettingsStore& store, OnAir& onAir, PlaybackControl& playback, BandState& band)
        : lock_(lock), store_(store), onAir_(onAir), playback_(playback), band_(band) {}

    void SetGeometryLocked(const FrameGeometry& g);
    // Read by every frame and by ShowSettings without the lock, while Start
    // may write it.
    int32_t CpuLevel() const { return cpuLevel_.load(std::memory_order_relaxed); }

    // Holds the lock for the drawing; an automatic run or a running line's
    // refresh that falls due is started after the lock is released, since
    // starting a download may wait for the previous one to end.
    void DrawFrame(uint8_t* pixels);

    void NoteFrame(uint32_t tick) { lastFrameTick_.store(tick); }
    uint32_t LastFrameTick() const { return lastFrameTick_.load(); }

    const FrameBlender& Blender() const { return blender_; }
    FrameBlender& Blender() { return blender_; }

private:
    void ComposeAndBlendLocked(uint8_t* pixels, const Rect& dest, int32_t step, int32_t fieldMode);

    TickerLock& lock_;
    SettingsStore& store_;
    OnAir& onAir_;
    PlaybackControl& playback_;
    BandState& band_;
    FrameGeometry geometry_;
    FrameBlender blender_;
    std::atomic<uint32_t> lastFrameTick_{0};
    std::atomic<int32_t> cpuLevel_{0};
};
