// Runs, passes, scrolling and the automatic refresh, driven frame by frame.
#include <gtest/gtest.h>

#include "feed_fixtures.h"
#include "line_fixture.h"

namespace {

struct Playback : ::testing::Test, LineFixture {
    RuntimeTimeZone zone;
    PlainFormatter formatter;
};

TEST_F(Playback, ThreeMessagesRepeatTwiceThenTheLineStops) {
    UseFile("first\r\nsecond\r\nthird\r\n");
    engine.Set(&TickerSettings::Repeat, 2);
    Start();
    engine.StartLine();
    OpenDialog(true);
    dialog.posts.clear();
    std::vector<int32_t> order = {0};  // the first message enters at the start
    for (int i = 0; i < 5000 && S().LineOn; ++i) {
        Frame();
        const int32_t n = int32_t(Runs().size());
        // a message appended in this frame stands at the right edge
        if (n > 0 && Runs()[n - 1].x == 768) order.push_back(Runs()[n - 1].index);
    }
    EXPECT_EQ(S().LineOn, 0u);
    EXPECT_EQ(order, (std::vector<int32_t>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(dialog.posts, std::vector<int32_t>{UPDATE_RUNSTATE});
}

TEST_F(Playback, TextMovesTwiceTheSpeedPerFrameAndEntersAtTheRightEdge) {
    engine.SetList(ContentList::Strings, {"hello", ""});
    engine.Set(&TickerSettings::Speed, 3);
    Start();
    engine.StartLine();
    ASSERT_EQ(Xs(), std::vector<int32_t>{768});
    Frame();
    EXPECT_EQ(Xs(), std::vector<int32_t>{762});
    engine.Set(&TickerSettings::Interlace, 0);
    Frame();
    EXPECT_EQ(Xs(), std::vector<int32_t>{756});
}

TEST_F(Playback, NextPassStartsOnlyWhenTheBandIsEmpty) {
    engine.SetList(ContentList::Strings, {"only", ""});
    engine.Set(&TickerSettings::Speed, 8);
    Start();
    engine.StartLine();
    const int32_t width = Runs()[0].width;
    int32_t previous = Runs()[0].x;
    for (int frames = 0; frames < 1000; ++frames) {
        Frame();
        ASSERT_EQ(int32_t(Runs().size()), 1) << "a second run appeared before the band was empty";
        if (Runs()[0].x == 768) break;
        previous = Runs()[0].x;
    }
    // it came back in the frame in which the previous run left the band
    EXPECT_EQ(Xs(), std::vector<int32_t>{768});
    EXPECT_LE(previous - 16 + width, 0);
    EXPECT_GT(previous + width, 0);
    EXPECT_EQ(S().LineOn, 1u);
}

TEST_F(Playback, AWideMessageIsFollowedOnlyOnceItsEndPlusTheGapIsInside) {
    UseFile(std::string(200, 'W') + "\nnext\n");
    engine.Set(&TickerSettings::Speed, 5);
    Start();
    engine.StartLine();
    const int32_t width = Runs()[0].width;
    ASSERT_GT(width, 768);
    while (int32_t(Runs().size()) == 1) {
        const int32_t before = Runs()[0].x;
        Frame();
        if (int32_t(Runs().size()) == 2) {
            EXPECT_LT(int64_t(Runs()[0].x) + width + Metrics().gapWidth, 768);
            EXPECT_GE(int64_t(before) + width + Metrics().gapWidth, 768);
        }
    }
    EXPECT_EQ(Runs()[1].index, 1);
    EXPECT_EQ(Runs()[1].x, 768);
}

TEST_F(Playback, TheLastMessageOfAPassIsNeverFollowedWithinThePass) {
    UseFile("a\nb\n");
    engine.Set(&TickerSettings::Speed, 20);
    Start();
    engine.StartLine();
    bool sawLastAlone = false;
    for (int i = 0; i < 400; ++i) {
        Frame();
        const int32_t n = int32_t(Runs().size());
        for (int32_t k = 1; k < n; ++k)
            ASSERT_NE(Runs()[k - 1].index, 1) << "a message followed the pass's last one";
        if (n == 1 && Runs()[0].index == 1) sawLastAlone = true;
    }
    EXPECT_TRUE(sawLastAlone);
}

TEST_F(Playback, InterlacedFramesAboveTwoHundredEightyEightLinesAreComposedPerField) {
    engine.SetList(ContentList::Strings, {"x", ""});
    engine.UseStrips(false);  // every composition reaches the renderer
    Start(720, 288, kFormatYuy2);
    engine.StartLine();
    std::vector<uint8_t> f(720 * 289 * 2, 16);
    renderer.draws = 0;
    ProcessFrame(f.data());
    EXPECT_EQ(renderer.draws, 1);
    Start(720, 289, kFormatYuy2);
    engine.StartLine();
    renderer.draws = 0;
    ProcessFrame(f.data());
    EXPECT_EQ(renderer.draws, 2);
    EXPECT_EQ(Xs(), std::vector<int32_t>{768 - 8});
}

TEST_F(Playback, NothingOutsideTheBandChangesAtReferenceSize) {
    engine.SetList(ContentList::Strings, {"band", ""});
    engine.Set(&TickerSettings::LinePosY, 300);
    Start();
    engine.StartLine();
    std::vector<uint8_t> before(frame.size());
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = before[i] = uint8_t(i * 31);
    Frame();
    const int32_t top = 300 - S().BandHeight / 2, bottom = top + S().BandHeight;
    for (int32_t y = 0; y < 576; ++y) {
        const size_t row = size_t(575 - y) * 768 * 3;
        const bool same = std::equal(frame.begin() + long(row), frame.begin() + long(row + 768 * 3), before.begin() + long(row));
        EXPECT_EQ(same, y < top || y >= bottom) << "row " << y;
    }
}

TEST_F(Playback, StartRulesForLineOnRepeatAndAutoUpdate) {
    InitFrom("LineOn=1\r\nRepeat=3\r\n");
    Start();
    EXPECT_EQ(S().LineOn, 0u) << "a counted run is not resumed";
    InitFrom("LineOn=1\r\nStr_000=s\r\n");
    Start();
    EXPECT_EQ(S().LineOn, 1u);
    EXPECT_TRUE(Now().userRun);
    InitFrom("AutoUpdate=5\r\nStringSource=2\r\nURL_000=http://127.0.0.1/a\r\n");
    Start();
    EXPECT_EQ(S().LineOn, 1u);
    EXPECT_FALSE(Now().userRun);
    EXPECT_EQ(services.userRuns, std::vector<bool>{false});
    renderer.draws = 0;
    Frame();  // an automatic run draws nothing until its content is ready
    EXPECT_EQ(renderer.draws, 0);
    // The next one is due five minutes after Start.
    ASSERT_TRUE(Answer(FeedResult::Failure(u"x")));
    EXPECT_EQ(S().LineOn, 1u) << "the notice: nothing was on air for it to replace";
    engine.StopLine();
    services.now += 299;
    Frame();
    EXPECT_EQ(services.downloads.size(), 1u);
    services.now += 1;
    Frame();
    EXPECT_EQ(services.downloads.size(), 2u);
}

TEST_F(Playback, FeedRunsRefreshOnceTheDeadlineHasPassedAndTheDialogIsClosed) {
    engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Feed));
    engine.Set(&TickerSettings::AutoUpdate, 1);
    engine.Set(&TickerSettings::Speed, 50);
    engine.SetList(ContentList::Urls, {"http://127.0.0.1/feed.xml", ""});
    Start();
    ASSERT_EQ(services.downloads.size(), 1u);
    ASSERT_TRUE(Answer(FeedResult::Read({{u"", u"news", u""}}, zone, formatter)));
    for (int i = 0; i < 200; ++i) Frame();  // passes repeat while the deadline is ahead
    EXPECT_EQ(S().LineOn, 1u);
    EXPECT_EQ(services.downloads.size(), 1u);
    services.now += 61;
    OpenDialog(true);  // no automatic run while the dialog is open
    for (int i = 0; i < 200; ++i) Frame();
    EXPECT_EQ(services.downloads.size(), 1u);
    OpenDialog(false);
    Frame();  // the very next frame starts the refresh; the line runs on
    EXPECT_EQ(services.downloads.size(), 2u);
    EXPECT_EQ(services.userRuns.back(), false);
    EXPECT_EQ(S().LineOn, 1u);
    // The next is due a minute after this one began, once this one has come.
    ASSERT_TRUE(Answer(FeedResult::Unchanged()));
    services.now += 59;
    Frame();
    EXPECT_EQ(services.downloads.size(), 2u);
    services.now += 1;
    Frame();
    EXPECT_EQ(services.downloads.size(), 3u);
}

TEST_F(Playback, AChangedFileTakesOverWhereThePassEndsInAnyRunningLine) {
    UseFile("first\r\nsecond\r\n");
    engine.Set(&TickerSettings::Speed, 50);
    Start();
    engine.StartLine();
    ASSERT_EQ(services.watched, dir.File("news.txt"));
    EXPECT_EQ(services.callsUnderLock, 0);
    const auto saved = [](const char16_t* text) {
        Bulletin b;
        b.from = Bulletin::From::TextFile;
        TickerMessage m;
        m.displayText = text;
        b.messages.Add(m);
        return b;
    };
    const auto toPassStart = [&] {
        for (int i = 0; i < 1000; ++i) {
            Frame();
            if (Runs().size() == 1 && Runs()[0].x == 768 && Runs()[0].index == 0) return;
        }
        FAIL() << "no pass began";
    };
    for (int32_t repeat : {0, 3}) {  // a counted run takes it at its next pass
        SCOPED_TRACE(repeat);
        engine.Set(&TickerSettings::Repeat, repeat);
        engine.StartLine();
        for (int i = 0; i < 5; ++i) Frame();
        Bulletin edited = saved(u"edited");
        ASSERT_TRUE(services.fileDesk->Offer(edited, StopSignal::Never()));
        EXPECT_EQ(Shown(), (std::vector<std::u16string>{u"first", u"second"})) << "the pass on air is not cut";
        toPassStart();
        EXPECT_EQ(Shown(), std::vector<std::u16string>{u"edited"});
    }
    // Stopped, the line takes nothing more, and a watcher told to stop gives up.
    NewsDesk& desk = *services.fileDesk;
    engine.StopLine();
    EXPECT_EQ(services.fileDesk, nullptr);
    Bulletin late = saved(u"late");
    EXPECT_TRUE(desk.Offer(late, StopSignal::Never()));
    StopFlag stop;
    stop.Raise();
    engine.StartLine();
    late = saved(u"late");
    EXPECT_FALSE(desk.Offer(late, stop));
    toPassStart();
    EXPECT_EQ(Shown(), (std::vector<std::u16string>{u"first", u"second"})) << "nothing late was taken";
    // Another source ends the watch.
    engine.SetList(ContentList::Strings, {"s", ""});
    engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Strings));
    EXPECT_EQ(services.fileDesk, nullptr);
    EXPECT_EQ(services.callsUnderLock, 0);
}

