// The newsroom on one line: several feeds in one crawl (merged newest first,
// a headline once, labels, an age limit, each feed's own failures, stamps
// and schedule), the station's announcements between the news, and urgent
// lines at the next gap.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "feed_fixtures.h"
#include "test_files.h"
#include "settings/band_geometry.h"

namespace {

struct Newsroom : ::testing::Test, EngineFixture {
    Zone zone{"UTC"};
    RuntimeTimeZone runtimeZone;
    PlainFormatter formatter;
    std::vector<uint8_t> frame = std::vector<uint8_t>(768 * 576 * 3);

    Newsroom() {
        services.now = Utc(2011, 11, 8, 12, 0, 0);
        engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Feed));
        engine.Set(&TickerSettings::Date, 0);
        engine.Set(&TickerSettings::Time, 0);
        engine.Set(&TickerSettings::Speed, 40);
    }
    void AllFeeds(std::vector<std::string> urls) {
        urls.push_back("");
        engine.SetList(ContentList::Urls, urls);
        engine.Set(&TickerSettings::AllFeeds, 1);
    }
    // Items as (hour of 2011-11-07 UTC, or -1 undated; title).
    FeedResult Items(std::vector<std::pair<int, const char16_t*>> items, const char16_t* channel = u"") {
        std::vector<FeedItemTexts> texts;
        for (const auto& it : items) {
            char date[64] = "";
            if (it.first >= 0) std::snprintf(date, sizeof date, "07 Nov 2011 %02d:00:00 GMT", it.first);
            texts.push_back({std::u16string(date, date + std::strlen(date)), it.second, u""});
        }
        FeedResult r = FeedResult::Read(texts, runtimeZone, formatter);
        r.channelTitle = channel;
        r.address = u"http://127.0.0.1/x/feed.xml";
        return r;
    }
    void Frame() { ProcessFrame(frame.data()); }
    // The texts of the runs that enter the band over `frames` frames.
    std::vector<std::u16string> Entering(int frames) {
        std::vector<std::u16string> seen;
        for (int i = 0; i < frames; ++i) {
            Frame();
            const auto runs = Runs();
            if (!runs.empty() && runs.back().x == S().LineSize) seen.push_back(runs.back().text);
        }
        return seen;
    }
    void ToPassStart() {
        for (int i = 0; i < 2000; ++i) {
            Frame();
            const auto runs = Runs();
            if (runs.size() == 1 && runs[0].x == S().LineSize && runs[0].kind == AirView::Kind::Item &&
                runs[0].index == 0)
                return;
        }
        FAIL() << "no pass began";
    }
};

TEST_F(Newsroom, FeedsMergeNewestFirstAHeadlineOnceFromTheFeedListedFirstWithTheirLabels) {
    AllFeeds({"http://127.0.0.1/a", "", "http://127.0.0.1/b", "http://127.0.0.1/c"});
    engine.Set(&TickerSettings::SourceLabel, 1);
    Start();
    engine.StartLine();
    ASSERT_EQ(services.fetches.size(), 3u) << "the empty entry is no feed";
    for (const FeedFetch& f : services.fetches) {
        EXPECT_TRUE(f.crawl);
        EXPECT_TRUE(f.userRun);
    }
    EXPECT_EQ(services.fetches[1].feed, 2);
    // The second feed answers first: the crawl goes on air with it.
    ASSERT_TRUE(Answer(Items({{9, u"Shared \t Story"}, {11, u"b only"}}, u"Бэ"), 2));
    EXPECT_EQ(Shown(), (std::vector<std::u16string>{u"Бэ  b only  ", u"Бэ  Shared Story  "}));
    // The first one's items join at the pass's end; the story both carry is
    // shown once, as the first feed has it, and a feed without a title is
    // labelled with its host.
    ASSERT_TRUE(Answer(Items({{10, u"shared story"}, {-1, u"undated a"}, {8, u"a old"}}), 0));
    ASSERT_TRUE(Answer(FeedResult::Failure(u"Файл не найден."), 3));
    EXPECT_EQ(Shown().size(), 2u) << "the pass on air is not cut";
    ToPassStart();
    EXPECT_EQ(Shown(), (std::vector<std::u16string>{u"Бэ  b only  ", u"127.0.0.1  shared story  ",
                                                    u"127.0.0.1  a old  ", u"127.0.0.1  undated a  "}));
    const LineStatus status = engine.Status();
    ASSERT_EQ(status.feeds.size(), 3u);
    EXPECT_EQ(status.feeds[0].result, "ok");
    EXPECT_EQ(status.feeds[2].result, "failed");
    EXPECT_EQ(status.feeds[2].notice, u"Файл не найден.");
    EXPECT_EQ(status.items, 4);
}

