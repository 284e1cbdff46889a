// The ticker font's metrics, the segments' layout and the band's two layers.
#include "plugin/ticker_engine.h"
#include "render/pixel_math.h"

int32_t TickerEngine::MeasureMessage(int32_t index) {
    if (index < 0 || index >= messages.Count()) return 0;
    const WideString& text = messages[index].displayText;
    return renderer_.MeasureWide(text.Raw(), text.Length()).cx;
}

void TickerEngine::MeasureBand() {
    LockGuard guard(lock_);
    const TextExtent blanks = renderer_.MeasureAnsi("        ");
    metrics.shadowOffset = MulDiv(blanks.cy, store.live.ShadowOffset, 100);
    store.live.BandHeight = blanks.cy + metrics.shadowOffset;
    metrics.gapWidth = blanks.cx;
    metrics.textHeight = blanks.cy;
}

void TickerEngine::RebuildFont() {
    LockGuard guard(lock_);
    renderer_.CreateTickerFont(FontSpecFrom(store.live));
    MeasureBand();
    // Text already on the band keeps its place and takes its new widths.
    if (playback.contentReady && segments.Count() > 0) {
        int64_t x = segments[0].x;
        for (int32_t i = 0; i < segments.Count(); ++i) {
            TickerSegment& seg = segments[i];
            seg.x = int32_t(x);
            seg.width = MeasureMessage(seg.messageIndex);
            x += int64_t(seg.width) + metrics.gapWidth;
            if (x > INT32_MAX) x = INT32_MAX;
        }
    }
}

void TickerEngine::AppendSegment() {
    LockGuard guard(lock_);
    if (!playback.contentReady) return;
    const int32_t index = playback.nextMessage;
    if (index < 0 || index >= messages.Count()) return;
    segments.Add(TickerSegment{index, store.live.LineSize, MeasureMessage(index)});
}

void TickerEngine::ComposeBand() {
    LockGuard guard(lock_);
    const TickerSettings& s = store.live;
    const int32_t width = s.LineSize, height = s.BandHeight;
    surface.SelectSlot(0);
    surface.EnsureSize(width, height, 25, 25);
    surface.SelectSlot(1);
    surface.EnsureSize(width, height, 25, 25);
    const SurfaceRect used{0, 0, width, height};

    renderer_.BeginDraw();
    renderer_.SelectTarget(surface.Slot(0));
    renderer_.FillRect(used, ScaleColor(s.BackColor, s.BackOpacity));
    renderer_.SelectTarget(surface.Slot(1));
    renderer_.FillRect(used, GrayLevel(OpacityLevel(s.BackOpacity)));
    if (playback.contentReady) {
        // Both layers get the same text calls, so their antialiasing agrees.
        const int32_t shadow = metrics.shadowOffset;
        const uint32_t textColor = ScaleColor(s.TextColor, s.TextOpacity);
        const uint32_t coverage = GrayLevel(OpacityLevel(s.TextOpacity));
        for (int32_t i = 0; i < segments.Count(); ++i) {
            const TickerSegment& seg = segments[i];
            if (seg.messageIndex < 0 || seg.messageIndex >= messages.Count()) continue;
            const WideString& t = messages[seg.messageIndex].displayText;
            const int32_t length = t.Length();
            renderer_.SelectTarget(surface.Slot(0));
            if (shadow != 0) {
                renderer_.SetTextColor(0);
                renderer_.DrawRun(seg.x + shadow, shadow, t.Raw(), length);
            }
            renderer_.SetTextColor(textColor);
            renderer_.DrawRun(seg.x, 0, t.Raw(), length);
            renderer_.SelectTarget(surface.Slot(1));
            renderer_.SetTextColor(coverage);
            if (shadow != 0) renderer_.DrawRun(seg.x + shadow, shadow, t.Raw(), length);
            renderer_.DrawRun(seg.x, 0, t.Raw(), length);
        }
    }
    renderer_.EndDraw();
    surface.CopyAlphaFromBlue(0, 1);
    surface.SelectSlot(0);
}