TEST_F(Playback, AFeedRunKeepsOrClearsLastUpdate) {
    InitFrom("StringSource=2\r\nLastURL=http://127.0.0.1/a\r\nLastUpdate=42\r\n"
             "URL_000=http://127.0.0.1/a\r\nURL_001=http://127.0.0.1/b\r\n");
    Start();
    engine.StartLine();
    EXPECT_EQ(S().LastUpdate, 42u);
    engine.Set(&TickerSettings::URLIdx, 1);
    engine.StartLine();
    EXPECT_EQ(S().LastUpdate, 0u);
    EXPECT_EQ(S().LastURL, "http://127.0.0.1/b");
    engine.Set(&TickerSettings::URLIdx, 9);  // off the list: an empty address, nothing read outside it
    engine.StartLine();
    EXPECT_EQ(services.downloads, (std::vector<std::string>{"http://127.0.0.1/a", "http://127.0.0.1/b", ""}));
    EXPECT_EQ(services.stops, 0);
    engine.StopLine();
    EXPECT_EQ(services.stops, 1);
}

TEST_F(Playback, SpeedZeroNeverEndsAPass) {
    engine.SetList(ContentList::Strings, {"still", ""});
    engine.Set(&TickerSettings::Speed, 0);
    engine.Set(&TickerSettings::Repeat, 1);
    Start();
    engine.StartLine();
    for (int i = 0; i < 500; ++i) Frame();
    EXPECT_EQ(S().LineOn, 1u);
    EXPECT_EQ(Xs(), std::vector<int32_t>{768});
}

