// The band the engine composes: its two layers (background, text and
// shadow) with their colours and opacities.
#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace {

// The block renderer draws a character of the default font (-31) as a cell
// 20 wide and 34 high whose ink spans x + 3 .. x + 16 and rows 5 .. 28.
struct Band : ::testing::Test, EngineFixture {
    void Compose(const char* text) {
        engine.SetList(ContentList::Strings, {text, ""});
        Start();
        engine.StartLine();
        playback.Segments()[0].x = 10;
        renderer.texts = 0;
        ComposeBand();
    }
    const uint8_t* Px(int32_t x, int32_t y) { return EngineFixture::Band().Surface().Slot(0).At(x, y); }
};

TEST_F(Band, OpaqueTextOverAClearBackground) {
    engine.Set(&TickerSettings::BackOpacity, 0);
    engine.Set(&TickerSettings::TextOpacity, 100);
    engine.Set(&TickerSettings::TextColor, 0x0000FF);  // red
    engine.Set(&TickerSettings::ShadowOffset, 0);
    Compose("H");
    EXPECT_EQ(Metrics().shadowOffset, 0);
    EXPECT_EQ(engine.Settings().BandHeight, Metrics().textHeight);
    EXPECT_EQ(renderer.texts, 2);  // no shadow in either layer
    const uint8_t* bg = Px(2, 2);
    EXPECT_EQ(bg[0] | bg[1] | bg[2] | bg[3], 0);
    const uint8_t* ink = Px(18, 15);
    EXPECT_EQ(ink[2], 255);
    EXPECT_EQ(ink[0], 0);
    EXPECT_EQ(ink[3], 255);
    EXPECT_EQ(EngineFixture::Band().Surface().CurrentIndex(), 0);
    EXPECT_EQ(EngineFixture::Band().Surface().Current().used.right, 768);
}

TEST_F(Band, OpacitiesAndTheShadow) {
    engine.Set(&TickerSettings::TextOpacity, 50);
    engine.Set(&TickerSettings::BackOpacity, 80);
    engine.Set(&TickerSettings::ShadowOffset, 20);  // MulDiv(34, 20, 100) = 7 pixels
    Compose("H");
    EXPECT_EQ(Metrics().shadowOffset, 7);
    EXPECT_EQ(engine.Settings().BandHeight, 41);
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
}

TEST_F(Band, WithoutContentOnlyTheBackgroundIsPainted) {
    engine.Set(&TickerSettings::StringSource, 7);  // no source: a user run shows its background
    Start();
    engine.StartLine();
    renderer.texts = 0;
    {
        LockGuard guard(lock);
        playback.AppendSegmentLocked();
    }
    EXPECT_EQ(int32_t(playback.Segments().size()), 0);
    ComposeBand();
    EXPECT_EQ(renderer.texts, 0);
    EXPECT_EQ(Px(100, 10)[3], 204);
}

}  // namespace
