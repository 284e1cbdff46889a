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
        store.strings = {"first", "second", ""};
        store.urls = {"http://127.0.0.1/feed.xml", ""};
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
// source restarts the line, and only colours, speed and source are posted.
TEST_F(Control, EachChangeStoresUnderTheLockAndHasOnlyItsOwnEffects) {
    struct Effect {
        int32_t post = -1;  // -1: nothing posted
        bool restarts = false;  // the running line starts again
    };
    const auto effectOf = [](const SettingMember& m) {
        if (m == SettingMember(&TickerSettings::StringSource)) return Effect{UPDATE_SOURCE, true};
        if (m == SettingMember(&TickerSettings::TextColor) || m == SettingMember(&TickerSettings::BackColor))
            return Effect{UPDATE_ALL, false};
        if (m == SettingMember(&TickerSettings::Speed)) return Effect{UPDATE_SPEED, false};
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
        engine.Set(row.member, value);
        EXPECT_GT(lock.enters, enters);
        EXPECT_EQ(NumberIn(engine.Settings(), row.member), value);
        const Effect effect = effectOf(row.member);
        std::vector<int32_t> expected;
        if (effect.restarts) expected = {UPDATE_RUNSTATE, UPDATE_RUNSTATE};
        if (effect.post >= 0) expected.push_back(effect.post);
        EXPECT_EQ(dialog.posts, expected);
        EXPECT_EQ(Xs() == std::vector<int32_t>{768}, effect.restarts) << "restarted from the right edge";
        EXPECT_EQ(store.live.LineOn, 1u);
        OpenDialog(false);
        engine.Set(row.member, now);  // the next key starts from the same band
        ++checked;
    }
    EXPECT_GE(checked, 30);
    EXPECT_EQ(services.callsUnderLock, 0);
}

TEST_F(Control, ShadowMeasuresTheBandAndAutoUpdateReschedules) {
    Start();
    const int32_t height = store.live.BandHeight;
    engine.Set(&TickerSettings::ShadowOffset, 50);
    EXPECT_EQ(store.live.BandHeight, Metrics().textHeight + Metrics().textHeight / 2);
    EXPECT_GT(store.live.BandHeight, height);
    engine.Set(&TickerSettings::AutoUpdate, 2);
    EXPECT_EQ(playback.State().autoUpdateDeadline, services.now + 120);
    services.now += 30;
    engine.Set(&TickerSettings::AutoUpdate, 0);  // off: the old deadline stays
    EXPECT_EQ(playback.State().autoUpdateDeadline, services.now - 30 + 120);
}

TEST_F(Control, SwitchingARunningLineToTheFeedEmptiesItAndDownloadsOutsideTheLock) {
    RunStrings();
    engine.Set(&TickerSettings::StringSource, 2);
    EXPECT_EQ(services.stops, 1);
    EXPECT_EQ(services.downloads, std::vector<std::string>{"http://127.0.0.1/feed.xml"});
    EXPECT_EQ(playback.Messages().Count(), 0);
    EXPECT_EQ(playback.State().contentReady, false);
    EXPECT_EQ(services.callsUnderLock, 0);
    // A stopped line only changes its source.
    engine.StopLine();
    dialog.posts.clear();
    engine.Set(&TickerSettings::StringSource, 0);
    EXPECT_EQ(dialog.posts, std::vector<int32_t>{UPDATE_SOURCE});
    EXPECT_EQ(store.live.LineOn, 0u);
    EXPECT_EQ(services.downloads.size(), 1u);
}

TEST_F(Control, NudgesMoveAndSizeTheBandAndTheFontButtonsStepByOneWithinTheirRange) {
    Start();
    store.live.LinePosX = 100, store.live.LinePosY = 200, store.live.LineSize = 300;
    engine.NudgeBand(Nudge::Left, 4);
    engine.NudgeBand(Nudge::Down, 2);
    engine.NudgeBand(Nudge::Wider, 16);
    EXPECT_EQ(store.live.LinePosX, 96);
    EXPECT_EQ(store.live.LinePosY, 202);
    EXPECT_EQ(store.live.LineSize, 316);
    engine.NudgeBand(Nudge::Right, 1), engine.NudgeBand(Nudge::Up, 3), engine.NudgeBand(Nudge::Narrower, 32);
    EXPECT_EQ(store.live.LinePosX, 97);
    EXPECT_EQ(store.live.LinePosY, 199);
    EXPECT_EQ(store.live.LineSize, 284);
    store.live.LinePosX = INT32_MAX;  // a hand-edited extreme saturates instead of wrapping
    engine.NudgeBand(Nudge::Right, 32);
    EXPECT_EQ(store.live.LinePosX, INT32_MAX);

    store.live.FontSize = -48;
    const int32_t height = store.live.BandHeight;
    for (int i = 0; i < 5; ++i) engine.NudgeBand(Nudge::FontLarger, i * 8);  // the step is ignored
    EXPECT_EQ(store.live.FontSize, -50);
    EXPECT_NE(store.live.BandHeight, height) << "the font was rebuilt";
    store.live.FontSize = -12;
    for (int i = 0; i < 5; ++i) engine.NudgeBand(Nudge::FontSmaller, 0);
    EXPECT_EQ(store.live.FontSize, -10);
}

TEST_F(Control, CornersPlaceTheBandWithTruncatingHalves) {
    Start();
    store.live.LineSize = 768;
    store.live.BandHeight = 41;
    engine.SnapToCorner(Corner::TopLeft);
    EXPECT_EQ(store.live.LinePosX, 384);
    EXPECT_EQ(store.live.LinePosY, 20);
    store.live.LineSize = 301;
    engine.SnapToCorner(Corner::BottomRight);
    EXPECT_EQ(store.live.LinePosX, 768 - 150);
    EXPECT_EQ(store.live.LinePosY, 576 - 20);
    engine.SnapToCorner(Corner::TopRight);
    EXPECT_EQ(store.live.LinePosY, 20);
    engine.SnapToCorner(Corner::BottomLeft);
    EXPECT_EQ(store.live.LinePosX, 150);
}

TEST_F(Control, FontChangesRebuildAndPostAndListsAndCopiesStayApart) {
    store.strings = {"a", ""};
    Start();
    OpenDialog(true);
    FontSpec font = FontSpecFrom(engine.Settings());
    font.faceName = "Liberation Serif";
    font.height = -20;
    font.italic = 1;
    engine.SetFont(font);
    EXPECT_EQ(store.live.FontName, "Liberation Serif");
    EXPECT_EQ(store.live.FontItalic, 1);
    EXPECT_EQ(Metrics().textHeight, 22);  // the block renderer's cell for 20 pixels
    EXPECT_EQ(dialog.posts, std::vector<int32_t>{UPDATE_ALL});

    TickerSettings copy = engine.Settings();
    copy.Speed = 99;
    EXPECT_NE(store.live.Speed, 99);
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
    store.strings = {"a", ""};
    Start();
    OpenDialog(true);
    EXPECT_TRUE(engine.DialogOpen());
    engine.ToggleLine();
    EXPECT_TRUE(engine.LineOn());
    EXPECT_EQ(playback.State().userRun, true);
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
    store.live.StringSource = int32_t(ContentSource::Feed);
    store.live.AutoUpdate = 1;
    store.urls = {"http://127.0.0.1/feed.xml", ""};
    Start();
    engine.StopLine();
    services.now += 60;
    Frame();
    EXPECT_EQ(services.downloads.size(), 2u);
    EXPECT_TRUE(engine.LineOn());
    EXPECT_EQ(services.callsUnderLock, 0);
}

}  // namespace
