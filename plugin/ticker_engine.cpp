#include "plugin/ticker_engine.h"

#include "plugin/band_geometry.h"

void TickerEngine::PrepareProcessing(const FrameGeometry& g) {
    {
        LockGuard guard(lock_);
        geometry = g;
        blender.SetFrameFormat(g.frameWidth, g.frameHeight, g.pixelFormat);
    }
    RebuildFont();
    {
        LockGuard guard(lock_);
        // Only slots 0 and 1 are drawn; a later Start reuses them.
        while (surface.SlotCount() < 2) surface.AddSlot();
    }
}

void TickerEngine::DecidePlayback() {
    TickerSettings& s = store.live;
    if (s.AutoUpdate != 0) {
        StartPlayback(0);
    } else if (s.LineOn != 0 && s.Repeat != 0) {
        LockGuard guard(lock_);
        s.LineOn = 0;
    } else if (s.LineOn != 0) {
        StartPlayback(1);
    }
    ArmAutoUpdate();
}

void TickerEngine::DrawFrame(uint8_t* pixels) {
    LockGuard guard(lock_);
    TickerSettings& s = store.live;
    if (s.LineOn && (playback.manualStart || playback.contentReady)) {
        ClampBand(s);
        const BandRect ref = ReferenceBandRect(s);
        const BlendRect dest = blender.MapRect(BlendRect{ref.left, ref.top, ref.right, ref.bottom});
        auto blend = [&](int32_t fieldMode) {
            const SurfaceSlot& slot = surface.Current();
            BandSource src;
            src.pixels = slot.pixels;
            src.allocWidth = slot.allocWidth;
            src.allocHeight = slot.allocHeight;
            src.rect = BlendRect{slot.used.left, slot.used.top, slot.used.right, slot.used.bottom};
            blender.BlendBand(pixels, dest, src, 100, fieldMode);
        };
        if (s.Interlace && geometry.frameHeight > 288) {
            AdvanceSegments(s.Speed);
            ComposeBand();
            blend(kEvenRows);
            AdvanceSegments(s.Speed);
            ComposeBand();
            blend(kOddRows);
        } else {
            const int64_t step = int64_t(s.Speed) * 2;
            AdvanceSegments(int32_t(step > INT32_MAX ? INT32_MAX : (step < INT32_MIN ? INT32_MIN : step)));
            ComposeBand();
            blend(kAllRows);
        }
        UpdateSegments();
    }
    if (!s.LineOn && IsAutoUpdateDue()) {
        StartPlayback(0);
        ArmAutoUpdate();
    }
}
