// Runs of text at given places on the band, for tests that compose a band
// by itself.
#pragma once
#include <string>
#include <vector>

#include "render/band_composer.h"

struct PlacedRuns final : BandRuns {
    struct Placed {
        int32_t x;
        WideString text;
        const RunColors* colors;
    };
    explicit PlacedRuns(TextRenderer& r) : renderer(r) {}
    TextRenderer& renderer;
    std::vector<Placed> runs;
    int32_t Count() const override { return int32_t(runs.size()); }
    bool Run(int32_t i, BandRun* out) const override {
        const Placed& p = runs[size_t(i)];
        out->x = p.x;
        out->text = &p.text;
        out->width = renderer.MeasureWide(p.text).cx;
        out->textKey = 0;
        out->colors = p.colors;
        return true;
    }
};
