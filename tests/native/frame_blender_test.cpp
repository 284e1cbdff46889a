// The blender against hand-worked values, its geometric promises, and the
// SIMD path against the scalar reference bit for bit.
#include <gtest/gtest.h>

#include <cstring>

#include "blend_fixtures.h"
#include "render/blend_math.h"
#include "render/filter_table.h"
#include "render/frame_blender.h"

namespace {

size_t Bytes(int32_t w, int32_t h, PixelFormat format) { return size_t(w) * size_t(h) * (format == kFormatYuy2 ? 2 : 3); }

std::vector<FilterEntry> Entries(const AlignedBuffer& table, int32_t count) {
    std::vector<FilterEntry> out;
    const uint8_t* cursor = table.data();
    for (int32_t i = 0; i < count; ++i) out.push_back(ReadEntry(cursor));
    return out;
}

TEST(FilterTable, IdentityWhenSizesMatch) {
    AlignedBuffer t;
    ASSERT_TRUE(BuildFilterTable({768, 768, 0, 768, 4}, t));
    const auto e = Entries(t, 768);
    for (int32_t i = 0; i < 768; ++i) {
        int32_t sum = 0, centre = -1;
        for (int32_t k = 0; k < e[size_t(i)].count; ++k) {
            const int16_t w = e[size_t(i)].weights[4 * k];
            EXPECT_TRUE(w == 0 || w == 16384) << i;
            if (w == 16384) centre = e[size_t(i)].offset / 4 + k;
            sum += w;
        }
        ASSERT_EQ(sum, 16384);
        ASSERT_EQ(centre, i);
    }
    EXPECT_EQ(e[0].count, 3);    // taps left of the source are dropped
    EXPECT_EQ(e[100].count, 6);
}

TEST(FilterTable, TapsFollowTheScale) {
    EXPECT_EQ(FilterTaps(768, 720), 7);  // 0.9375: support 3.2
    EXPECT_EQ(FilterTaps(768, 1920), 6);
    EXPECT_EQ(FilterTaps(38, 71), 6);
    AlignedBuffer t;
    ASSERT_TRUE(BuildFilterTable({768, 720, 0, 720, 4}, t));
    const auto e = Entries(t, 720);
    EXPECT_EQ(e[360].count, 7);
    for (const auto& entry : e) {
        int32_t sum = 0;
        for (int32_t k = 0; k < entry.count; ++k) {
            sum += entry.weights[4 * k];
            ASSERT_EQ(entry.weights[4 * k], entry.weights[4 * k + 3]);
        }
        EXPECT_NEAR(sum, 16384, 4);
    }
}

TEST(FilterTable, ByteSizedBuffersSurviveChangingEntrySizes) {
    // Same count, more taps per entry: a buffer sized in entries would overflow.
    AlignedBuffer t;
    ASSERT_TRUE(BuildFilterTable({102, 384 * 102 / 768, 0, 51, 4}, t));
    ASSERT_TRUE(BuildFilterTable({133, 51, 0, 51, 4}, t));
    EXPECT_GE(t.capacity(), size_t(51) * (8 + 8 * size_t(FilterTaps(133, 51))));
}

TEST(FilterTable, OffsetsUseTheGivenStep) {
    AlignedBuffer t;
    ASSERT_TRUE(BuildFilterTable({38, 38, 10, 5, -3072}, t));
    const auto e = Entries(t, 5);
    EXPECT_EQ(e[0].offset, 7 * -3072);  // floor(10.5 - 3) = 7
}

TEST(BlendMath, HandWorkedValues) {
    using namespace blend_math;
    // half-covered red over bright grey: a = 129, t = floor(129 * 200 / 256) = 100
    uint8_t rgb[3] = {200, 200, 200};
    const uint8_t half[4] = {0, 0, 64, 128};
    BlendRgbPixel(rgb, half, 256);
    EXPECT_EQ(rgb[0], 100);
    EXPECT_EQ(rgb[2], 164);
    uint8_t black[3] = {0, 0, 0};
    BlendRgbPixel(black, half, 256);  // over black: exactly the premultiplied colour
    EXPECT_EQ(black[2], 64);
    EXPECT_EQ(black[0], 0);
    // opaque red pair over Y=U=Y=V=100: Y 76, Cb -44, Cr 127
    uint8_t pair[4] = {100, 100, 100, 100};
    const uint8_t red[4] = {0, 0, 255, 255};
    BlendPair(pair, red, red, 256);
    EXPECT_EQ(pair[0], 76);
    EXPECT_EQ(pair[1], 84);
    EXPECT_EQ(pair[2], 76);
    EXPECT_EQ(pair[3], 255);
    // half opacity: v = floor(u * 128 / 256)
    uint8_t pair2[4] = {100, 100, 100, 100};
    BlendPair(pair2, red, red, 128);
    EXPECT_EQ(pair2[0], 88);
    EXPECT_EQ(pair2[1], 92);
    const uint8_t clear[4] = {0, 0, 0, 0};
    uint8_t untouched[4] = {17, 200, 3, 99};
    BlendPair(untouched, clear, clear, 256);
    EXPECT_EQ(untouched[0], 17);
    EXPECT_EQ(untouched[1], 200);
    EXPECT_EQ(untouched[3], 99);
}

struct Blend {
    FrameBlender blender;
    Blend(int32_t w, int32_t h, PixelFormat format, BlendPath path) {
        blender.SetFrameFormat(w, h, format);
        blender.SetPath(path);
    }
};

TEST(FrameBlender, ReferenceSizeReproducesTheBandExactly) {
    TestBand band(768, 38, 3, 5, 2);
    for (BlendPath path : {BlendPath::Scalar, BlendPath::Sse2, BlendPath::Avx2}) {
        Blend b(768, 576, kFormatRgb24, path);
        std::vector<uint8_t> frame(Bytes(768, 576, kFormatRgb24), 0);
        const Rect dest = b.blender.MapRect({0, 538, 768, 576});
        b.blender.BlendBand(frame.data(), dest, band.Source(), 100, kAllRows);
        for (int32_t y = 0; y < 38; ++y)
            for (int32_t x = 0; x < 768; ++x) {
                const uint8_t* f = frame.data() + (size_t(575 - (538 + y)) * 768 + x) * 3;
                const uint8_t* s = band.At(x, y);
                ASSERT_EQ(f[0], s[0]) << x << "," << y;
                ASSERT_EQ(f[1], s[1]);
                ASSERT_EQ(f[2], s[2]);
            }
        for (size_t i = 0; i < size_t(576 - 38) * 768 * 3; ++i) ASSERT_EQ(frame[size_t(38) * 768 * 3 + i], 0);
    }
}

TEST(FrameBlender, OpaqueReplacesAndTransparentKeeps) {
    TestBand band(64, 16);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            uint8_t* p = band.At(x, y);
            const bool opaque = x < 32;
            p[0] = opaque ? 10 : 0, p[1] = opaque ? 20 : 0, p[2] = opaque ? 30 : 0, p[3] = opaque ? 255 : 0;
        }
    Blend b(768, 576, kFormatRgb24, BlendPath::Scalar);
    std::vector<uint8_t> frame(Bytes(768, 576, kFormatRgb24), 90);
    b.blender.BlendBand(frame.data(), {100, 100, 164, 116}, band.Source(), 100, kAllRows);
    const uint8_t* opaque = frame.data() + (size_t(575 - 105) * 768 + 105) * 3;
    EXPECT_EQ(opaque[0], 10);
    EXPECT_EQ(opaque[2], 30);
    const uint8_t* clear = frame.data() + (size_t(575 - 105) * 768 + 160) * 3;
    EXPECT_EQ(clear[0], 90);
    EXPECT_EQ(clear[2], 90);
}