TEST_F(Newsroom, AFeedThatFailsKeepsItsItemsAndNoticesComeOnlyWhenNoFeedHasAnything) {
    AllFeeds({"http://127.0.0.1/a", "http://127.0.0.1/b"});
    engine.Set(&TickerSettings::AutoUpdate, 1);
    Start();  // a refresh's run: the feeds are read
    engine.StartLine();
    // Both fail: the first one's notice.
    ASSERT_TRUE(Answer(FeedResult::Failure(u"Ошибка при открытии URL."), 0));
    EXPECT_FALSE(Now().contentReady) << "the second has yet to answer";
    ASSERT_TRUE(Answer(FeedResult::Failure(u"Файл не найден."), 1));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Ошибка при открытии URL."});
    // Nothing to show anywhere: no news.
    engine.StartLine();
    ASSERT_TRUE(Answer(Items({}), 0));
    ASSERT_TRUE(Answer(FeedResult::Failure(u"Файл не найден."), 1));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Нет новых сообщений"});
    // One has news: the other's failure is only logged.
    engine.StartLine();
    ASSERT_TRUE(Answer(FeedResult::Failure(u"Файл не найден."), 1));
    ASSERT_TRUE(Answer(Items({{10, u"a news"}}), 0));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"a news  "});
    ASSERT_TRUE(Answer(Items({{9, u"b news"}}), 1));  // a late answer of this run joins at the pass's end
    ToPassStart();
    EXPECT_EQ(Shown(), (std::vector<std::u16string>{u"a news  ", u"b news  "}));
    // Each refreshes on its own a minute after its fetch began; the first
    // now fails and keeps its items on air.
    const size_t fetched = services.fetches.size();
    services.now += 60;
    Frame();
    ASSERT_EQ(services.fetches.size(), fetched + 2);
    EXPECT_FALSE(services.fetches.back().userRun);
    ASSERT_TRUE(Answer(FeedResult::Failure(u"Файл не найден."), 0));
    ASSERT_TRUE(Answer(Items({{11, u"b newer"}}), 1));
    ToPassStart();
    EXPECT_EQ(Shown(), (std::vector<std::u16string>{u"b newer  ", u"a news  "}));
}

