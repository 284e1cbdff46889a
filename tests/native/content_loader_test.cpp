// The feed reader's publish: what goes on air from a parsed feed, notices
// for failures, and a worker told to stop.
#include <gtest/gtest.h>

#include <thread>

#include "engine_fixture.h"
#include "feed_fixtures.h"

namespace {

struct Feed : ::testing::Test, EngineFixture {
    Zone zone{"UTC"};
    FeedParseResult Items(std::initializer_list<RssItemTexts> items) {
        FeedParseResult r;
        r.items = items;
        return r;
    }
    bool Publish(const FeedParseResult& r) {
        return engine.OnFeedParsed(r, RuntimeTimeZone(), PlainFormatter(), nullptr, nullptr);
    }
    std::vector<std::u16string> Shown() {
        std::vector<std::u16string> out;
        for (int32_t i = 0; i < playback.Messages().Count(); ++i) out.push_back(playback.Messages()[i].displayText.ToU16());
        return out;
    }
};

TEST_F(Feed, LatestNewsTwiceShowsNoNewsOnRequestAndTheOldItemsFromTheTimer) {
    services.now = Utc(2011, 11, 8, 0, 0, 0);
    engine.Set(Setting::StringSource, int32_t(ContentSource::Feed));
    store.live.LatestNews = 1;
    store.live.Date = store.live.Time = 0;
    engine.SetList(ContentList::Urls, {"http://127.0.0.1/f", ""});
    Start();
    playback.StartPlayback(RunBy::User);
    const auto feed = Items({{u"07 Nov 2011 10:00:00 GMT", u"a", u""}, {u"07 Nov 2011 11:00:00 GMT", u"b", u""}});
    ASSERT_TRUE(Publish(feed));
    EXPECT_EQ(Shown(), (std::vector<std::u16string>{u"b  ", u"a  "}));
    EXPECT_EQ(store.live.LastUpdate, StampFromFields({2011, 11, 7, 11, 0, 0}));
    EXPECT_EQ(playback.Segments().Count(), 1);
    playback.StartPlayback(RunBy::User);  // asked for again: nothing new
    Publish(feed);
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Нет новых сообщений"});
    EXPECT_EQ(store.live.LineOn, 1u);
    Publish(Items({{u"07 Nov 2011 10:00:00 GMT", u"a", u""}}));  // previous list kept, re-run once
    playback.StartPlayback(RunBy::Timer);                                       // a timer run: no notice
    ASSERT_TRUE(Publish(feed));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Нет новых сообщений"});  // the previous messages run again
    EXPECT_EQ(playback.State().contentReady, true);
    engine.Set(Setting::Repeat, 2);
    playback.StartPlayback(RunBy::Timer);
    Publish(feed);  // nothing new with a counted run: the line stops
    EXPECT_EQ(store.live.LineOn, 0u);
}

TEST_F(Feed, FailuresBecomeNotices) {
    Start();
    playback.StartPlayback(RunBy::User);  // a run the user started: its failures are shown
    FeedParseResult r;
    r.kind = FeedParseResult::DownloadFailed;
    r.statusText = u"Файл не найден.";
    Publish(r);
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Файл не найден."});
    r.kind = FeedParseResult::BadFeed;
    Publish(r);
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Ошибка на странице RSS-ленты"});
    r.kind = FeedParseResult::NoMsxml;
    Publish(r);
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Библиотека MSXML не найдена"});
}

bool AlwaysStopping(void*) { return true; }

TEST_F(Feed, AStoppingWorkerGivesUpInsteadOfWaitingForTheLock) {
    Start();
    std::atomic<bool> result{true};
    lock.Enter();  // as Stop does when called under the lock
    std::thread worker([&] {
        result = engine.OnFeedParsed(Items({{u"", u"x", u""}}), RuntimeTimeZone(), PlainFormatter(), AlwaysStopping,
                                     nullptr);
    });
    worker.join();
    lock.Leave();
    EXPECT_FALSE(result);
    EXPECT_EQ(playback.Messages().Count(), 0);
}

}  // namespace
