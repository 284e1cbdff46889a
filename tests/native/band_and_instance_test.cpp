// Band clamping and the instance id and folders taken from the command line.
#include <gtest/gtest.h>

#include "settings/band_geometry.h"
#include "plugin/host_windows.h"
#include "settings/instance_paths.h"
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

TEST(InstanceId, ComesFromTheSwitchesWithTheSlashFormWinning) {
    EXPECT_EQ(ParseInstanceId("vantrex.exe /inst:b"), "b");
    EXPECT_EQ(ParseInstanceId("vantrex.exe -inst:1 /inst:2"), "2");
    EXPECT_EQ(ParseInstanceId("vantrex.exe /inst:2 -inst:1"), "2");
    EXPECT_EQ(ParseInstanceId("vantrex.exe -inst:12"), "1");
    EXPECT_EQ(ParseInstanceId("vantrex.exe -inst:"), "");
    EXPECT_EQ(ParseInstanceId("vantrex.exe -inst:3 /inst:"), "");
    EXPECT_EQ(ParseInstanceId("vantrex.exe inst:3"), "");
}

TEST(InstanceId, SelectsFoldersAndWindowTitles) {
    EXPECT_EQ(ComposePluginFolder("C:\\V\\", ""), "C:\\V\\Plugins\\");
    EXPECT_EQ(ComposePluginFolder("C:\\Users\\u\\AppData\\Roaming\\Vantrex\\", "3"),
              "C:\\Users\\u\\AppData\\Roaming\\Vantrex\\Instances\\3\\Plugins\\");
    EXPECT_EQ(HostTitlesFor("").mainTitle, "Vantrex");
    EXPECT_EQ(HostTitlesFor("").videoTitle, "Video window");
    EXPECT_EQ(HostTitlesFor("b").mainTitle, "Vantrex.Instb");
    EXPECT_EQ(HostTitlesFor("b").videoTitle, "Video window.Instb");
    const SettingsLocation l = LocationIn("C:\\V\\Plugins\\", "Mivra_Skimrow");
    EXPECT_EQ(l.fullPath, "C:\\V\\Plugins\\Mivra_Skimrow.ini");
    EXPECT_EQ(l.LogPath(), "C:\\V\\Plugins\\Mivra_Skimrow.log");
    EXPECT_EQ(SettingsLocation().LogPath(), "") << "no folder, no log";
}

}  // namespace
