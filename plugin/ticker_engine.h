// The plug-in's module-level state and the frame road, free of any platform
// API: the DLL binds it to Windows, tests bind it to fakes.
#pragma once
#include <atomic>
#include <cstdint>

#include "plugin/ticker_lock.h"
#include "settings/ini_store.h"
#include "settings/ticker_settings.h"

struct FrameGeometry {
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t reserved = 0;
    int32_t pixelFormat = 0;
    int32_t cpuLevel = 0;
};

// Playback state beside LineOn.
struct PlaybackState {
    int32_t manualStart = 0;
    int32_t contentReady = 0;
    int32_t nextMessage = 0;
    int32_t repeatCounter = 0;
    int64_t autoUpdateDeadline = 0;  // calendar seconds, 64-bit
};

inline bool CpuTooOld(int32_t cpuLevel) { return cpuLevel == 1 || cpuLevel == 2; }

class TickerEngine {
public:
    explicit TickerEngine(TickerLock& lock) : lock_(lock) {}

    TickerLock& Lock() { return lock_; }

    // The part of ProcessFrame after the gate: everything under the lock.
    void DrawFrame(uint8_t* pixels);

    SettingsStore store;
    IniStore ini;
    FrameGeometry geometry;
    PlaybackState playback;
    uint32_t initWords[2] = {0, 0};
    std::atomic<uint32_t> lastFrameTick{0};

private:
    TickerLock& lock_;
};
