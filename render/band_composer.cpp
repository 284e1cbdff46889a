#include "render/band_composer.h"

#include "render/pixel_math.h"

void ComposeBand(TextRenderer& renderer, DibSurface& surface, const BandStyle& style, const BandRuns* runs,
                 int32_t shrinkPercent) {
    surface.SelectSlot(0);
    surface.EnsureSize(style.width, style.height, 25, shrinkPercent);
    surface.SelectSlot(1);
    surface.EnsureSize(style.width, style.height, 25, shrinkPercent);
    const Rect used{0, 0, style.width, style.height};

    renderer.BeginDraw();
    renderer.SelectTarget(surface.Slot(0));
    renderer.FillRect(used, ScaleColor(style.backColor, style.backOpacity));
    renderer.SelectTarget(surface.Slot(1));
    renderer.FillRect(used, GrayLevel(OpacityLevel(style.backOpacity)));
    if (runs) {
        // Both layers get the same text calls, so their antialiasing agrees.
        const int32_t shadow = style.shadowOffset;
        const uint32_t bandText = ScaleColor(style.textColor, style.textOpacity);
        const uint32_t coverage = GrayLevel(OpacityLevel(style.textOpacity));
        BandRun r;
        const auto draw = [&](int32_t x, int32_t y) {
            if (r.layout) renderer.DrawLayout(x, y, *r.layout);
            else renderer.DrawRun(x, y, *r.text);
        };
        for (int32_t i = 0; i < runs->Count(); ++i) {
            if (!runs->Run(i, &r) || !r.text) continue;
            uint32_t textColor = bandText;
            if (r.colors) {
                // The run's box, as the background is laid: colour and coverage.
                textColor = ScaleColor(r.colors->text, style.textOpacity);
                const Rect box{r.x, 0, r.x + (r.width > 0 ? r.width : 0), style.height};
                renderer.SelectTarget(surface.Slot(0));
                renderer.FillRect(box, ScaleColor(r.colors->back, style.backOpacity));
                renderer.SelectTarget(surface.Slot(1));
                renderer.FillRect(box, GrayLevel(OpacityLevel(style.backOpacity)));
            }
            renderer.SelectTarget(surface.Slot(0));
            if (shadow != 0) {
                renderer.SetTextColor(0);
                draw(r.x + shadow, shadow);
            }
            renderer.SetTextColor(textColor);
            draw(r.x, 0);
            renderer.SelectTarget(surface.Slot(1));
            renderer.SetTextColor(coverage);
            if (shadow != 0) draw(r.x + shadow, shadow);
            draw(r.x, 0);
        }
    }
    renderer.EndDraw();
    surface.CopyAlphaFromBlue(0, 1);
    surface.SelectSlot(0);
}
