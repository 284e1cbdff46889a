// Bands blended from resampled strips against the same bands filtered
// directly, byte for byte: random strips, positions, speeds, sizes, both
// formats, every field mode and path; the fallbacks; the whole engine.
#include <gtest/gtest.h>

#include <cstring>

#include "blend_fixtures.h"
#include "engine_fixture.h"
#include "render/frame_blender.h"

namespace {

size_t Bytes(int32_t w, int32_t h, PixelFormat format) { return size_t(w) * size_t(h) * (format == kFormatYuy2 ? 2 : 3); }

struct Pair {
    FrameBlender cached, direct;
    Pair(int32_t w, int32_t h, PixelFormat format, BlendPath path) {
        for (FrameBlender* b : {&cached, &direct}) {
            b->SetFrameFormat(w, h, format);
            b->SetPath(path);
        }
        direct.UseStripCache(false);
    }
};

struct Case {
    int32_t width, height;
    PixelFormat format;
    int32_t lineSize, left, top;  // the band in reference pixels
};

std::string Describe(const Case& c, BlendPath path, int32_t field, int32_t speed, int step) {
    return std::to_string(c.width) + "x" + std::to_string(c.height) + (c.format == kFormatYuy2 ? " YUY2" : " RGB") +
           " band " + std::to_string(c.lineSize) + " at " + std::to_string(c.left) + "," + std::to_string(c.top) +
           " path " + std::to_string(int(path)) + " field " + std::to_string(field) + " speed " +
           std::to_string(speed) + " step " + std::to_string(step);
}

// Runs a band of strips across the frame, a field at a time, through a
// caching and a direct blender; returns the fields the cache served. The
// caching blender gets the band painted only where it asks, the direct one
// the whole band.
int64_t RunAndCompare(const Case& c, BlendPath path, std::mt19937& rng, int steps) {
    const int32_t bandHeight = 6 + int32_t(rng() % 40);
    const int32_t speed = 1 + int32_t(rng() % 9);
    const uint32_t seed = rng();
    std::mt19937 first(seed), second(seed);
    const int32_t count = 1 + int32_t(rng() % 5), left = int32_t(rng() % uint32_t(c.lineSize)) - 40;
    const int32_t widest = 60 + int32_t(rng() % 900), gap = int32_t(rng() % 3 == 0 ? 3 : 40);
    StripBand band(c.lineSize, bandHeight, first, count, left, widest, gap);
    StripBand painted(c.lineSize, bandHeight, second, count, left, widest, gap);
    painted.deferred = true;
    painted.Compose();
    Pair b(c.width, c.height, c.format, path);
    const Rect ref{c.left, c.top, c.left + c.lineSize, c.top + bandHeight};
    const Rect dest = b.cached.MapRect(ref);
    const int32_t opacity = rng() % 5 == 0 ? int32_t(rng() % 101) : 100;
    const bool interlaced = rng() % 3 != 0;
    auto cachedFrame = NoiseFrame(Bytes(c.width, c.height, c.format), rng());
    auto directFrame = cachedFrame;
    for (int step = 0; step < steps; ++step) {
        const int32_t field = interlaced ? (step % 2 == 0 ? kEvenRows : kOddRows) : kAllRows;
        b.cached.BlendBand(cachedFrame.data(), dest, painted.Source(), opacity, field);
        b.direct.BlendBand(directFrame.data(), dest, band.Source(), opacity, field);
        if (cachedFrame != directFrame) {
            ADD_FAILURE() << Describe(c, path, field, speed, step);
            return -1;
        }
        band.Step(speed);
        painted.Step(speed);
    }
    return b.cached.Stats().fields;
}

TEST(StripResample, EqualsDirectFilteringOnRandomBands) {
    // Sizes whose resampling repeats after a few columns, and some that never do.
    const int32_t sizes[][2] = {{720, 576}, {1920, 1080}, {1280, 720}, {704, 576}, {640, 480}, {768, 576},
                                {1440, 1080}, {352, 288}, {721, 576}, {1000, 300}};
    std::mt19937 rng(20);
    int64_t served = 0;
    int cases = 0;
    for (int i = 0; i < 60; ++i) {
        Case c;
        c.width = sizes[i % 10][0], c.height = sizes[i % 10][1];
        c.format = PixelFormat(rng() % 2);
        const int32_t sizesOfBand[] = {768, 768, 384, 512, 640, 10 + int32_t(rng() % 759)};
        c.lineSize = sizesOfBand[rng() % 6];
        c.left = rng() % 2 ? 0 : int32_t(rng() % 16) * 16 - 64;  // now and then partly off the frame
        c.top = int32_t(rng() % 600) - 20;
        const BlendPath path = BlendPath(rng() % 3);
        const int64_t fields = RunAndCompare(c, path, rng, 24);
        ASSERT_GE(fields, 0);
        served += fields, ++cases;
    }
    EXPECT_GT(served, cases * 24 / 4) << "the cache served too few fields to prove anything";
}

TEST(StripResample, PalAndHighDefinitionBandsAreServedFromTheCache) {
    // The sizes users watch, with the default band: every field from the
    // cache, every field equal, in every format, path and field mode.
    std::mt19937 rng(7);
    for (const auto& size : {std::pair<int32_t, int32_t>{720, 576}, {1920, 1080}, {3840, 2160}})
        for (PixelFormat format : {kFormatYuy2, kFormatRgb24})
            for (BlendPath path : {BlendPath::Scalar, BlendPath::Sse2, BlendPath::Avx2}) {
                if (size.first == 3840 && path == BlendPath::Scalar) continue;  // slow under the sanitizers
                const Case c{size.first, size.second, format, 768, 0, 538};
                EXPECT_EQ(RunAndCompare(c, path, rng, 12), 12);
            }
}

TEST(StripResample, OddWidthsAndUnevenBandsFallBackToDirectFiltering) {
    std::mt19937 rng(3);
    struct Fallback {
        int32_t width, lineSize;
    } const cases[] = {{721, 768}, {719, 768}, {720, 500}, {1919, 768}};
    for (const Fallback& f : cases) {
        const Case c{f.width, 576, kFormatYuy2, f.lineSize, 0, 400};
        EXPECT_EQ(RunAndCompare(c, BlendPath::Sse2, rng, 6), 0) << f.width << " " << f.lineSize;
    }
}

TEST(StripResample, ChunksAreResampledOncePerPhaseAndReused) {
    std::mt19937 rng(11);
    StripBand band(768, 37, rng, 3, 500, 700, 60);
    FrameBlender b;
    b.SetFrameFormat(1920, 1080, kFormatYuy2);
    std::vector<uint8_t> frame(Bytes(1920, 1080, kFormatYuy2), 90);
    const Rect dest = b.MapRect({0, 538, 768, 575});
    // At 1920 the resampling repeats every 4 band columns (a pixel pair):
    // moving by 4 keeps every strip in its phase.
    for (int step = 0; step < 40; ++step) {
        b.BlendBand(frame.data(), dest, band.Source(), 100, step % 2 ? kOddRows : kEvenRows);
        if (step % 2) band.Step(4);
    }
    const int64_t fills = b.Stats().chunkFills;
    EXPECT_EQ(b.Stats().setups, 1);
    EXPECT_EQ(b.Stats().fields, 40);
    // The strips crossed 80 columns: the chunks they entered are new, the rest reused.
    const int64_t chunksOnBand = 3 * (1920 / 250 + 2) * 2;  // strips x chunks x fields
    EXPECT_LT(fills, chunksOnBand * 2);
    for (int step = 0; step < 20; ++step) b.BlendBand(frame.data(), dest, band.Source(), 100, step % 2 ? kOddRows : kEvenRows);
    EXPECT_EQ(b.Stats().chunkFills, fills) << "a band standing still resamples nothing";
    EXPECT_LT(b.Stats().directColumns, 40 * 1920 / 4) << "most columns come from the cache";
    EXPECT_LE(b.Stats().bytes, FrameBlender::kCacheBudget);
}

// The engine with and without the cache: the same frames.
struct Engines : ::testing::Test {
    EngineFixture cached, direct;
    void Run(int32_t w, int32_t h, PixelFormat format, int32_t speed, uint32_t interlace, int frames) {
        for (EngineFixture* e : {&cached, &direct}) {
            e->engine.SetList(ContentList::Strings, {"Бегущая строка: новости часа", ""});
            e->engine.Set(&TickerSettings::Speed, speed);
            e->engine.Set(&TickerSettings::Interlace, interlace);
            e->Start(w, h, format);
            e->engine.StartLine();
        }
        direct.engine.UseStrips(false);
        std::vector<uint8_t> a = NoiseFrame(Bytes(w, h, format), 5), b = a;
        for (int i = 0; i < frames; ++i) {
            cached.ProcessFrame(a.data());
            direct.ProcessFrame(b.data());
            ASSERT_EQ(a, b) << w << "x" << h << " speed " << speed << " frame " << i;
        }
        EXPECT_GT(cached.engine.Counts().resampled.fields, frames / 2);
    }
};

TEST_F(Engines, Pal) { Run(720, 576, kFormatYuy2, 4, 1, 150); }
TEST_F(Engines, PalOddSpeedRgb) { Run(720, 576, kFormatRgb24, 3, 1, 150); }
TEST_F(Engines, HighDefinitionProgressive) { Run(1920, 1080, kFormatYuy2, 5, 0, 60); }

}  // namespace
