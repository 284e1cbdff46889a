// A feed's bulletin at the news desk: what goes on air, the notices for
// failures, a producer told to stop, and the links the runs open.
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
    void FeedSource() {
        engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Feed));
        engine.Set(&TickerSettings::Date, 0);
        engine.Set(&TickerSettings::Time, 0);
    }
};

TEST_F(Feed, LatestNewsTwiceShowsNoNewsOnRequestAndTheOldItemsFromTheTimer) {
    services.now = Utc(2011, 11, 8, 0, 0, 0);
    FeedSource();
    engine.Set(&TickerSettings::LatestNews, 1);
    engine.SetList(ContentList::Urls, {"http://127.0.0.1/f", ""});
    Start();
    engine.StartLine();
    const auto feed = Items({{u"07 Nov 2011 10:00:00 GMT", u"a", u""}, {u"07 Nov 2011 11:00:00 GMT", u"b", u""}});
    ASSERT_TRUE(Answer(feed));
    EXPECT_EQ(Shown(), (std::vector<std::u16string>{u"b  ", u"a  "}));
    EXPECT_EQ(S().LastUpdate, StampFromFields({2011, 11, 7, 11, 0, 0}));
    EXPECT_EQ(Runs().size(), 1u);
    engine.StartLine();  // asked for again: nothing new
    Answer(feed);
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Нет новых сообщений"});
    EXPECT_EQ(S().LineOn, 1u);
    engine.StartLine();
    Answer(Items({{u"07 Nov 2011 10:00:00 GMT", u"a", u""}}));  // previous list kept, re-run once
    engine.Set(&TickerSettings::AutoUpdate, 1);
    engine.StopLine();
    services.now += 60;
    std::vector<uint8_t> frame(768 * 576 * 3);
    ProcessFrame(frame.data());  // a timer run: no notice
    ASSERT_TRUE(Answer(feed));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Нет новых сообщений"});  // the previous messages run again
    EXPECT_TRUE(Now().contentReady);
    engine.Set(&TickerSettings::Repeat, 2);
    engine.StopLine();
    services.now += 60;
    ProcessFrame(frame.data());
    Answer(feed);  // nothing new with a counted run: the line stops
    EXPECT_EQ(S().LineOn, 0u);
}

TEST_F(Feed, FailuresBecomeNotices) {
    FeedSource();
    Start();
    engine.StartLine();  // a run the user started: its failures are shown
    Answer(FeedResult::Failure(u"Файл не найден."));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Файл не найден."});
    engine.StartLine();
    Answer(FeedResult::Failure(kNoticeBadFeed));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Ошибка на странице RSS-ленты"});
}

TEST_F(Feed, AStoppingProducerGivesUpInsteadOfWaitingForTheLockAndAnEndedRunTakesNothing) {
    FeedSource();
    Start();
    engine.StartLine();
    std::atomic<bool> result{true};
    StopFlag stop;
    stop.Raise();
    lock.Enter();  // as Stop does when called under the lock
    std::thread worker([&] { result = Answer(Items({{u"", u"x", u""}}), -1, stop); });
    worker.join();
    lock.Leave();
    EXPECT_FALSE(result);
    EXPECT_TRUE(Shown().empty());
    // A bulletin of the run before this one is not wanted.
    const FeedFetch earlier = services.fetches.back();
    engine.StartLine();
    Bulletin late;
    ASSERT_TRUE(BulletinOfFeed(Items({{u"", u"late", u""}}), earlier.feed, earlier.run, StopSignal::Never(), late));
    EXPECT_TRUE(engine.Desk().Offer(late, StopSignal::Never()));
    EXPECT_TRUE(Shown().empty());
    EXPECT_FALSE(Now().contentReady);
}

// Links stay with their messages through the newest-first order, and the
// seam finds the run under a point of the band: its message's link.
TEST_F(Feed, EachMessageKeepsItsLinkAndTheSeamFindsTheRunUnderAPoint) {
    services.now = Utc(2011, 11, 8, 0, 0, 0);
    FeedSource();
    engine.SetList(ContentList::Urls, {"http://127.0.0.1/site", ""});
    engine.Set(&TickerSettings::LinePosX, 400);
    engine.Set(&TickerSettings::LineSize, 600);  // the band's left edge at 100 (reference frame)
    engine.Set(&TickerSettings::Speed, 8);
    Start();
    engine.StartLine();
    FeedResult feed = Items({{u"07 Nov 2011 09:00:00 GMT", u"old", u"", u"javascript:alert(1)"},
                             {u"07 Nov 2011 11:00:00 GMT", u"new", u"", u"../story/2"},
                             {u"07 Nov 2011 10:00:00 GMT", u"mid", u"", u""}});
    feed.channelLink = u"http://site.example/";
    feed.address = u"http://127.0.0.1/rss/feed.xml";  // after a redirect
    ASSERT_TRUE(Answer(feed));
    ASSERT_EQ(Shown(), (std::vector<std::u16string>{u"new  ", u"mid  ", u"old  "}));
    // Runs on the band, the first one's start gone past its left edge.
    std::vector<uint8_t> frame(768 * 576 * 3);
    std::vector<AirView::RunView> runs;
    for (int i = 0; i < 400; ++i) {
        ProcessFrame(frame.data());
        runs = Runs();
        if (runs.size() >= 2 && runs[0].x < 0) break;
    }
    ASSERT_GE(runs.size(), 2u);
    ASSERT_LT(runs[0].x, 0);
    const char16_t* opens[] = {u"http://127.0.0.1/story/2", u"http://site.example/", u"http://site.example/"};
    EXPECT_EQ(engine.LinkAt(100 + runs[0].x - 1), u"") << "left of the first run";
    for (const auto& r : runs) {
        const int32_t left = 100 + r.x, right = left + r.width;
        SCOPED_TRACE(r.index);
        EXPECT_EQ(engine.LinkAt(std::max(left, 100)), opens[r.index]);
        EXPECT_EQ(engine.LinkAt(right - 1), opens[r.index]);
        EXPECT_EQ(engine.LinkAt(right), u"") << "the gap after it";
    }
    EXPECT_EQ(engine.LinkAt(INT32_MIN), u"");
    EXPECT_EQ(engine.LinkAt(INT32_MAX), u"");
    EXPECT_FALSE(lock.HeldHere());

    engine.StartLine();
    Answer(FeedResult::Failure(kNoticeBadFeed));  // a notice opens nothing of its own
    ASSERT_EQ(Runs().size(), 1u);
    EXPECT_EQ(engine.LinkAt(100 + Runs()[0].x + 1), u"");
    engine.StopLine();
    EXPECT_EQ(engine.LinkAt(700), u"") << "nothing on air";
}

}  // namespace
