// The control seam as the dialog and the hooks use it: what each change
// stores, what it rebuilds, restarts and posts, and that nothing which may
// wait for the downloader runs while the ticker lock is held.
#include <gtest/gtest.h>

#include <type_traits>
#include <variant>

#include "engine_fixture.h"
#include "test_files.h"

namespace {

struct Control : ::testing::Test, EngineFixture {
    std::vector<uint8_t> frame = std::vector<uint8_t>(768 * 576 * 3, 0);
    void Frame() { ProcessFrame(frame.data()); }
    void RunStrings() {
        engine.SetList(ContentList::Strings, {"first", "second", ""});
        engine.SetList(ContentList::Urls, {"http://127.0.0.1/feed.xml", ""});
        Start();
        engine.StartLine();
        for (int i = 0; i < 5; ++i) Frame();
        OpenDialog(true);
    }
};

int64_t NumberIn(const TickerSettings& s, const SettingMember& member) {
    return std::visit(
        [&](auto m) -> int64_t {
            if constexpr (std::is_same_v<decltype(m), std::string TickerSettings::*>) return 0;
            else return int64_t(s.*m);
        },
        member);
}

// Every numeric key of the settings table goes through the seam; only the
// source restarts a line on the strings, only colours, speed, source, the
// lists' selections and all feeds are posted, and only the endpoint's own keys make it listen again.
TEST_F(Control, EachChangeStoresUnderTheLockAndHasOnlyItsOwnEffects) {
    struct Effect {
        int32_t post = -1;  // -1: nothing posted
        bool restarts = false;  // the running line starts again
    };
    const auto effectOf = [](const SettingMember& m) {
        if (m == SettingMember(&TickerSettings::StringSource)) return Effect{UPDATE_SOURCE, true};
        if (m == SettingMember(&TickerSettings::TextColor) || m == SettingMember(&TickerSettings::BackColor) ||
            m == SettingMember(&TickerSettings::UrgentTextColor) || m == SettingMember(&TickerSettings::UrgentBackColor))
            return Effect{UPDATE_ALL, false};
        if (m == SettingMember(&TickerSettings::Speed)) return Effect{UPDATE_SPEED, false};
        // What the control endpoint changes as well: an open dialog shows it.
        if (m == SettingMember(&TickerSettings::AllFeeds)) return Effect{UPDATE_ALL, false};
        if (m == SettingMember(&TickerSettings::StrIdx) || m == SettingMember(&TickerSettings::FileIdx) ||
            m == SettingMember(&TickerSettings::URLIdx))
            return Effect{UPDATE_LISTS, false};
        return Effect{};
    };
    int checked = 0;
    for (const SettingRow& row : kSettingRows) {
        // Text has no number; the run state is StartLine's and StopLine's.
        if (std::holds_alternative<std::string TickerSettings::*>(row.member)) continue;
        if (row.member == SettingMember(&TickerSettings::LineOn)) continue;
        SCOPED_TRACE(row.key);
        RunStrings();
        const std::vector<int32_t> before = Xs();
        ASSERT_NE(before, std::vector<int32_t>{768});
        // A value of its range other than the one it holds (the source: strings again).
        const int64_t now = NumberIn(engine.Settings(), row.member);
        const int64_t value = row.member == SettingMember(&TickerSettings::StringSource) ? 0
                              : now < row.range.max                                   ? now + 1
                                                                                      : now - 1;
        dialog.posts.clear();
        const long enters = lock.enters;
        const int controlChanges = services.controlChanges;
        engine.Set(row.member, value);
        EXPECT_EQ(services.controlChanges - controlChanges,
                  row.member == SettingMember(&TickerSettings::ControlPort) ||
                      row.member == SettingMember(&TickerSettings::ControlLan));
        EXPECT_GT(lock.enters, enters);
        EXPECT_EQ(NumberIn(engine.Settings(), row.member), value);
        const Effect effect = effectOf(row.member);
        std::vector<int32_t> expected;
        if (effect.restarts) expected = {UPDATE_RUNSTATE, UPDATE_RUNSTATE};
        if (effect.post >= 0) expected.push_back(effect.post);
        EXPECT_EQ(dialog.posts, expected);
        EXPECT_EQ(Xs() == std::vector<int32_t>{768}, effect.restarts) << "restarted from the right edge";
        EXPECT_EQ(S().LineOn, 1u);
        OpenDialog(false);
        engine.Set(row.member, now);  // the next key starts from the same band
        ++checked;
    }
    EXPECT_GE(checked, 30);
    EXPECT_EQ(services.callsUnderLock, 0);
}

TEST_F(Control, TheKeyIsStoredAsTypedAndTheEndpointListensAgainOnlyWhenItsSettingsChange) {
    engine.SetText(&TickerSettings::ControlKey, "a-long-enough-key");
    EXPECT_EQ(S().ControlKey, "a-long-enough-key");
    EXPECT_EQ(services.controlChanges, 1);
    engine.SetText(&TickerSettings::ControlKey, "a-long-enough-key");  // the dialog losing the focus again
    engine.Set(&TickerSettings::ControlPort, 0);                       // as it was
    EXPECT_EQ(services.controlChanges, 1);
    engine.Set(&TickerSettings::ControlPort, 8080);
    EXPECT_EQ(services.controlChanges, 2);
    EXPECT_EQ(services.callsUnderLock, 0);
}

TEST_F(Control, ShadowMeasuresTheBandAndAutoUpdateReschedules) {
    Start();
    const int32_t height = S().BandHeight;
    engine.Set(&TickerSettings::ShadowOffset, 50);
    EXPECT_EQ(S().BandHeight, Metrics().textHeight + Metrics().textHeight / 2);
    EXPECT_GT(S().BandHeight, height);
    engine.SetList(ContentList::Urls, {"http://127.0.0.1/feed.xml", ""});
    engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Feed));
    engine.Set(&TickerSettings::AutoUpdate, 2);  // due two minutes from now
    services.now += 119;
    Frame();
    EXPECT_TRUE(services.downloads.empty());
    services.now += 1;
    Frame();
    EXPECT_EQ(services.downloads.size(), 1u);
    EXPECT_EQ(services.userRuns, std::vector<bool>{false});
}