TEST_F(Newsroom, EachFeedKeepsItsOwnStampForLatestNewsSavedBesideItsAddress) {
    TempDir dir;
    SettingsLocation where;
    where.fullPath = dir.File("Mivra_Skimrow.ini");
    engine.Init(where);
    engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Feed));
    engine.Set(&TickerSettings::Date, 0);
    engine.Set(&TickerSettings::Time, 0);
    engine.Set(&TickerSettings::Speed, 40);
    AllFeeds({"http://127.0.0.1/a", "http://127.0.0.1/b"});
    engine.Set(&TickerSettings::LatestNews, 1);
    Start();
    engine.StartLine();
    ASSERT_TRUE(Answer(Items({{10, u"a10"}, {8, u"a8"}}), 0));
    ASSERT_TRUE(Answer(Items({{7, u"b7"}}), 1));
    ToPassStart();
    EXPECT_EQ(S().LastUpdate, 0u) << "the single feed's stamp is not the crawl's";
    // Asked again: only what is newer than each feed's own newest.
    engine.StartLine();
    ASSERT_TRUE(Answer(Items({{10, u"a10"}, {9, u"a9"}}), 0));
    ASSERT_TRUE(Answer(Items({{8, u"b8"}, {7, u"b7"}}), 1));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"b8  "});
    engine.Shutdown();
    const std::string saved = ReadBytes(where.fullPath);
    const std::string a = std::to_string(StampFromFields({2011, 11, 7, 10, 0, 0}));
    const std::string b = std::to_string(StampFromFields({2011, 11, 7, 8, 0, 0}));
    EXPECT_NE(saved.find("URL_000=http://127.0.0.1/a\r\nLastUpdate_000=" + a + "\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("URL_001=http://127.0.0.1/b\r\nLastUpdate_001=" + b + "\r\n"), std::string::npos) << saved;
}

TEST_F(Newsroom, AtMostSixtyFourFeedsAreReadEachCappedAndTheSelectedOneStillChosenForOne) {
    std::vector<std::string> urls;
    for (int i = 0; i < 70; ++i) urls.push_back("http://127.0.0.1/" + std::to_string(i));
    AllFeeds(urls);
    engine.Set(&TickerSettings::URLIdx, 5);
    Start();
    engine.StartLine();
    ASSERT_EQ(services.fetches.size(), 64u);
    EXPECT_EQ(services.fetches.back().url, "http://127.0.0.1/63");
    engine.Set(&TickerSettings::AllFeeds, 0);  // a running feed line starts again with one feed
    ASSERT_EQ(services.fetches.size(), 65u);
    EXPECT_EQ(services.fetches.back().url, "http://127.0.0.1/5");
    EXPECT_FALSE(services.fetches.back().crawl);
    EXPECT_EQ(services.callsUnderLock, 0);
}

TEST_F(Newsroom, AnItemOlderThanTheAgeLimitIsLeftOutWhenBuiltAndAtEachPassStart) {
    engine.SetList(ContentList::Urls, {"http://127.0.0.1/a", ""});
    engine.Set(&TickerSettings::MaxAge, 3);  // hours; now is 2011-11-08 12:00
    Start();
    engine.StartLine();
    // 07 Nov 23:00 is 13 hours old, 07 Nov 09:00 is 27.
    ASSERT_TRUE(Answer(Items({{-1, u"undated"}, {9, u"too old"}, {23, u"fresh"}}), 0));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"undated  "});
    engine.Set(&TickerSettings::MaxAge, 14);
    engine.StartLine();
    ASSERT_TRUE(Answer(Items({{-1, u"undated"}, {9, u"too old"}, {23, u"fresh"}}), 0));
    EXPECT_EQ(Shown(), (std::vector<std::u16string>{u"fresh  ", u"undated  "}));
    // Two hours later the list is the same, but a pass shows it no more.
    ToPassStart();
    services.now += 2 * 3600;
    const std::vector<std::u16string> entered = Entering(300);
    ASSERT_GE(entered.size(), 3u);
    for (const std::u16string& t : entered) EXPECT_EQ(t, u"undated  ");
    // Every item too old: the pass says there is no news.
    services.now += 400 * 24 * 3600;
    engine.StartLine();
    ASSERT_TRUE(Answer(Items({{9, u"too old"}, {23, u"fresh"}}), 0));
    EXPECT_EQ(Shown(), std::vector<std::u16string>{u"Нет новых сообщений"});
}