TEST_F(Playback, FontRebuildReLaysTheSegments) {
    UseFile("one\ntwo\nthree\n");
    engine.Set(&TickerSettings::Speed, 40);
    Start();
    engine.StartLine();
    for (int i = 0; i < 60 && int32_t(Runs().size()) < 3; ++i) Frame();
    ASSERT_EQ(int32_t(Runs().size()), 3);
    const int32_t x0 = Runs()[0].x;
    FontSpec font = FontSpecFrom(engine.Settings());
    font.height = -50;
    engine.SetFont(font);
    EXPECT_EQ(Runs()[0].x, x0);
    for (int32_t k = 1; k < 3; ++k)
        EXPECT_EQ(Runs()[k].x, Runs()[k - 1].x + Runs()[k - 1].width + Metrics().gapWidth);
    EXPECT_EQ(Runs()[2].width, renderer.MeasureWide(WideString(u"three")).cx);
}

}  // namespace

namespace {
TEST_F(Playback, SteadyStateMakesNoBitmapsTablesOrBuffers) {
    UseFile("первая\nвторая\nтретья\n");
    Start(720, 576, kFormatYuy2);
    engine.StartLine();
    std::vector<uint8_t> f(720 * 576 * 2, 16);
    for (int i = 0; i < 20; ++i) ProcessFrame(f.data());
    const FrameCounts first = engine.Counts();
    for (int i = 0; i < 250; ++i) ProcessFrame(f.data());
    const FrameCounts warm = engine.Counts();  // every message has had its strip, and its chunks
    for (int i = 0; i < 250; ++i) ProcessFrame(f.data());
    const FrameCounts last = engine.Counts();
    EXPECT_EQ(last.stripGrowths, warm.stripGrowths);
    EXPECT_EQ(last.resampled.fields, warm.resampled.fields + 500) << "every field from the strip cache";
    EXPECT_EQ(last.resampled.chunkFills, warm.resampled.chunkFills);
    EXPECT_EQ(last.resampled.setups, 1);
    EXPECT_EQ(last.bitmaps, first.bitmaps);
    EXPECT_EQ(last.tableBuilds, first.tableBuilds);
    EXPECT_EQ(last.bufferRemakes, first.bufferRemakes);
}
}  // namespace