TEST_F(Control, SwitchingARunningLineToTheFeedEmptiesItAndDownloadsOutsideTheLock) {
    RunStrings();
    engine.Set(&TickerSettings::StringSource, 2);
    EXPECT_EQ(services.stops, 1);
    EXPECT_EQ(services.downloads, std::vector<std::string>{"http://127.0.0.1/feed.xml"});
    EXPECT_TRUE(Shown().empty());
    EXPECT_FALSE(Now().contentReady);
    EXPECT_EQ(services.callsUnderLock, 0);
    // A stopped line only changes its source.
    engine.StopLine();
    dialog.posts.clear();
    engine.Set(&TickerSettings::StringSource, 0);
    EXPECT_EQ(dialog.posts, std::vector<int32_t>{UPDATE_SOURCE});
    EXPECT_EQ(S().LineOn, 0u);
    EXPECT_EQ(services.downloads.size(), 1u);
}

TEST_F(Control, NudgesMoveAndSizeTheBandAndTheFontButtonsStepByOneWithinTheirRange) {
    Start();
    engine.Set(&TickerSettings::LinePosX, 100);
    engine.Set(&TickerSettings::LinePosY, 200);
    engine.Set(&TickerSettings::LineSize, 300);
    engine.NudgeBand(Nudge::Left, 4);
    engine.NudgeBand(Nudge::Down, 2);
    engine.NudgeBand(Nudge::Wider, 16);
    EXPECT_EQ(S().LinePosX, 96);
    EXPECT_EQ(S().LinePosY, 202);
    EXPECT_EQ(S().LineSize, 316);
    engine.NudgeBand(Nudge::Right, 1), engine.NudgeBand(Nudge::Up, 3), engine.NudgeBand(Nudge::Narrower, 32);
    EXPECT_EQ(S().LinePosX, 97);
    EXPECT_EQ(S().LinePosY, 199);
    EXPECT_EQ(S().LineSize, 284);
    engine.Set(&TickerSettings::LinePosX, INT32_MAX);  // a hand-edited extreme saturates instead of wrapping
    engine.NudgeBand(Nudge::Right, 32);
    EXPECT_EQ(S().LinePosX, INT32_MAX);

    engine.Set(&TickerSettings::FontSize, -48);
    const int32_t height = S().BandHeight;
    for (int i = 0; i < 5; ++i) engine.NudgeBand(Nudge::FontLarger, i * 8);  // the step is ignored
    EXPECT_EQ(S().FontSize, -50);
    EXPECT_NE(S().BandHeight, height) << "the font was rebuilt";
    engine.Set(&TickerSettings::FontSize, -12);
    for (int i = 0; i < 5; ++i) engine.NudgeBand(Nudge::FontSmaller, 0);
    EXPECT_EQ(S().FontSize, -10);
}

