#include "plugin/ticker_engine.h"

#include "plugin/band_geometry.h"

void TickerEngine::DrawFrame(uint8_t* pixels) {
    (void)pixels;
    LockGuard guard(lock_);
    TickerSettings& s = store.live;
    if (s.LineOn) {
        if (playback.manualStart || playback.contentReady) {
            ClampBand(s);
        }
    }
}
