// The feed publish: what goes on air from a parsed feed, notices
// for failures, and a worker told to stop.
#include <gtest/gtest.h>

#include <thread>

#include "engine_fixture.h"
#include "feed_fixtures.h"

namespace {

struct Feed : ::testing::Test, EngineFixture {
    Zone zone{"UTC"};
    RuntimeTimeZone runtimeZone;
    PlainFormatter formatter;
    FeedResult Items(std::initializer_list<FeedItemTexts> items) {
        return FeedResult::Read(items, runtimeZone, formatter);
    }
    bool Publish(const FeedResult& r) { return engine.OnFeed(r, StopSignal::Never()); }
    std::vector<std::u16string> Shown() {
        std::vector<std::u16string> out;
        for (int32_t i = 0; i < playback.Messages().Count(); ++i) out.push_back(playback.Messages()[i].displayText.ToU16());
        return out;
    }
};

TEST_F(Feed, LatestNewsTwiceShowsNoNewsOnRequestAndTheOldItemsFromTheTimer) {
    services.now = Utc(2011, 11, 8, 0, 0, 0);
    engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Feed));
    store.live.LatestNews = 1;
    store.live.Date = store.live.Time = 0;
    engine.SetList(ContentList::Urls, {"http://127.0.0.1/f", ""});
    Start();
    playback.StartPlayback(RunBy::User);
    const auto feed = Items({{u"07 Nov 2011 10:00:00 GMT", u"a", u""}, {u"07 Nov 2011 11:00:00 GMT", u"b", u""}});
    ASSERT_TRUE(Publish(feed));
    EXPECT_EQ(Shown(), (std::vector<std::u16string>{u"b  ", u"a  "}));
    EXPECT_EQ(store.live.LastUpdate, StampFromFields({2011, 11, 7, 11, 0, 0}));
    EXPECT_EQ(int32_t(playback.Segments().size()), 1);
    playback.StartPlayback(RunBy::User);  // asked for again: nothing new
    Publish(feed);
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Нет новых сообщений"});
    EXPECT_EQ(store.live.LineOn, 1u);
    Publish(Items({{u"07 Nov 2011 10:00:00 GMT", u"a", u""}}));  // previous list kept, re-run once
    playback.StartPlayback(RunBy::Timer);                                       // a timer run: no notice
    ASSERT_TRUE(Publish(feed));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Нет новых сообщений"});  // the previous messages run again
    EXPECT_EQ(playback.State().contentReady, true);
    engine.Set(&TickerSettings::Repeat, 2);
    playback.StartPlayback(RunBy::Timer);
    Publish(feed);  // nothing new with a counted run: the line stops
    EXPECT_EQ(store.live.LineOn, 0u);
}

TEST_F(Feed, FailuresBecomeNotices) {
    Start();
    playback.StartPlayback(RunBy::User);  // a run the user started: its failures are shown
    Publish(FeedResult::Failure(u"Файл не найден."));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Файл не найден."});
    Publish(FeedResult::Failure(kNoticeBadFeed));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Ошибка на странице RSS-ленты"});
}

TEST_F(Feed, AStoppingWorkerGivesUpInsteadOfWaitingForTheLock) {
    Start();
    std::atomic<bool> result{true};
    StopFlag stop;
    stop.Raise();
    lock.Enter();  // as Stop does when called under the lock
    std::thread worker([&] { result = engine.OnFeed(Items({{u"", u"x", u""}}), stop); });
    worker.join();
    lock.Leave();
    EXPECT_FALSE(result);
    EXPECT_EQ(playback.Messages().Count(), 0);
}

// Links stay with their messages through the newest-first order, and the
// seam finds the run under a point of the band: its message's link.
TEST_F(Feed, EachMessageKeepsItsLinkAndTheSeamFindsTheRunUnderAPoint) {
    services.now = Utc(2011, 11, 8, 0, 0, 0);
    engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Feed));
    engine.SetList(ContentList::Urls, {"http://127.0.0.1/site", ""});
    store.live.Date = store.live.Time = 0;
    Start();
    playback.StartPlayback(RunBy::User);
    FeedResult feed = Items({{u"07 Nov 2011 09:00:00 GMT", u"old", u"", u"javascript:alert(1)"},
                             {u"07 Nov 2011 11:00:00 GMT", u"new", u"", u"../story/2"},
                             {u"07 Nov 2011 10:00:00 GMT", u"mid", u"", u""}});
    feed.channelLink = u"http://site.example/";
    feed.address = u"http://127.0.0.1/rss/feed.xml";  // after a redirect
    ASSERT_TRUE(Publish(feed));
    ASSERT_EQ(Shown(), (std::vector<std::u16string>{u"new  ", u"mid  ", u"old  "}));
    EXPECT_EQ(playback.Messages()[0].link, u"http://127.0.0.1/story/2");
    EXPECT_EQ(playback.Messages()[1].link, u"http://site.example/");
    EXPECT_EQ(playback.Messages()[2].link, u"http://site.example/") << "no script reaches the shell";

    // Two runs on a band whose left edge is at 100 (reference frame).
    store.live.LinePosX = 400, store.live.LineSize = 600;
    playback.Segments() = {TickerSegment{0, -20, 100}, TickerSegment{2, 150, 100}};
    const struct {
        int32_t x;
        const char16_t* link;
    } points[] = {
        {79, u""},  // left of the band: the first run's part that has left it
        {80, u"http://127.0.0.1/story/2"}, {179, u"http://127.0.0.1/story/2"}, {180, u""},
        {249, u""}, {250, u"http://site.example/"}, {349, u"http://site.example/"}, {350, u""}, {INT32_MIN, u""},
        {INT32_MAX, u""},
    };
    for (const auto& p : points) EXPECT_EQ(engine.LinkAt(p.x), p.link) << p.x;
    playback.Segments().push_back(TickerSegment{7, 400, 100});  // a run whose message has gone
    EXPECT_EQ(engine.LinkAt(550), u"");
    EXPECT_FALSE(lock.HeldHere());

    playback.StartPlayback(RunBy::User);
    Publish(FeedResult::Failure(kNoticeBadFeed));  // a notice opens nothing of its own
    ASSERT_EQ(Segments().size(), 1u);
    EXPECT_EQ(engine.LinkAt(100 + Segments()[0].x + 1), u"");
    playback.StartPlayback(RunBy::User);
    ASSERT_TRUE(Publish(feed));
    playback.Segments() = {TickerSegment{0, 0, 600}};
    EXPECT_EQ(engine.LinkAt(300), u"http://127.0.0.1/story/2");
    engine.StopLine();
    EXPECT_EQ(engine.LinkAt(300), u"") << "nothing on air";
}

}  // namespace
