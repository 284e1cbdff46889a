// The band drawn with real GDI text: font metrics, the two layers agreeing
// pixel for pixel, the shadow and the opacity levels.
#include <gtest/gtest.h>

#include "plugin/band_state.h"
#include "render/gdi_text_renderer_win.h"
#include "render/pixel_math.h"
#include "settings/ini_store.h"
#include "tests/placed_runs.h"

namespace {

// The band composed by itself, with the settings' defaults unless a test
// changes them, from one run of `text` at `x`.
struct GdiBand : ::testing::Test {
    GdiTextRenderer renderer;
    DibSectionAllocator allocator;
    BandState band{renderer, allocator};
    SettingsStore store;
    PlacedRuns runs{renderer};
    GdiBand() {
        IniStore none;
        LoadSettings(none, store);
    }
    void Start(const std::u16string& text = u"Проверка шрифта Ag", int32_t x = 5) {
        band.RebuildFontLocked(store.live);
        band.AddSlotsLocked();
        runs.runs = {{x, WideString(text), nullptr}};
        band.ComposeLocked(store.live, &runs);
    }
    const BandMetrics& Metrics() const { return band.Metrics(); }
};

TEST_F(GdiBand, DefaultFontMetrics) {
    Start();
    EXPECT_EQ(Metrics().gapWidth, 72);  // Arial -31 bold: eight blanks 72 x 35
    EXPECT_EQ(Metrics().textHeight, 35);
    EXPECT_EQ(Metrics().shadowOffset, 2);  // MulDiv(35, 5, 100)
    EXPECT_EQ(store.live.BandHeight, 37);
    char face[64] = {};
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, renderer.Font());
    GetTextFaceA(dc, sizeof face, face);
    LOGFONTA lf = {};
    GetObjectA(renderer.Font(), sizeof lf, &lf);
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_EQ(lf.lfQuality, ANTIALIASED_QUALITY);
    EXPECT_STREQ(lf.lfFaceName, "Arial");
}

TEST_F(GdiBand, LongFaceNamesAreCutAndQualityIsAlwaysAntialiased) {
    store.live.FontName = std::string(40, 'F');
    store.live.FontQuality = 3;
    Start();
    LOGFONTA lf = {};
    GetObjectA(renderer.Font(), sizeof lf, &lf);
    EXPECT_EQ(std::string(lf.lfFaceName), std::string(31, 'F'));
    EXPECT_EQ(lf.lfQuality, ANTIALIASED_QUALITY);
}

TEST_F(GdiBand, ColourAndCoverageLayersAgree) {
    store.live.TextColor = 0xFFFFFF;
    store.live.TextOpacity = 100;
    store.live.BackOpacity = 0;
    store.live.ShadowOffset = 0;
    Start();
    const SurfaceSlot& colour = band.Surface().Slot(0);
    int inked = 0, partial = 0;
    for (int32_t y = 0; y < colour.used.bottom; ++y)
        for (int32_t x = 0; x < colour.used.right; ++x) {
            const uint8_t* p = colour.At(x, y);
            // white text over nothing: premultiplied colour equals coverage in every channel
            ASSERT_EQ(p[0], p[3]) << x << "," << y;
            ASSERT_EQ(p[1], p[3]);
            ASSERT_EQ(p[2], p[3]);
            inked += p[3] == 255;
            partial += p[3] > 0 && p[3] < 255;
        }
    EXPECT_GT(inked, 100);
    EXPECT_GT(partial, 50);  // antialiased edges
}

