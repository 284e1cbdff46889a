// BlendBand on the default band (768 x 37 reference pixels at the bottom of
// the frame), both fields of interlaced frames, per path: as the plug-in
// blends it (a band of scrolling strips, resampled once and reused), and
// with every column filtered from the band every field; against a plain
// copy of the same band region.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "render/frame_blender.h"
#include "render/strip_cache.h"
#include "render/text_renderer.h"

namespace {

// A ticker's band: messages of the block renderer a gap apart, moving by the
// default speed (4 reference pixels per field), composed from strips.
class Ticker final : public BandRuns {
public:
    Ticker() : cache_(renderer_, allocator_), band_(allocator_) {
        band_.AddSlot(), band_.AddSlot();
        renderer_.CreateTickerFont(FontSpec{"", -31, 700});
        style_.width = 768, style_.height = 37, style_.shadowOffset = 2;
        style_.backColor = 0x606060, style_.textColor = 0xC0C0C0, style_.backOpacity = 80, style_.textOpacity = 90;
        for (const char16_t* m : {u"Бегущая строка: новости часа", u"В Москве без осадков", u"Курс рубля"})
            messages_.emplace_back(m);
        gap_ = renderer_.MeasureAnsi("        ").cx;
        runs_.push_back(Next(768));
    }
    int32_t Count() const override { return int32_t(runs_.size()); }
    bool Run(int32_t i, BandRun* run) const override {
        *run = runs_[size_t(i)];
        return true;
    }
    // One field: the runs move on, the band is laid out (its pixels are
    // painted where the blender reads them, as in the plug-in).
    BandSource Field() {
        for (BandRun& r : runs_) r.x -= 4;
        if (runs_.front().x + runs_.front().width < 0) runs_.erase(runs_.begin());
        const BandRun& last = runs_.back();
        if (last.x + last.width + gap_ <= 768) runs_.push_back(Next(last.x + last.width + gap_));
        BandSource s;
        if (!cache_.Compose(band_, style_, this, true)) ComposeBand(renderer_, band_, style_, this);
        const SurfaceSlot& slot = band_.Slot(0);
        s.pixels = slot.pixels, s.allocWidth = slot.allocWidth, s.allocHeight = slot.allocHeight;
        s.rect = slot.used;
        s.layout = cache_.Layout();
        return s;
    }

private:
    BandRun Next(int32_t x) {
        BandRun r;
        r.x = x, r.text = &messages_[next_++ % messages_.size()];
        r.width = renderer_.MeasureWide(*r.text).cx;
        return r;
    }

    BlockTextRenderer renderer_;
    HeapSurfaceAllocator allocator_;
    StripCache cache_;
    DibSurface band_;
    BandStyle style_;
    std::vector<WideString> messages_;
    std::vector<BandRun> runs_;
    size_t next_ = 0;
    int32_t gap_ = 0;
};

// Both fields of one frame, apart from the warm-up (callgrind counts calls of this).
template <class F>
__attribute__((noinline)) void MeasuredFrame(F& both) {
    both();
}

void Blend(benchmark::State& state, int32_t width, int32_t height, PixelFormat format, BlendPath path, bool strips) {
    Ticker ticker;
    FrameBlender blender;
    blender.SetFrameFormat(width, height, format);
    blender.SetPath(path);
    blender.UseStripCache(strips);
    std::vector<uint8_t> frame(size_t(width) * height * (format == kFormatYuy2 ? 2 : 3), 100);
    const Rect dest = blender.MapRect(Rect{0, 538, 768, 575});
    auto both = [&] {
        blender.BlendBand(frame.data(), dest, ticker.Field(), 100, kEvenRows);
        blender.BlendBand(frame.data(), dest, ticker.Field(), 100, kOddRows);
    };
    for (int i = 0; i < 400; ++i) both();  // every phase and message resampled
    for (auto _ : state) {
        MeasuredFrame(both);
        benchmark::DoNotOptimize(frame.data());
    }
    state.counters["band_px"] = double(dest.Width()) * dest.Height();
    state.counters["cache_MB"] = double(blender.Stats().bytes) / (1 << 20);
    const FrameBlender::CacheStats& stats = blender.Stats();
    if (stats.fields > 0) state.counters["direct_cols"] = double(stats.directColumns) / double(stats.fields);
}

void Copy(benchmark::State& state, int32_t width, int32_t height, PixelFormat format) {
    const int32_t bpp = format == kFormatYuy2 ? 2 : 3;
    FrameBlender mapper;
    mapper.SetFrameFormat(width, height, format);
    const Rect dest = mapper.MapRect(Rect{0, 538, 768, 575});
    std::vector<uint8_t> frame(size_t(width) * height * bpp, 100), band(size_t(width) * dest.Height() * bpp, 7);
    for (auto _ : state) {
        for (int32_t y = 0; y < dest.Height(); ++y)
            std::memcpy(frame.data() + size_t(dest.top + y) * width * bpp, band.data() + size_t(y) * width * bpp,
                        size_t(width) * bpp);
        benchmark::DoNotOptimize(frame.data());
    }
}

#define SIZES(X, F, FN) X(720, 576, F, FN) X(1920, 1080, F, FN) X(3840, 2160, F, FN)

#define BLEND(W, H, F, FN)                                                                                              \
    BENCHMARK_CAPTURE(Blend, FN##_##W##x##H##_scalar, W, H, F, BlendPath::Scalar, true)->Unit(benchmark::kMicrosecond); \
    BENCHMARK_CAPTURE(Blend, FN##_##W##x##H##_sse2, W, H, F, BlendPath::Sse2, true)->Unit(benchmark::kMicrosecond);     \
    BENCHMARK_CAPTURE(Blend, FN##_##W##x##H##_avx2, W, H, F, BlendPath::Avx2, true)->Unit(benchmark::kMicrosecond);     \
    BENCHMARK_CAPTURE(Blend, FN##_##W##x##H##_direct_sse2, W, H, F, BlendPath::Sse2, false)                              \
        ->Unit(benchmark::kMicrosecond);                                                                                \
    BENCHMARK_CAPTURE(Blend, FN##_##W##x##H##_direct_avx2, W, H, F, BlendPath::Avx2, false)                              \
        ->Unit(benchmark::kMicrosecond);                                                                                \
    BENCHMARK_CAPTURE(Copy, FN##_##W##x##H##_memcpy, W, H, F)->Unit(benchmark::kMicrosecond);

SIZES(BLEND, kFormatYuy2, yuy2)
SIZES(BLEND, kFormatRgb24, rgb24)

}  // namespace

BENCHMARK_MAIN();
