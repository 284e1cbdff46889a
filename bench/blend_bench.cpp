// BlendBand on the default band (768 x 37 reference pixels at the bottom of
// the frame), both fields of interlaced frames, scalar and SSE2, against a
// plain copy of the same band region.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "render/frame_blender.h"

namespace {

struct Band {
    std::vector<uint8_t> pixels;
    BandSource source;
    Band() : pixels(size_t(960) * 47 * 4) {  // the surface allocates 125 %
        std::mt19937 rng(7);
        for (int32_t y = 0; y < 47; ++y)
            for (int32_t x = 0; x < 960; ++x) {
                uint8_t* p = pixels.data() + (size_t(46 - y) * 960 + x) * 4;
                const bool ink = (x / 9 + y / 6) % 4 == 0;
                const uint8_t a = ink ? 230 : 204;
                p[0] = ink ? 170 : 77, p[1] = ink ? 172 : 77, p[2] = ink ? 171 : 77, p[3] = a;
                if (rng() % 7 == 0) p[3] = uint8_t(rng() % 256), p[0] = p[1] = p[2] = uint8_t(p[3] / 2);
            }
        source.pixels = pixels.data();
        source.allocWidth = 960;
        source.allocHeight = 47;
        source.rect = Rect{0, 0, 768, 37};
    }
};

void Blend(benchmark::State& state, int32_t width, int32_t height, PixelFormat format, BlendPath path) {
    static Band band;
    FrameBlender blender;
    blender.SetFrameFormat(width, height, format);
    blender.SetPath(path);
    std::vector<uint8_t> frame(size_t(width) * height * (format == kFormatYuy2 ? 2 : 3), 100);
    const Rect dest = blender.MapRect(Rect{0, 538, 768, 575});
    for (auto _ : state) {
        if (height > 288) {
            blender.BlendBand(frame.data(), dest, band.source, 100, kEvenRows);
            blender.BlendBand(frame.data(), dest, band.source, 100, kOddRows);
        } else {
            blender.BlendBand(frame.data(), dest, band.source, 100, kAllRows);
        }
        benchmark::DoNotOptimize(frame.data());
    }
    state.counters["band_px"] = double(dest.Width()) * dest.Height();
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

#define SIZES(X, F, FN)                 \
    X(720, 576, F, FN) X(1920, 1080, F, FN) X(3840, 2160, F, FN)

#define BLEND(W, H, F, FN)                                                                             \
    BENCHMARK_CAPTURE(Blend, FN##_##W##x##H##_scalar, W, H, F, BlendPath::Scalar)->Unit(benchmark::kMicrosecond); \
    BENCHMARK_CAPTURE(Blend, FN##_##W##x##H##_sse2, W, H, F, BlendPath::Sse2)->Unit(benchmark::kMicrosecond);     \
    BENCHMARK_CAPTURE(Blend, FN##_##W##x##H##_avx2, W, H, F, BlendPath::Avx2)->Unit(benchmark::kMicrosecond);     \
    BENCHMARK_CAPTURE(Copy, FN##_##W##x##H##_memcpy, W, H, F)->Unit(benchmark::kMicrosecond);

SIZES(BLEND, kFormatYuy2, yuy2)
SIZES(BLEND, kFormatRgb24, rgb24)

}  // namespace

BENCHMARK_MAIN();
