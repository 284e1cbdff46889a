// Layouts: which font draws each cluster, where every glyph stands, the
// cache that lays a message out once, and the engine measuring and drawing
// from the same layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/font_fallback.h"
#include "render/text_layout.h"
#include "tests/native/engine_fixture.h"
#include "tests/native/test_files.h"

namespace {

// Font 0 holds Latin, blanks and punctuation; 1 Arabic and blanks; 2 emoji
// and Latin; 3 Thai with its marks; 4 the combining acute and Latin.
struct FakeFonts : FontCoverage {
    std::vector<int32_t> symbols{2, 4}, others{1, 2, 3, 4};
    const std::vector<int32_t>& Candidates(ScriptGroup group) override {
        return group == ScriptGroup::Symbol ? symbols : others;
    }
    bool Covers(int32_t font, char32_t c) override {
        const bool latin = c < 0x80;
        switch (font) {
        case 0: return latin;
        case 1: return (c >= 0x600 && c <= 0x6FF) || c == u' ';
        case 2: return c >= 0x1F000 || latin;
        case 3: return c >= 0xE00 && c <= 0xE7F;
        case 4: return c == 0x301 || latin;
        }
        return false;
    }
};

std::vector<FontSpan> Split(const std::u16string& text) {
    FakeFonts fonts;
    std::vector<FontSpan> spans;
    SplitByFont(text.data(), 0, int32_t(text.size()), fonts, spans);
    return spans;
}

std::string Show(const std::vector<FontSpan>& spans) {
    std::string s;
    for (const FontSpan& f : spans) s += std::to_string(f.begin) + "-" + std::to_string(f.end) + ":" + std::to_string(f.font) + " ";
    return s;
}

TEST(FontFallback, EachClusterTakesTheFirstFontThatHoldsAllOfIt) {
    // blanks stay in the fallback around them; the band's font takes back what it holds
    EXPECT_EQ(Show(Split(u"\u0645\u062d\u0645\u062f \u0645\u0631 ok")), "0-8:1 8-10:0 ");
    // a mark goes with its letter, to a font that has both
    EXPECT_EQ(Show(Split(u"ae\u0301z")), "0-1:0 1-3:4 3-4:0 ");
    // a joiner binds the next emoji; a variation selector needs no glyph; a font is not left for a blank it holds
    EXPECT_EQ(Show(Split(u"😀\u200d🔥\ufe0f 😀")), "0-9:2 ");
    // Thai vowels above stay with their consonant
    EXPECT_EQ(Show(Split(u"\u0e2a\u0e27\u0e31\u0e2a\u0e14\u0e35")), "0-6:3 ");
    // what no font holds takes the band's font, and only that shows a box
    EXPECT_EQ(Show(Split(u"a\u0928b")), "0-3:0 ");
}

TEST(LayoutWriter, GlyphsStandWhereTheirAdvancesAndOffsetsPutThem) {
    TextLayout layout;
    LayoutWriter writer(layout, true);
    const int32_t a = writer.AddFont(nullptr);
    const uint16_t glyphs[] = {1, 2, 3, 4, 5};
    const int32_t advances[] = {10, 0, 12, 7, 9};
    const int32_t du[] = {0, -6, 0, 0, 0}, dv[] = {0, 0, 0, 0, 4};
    const uint8_t hidden[] = {0, 0, 0, 1, 0};
    writer.Add(a, 3, glyphs, advances, du, dv, hidden, 5);
    EXPECT_EQ(layout.width, 38);
    EXPECT_TRUE(layout.rightToLeft);
    // a mark drawn back over its base in the same run; a hidden glyph only
    // moves the pen; a raised one is a run of its own
    ASSERT_EQ(layout.runs.size(), 2u);
    EXPECT_EQ(layout.runs[0].x, 0);
    EXPECT_EQ(layout.runs[0].y, 3);
    EXPECT_EQ(layout.runs[0].count, 3);
    EXPECT_EQ(std::vector<int32_t>(layout.advances.begin(), layout.advances.begin() + 3), (std::vector<int32_t>{4, 6, 12}));
    EXPECT_EQ(layout.runs[0].right, 22);
    EXPECT_EQ(layout.runs[1].x, 29);
    EXPECT_EQ(layout.runs[1].y, -1);
    EXPECT_EQ(layout.glyphs[size_t(layout.runs[1].first)], 5);
    // a long line is drawn a few dozen glyphs at a time
    std::vector<uint16_t> many(200, 7);
    std::vector<int32_t> steps(200, 5);
    LayoutWriter longer(layout, false);
    longer.Add(longer.AddFont(nullptr), 0, many.data(), steps.data(), nullptr, nullptr, nullptr, 200);
    ASSERT_EQ(layout.runs.size(), 4u);
    EXPECT_EQ(layout.runs[3].x, 192 * 5);
    EXPECT_EQ(layout.runs[3].right, 1000);
    int visible = 0;
    ForVisibleRuns(layout, -600, 0, 100, [&](const GlyphRun&) { ++visible; });
    EXPECT_EQ(visible, 2);  // with no overhang, the runs under [600, 700) of the line
}

std::shared_ptr<const TextLayout> LayoutOf(size_t glyphs) {
    auto layout = std::make_shared<TextLayout>();
    layout->glyphs.resize(glyphs);
    return layout;
}

TEST(LayoutCache, KeepsTheRecentlyUsedWithinItsBounds) {
    LayoutCache cache;
    for (uint64_t k = 0; k < LayoutCache::kMaxEntries; ++k) cache.Put(k, LayoutOf(1));
    ASSERT_NE(cache.Find(0), nullptr);  // now the most recent
    cache.Put(1000, LayoutOf(1));
    EXPECT_EQ(cache.Count(), LayoutCache::kMaxEntries);
    EXPECT_NE(cache.Find(0), nullptr);
    EXPECT_EQ(cache.Find(1), nullptr);  // the least recently used went
    cache.Put(2000, LayoutOf(LayoutCache::kMaxGlyphs - 100));
    EXPECT_NE(cache.Find(2000), nullptr);
    EXPECT_LE(cache.Count(), 101u);
    cache.Put(3000, LayoutOf(LayoutCache::kMaxGlyphs + 1));  // too big to keep: its runs hold it
    EXPECT_EQ(cache.Find(3000), nullptr);
}

struct LayingOutRenderer : BlockTextRenderer {
    int layouts = 0;  // made, not found plain
    std::shared_ptr<const TextLayout> LayOut(const WideString& text, BaseDirection direction) override {
        std::shared_ptr<const TextLayout> layout = BlockTextRenderer::LayOut(text, direction);
        layouts += layout != nullptr;
        return layout;
    }
};

struct Layouts : ::testing::Test, BasicEngineFixture<LayingOutRenderer, HeapSurfaceAllocator> {};

TEST_F(Layouts, AMessageIsLaidOutOnceAndMeasuredAndDrawnFromItsLayout) {
    // Five letters and a mark that shows nothing, then plain text, in a UTF-16 file.
    TempDir dir;
    const std::u16string lines = u"\u05d7\u05d3\u05e9\u05d5\u05ea\u200f\r\nНовости\r\n";
    std::string bytes("\xFF\xFE", 2);
    for (char16_t c : lines) bytes += char(c & 0xFF), bytes += char(c >> 8);
    WriteBytes(dir.File("news.txt"), bytes);
    engine.SetList(ContentList::Files, {dir.File("news.txt"), ""});
    engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::TextFile));
    engine.Set(&TickerSettings::Speed, 40);
    Start();
    engine.StartLine();
    const int32_t cell = renderer.MeasureWide(WideString(u"x")).cx;
    ASSERT_FALSE(Runs().empty());
    EXPECT_EQ(Runs()[0].width, 5 * cell) << "measured from its layout: the mark takes no room";
    std::vector<uint8_t> frame(768 * 576 * 3);
    for (int i = 0; i < 600; ++i) ProcessFrame(frame.data());  // dozens of passes
    EXPECT_EQ(renderer.layouts, 1);
    engine.SetFont(FontSpec{"", -20, 400});  // a new font lays out again
    const int32_t smaller = renderer.MeasureWide(WideString(u"x")).cx;
    ASSERT_LT(smaller, cell);
    bool seen = false;
    for (int i = 0; i < 100; ++i) {
        ProcessFrame(frame.data());
        for (const AirView::RunView& r : Runs())
            if (r.index == 0) {
                EXPECT_EQ(r.width, 5 * smaller);
                seen = true;
            }
    }
    EXPECT_TRUE(seen);
    EXPECT_EQ(renderer.layouts, 2);
}

}  // namespace
