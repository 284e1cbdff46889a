#include "plugin/frame_road.h"

#include "base/saturate.h"
#include "settings/band_geometry.h"

void FrameRoad::SetGeometryLocked(const FrameGeometry& g) {
    geometry_ = g;
    cpuLevel_.store(g.cpuLevel, std::memory_order_relaxed);
    blender_.SetFrameFormat(g.frameWidth, g.frameHeight, g.pixelFormat);
}

void FrameRoad::DrawFrame(uint8_t* pixels) {
    bool refreshDue, refreshAhead;
    {
        LockGuard guard(lock_);
        TickerSettings& s = store_.live;
        if (onAir_.BandShownLocked()) {
            ClampBand(s);
            const Rect dest = blender_.MapRect(ReferenceBandRect(s));
            if (s.Interlace && geometry_.frameHeight > 288) {
                ComposeAndBlendLocked(pixels, dest, s.Speed, kEvenRows);
                ComposeAndBlendLocked(pixels, dest, s.Speed, kOddRows);
            } else {
                const int64_t step = int64_t(s.Speed) * 2;
                ComposeAndBlendLocked(pixels, dest, SaturateInt32(step), kAllRows);
            }
            onAir_.UpdateLocked();
        }
        refreshDue = !s.LineOn && onAir_.AutoUpdateDueLocked();
        refreshAhead = onAir_.RefreshAheadDueLocked();
    }
    if (refreshDue) {
        playback_.StartPlayback(RunBy::Timer);
        playback_.ArmAutoUpdate();
    } else if (refreshAhead) {
        playback_.StartRefreshAhead();
    }
}

void FrameRoad::ComposeAndBlendLocked(uint8_t* pixels, const Rect& dest, int32_t step, int32_t fieldMode) {
    band_.ComposeLocked(store_.live, onAir_.FieldLocked(step), true);
    const SurfaceSlot& slot = band_.Surface().Current();
    BandSource src;
    src.pixels = slot.pixels;
    src.allocWidth = slot.allocWidth;
    src.allocHeight = slot.allocHeight;
    src.rect = slot.used;
    src.layout = band_.Layout();
    blender_.BlendBand(pixels, dest, src, 100, fieldMode);
}
