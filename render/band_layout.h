// Where a band composed from cached strips got its pixels: the background
// everywhere but in the strips' inks, each ink copied from its strip. The
// blender resamples a strip once and reuses it while the strip slides.
#pragma once
#include <cstdint>

struct PlacedStrip {
    const uint32_t* pixels = nullptr;  // top-down rows of `width`, the band's height
    int32_t width = 0, height = 0;
    uint64_t serial = 0;  // new for every drawing of a strip
    int32_t left = 0;     // the band column of the strip's first column
    int32_t inkLeft = 0, inkRight = 0;  // band columns where the band shows the strip
};

// Paints the band's columns [from, to) from the layout: a band composed for
// the blender is painted only where the blender reads it.
class BandPainter {
public:
    virtual ~BandPainter() = default;
    virtual void PaintColumns(int32_t from, int32_t to) const = 0;
};

struct BandLayout {
    uint32_t background = 0;  // every band pixel outside the inks
    int32_t count = 0;
    const PlacedStrip* strips = nullptr;  // left to right; inks disjoint and in order
    const BandPainter* painter = nullptr;  // set while the band's pixels are still to be painted
};
