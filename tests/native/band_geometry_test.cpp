// The band kept inside the reference frame, whatever the settings hold.
#include <gtest/gtest.h>

#include "settings/band_geometry.h"
#include "settings/ticker_settings.h"

namespace {

TickerSettings Band(int32_t x, int32_t y, int32_t size, int32_t height) {
    TickerSettings s;
    s.LinePosX = x, s.LinePosY = y, s.LineSize = size, s.BandHeight = height;
    return s;
}

TEST(ClampBand, KeepsTheBandInsideTheReferenceFrame) {
    TickerSettings s = Band(384, 557, 5, 38);
    ClampBand(s);
    EXPECT_EQ(s.LineSize, 10);
    s = Band(384, 557, 1000, 38);
    ClampBand(s);
    EXPECT_EQ(s.LineSize, 768);
    EXPECT_EQ(s.LinePosX, 384);
    s = Band(0, 557, 768, 38);
    ClampBand(s);
    EXPECT_EQ(s.LinePosX, 384);
    s = Band(700, 0, 200, 39);  // left 600: right edge at 800 -> moved back by 32
    ClampBand(s);
    EXPECT_EQ(s.LinePosX, 668);
    EXPECT_EQ(s.LinePosY, 19);  // top -19 -> moved down by 19
    s = Band(384, 570, 768, 38);
    ClampBand(s);
    EXPECT_EQ(s.LinePosY, 557);
    EXPECT_EQ(s.BandHeight, 38);
}

TEST(ClampBand, UsesTheUncorrectedEdgesForBothTests) {
    // Taller than the frame: the top is pushed down by its overshoot, then
    // the bottom test, made with the original top, pulls it up again.
    TickerSettings s = Band(384, 100, 768, 1200);  // top -500, bottom 700
    ClampBand(s);
    EXPECT_EQ(s.LinePosY, 100 + 500 - 124);
}

TEST(ClampBand, SurvivesExtremeHandEditedValues) {
    TickerSettings s = Band(INT32_MIN, INT32_MAX, INT32_MIN, 38);
    ClampBand(s);
    EXPECT_EQ(s.LineSize, 10);
    EXPECT_EQ(s.LinePosX, 5);
    const Rect r = ReferenceBandRect(s);
    EXPECT_EQ(r.right - r.left, 10);
    EXPECT_GE(r.top, 0);
    EXPECT_LE(r.bottom, 576);
}

}  // namespace
