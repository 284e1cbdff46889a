// The engine's parts, for tests and benchmarks that set up or look at what
// no operation of the engine reaches: the settings as a file would hold
// them, playback's state and segments, the band, the frame road.
#pragma once
#include "plugin/ticker_engine.h"

struct EngineProbe {
    static SettingsStore& Store(TickerEngine& e) { return e.store_; }
    static PlaybackControl& Playback(TickerEngine& e) { return e.playback_; }
    static BandState& Band(TickerEngine& e) { return e.band_; }
    static FrameRoad& Frames(TickerEngine& e) { return e.frames_; }
    // The band composed from the segments on air, as a frame does but into
    // slot 0 whole, not left for the blender to paint.
    static void ComposeBand(TickerEngine& e) {
        LockGuard guard(e.lock_);
        e.band_.ComposeLocked(e.store_.live, e.playback_.Segments(), e.playback_.Messages(),
                              e.playback_.MessagesRevision(), e.playback_.State().contentReady);
    }
};