TEST_F(Newsroom, AnnouncementsGoBetweenTheNewsAfterEveryNItemsAcrossPasses) {
    engine.SetList(ContentList::Strings, {"A1", "A2", ""});
    engine.SetList(ContentList::Urls, {"http://127.0.0.1/a", ""});
    engine.Set(&TickerSettings::AnnounceEvery, 2);
    Start();
    engine.StartLine();
    ASSERT_TRUE(Answer(Items({{14, u"i0"}, {13, u"i1"}, {12, u"i2"}, {11, u"i3"}, {10, u"i4"}}), 0));
    std::vector<std::u16string> seen = {Runs()[0].text};
    for (const auto& t : Entering(600)) seen.push_back(t);
    seen.resize(15);
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"i0  ", u"i1  ", u"A1", u"i2  ", u"i3  ", u"A2", u"i4  ", u"i0  ",
                                                 u"A1", u"i1  ", u"i2  ", u"A2", u"i3  ", u"i4  ", u"A1"}));
    // The strings edited while an announcement crosses: it finishes its way
    // as it was, and the next one comes from the new list.
    for (int i = 0; i < 600 && Runs().back().text != u"A2"; ++i) Frame();
    ASSERT_EQ(Runs().back().text, u"A2");
    const int32_t x = Runs().back().x;
    Frame();
    const int32_t step = x - Runs().back().x;
    engine.SetList(ContentList::Strings, {"B1", ""});
    ASSERT_EQ(Runs().back().text, u"A2");
    Frame();
    EXPECT_EQ(Runs().back().text, u"A2");
    EXPECT_EQ(Runs().back().x, x - 2 * step);
    std::vector<std::u16string> after;
    for (const auto& t : Entering(600))
        if (t[0] == u'A' || t[0] == u'B') after.push_back(t);
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ(after[0], u"B1");
    EXPECT_EQ(after[1], u"B1");
    // The strings alone carry no announcements.
    engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Strings));
    engine.Set(&TickerSettings::AnnounceEvery, 1);
    for (const auto& t : Entering(100)) EXPECT_EQ(t, u"B1");
}

// Frames of a running line, each checked for the band.
struct Urgent : Newsroom {
    int framesWithoutBand = 0;
    Urgent() {
        engine.SetList(ContentList::Urls, {"http://127.0.0.1/a", ""});
        engine.Set(&TickerSettings::UrgentRepeat, 2);
        engine.Set(&TickerSettings::BackOpacity, 100);
        engine.Set(&TickerSettings::ShadowOffset, 0);
        Start();
    }
    // The frame's pixel (R, G, B) one row inside the band's top, at `x`.
    std::vector<uint8_t> BoxPixel(int32_t x) {
        const int32_t top = ReferenceBandRect(S()).top + 1;
        const uint8_t* p = &frame[(size_t(575 - top) * 768 + size_t(x)) * 3];
        return {p[2], p[1], p[0]};
    }
    // Frames until the run entering the band is `text`, or `frames` frames.
    bool FramesUntilEntering(const std::u16string& text, int frames = 600) {
        for (int i = 0; i < frames; ++i) {
            DrawFrame();
            const auto runs = Runs();
            if (!runs.empty() && runs.back().x == S().LineSize && runs.back().text == text) return true;
        }
        return false;
    }
    void DrawFrame() {
        std::fill(frame.begin(), frame.end(), uint8_t(0));
        Frame();
        framesWithoutBand += !BandAt(700);
    }
    // Whether the band is in the frame at `x`, a row inside its top.
    bool BandAt(int32_t x) {
        const uint8_t* p = &frame[(size_t(575 - ReferenceBandRect(S()).top - 2) * 768 + size_t(x)) * 3];
        return (p[0] | p[1] | p[2]) != 0;
    }
    UrgentState StateOf(uint32_t id) {
        for (const UrgentStatus& u : engine.Status().urgent)
            if (u.id == id) return u.state;
        return UrgentState(-1);
    }
};

