// Runs, passes, scrolling and the automatic refresh, driven frame by frame.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "test_files.h"

namespace {

struct Playback : ::testing::Test, EngineFixture {
    TempDir dir;
    std::vector<uint8_t> frame = std::vector<uint8_t>(768 * 576 * 3, 0);
    void Frame() { ProcessFrame(frame.data()); }
    void UseFile(const std::string& bytes) {
        WriteBytes(dir.File("news.txt"), bytes);
        engine.SetList(ContentList::Files, {dir.File("news.txt"), ""});
        engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::TextFile));
        engine.Set(&TickerSettings::FileIdx, 0);
    }
};

TEST_F(Playback, ThreeMessagesRepeatTwiceThenTheLineStops) {
    UseFile("first\r\nsecond\r\nthird\r\n");
    engine.Set(&TickerSettings::Repeat, 2);
    Start();
    playback.StartPlayback(RunBy::User);
    OpenDialog(true);
    dialog.posts.clear();
    std::vector<int32_t> order = {0};  // the first message enters at the start
    for (int i = 0; i < 5000 && store.live.LineOn; ++i) {
        Frame();
        const int32_t n = int32_t(playback.Segments().size());
        // a message appended in this frame stands at the right edge
        if (n > 0 && playback.Segments()[n - 1].x == 768) order.push_back(playback.Segments()[n - 1].messageIndex);
    }
    EXPECT_EQ(store.live.LineOn, 0u);
    EXPECT_EQ(order, (std::vector<int32_t>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(dialog.posts, std::vector<int32_t>{UPDATE_RUNSTATE});
}

TEST_F(Playback, TextMovesTwiceTheSpeedPerFrameAndEntersAtTheRightEdge) {
    engine.SetList(ContentList::Strings, {"hello", ""});
    engine.Set(&TickerSettings::Speed, 3);
    Start();
    playback.StartPlayback(RunBy::User);
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
    playback.StartPlayback(RunBy::User);
    const int32_t width = playback.Segments()[0].width;
    int32_t previous = playback.Segments()[0].x;
    for (int frames = 0; frames < 1000; ++frames) {
        Frame();
        ASSERT_EQ(int32_t(playback.Segments().size()), 1) << "a second run appeared before the band was empty";
        if (playback.Segments()[0].x == 768) break;
        previous = playback.Segments()[0].x;
    }
    // it came back in the frame in which the previous run left the band
    EXPECT_EQ(Xs(), std::vector<int32_t>{768});
    EXPECT_LE(previous - 16 + width, 0);
    EXPECT_GT(previous + width, 0);
    EXPECT_EQ(store.live.LineOn, 1u);
}

TEST_F(Playback, AWideMessageIsFollowedOnlyOnceItsEndPlusTheGapIsInside) {
    UseFile(std::string(200, 'W') + "\nnext\n");
    engine.Set(&TickerSettings::Speed, 5);
    Start();
    playback.StartPlayback(RunBy::User);
    const int32_t width = playback.Segments()[0].width;
    ASSERT_GT(width, 768);
    while (int32_t(playback.Segments().size()) == 1) {
        const int32_t before = playback.Segments()[0].x;
        Frame();
        if (int32_t(playback.Segments().size()) == 2) {
            EXPECT_LT(int64_t(playback.Segments()[0].x) + width + Band().Metrics().gapWidth, 768);
            EXPECT_GE(int64_t(before) + width + Band().Metrics().gapWidth, 768);
        }
    }
    EXPECT_EQ(playback.Segments()[1].messageIndex, 1);
    EXPECT_EQ(playback.Segments()[1].x, 768);
}

TEST_F(Playback, TheLastMessageOfAPassIsNeverFollowedWithinThePass) {
    UseFile("a\nb\n");
    engine.Set(&TickerSettings::Speed, 20);
    Start();
    playback.StartPlayback(RunBy::User);
    bool sawLastAlone = false;
    for (int i = 0; i < 400; ++i) {
        Frame();
        const int32_t n = int32_t(playback.Segments().size());
        for (int32_t k = 1; k < n; ++k)
            ASSERT_NE(playback.Segments()[k - 1].messageIndex, 1) << "a message followed the pass's last one";
        if (n == 1 && playback.Segments()[0].messageIndex == 1) sawLastAlone = true;
    }
    EXPECT_TRUE(sawLastAlone);
}

TEST_F(Playback, InterlacedFramesAboveTwoHundredEightyEightLinesAreComposedPerField) {
    engine.SetList(ContentList::Strings, {"x", ""});
    Band().UseStripsLocked(false);  // every composition reaches the renderer
    Start(720, 288, kFormatYuy2);
    playback.StartPlayback(RunBy::User);
    std::vector<uint8_t> f(720 * 289 * 2, 16);
    renderer.draws = 0;
    ProcessFrame(f.data());
    EXPECT_EQ(renderer.draws, 1);
    Start(720, 289, kFormatYuy2);
    playback.StartPlayback(RunBy::User);
    renderer.draws = 0;
    ProcessFrame(f.data());
    EXPECT_EQ(renderer.draws, 2);
    EXPECT_EQ(Xs(), std::vector<int32_t>{768 - 8});
}

TEST_F(Playback, NothingOutsideTheBandChangesAtReferenceSize) {
    engine.SetList(ContentList::Strings, {"band", ""});
    store.live.LinePosY = 300;
    Start();
    playback.StartPlayback(RunBy::User);
    std::vector<uint8_t> before(frame.size());
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = before[i] = uint8_t(i * 31);
    Frame();
    const int32_t top = 300 - store.live.BandHeight / 2, bottom = top + store.live.BandHeight;
    for (int32_t y = 0; y < 576; ++y) {
        const size_t row = size_t(575 - y) * 768 * 3;
        const bool same = std::equal(frame.begin() + long(row), frame.begin() + long(row + 768 * 3), before.begin() + long(row));
        EXPECT_EQ(same, y < top || y >= bottom) << "row " << y;
    }
}

TEST_F(Playback, StartRulesForLineOnRepeatAndAutoUpdate) {
    store.live.LineOn = 1;
    engine.Set(&TickerSettings::Repeat, 3);
    Start();
    EXPECT_EQ(store.live.LineOn, 0u);
    engine.Set(&TickerSettings::Repeat, 0);
    store.live.LineOn = 1;
    engine.SetList(ContentList::Strings, {"s", ""});
    Start();
    EXPECT_EQ(store.live.LineOn, 1u);
    EXPECT_EQ(playback.State().userRun, true);
    store.live.LineOn = 0;
    store.live.AutoUpdate = 5;
    engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Feed));
    engine.SetList(ContentList::Urls, {"http://127.0.0.1/a", ""});
    Start();
    EXPECT_EQ(store.live.LineOn, 1u);
    EXPECT_EQ(playback.State().userRun, false);
    EXPECT_EQ(playback.State().autoUpdateDeadline, services.now + 300);
    renderer.draws = 0;
    Frame();  // an automatic run draws nothing until its content is ready
    EXPECT_EQ(renderer.draws, 0);
}

