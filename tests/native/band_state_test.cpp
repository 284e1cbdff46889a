// The band as it is composed: its two layers (background, text and
// shadow) with their colours and opacities, and a run in colours of its own.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "settings/ini_store.h"
#include "tests/placed_runs.h"

namespace {

// The block renderer draws a character of the default font (-31) as a cell
// 20 wide and 34 high whose ink spans x + 3 .. x + 16 and rows 5 .. 28.
struct Band : ::testing::Test {
    CountingRenderer renderer;
    HeapSurfaceAllocator allocator;
    BandState band{renderer, allocator};
    SettingsStore store;
    PlacedRuns runs{renderer};
    Band() {
        IniStore none;  // no file: the defaults
        LoadSettings(none, store);
    }
    void Compose(const char* text, const RunColors* colors = nullptr, bool withRuns = true) {
        band.RebuildFontLocked(store.live);
        band.AddSlotsLocked();
        runs.runs = {{10, WideString(std::u16string(text, text + std::char_traits<char>::length(text))), colors}};
        renderer.texts = 0;
        band.ComposeLocked(store.live, withRuns ? &runs : nullptr);
    }
    const uint8_t* Px(int32_t x, int32_t y) { return band.Surface().Slot(0).At(x, y); }
};

TEST_F(Band, OpaqueTextOverAClearBackground) {
    store.live.BackOpacity = 0;
    store.live.TextOpacity = 100;
    store.live.TextColor = 0x0000FF;  // red
    store.live.ShadowOffset = 0;
    Compose("H");
    EXPECT_EQ(band.Metrics().shadowOffset, 0);
    EXPECT_EQ(store.live.BandHeight, band.Metrics().textHeight);
    EXPECT_EQ(renderer.texts, 2);  // no shadow in either layer
    const uint8_t* bg = Px(2, 2);
    EXPECT_EQ(bg[0] | bg[1] | bg[2] | bg[3], 0);
    const uint8_t* ink = Px(18, 15);
    EXPECT_EQ(ink[2], 255);
    EXPECT_EQ(ink[0], 0);
    EXPECT_EQ(ink[3], 255);
    EXPECT_EQ(band.Surface().CurrentIndex(), 0);
    EXPECT_EQ(band.Surface().Current().used.right, 768);
}

TEST_F(Band, OpacitiesAndTheShadow) {
    store.live.TextOpacity = 50;
    store.live.BackOpacity = 80;
    store.live.ShadowOffset = 20;  // MulDiv(34, 20, 100) = 7 pixels
    Compose("H");
    EXPECT_EQ(band.Metrics().shadowOffset, 7);
    EXPECT_EQ(store.live.BandHeight, 41);
    const uint8_t* bg = Px(2, 2);
    EXPECT_EQ(bg[0], 0x4D);  // 0x60 * 80 % = 76.8
    EXPECT_EQ(bg[3], 204);   // 255 * 80 %
    const uint8_t* ink = Px(18, 15);
    EXPECT_EQ(ink[0], 96);  // 192 at 50 %
    EXPECT_EQ(ink[3], 128);
    const uint8_t* shadow = Px(31, 30);  // right of and below the ink, inside the shadow
    EXPECT_EQ(shadow[0] | shadow[1] | shadow[2], 0);
    EXPECT_EQ(shadow[3], 128);
    EXPECT_EQ(renderer.texts, 4);
    Compose("H", nullptr, false);  // no runs: only the background is painted
    EXPECT_EQ(renderer.texts, 0);
    EXPECT_EQ(Px(18, 15)[0], 0x4D);
}

// An urgent run: its own box behind exactly its width at the band's height,
// its own text colour, the band's opacities; the band around it unchanged.
TEST_F(Band, ARunInItsOwnColoursHasItsBoxAndTextColour) {
    store.live.BackOpacity = 100;
    store.live.TextOpacity = 100;
    store.live.ShadowOffset = 0;
    const RunColors urgent{0x0000C0, 0xFFFFFF};
    Compose("HH", &urgent);
    const int32_t width = renderer.MeasureWide(WideString(u"HH")).cx;
    const int32_t height = store.live.BandHeight;
    for (int32_t y : {0, height - 1}) {
        EXPECT_EQ(Px(9, y)[2], 0x60) << "left of the box: the band";
        EXPECT_EQ(Px(10, y)[2], 0xC0) << "the box's first column";
        EXPECT_EQ(Px(10 + width - 1, y)[2], 0xC0);
        EXPECT_EQ(Px(10 + width, y)[2], 0x60) << "right of the box: the band";
    }
    const uint8_t* ink = Px(18, 15);
    EXPECT_EQ(ink[0] & ink[1] & ink[2], 255) << "white text";
    EXPECT_EQ(Px(12, 2)[0], 0) << "the box is red: no blue";
    EXPECT_EQ(Px(12, 2)[3], 255);
}

}  // namespace