TEST_F(Control, CornersPlaceTheBandWithTruncatingHalves) {
    engine.Set(&TickerSettings::ShadowOffset, 20);
    Start();
    const int32_t height = S().BandHeight;
    ASSERT_EQ(height % 2, 1) << "an odd height shows the truncation";
    engine.SnapToCorner(Corner::TopLeft);
    EXPECT_EQ(S().LinePosX, 384);
    EXPECT_EQ(S().LinePosY, height / 2);
    engine.Set(&TickerSettings::LineSize, 301);
    engine.SnapToCorner(Corner::BottomRight);
    EXPECT_EQ(S().LinePosX, 768 - 150);
    EXPECT_EQ(S().LinePosY, 576 - height / 2);
    engine.SnapToCorner(Corner::TopRight);
    EXPECT_EQ(S().LinePosY, height / 2);
    engine.SnapToCorner(Corner::BottomLeft);
    EXPECT_EQ(S().LinePosX, 150);
}

TEST_F(Control, FontChangesRebuildAndPostAndListsAndCopiesStayApart) {
    engine.SetList(ContentList::Strings, {"a", ""});
    Start();
    OpenDialog(true);
    FontSpec font = FontSpecFrom(engine.Settings());
    font.faceName = "Liberation Serif";
    font.height = -20;
    font.italic = 1;
    engine.SetFont(font);
    EXPECT_EQ(S().FontName, "Liberation Serif");
    EXPECT_EQ(S().FontItalic, 1);
    EXPECT_EQ(Metrics().textHeight, 22);  // the block renderer's cell for 20 pixels
    EXPECT_EQ(dialog.posts, std::vector<int32_t>{UPDATE_ALL});

    TickerSettings copy = engine.Settings();
    copy.Speed = 99;
    EXPECT_NE(S().Speed, 99);
    engine.SetList(ContentList::Files, {"C:\\a.txt", ""});
    EXPECT_EQ(engine.List(ContentList::Files), (StringList{"C:\\a.txt", ""}));
    EXPECT_EQ(engine.List(ContentList::Strings), (StringList{"a", ""}));
    engine.SetDialogPosition(-100, 25);
    int32_t x = 0, y = 0;
    engine.DialogPosition(&x, &y);
    EXPECT_EQ(x, -100);
    EXPECT_EQ(y, 25);
}

TEST_F(Control, ToggleAndStopPostTheRunStateAndStopTheDownloadOutsideTheLock) {
    engine.SetList(ContentList::Strings, {"a", ""});
    Start();
    OpenDialog(true);
    EXPECT_TRUE(engine.DialogOpen());
    engine.ToggleLine();
    EXPECT_TRUE(engine.LineOn());
    EXPECT_TRUE(Now().userRun);
    engine.ToggleLine();
    EXPECT_FALSE(engine.LineOn());
    EXPECT_EQ(services.stops, 1);
    EXPECT_EQ(dialog.posts, (std::vector<int32_t>{UPDATE_RUNSTATE, UPDATE_RUNSTATE}));
    OpenDialog(false);
    EXPECT_FALSE(engine.DialogOpen());
    engine.ProcessFrame(frame.data(), 12345);
    EXPECT_EQ(engine.LastFrameTick(), 12345u);
    EXPECT_EQ(services.callsUnderLock, 0);
}

TEST_F(Control, AnAutomaticRefreshDueInAFrameStartsItsDownloadAfterTheFrameLetsGoOfTheLock) {
    InitFrom("StringSource=2\r\nAutoUpdate=1\r\nURL_000=http://127.0.0.1/feed.xml\r\n");
    Start();
    engine.StopLine();
    services.now += 60;
    Frame();
    EXPECT_EQ(services.downloads.size(), 2u);
    EXPECT_TRUE(engine.LineOn());
    EXPECT_EQ(services.callsUnderLock, 0);
}

}  // namespace