TEST_F(Playback, FeedRunsRefreshOnceTheDeadlineHasPassedAndTheDialogIsClosed) {
    engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Feed));
    store.live.AutoUpdate = 1;
    engine.Set(&TickerSettings::Speed, 50);
    engine.SetList(ContentList::Urls, {"http://127.0.0.1/feed.xml", ""});
    Start();
    ASSERT_EQ(services.downloads.size(), 1u);
    MessageList items;  // what the feed reader would publish
    TickerMessage m;
    m.displayText = u"news";
    items.Add(m);
    {
        LockGuard guard(lock);
        playback.PublishLocked(items);
    }
    for (int i = 0; i < 200; ++i) Frame();  // passes repeat while the deadline is ahead
    EXPECT_EQ(store.live.LineOn, 1u);
    EXPECT_EQ(services.downloads.size(), 1u);
    services.now += 61;
    OpenDialog(true);  // no automatic run while the dialog is open
    for (int i = 0; i < 200; ++i) Frame();
    EXPECT_EQ(services.downloads.size(), 1u);
    OpenDialog(false);
    Frame();  // the very next frame starts the refresh; the line runs on
    EXPECT_EQ(services.downloads.size(), 2u);
    EXPECT_EQ(playback.State().userRun, false);
    EXPECT_EQ(store.live.LineOn, 1u);
    EXPECT_EQ(playback.State().autoUpdateDeadline, services.now + 60);
}

TEST_F(Playback, AChangedFileTakesOverWhereThePassEndsInAnyRunningLine) {
    UseFile("first\r\nsecond\r\n");
    engine.Set(&TickerSettings::Speed, 50);
    Start();
    playback.StartPlayback(RunBy::User);
    ASSERT_EQ(services.watched, dir.File("news.txt"));
    EXPECT_EQ(services.callsUnderLock, 0);
    const auto line = [](MessageList& l, const char16_t* text) {
        TickerMessage m;
        m.displayText = text;
        l.Add(m);
    };
    const auto shown = [&] {
        std::vector<std::u16string> out;
        for (int32_t i = 0; i < playback.Messages().Count(); ++i) out.push_back(playback.Messages()[i].displayText.ToU16());
        return out;
    };
    const auto toPassStart = [&] {
        for (int i = 0; i < 1000; ++i) {
            Frame();
            if (Segments().size() == 1 && Segments()[0].x == 768 && Segments()[0].messageIndex == 0) return;
        }
        FAIL() << "no pass began";
    };
    for (int32_t repeat : {0, 3}) {  // a counted run takes it at its next pass
        SCOPED_TRACE(repeat);
        engine.Set(&TickerSettings::Repeat, repeat);
        playback.StartPlayback(RunBy::User);
        for (int i = 0; i < 5; ++i) Frame();
        MessageList saved;
        line(saved, u"edited");
        ASSERT_TRUE(services.fileReceiver->OnFileRead(saved, StopSignal::Never()));
        EXPECT_EQ(shown(), (std::vector<std::u16string>{u"first", u"second"})) << "the pass on air is not cut";
        toPassStart();
        EXPECT_EQ(shown(), std::vector<std::u16string>{u"edited"});
    }
    // Stopped, the line takes nothing more, and a watcher told to stop gives up.
    FileReceiver& receiver = *services.fileReceiver;
    playback.StopPlayback(true);
    EXPECT_EQ(services.fileReceiver, nullptr);
    MessageList late;
    line(late, u"late");
    EXPECT_TRUE(receiver.OnFileRead(late, StopSignal::Never()));
    EXPECT_FALSE(playback.State().listWaiting);
    StopFlag stop;
    stop.Raise();
    playback.StartPlayback(RunBy::User);
    EXPECT_FALSE(receiver.OnFileRead(late, stop));
    EXPECT_FALSE(playback.State().listWaiting);
    // Another source ends the watch.
    engine.SetList(ContentList::Strings, {"s", ""});
    engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Strings));
    EXPECT_EQ(services.fileReceiver, nullptr);
    EXPECT_EQ(services.callsUnderLock, 0);
}

