#include "settings/band_geometry.h"

#include "settings/ticker_settings.h"

void ClampBand(TickerSettings& s) {
    s.LineSize = ClampTo(&TickerSettings::LineSize, s.LineSize);
    // Both corrections test the left and top found before either moved.
    // 64-bit so that hand-edited extremes cannot overflow.
    const int64_t left = int64_t(s.LinePosX) - s.LineSize / 2;
    const int64_t top = int64_t(s.LinePosY) - s.BandHeight / 2;
    int64_t x = s.LinePosX, y = s.LinePosY;
    if (left < 0) x -= left;
    if (top < 0) y -= top;
    if (left + s.LineSize > kRefWidth) x -= left + s.LineSize - kRefWidth;
    if (top + s.BandHeight > kRefHeight) y -= top + s.BandHeight - kRefHeight;
    s.LinePosX = int32_t(x);
    s.LinePosY = int32_t(y);
}

Rect ReferenceBandRect(const TickerSettings& s) {
    Rect r;
    r.left = int32_t(int64_t(s.LinePosX) - s.LineSize / 2);
    r.top = int32_t(int64_t(s.LinePosY) - s.BandHeight / 2);
    r.right = r.left + s.LineSize;
    r.bottom = r.top + s.BandHeight;
    return r;
}