TEST_F(Urgent, AnUrgentLineEntersAtTheNextGapInItsColoursForItsShowingsThenTheCrawlGoesOn) {
    engine.StartLine();
    ASSERT_TRUE(Answer(Items({{14, u"i0"}, {13, u"i1"}, {12, u"i2"}}), 0));
    ASSERT_TRUE(FramesUntilEntering(u"i1  "));
    const uint32_t id = engine.OfferUrgent(u"H&M \"Срочно\" 🔥", 0);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(StateOf(id), UrgentState::Waiting);
    std::vector<std::u16string> seen;
    for (const auto& t : Entering(300)) seen.push_back(t);
    seen.resize(5);
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"H&M \"Срочно\" 🔥", u"H&M \"Срочно\" 🔥", u"i2  ", u"i0  ", u"i1  "}))
        << "after the item then entering, twice, then the item that would have come next";
    EXPECT_EQ(StateOf(id), UrgentState::Done);
    EXPECT_EQ(S().LineOn, 1u);
    EXPECT_EQ(framesWithoutBand, 0);

    // Its box in its own colour behind its run; the band keeps its own.
    engine.OfferUrgent(u"Тревога", 1);
    for (int i = 0; i < 300; ++i) {
        DrawFrame();
        const auto runs = Runs();
        if (runs.size() >= 2 && runs.back().kind == AirView::Kind::Urgent && runs.back().x < 600) break;
    }
    const AirView::RunView u = Runs().back();
    ASSERT_EQ(u.kind, AirView::Kind::Urgent);
    const int32_t left = ReferenceBandRect(S()).left;
    EXPECT_EQ(BoxPixel(left + u.x + 1), (std::vector<uint8_t>{0xC0, 0, 0}));
    EXPECT_EQ(BoxPixel(left + u.x - 2), (std::vector<uint8_t>{0x60, 0x60, 0x60})) << "the gap before it";
    EXPECT_EQ(BoxPixel(left + u.x + u.width + 2), (std::vector<uint8_t>{0x60, 0x60, 0x60})) << "the gap after it";
}

TEST_F(Urgent, ANewerLineReplacesOneStillWaitingAndShowingsDoNotCountAsPasses) {
    engine.Set(&TickerSettings::Repeat, 1);
    engine.StartLine();
    ASSERT_TRUE(Answer(Items({{14, u"i0"}, {13, u"i1"}}), 0));
    const uint32_t first = engine.OfferUrgent(u"first", 0);
    const uint32_t second = engine.OfferUrgent(u"second", 1);
    EXPECT_EQ(StateOf(first), UrgentState::Replaced);
    EXPECT_EQ(StateOf(second), UrgentState::Waiting);
    std::vector<std::u16string> seen;
    for (int i = 0; i < 400 && S().LineOn; ++i) {
        DrawFrame();
        const auto runs = Runs();
        if (!runs.empty() && runs.back().x == S().LineSize) seen.push_back(runs.back().text);
    }
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"second", u"i1  "})) << "one pass, the urgent line inside it";
    EXPECT_EQ(S().LineOn, 0u);
    EXPECT_EQ(framesWithoutBand, 0);
}

TEST_F(Urgent, OnAStoppedLineAnUrgentLineRunsAloneAndTheSettingStaysOff) {
    const uint32_t id = engine.OfferUrgent(u"alone", 0);
    EXPECT_FALSE(engine.Status().running) << "the line is not started for it";
    EXPECT_TRUE(Now().shown);
    EXPECT_EQ(S().LineOn, 0u);
    std::vector<std::u16string> seen;
    int framesWithBand = 0;
    for (int i = 0; i < 300; ++i) {
        std::fill(frame.begin(), frame.end(), uint8_t(0));
        Frame();
        framesWithBand += BandAt(700);
        const auto runs = Runs();
        if (!runs.empty() && runs.back().x == S().LineSize) seen.push_back(runs.back().text);
    }
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"alone", u"alone"}));
    EXPECT_EQ(StateOf(id), UrgentState::Done);
    EXPECT_FALSE(Now().shown) << "off again after its showings";
    EXPECT_GT(framesWithBand, 10);
    EXPECT_LT(framesWithBand, 300);
    EXPECT_EQ(S().LineOn, 0u);
    EXPECT_TRUE(services.downloads.empty()) << "no feed is read for it";
}

}  // namespace