TEST_F(Playback, StartFeedKeepsOrClearsLastUpdate) {
    engine.SetList(ContentList::Urls, {"http://127.0.0.1/a", "http://127.0.0.1/b", ""});
    store.live.LastURL = "http://127.0.0.1/a";
    store.live.LastUpdate = 42;
    playback.StartFeed();
    EXPECT_EQ(store.live.LastUpdate, 42u);
    engine.Set(&TickerSettings::URLIdx, 1);
    playback.StartFeed();
    EXPECT_EQ(store.live.LastUpdate, 0u);
    EXPECT_EQ(store.live.LastURL, "http://127.0.0.1/b");
    engine.Set(&TickerSettings::URLIdx, 9);  // off the list: an empty address, nothing read outside it
    playback.StartFeed();
    EXPECT_EQ(services.downloads.back(), "");
    playback.StopPlayback(false);
    EXPECT_EQ(services.stops, 0);
    playback.StopPlayback(true);
    EXPECT_EQ(services.stops, 1);
}

TEST_F(Playback, SpeedZeroNeverEndsAPass) {
    engine.SetList(ContentList::Strings, {"still", ""});
    engine.Set(&TickerSettings::Speed, 0);
    engine.Set(&TickerSettings::Repeat, 1);
    Start();
    playback.StartPlayback(RunBy::User);
    for (int i = 0; i < 500; ++i) Frame();
    EXPECT_EQ(store.live.LineOn, 1u);
    EXPECT_EQ(Xs(), std::vector<int32_t>{768});
}

TEST_F(Playback, FontRebuildReLaysTheSegments) {
    UseFile("one\ntwo\nthree\n");
    engine.Set(&TickerSettings::Speed, 40);
    Start();
    playback.StartPlayback(RunBy::User);
    for (int i = 0; i < 60 && int32_t(playback.Segments().size()) < 3; ++i) Frame();
    ASSERT_EQ(int32_t(playback.Segments().size()), 3);
    const int32_t x0 = playback.Segments()[0].x;
    FontSpec font = FontSpecFrom(engine.Settings());
    font.height = -50;
    engine.SetFont(font);
    EXPECT_EQ(playback.Segments()[0].x, x0);
    for (int32_t k = 1; k < 3; ++k)
        EXPECT_EQ(playback.Segments()[k].x, playback.Segments()[k - 1].x + playback.Segments()[k - 1].width + Band().Metrics().gapWidth);
    EXPECT_EQ(playback.Segments()[2].width, renderer.MeasureWide(WideString(u"three")).cx);
}

}  // namespace

namespace {
TEST_F(Playback, SteadyStateMakesNoBitmapsTablesOrBuffers) {
    UseFile("первая\nвторая\nтретья\n");
    Start(720, 576, kFormatYuy2);
    playback.StartPlayback(RunBy::User);
    std::vector<uint8_t> f(720 * 576 * 2, 16);
    for (int i = 0; i < 20; ++i) ProcessFrame(f.data());
    const int64_t bitmaps = Band().Surface().Allocations();
    const int64_t tables = Frames().Blender().TableBuilds();
    const int64_t buffers = Frames().Blender().BufferRemakes();
    for (int i = 0; i < 250; ++i) ProcessFrame(f.data());
    const int64_t strips = Band().Strips().Growths();  // every message has had its strip
    const FrameBlender::CacheStats resampled = Frames().Blender().Stats();  // and its chunks
    for (int i = 0; i < 250; ++i) ProcessFrame(f.data());
    EXPECT_EQ(Band().Strips().Growths(), strips);
    EXPECT_EQ(Frames().Blender().Stats().fields, resampled.fields + 500) << "every field from the strip cache";
    EXPECT_EQ(Frames().Blender().Stats().chunkFills, resampled.chunkFills);
    EXPECT_EQ(Frames().Blender().Stats().setups, 1);
    EXPECT_EQ(Band().Surface().Allocations(), bitmaps);
    EXPECT_EQ(Frames().Blender().TableBuilds(), tables);
    EXPECT_EQ(Frames().Blender().BufferRemakes(), buffers);
}
}  // namespace
