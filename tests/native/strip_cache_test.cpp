// The strip cache: copied bands equal directly drawn ones, strips are drawn
// once per message and style, and what cannot be copied exactly is declined.
#include <gtest/gtest.h>

#include <list>

#include "render/dib_surface.h"
#include "render/text_renderer.h"
#include "tests/strip_equality.h"

namespace {

std::vector<std::u16string> Messages() {
    return {u"Бегущая строка", u"News of the hour", u"a", u"   ", u"", u"Ёжик в тумане, 12:45", std::u16string(3000, u'ж'),
            u"\u05e9\u05dc\u05d5\u05dd 123", u"😀\ufe0f 🔥", std::u16string(3000, u'\u0645')};
}

TEST(StripCache, CopiedBandsEqualDirectlyDrawnBands) {
    BlockTextRenderer renderer;
    HeapSurfaceAllocator allocator;
    const int32_t heights[] = {-12, -31, -57};
    const StripEquality r = CompareStripsWithDirectBands(
        renderer, allocator, 3, [&](int i) { renderer.CreateTickerFont(FontSpec{"", heights[i], 400}); }, Messages(),
        300, 1);
    EXPECT_EQ(r.mismatches, 0) << r.firstMismatch;
    EXPECT_GT(r.bandsCopied, r.bandsCompared / 2);  // most bands take the copying road
    EXPECT_LT(r.bandsCopied, r.bandsCompared);      // touching and long runs do not
}

struct Strips : ::testing::Test {
    BlockTextRenderer renderer;
    HeapSurfaceAllocator allocator;
    StripCache cache{renderer, allocator};
    DibSurface band{allocator};
    strip_equality::Runs runs;
    BandStyle style;
    Strips() {
        band.AddSlot(), band.AddSlot();
        renderer.CreateTickerFont(FontSpec{"", -31, 400});
        style.width = 768, style.height = renderer.MeasureAnsi(" ").cy + 2, style.shadowOffset = 2;
        style.backColor = 0x203040, style.textColor = 0xFFFFFF, style.backOpacity = 60, style.textOpacity = 100;
    }
    std::list<WideString> texts;  // the runs' texts, which stay where they are
    void Put(const char16_t* text, int32_t x) {
        BandRun r;
        r.x = x, r.text = &texts.emplace_back(text);
        r.width = renderer.MeasureWide(*r.text).cx;
        runs.runs.push_back(r);
    }
};

TEST_F(Strips, EachMessageIsDrawnOncePerStyleAndFont) {
    Put(u"первая", 700);
    Put(u"вторая", 900);
    for (int frame = 0; frame < 200; ++frame) {
        for (BandRun& r : runs.runs) r.x -= 4;
        ASSERT_TRUE(cache.Compose(band, style, &runs));
    }
    EXPECT_EQ(cache.StripsDrawn(), 2);
    const int64_t grown = cache.Growths();
    style.textColor = 0x00FF00;  // a new colour draws both again, into the same buffers
    for (int frame = 0; frame < 10; ++frame) ASSERT_TRUE(cache.Compose(band, style, &runs));
    EXPECT_EQ(cache.StripsDrawn(), 4);
    EXPECT_EQ(cache.Growths(), grown);
    cache.Invalidate();  // a new font
    ASSERT_TRUE(cache.Compose(band, style, &runs));
    EXPECT_EQ(cache.StripsDrawn(), 6) << runs.runs[0].x << " " << runs.runs[1].x;
}

TEST_F(Strips, TouchingInkAndFontsTooTallForATileAreLeftToTheDirectComposer) {
    Put(u"abc", 100);
    Put(u"def", 100 + runs.runs[0].width / 2);  // overlapping runs
    EXPECT_FALSE(cache.Compose(band, style, &runs));
    const int64_t drawn = cache.StripsDrawn();
    runs.runs.clear();
    Put(u"далеко", 5000);  // off the band: nothing to draw, nothing declined
    EXPECT_TRUE(cache.Compose(band, style, &runs));
    EXPECT_EQ(cache.StripsDrawn(), drawn);
    runs.runs.clear();
    const std::u16string line(2000, u'ж');
    Put(line.c_str(), 0);
    style.height = 2000;  // a tile of at most 1 M pixels is narrower than the band and a step
    EXPECT_FALSE(cache.Compose(band, style, &runs));
}

TEST_F(Strips, ALongLineScrollsThroughTilesDrawnOncePerStep) {
    const std::u16string line(3000, u'ж');  // 3000 cells of 18 pixels
    Put(line.c_str(), 0);
    DibSurface direct(allocator);
    direct.AddSlot(), direct.AddSlot();
    int compared = 0;
    for (int frame = 0; frame < 1000; ++frame, runs.runs[0].x -= 7) {
        ASSERT_TRUE(cache.Compose(band, style, &runs));
        if (frame % 50 != 0) continue;
        ComposeBand(renderer, direct, style, &runs);
        ASSERT_TRUE(strip_equality::SameBand(band.Slot(0), direct.Slot(0), style.width, style.height)) << frame;
        ++compared;
    }
    EXPECT_EQ(compared, 20);
    // 7,000 pixels of motion: a new tile every 1024 of them
    EXPECT_LE(cache.StripsDrawn(), 8);
}

}  // namespace