TEST(FrameBlender, FieldsCoverEveryRowOnce) {
    TestBand band(768, 38, 5);
    for (PixelFormat format : {kFormatYuy2, kFormatRgb24}) {
        Blend b(720, 576, format, BlendPath::Scalar);
        const auto base = NoiseFrame(Bytes(720, 576, format), 9);
        auto whole = base, fields = base, even = base;
        const Rect dest = b.blender.MapRect({0, 500, 768, 538});
        b.blender.BlendBand(whole.data(), dest, band.Source(), 100, kAllRows);
        b.blender.BlendBand(fields.data(), dest, band.Source(), 100, kEvenRows);
        b.blender.BlendBand(even.data(), dest, band.Source(), 100, kEvenRows);
        b.blender.BlendBand(fields.data(), dest, band.Source(), 100, kOddRows);
        EXPECT_EQ(whole, fields);
        const size_t rowBytes = format == kFormatYuy2 ? 720 * 2 : 720 * 3;
        for (int32_t y = dest.top; y < dest.bottom; ++y) {
            const size_t row = size_t(format == kFormatYuy2 ? y : 575 - y) * rowBytes;
            const bool changed = std::memcmp(even.data() + row, base.data() + row, rowBytes) != 0;
            EXPECT_EQ(changed, y % 2 == 0) << "row " << y;
        }
    }
}