TEST_F(GdiBand, ShadowAndOpacityLevels) {
    store.live.TextColor = 0xC0C0C0;
    store.live.TextOpacity = 50;
    store.live.BackOpacity = 80;
    store.live.ShadowOffset = 20;  // 7 pixels of 35
    Start();
    EXPECT_EQ(Metrics().shadowOffset, 7);
    const SurfaceSlot& colour = band.Surface().Slot(0);
    const uint8_t* bg = colour.At(colour.used.right - 2, 1);
    EXPECT_EQ(bg[3], 204);
    EXPECT_EQ(bg[0], ScaleColor(0x606060, 80) & 0xFF);
    int fullText = 0, fullShadow = 0;
    for (int32_t y = 0; y < colour.used.bottom; ++y)
        for (int32_t x = 0; x < colour.used.right; ++x) {
            const uint8_t* p = colour.At(x, y);
            if (p[3] == 128 && p[0] == 96) ++fullText;   // 192 at 50 %, alpha 128
            if (p[3] == 128 && p[0] == 0) ++fullShadow;  // black with the text's alpha
        }
    EXPECT_GT(fullText, 50);
    EXPECT_GT(fullShadow, 20);
}

}  // namespace

namespace {
// Long runs are drawn only where they reach the bitmap; what shows must be
// exactly what drawing the whole run would show.
TEST_F(GdiBand, LongRunsDrawTheSamePixelsAsShortOnes) {
    std::u16string shortText, longText;
    for (int i = 0; i < 12; ++i) shortText += u"Строка " + std::u16string(1, char16_t(u'0' + i % 10)) + u" ";
    longText = shortText;
    while (longText.size() < 4000) longText += u"хвост, которого не видно ";
    std::vector<uint8_t> pixels[2];
    int k = 0;
    store.live.LineSize = 300;
    for (const std::u16string* text : {&shortText, &longText}) {
        Start(*text, -250);  // the visible part lies well inside the short text
        const SurfaceSlot& slot = band.Surface().Slot(0);
        for (int32_t y = 0; y < slot.used.bottom; ++y)
            pixels[k].insert(pixels[k].end(), slot.At(0, y), slot.At(0, y) + 300 * 4);
        ++k;
    }
    ASSERT_GT(longText.size(), 1000u);
    EXPECT_EQ(pixels[0], pixels[1]);
}
}  // namespace

#include "tests/strip_equality.h"

namespace {

// The premise of the strip cache with GDI's own antialiasing: text drawn at
// any integer position is the same pixels, so copied bands equal drawn ones;
// laid-out lines too, from their fallback fonts, whole or in tiles.
TEST(GdiStrips, CopiedBandsEqualDirectlyDrawnBandsWithRealFonts) {
    GdiTextRenderer renderer;
    DibSectionAllocator allocator;
    const FontSpec fonts[] = {{"Arial", -31, 700, 0, 0, 0, 204},          {"Times New Roman", -24, 400, 1, 0, 0, 204},
                              {"Courier New", -40, 700, 0, 1, 0, 204},     {"Tahoma", -13, 400, 0, 0, 1, 204},
                              {"Arial", -71, 400, 1, 0, 0, 204},           {"Liberation Serif", -19, 700, 1, 0, 0, 0}};
    std::u16string arabic;  // shaped as a whole, drawn in tiles
    while (arabic.size() < 5000) arabic += u"\u0645\u0631\u062d\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645 ";
    const std::vector<std::u16string> messages = {
        u"Бегущая строка: новости часа", u"В Москве без осадков, +3°", u"Ёжик, «кавычки» — тире", u"AVAWAY fi ffl 0123",
        u"i", u"    ", u"", std::u16string(1500, u'ж'), u"\u05e9\u05dc\u05d5\u05dd 123 \u05e2\u05d5\u05dc\u05dd",
        u"\u0e2a\u0e27\u0e31\u0e2a\u0e14\u0e35 😀🔥✅", arabic};
    const StripEquality r = CompareStripsWithDirectBands(
        renderer, allocator, 6, [&](int i) { ASSERT_TRUE(renderer.CreateTickerFont(fonts[i])); }, messages, 120, 7);
    EXPECT_EQ(r.mismatches, 0) << r.firstMismatch;
    EXPECT_GT(r.bandsCopied, r.bandsCompared / 2);
    std::printf("%d bands compared, %d copied from strips\n", r.bandsCompared, r.bandsCopied);
}

}  // namespace
