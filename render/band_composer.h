// Composes the band into the surface's two layers: slot 0 the colour layer
// (premultiplied text and shadow over the background), slot 1 the coverage
// layer, whose grey levels are then copied into slot 0's alpha.
#pragma once
#include <cstdint>

#include "render/dib_surface.h"
#include "render/text_renderer.h"
#include "text/wide_string.h"

struct BandStyle {
    int32_t width = 0, height = 0;  // the band in reference pixels
    uint32_t backColor = 0, textColor = 0;
    int32_t backOpacity = 0, textOpacity = 0;
    int32_t shadowOffset = 0;  // pixels, right and down
};

// Colours of a run's own (an urgent line): a box of `back` behind the run's
// width at the band's height and text in `text`, at the band's opacities.
struct RunColors {
    uint32_t back = 0, text = 0;
    bool operator==(const RunColors& o) const { return back == o.back && text == o.text; }
};

// One run of text on the band, x relative to its left edge.
struct BandRun {
    int32_t x = 0;
    const WideString* text = nullptr;  // none: the run is skipped
    int32_t width = -1;  // the text's measured width, when known
    uint64_t textKey = 0;  // runs with the same non-zero key have the same text
    const RunColors* colors = nullptr;  // none: the band's
    const TextLayout* layout = nullptr;  // the text's layout; none: the plain path draws it
};

// The runs to draw, leftmost first; Run returns false for one to skip.
class BandRuns {
public:
    virtual ~BandRuns() = default;
    virtual int32_t Count() const = 0;
    virtual bool Run(int32_t index, BandRun* run) const = 0;
};

// `runs` null draws the background only. Leaves slot 0 selected. The slots
// shrink when the band needs less than (100 - shrinkPercent) % of them.
void ComposeBand(TextRenderer& renderer, DibSurface& surface, const BandStyle& style, const BandRuns* runs,
                 int32_t shrinkPercent = 25);