TEST(FrameBlender, ClippedEqualsUnclipped) {
    TestBand band(300, 40, 7);
    for (PixelFormat format : {kFormatYuy2, kFormatRgb24}) {
        Blend wide(1000, 300, format, BlendPath::Scalar);
        Blend narrow(700, 200, format, BlendPath::Scalar);
        // the same band over a bigger frame and over a frame that cuts it
        const Rect dest{550, 170, 550 + 390, 170 + 52};
        auto big = NoiseFrame(Bytes(1000, 300, format), 4);
        wide.blender.BlendBand(big.data(), dest, band.Source(), 100, kAllRows);
        std::vector<uint8_t> small(Bytes(700, 200, format));
        const auto orig = NoiseFrame(Bytes(1000, 300, format), 4);
        const int32_t bpp = format == kFormatYuy2 ? 2 : 3;
        auto rowOf = [&](std::vector<uint8_t>& f, int32_t w, int32_t h, int32_t y) {
            return f.data() + size_t(format == kFormatYuy2 ? y : h - 1 - y) * size_t(w) * bpp;
        };
        auto orow = [&](int32_t y) {
            return orig.data() + size_t(format == kFormatYuy2 ? y : 299 - y) * 1000 * size_t(bpp);
        };
        // the smaller frame starts as the top-left 700 x 200 of the same picture
        for (int32_t y = 0; y < 200; ++y) std::memcpy(rowOf(small, 700, 200, y), orow(y), size_t(700) * bpp);
        narrow.blender.BlendBand(small.data(), dest, band.Source(), 100, kAllRows);
        for (int32_t y = 0; y < 200; ++y)
            ASSERT_EQ(0, std::memcmp(rowOf(small, 700, 200, y), rowOf(big, 1000, 300, y), size_t(700) * bpp))
                << "format " << format << " row " << y;
    }
}

TEST(FrameBlender, OddLeftColumnKeepsTheFirstPairsLumaAndChroma) {
    TestBand band(200, 20, 11);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 200; ++x) std::memcpy(band.At(x, y), "\x40\x50\x60\xFF", 4);
    Blend b(720, 576, kFormatYuy2, BlendPath::Scalar);
    std::vector<uint8_t> frame(Bytes(720, 576, kFormatYuy2), 128);
    b.blender.BlendBand(frame.data(), {101, 10, 301, 30}, band.Source(), 100, kAllRows);
    const uint8_t* pair = frame.data() + size_t(20) * 720 * 2 + 100 * 2;
    EXPECT_EQ(pair[0], 128);
    EXPECT_EQ(pair[1], 128);
    EXPECT_EQ(pair[3], 128);
    EXPECT_NE(pair[2], 128);
    const uint8_t* last = frame.data() + size_t(20) * 720 * 2 + 300 * 2;  // lone pixel 300 of pair 300/301
    EXPECT_NE(last[0], 128);
    EXPECT_EQ(last[2], 128);
}

TEST(FrameBlender, OddWidthYuy2NeverTouchesBytesOutsideTheFrame) {
    TestBand band(768, 38, 13);
    for (BlendPath path : {BlendPath::Scalar, BlendPath::Sse2, BlendPath::Avx2}) {
        for (int32_t width : {721, 35, 1}) {
            Blend b(width, 101, kFormatYuy2, path);
            // exactly the frame: ASan reports any byte past it
            std::vector<uint8_t> frame = NoiseFrame(Bytes(width, 101, kFormatYuy2), 2);
            const auto before = frame;
            // one row in the middle: the next row's first pixel pair must not change
            b.blender.BlendBand(frame.data(), {0, 60, width, 61}, band.Source(), 100, kAllRows);
            const size_t next = size_t(61) * size_t(width) * 2;
            EXPECT_EQ(0, std::memcmp(frame.data() + next, before.data() + next, frame.size() - next)) << width;
            // the last row: a pair running past it would run past the buffer
            b.blender.BlendBand(frame.data(), {0, 100, width, 101}, band.Source(), 100, kAllRows);
        }
    }
}

TEST(FrameBlender, EnlargedRgbHasNoDarkFringes) {
    TestBand band(64, 20);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 64; ++x) std::memcpy(band.At(x, y), x < 32 ? "\0\0\0\0" : "\xFF\xFF\xFF\xFF", 4);
    for (BlendPath path : {BlendPath::Scalar, BlendPath::Sse2, BlendPath::Avx2}) {
        Blend b(640, 480, kFormatRgb24, path);
        std::vector<uint8_t> frame(Bytes(640, 480, kFormatRgb24), 128);
        b.blender.BlendBand(frame.data(), {0, 0, 640, 200}, band.Source(), 100, kAllRows);
        for (uint8_t v : frame) ASSERT_GE(v, 128);
    }
}

