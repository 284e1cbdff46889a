// Bands copied from cached strips against bands drawn directly, byte for
// byte, over random messages, positions and styles; shared by the native
// tests (block renderer) and the Windows tests (GDI and real fonts).
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "render/band_composer.h"
#include "render/strip_cache.h"

struct StripEquality {
    int bandsCompared = 0, bandsCopied = 0, mismatches = 0;
    std::string firstMismatch;
};

namespace strip_equality {

class Runs final : public BandRuns {
public:
    std::vector<BandRun> runs;
    int32_t Count() const override { return int32_t(runs.size()); }
    bool Run(int32_t i, BandRun* r) const override {
        *r = runs[size_t(i)];
        return true;
    }
};

inline bool SameBand(const SurfaceSlot& a, const SurfaceSlot& b, int32_t w, int32_t h) {
    for (int32_t y = 0; y < h; ++y)
        if (std::memcmp(a.At(0, y), b.At(0, y), size_t(w) * 4) != 0) return false;
    return true;
}

}  // namespace strip_equality

// `fonts` are applied in turn through `setFont(i)`; each band has 1 to 5
// runs of `messages` with gaps of about the ticker's, some partly or wholly
// off the band, some touching (which the cache must decline or get right),
// long ones shown from anywhere along their length. Messages the renderer
// lays out are drawn from their layouts.
template <class SetFont>
StripEquality CompareStripsWithDirectBands(TextRenderer& renderer, SurfaceAllocator& allocator, int fonts,
                                           SetFont setFont, const std::vector<std::u16string>& messages,
                                           int bandsPerFont, uint32_t seed) {
    using namespace strip_equality;
    StripEquality result;
    const std::vector<WideString> texts(messages.begin(), messages.end());
    std::mt19937 random(seed);
    auto pick = [&](int n) { return int32_t(random() % uint32_t(n)); };
    for (int font = 0; font < fonts; ++font) {
        setFont(font);
        StripCache cache(renderer, allocator);
        DibSurface direct(allocator), copied(allocator);
        direct.AddSlot(), direct.AddSlot(), copied.AddSlot(), copied.AddSlot();
        const TextExtent blanks = renderer.MeasureAnsi("        ");
        std::vector<std::shared_ptr<const TextLayout>> layouts;
        for (const WideString& text : texts) layouts.push_back(renderer.LayOut(text, BaseDirection::FromText));
        for (int band = 0; band < bandsPerFont; ++band) {
            BandStyle style;
            style.width = 200 + pick(700);
            style.shadowOffset = (band % 3 == 0) ? 0 : 1 + pick(6);
            style.height = blanks.cy + style.shadowOffset;
            style.backColor = random() & 0xFFFFFF;
            style.textColor = random() & 0xFFFFFF;
            style.backOpacity = band % 4 == 0 ? 100 : pick(101);
            style.textOpacity = band % 5 == 0 ? 100 : pick(101);
            Runs runs;
            int32_t x = -400 + pick(500);
            const int count = 1 + pick(5);
            for (int k = 0; k < count; ++k) {
                BandRun r;
                r.x = x;
                const size_t m = size_t(pick(int(texts.size())));
                r.text = &texts[m];
                r.layout = layouts[m].get();
                r.width = r.layout ? r.layout->width : renderer.MeasureWide(*r.text).cx;
                // a long first run shows any part of itself: tiles at any offset
                if (k == 0 && r.width > 2000) r.x = x = -pick(r.width);
                runs.runs.push_back(r);
                // mostly the ticker's gap; now and then touching runs
                x += r.width + (pick(8) == 0 ? pick(4) : blanks.cx + pick(blanks.cx));
            }
            ComposeBand(renderer, direct, style, band % 7 == 0 ? nullptr : &runs);
            const bool took = cache.Compose(copied, style, band % 7 == 0 ? nullptr : &runs);
            ++result.bandsCompared;
            if (!took) continue;
            ++result.bandsCopied;
            if (!SameBand(direct.Slot(0), copied.Slot(0), style.width, style.height)) {
                if (result.mismatches++ == 0)
                    result.firstMismatch = "font " + std::to_string(font) + ", band " + std::to_string(band) +
                                           ", first run at x " + std::to_string(runs.runs[0].x);
            }
        }
    }
    return result;
}