TEST(FrameBlender, TablesAreRebuiltOnlyWhenTheirKeyChanges) {
    TestBand band(768, 38, 17);
    Blend b(1920, 1080, kFormatYuy2, BlendPath::Sse2);
    std::vector<uint8_t> frame(Bytes(1920, 1080, kFormatYuy2));
    const Rect dest = b.blender.MapRect({0, 538, 768, 576});
    b.blender.BlendBand(frame.data(), dest, band.Source(), 100, kEvenRows);
    const int64_t builds = b.blender.TableBuilds();
    for (int i = 0; i < 10; ++i) {
        b.blender.BlendBand(frame.data(), dest, band.Source(), 100, kEvenRows);
        b.blender.BlendBand(frame.data(), dest, band.Source(), 100, kOddRows);
    }
    EXPECT_EQ(b.blender.TableBuilds(), builds);
    // moving the band inside the frame keeps the tables; resizing it does not
    b.blender.BlendBand(frame.data(), b.blender.MapRect({0, 300, 768, 338}), band.Source(), 100, kAllRows);
    EXPECT_EQ(b.blender.TableBuilds(), builds);
    b.blender.BlendBand(frame.data(), b.blender.MapRect({0, 300, 700, 338}), band.Source(), 100, kAllRows);
    EXPECT_EQ(b.blender.TableBuilds(), builds + 1);
}

TEST(FrameBlender, SimdEqualsScalarOnRandomInputs) {
    if (!FrameBlender::CpuHasSse2()) GTEST_SKIP() << "no SSE2";
    if (!FrameBlender::CpuHasAvx2()) std::printf("no AVX2 here: that path falls back to SSE2\n");
    std::mt19937 rng(2024);
    for (int iteration = 0; iteration < 300; ++iteration) {
        const PixelFormat format = PixelFormat(rng() % 2);
        const int32_t fw = 1 + int32_t(rng() % 800), fh = 1 + int32_t(rng() % 300);
        const int32_t bw = 1 + int32_t(rng() % 400), bh = 1 + int32_t(rng() % 60);
        TestBand band(bw, bh, rng(), int32_t(rng() % 9), int32_t(rng() % 3));
        BandSource src = band.Source();
        if (rng() % 4 == 0) src.rect = {int32_t(rng() % 5) - 2, int32_t(rng() % 3) - 1, bw + 2, bh};
        Rect dest;
        dest.left = int32_t(rng() % (fw + 200)) - 100;
        dest.top = int32_t(rng() % (fh + 60)) - 30;
        dest.right = dest.left + 1 + int32_t(rng() % (2 * fw + 1));
        dest.bottom = dest.top + 1 + int32_t(rng() % (fh / 2 + 40));
        const int32_t field = int32_t(rng() % 3);
        const int32_t opacity = rng() % 3 == 0 ? int32_t(rng() % 101) : 100;
        const auto base = NoiseFrame(Bytes(fw, fh, format), rng());
        auto a = base, b = base, c = base;
        Blend scalar(fw, fh, format, BlendPath::Scalar), simd(fw, fh, format, BlendPath::Sse2),
            wide(fw, fh, format, BlendPath::Avx2);
        scalar.blender.BlendBand(a.data(), dest, src, opacity, field);
        simd.blender.BlendBand(b.data(), dest, src, opacity, field);
        wide.blender.BlendBand(c.data(), dest, src, opacity, field);
        ASSERT_EQ(a, b) << "SSE2, iteration " << iteration << " format " << format << " frame " << fw << "x" << fh
                        << " band " << bw << "x" << bh << " dest " << dest.left << "," << dest.top << ","
                        << dest.right << "," << dest.bottom;
        ASSERT_EQ(a, c) << "AVX2, iteration " << iteration << " format " << format << " frame " << fw << "x" << fh
                        << " band " << bw << "x" << bh << " dest " << dest.left << "," << dest.top << ","
                        << dest.right << "," << dest.bottom;
    }
}

TEST(FrameBlender, NothingIsDrawnForUnknownFormatsOrEmptyInput) {
    TestBand band(100, 20);
    std::vector<uint8_t> frame(Bytes(200, 100, kFormatRgb24), 77);
    const auto before = frame;
    FrameBlender b;
    b.SetFrameFormat(200, 100, PixelFormat(5));
    b.BlendBand(frame.data(), {0, 0, 100, 20}, band.Source(), 100, kAllRows);
    b.SetFrameFormat(200, 100, kFormatRgb24);
    BandSource none = band.Source();
    none.pixels = nullptr;
    b.BlendBand(frame.data(), {0, 0, 100, 20}, none, 100, kAllRows);
    b.BlendBand(frame.data(), {300, 0, 400, 20}, band.Source(), 100, kAllRows);
    b.BlendBand(frame.data(), {0, 0, 0, 20}, band.Source(), 100, kAllRows);
    EXPECT_EQ(frame, before);
}

}  // namespace

#include "tests/filter_table_golden.h"

namespace {
TEST(FilterTable, DigestMatchesTheOtherBuilds) { EXPECT_EQ(TableDigest(), kGoldenTableDigest); }
}  // namespace
