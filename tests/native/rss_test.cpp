// RFC 822 dates, RSS items to messages, and the feed reader's publish.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <thread>

#include "engine_fixture.h"
#include "sources/feed_date.h"
#include "sources/rfc822_date.h"
#include "sources/unicode_text.h"
#include "sources/rss_items.h"

namespace {

// Runs a block with the C runtime in the given zone.
struct Zone {
    explicit Zone(const char* tz) {
        setenv("TZ", tz, 1);
        tzset();
    }
    ~Zone() {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};

int64_t Utc(int y, int mo, int d, int h, int mi, int s) {
    std::tm t = {};
    t.tm_year = y - 1900, t.tm_mon = mo - 1, t.tm_mday = d, t.tm_hour = h, t.tm_min = mi, t.tm_sec = s;
    return int64_t(timegm(&t));
}

bool Parse(const char* text, int64_t* out) { return ParseRfc822Date(text, out); }

TEST(Rfc822, ZonesNamedAndNumeric) {
    Zone z("UTC");
    int64_t v = 0;
    ASSERT_TRUE(Parse("Mon, 07 Nov 2011 10:30:00 GMT", &v));
    EXPECT_EQ(v, Utc(2011, 11, 7, 10, 30, 0));
    ASSERT_TRUE(Parse("07 Nov 2011 10:30 +0300", &v));
    EXPECT_EQ(v, Utc(2011, 11, 7, 7, 30, 0));
    ASSERT_TRUE(Parse("Mon, 07 Nov 2011 10:30:00 -0530", &v));
    EXPECT_EQ(v, Utc(2011, 11, 7, 16, 0, 0));
    const struct {
        const char* zone;
        int hour, minute;
    } named[] = {{"EST", 15, 30}, {"PDT", 17, 30}, {"A", 11, 30}, {"N", 9, 30}, {"Z", 10, 30},
                 {"MSK", 7, 30},  {"J", 10, 30},   {"ut", 10, 30}, {"m", 22, 30}, {"Y", 22 - 24 + 0, 30}};
    for (const auto& n : named) {
        const std::string text = std::string("Mon, 07 Nov 2011 10:30:00 ") + n.zone;
        ASSERT_TRUE(Parse(text.c_str(), &v)) << n.zone;
        const int64_t expected = std::string(n.zone) == "Y" ? Utc(2011, 11, 6, 22, 30, 0) : Utc(2011, 11, 7, n.hour, n.minute, 0);
        EXPECT_EQ(v, expected) << n.zone;
    }
    ASSERT_TRUE(Parse("mon, 07 NOV 2011 10:30:00 gmt", &v));
    EXPECT_EQ(v, Utc(2011, 11, 7, 10, 30, 0));
    ASSERT_TRUE(Parse("Tue, 08 Nov 2011 01:00:00 ++03:00", &v));  // doubled sign with a colon
    EXPECT_EQ(v, Utc(2011, 11, 7, 22, 0, 0));
    ASSERT_TRUE(Parse("  Tue,   8 Nov 2011  1:5:9   --01:30  ", &v));
    EXPECT_EQ(v, Utc(2011, 11, 8, 2, 35, 9));
    ASSERT_TRUE(Parse("Tue, 8 Nov 2011 1:5:9 --0130", &v));  // without the colon a digit is lost: -01 and -0
    EXPECT_EQ(v, Utc(2011, 11, 8, 2, 5, 9));
}

TEST(Rfc822, MissingSeparatorsFail) {
    Zone z("UTC");
    int64_t v = 12345;
    EXPECT_FALSE(Parse("Mon, 07 Nov 2011 10:30:00", &v));  // no zone
    EXPECT_FALSE(Parse("Mon, 07 Nov 2011 10", &v));
    EXPECT_FALSE(Parse("Mon, 07", &v));
    EXPECT_FALSE(Parse("", &v));
    EXPECT_FALSE(Parse("Mon, 07 Nov 2011 10:30", &v));
    EXPECT_EQ(v, 12345);
}

TEST(Rfc822, ShortZoneTextsStayInRange) {
    Zone z("UTC");
    int64_t v = 0;
    for (const char* zone : {"+", "++", "--", "-", "+1", "++1", "--12", "+123"}) {
        const std::string text = std::string("07 Nov 2011 10:30:00 ") + zone;
        EXPECT_TRUE(Parse(text.c_str(), &v)) << zone;
    }
    ASSERT_TRUE(Parse("07 Nov 2011 10:30:00 +1", &v));
    EXPECT_EQ(v, Utc(2011, 11, 7, 9, 30, 0));
}

TEST(Rfc822, OddFieldsReadAsNumbersAndOldDatesAreUndated) {
    Zone z("UTC");
    int64_t v = 0;
    ASSERT_TRUE(Parse("07 Foo 2011 10:30:00 GMT", &v));  // month 0 rolls back to December
    EXPECT_EQ(v, Utc(2010, 12, 7, 10, 30, 0));
    ASSERT_TRUE(Parse("07 Nov 11 10:30:00 GMT", &v));  // a two-digit year is below 1900: 0
    EXPECT_EQ(v, 0);
    EXPECT_FALSE(Parse("07 Nov 11 10:30:00 +0100", &v));  // before 1970: undated
    EXPECT_FALSE(Parse("07 Nov 1960 10:30:00 GMT", &v));
    ASSERT_TRUE(Parse("01 Jan 2100 00:00:00 GMT", &v));  // no year-2038 limit
    EXPECT_EQ(v, Utc(2100, 1, 1, 0, 0, 0));
}

TEST(Rfc822, TheSystemsZoneAndDaylightSavingNeverShiftTheMoment) {
    Zone z("MSK-3");  // three hours east, no daylight saving
    int64_t v = 0;
    ASSERT_TRUE(Parse("Mon, 07 Nov 2011 10:30:00 GMT", &v));
    EXPECT_EQ(v, Utc(2011, 11, 7, 10, 30, 0));
    Zone ny("EST5EDT");
    ASSERT_TRUE(Parse("Mon, 07 Nov 2011 10:30:00 GMT", &v));  // standard time there
    EXPECT_EQ(v, Utc(2011, 11, 7, 10, 30, 0));
    ASSERT_TRUE(Parse("Thu, 07 Jul 2011 10:30:00 GMT", &v));  // daylight saving there
    EXPECT_EQ(v, Utc(2011, 7, 7, 10, 30, 0));
    Zone berlin("CET-1CEST,M3.5.0,M10.5.0/3");
    ASSERT_TRUE(Parse("Thu, 07 Jul 2011 12:30:00 +0200", &v));
    EXPECT_EQ(v, Utc(2011, 7, 7, 10, 30, 0));
}

struct DateCase {
    const char16_t* text;
    bool parses;
    int64_t utc;
};

void ExpectDates(const std::vector<DateCase>& cases) {
    for (const DateCase& c : cases) {
        int64_t v = -1;
        const std::string shown = ToUtf8(c.text, std::char_traits<char16_t>::length(c.text));
        EXPECT_EQ(ParseFeedDate(c.text, &v), c.parses) << shown;
        if (c.parses) {
            EXPECT_EQ(v, c.utc) << shown;
        } else {
            EXPECT_EQ(v, -1) << shown;
        }
    }
}

TEST(FeedDates, Iso8601AndRfc3339) {
    Zone z("EST5EDT");  // the system's zone plays no part
    const int64_t t = Utc(2026, 12, 8, 7, 15, 0);
    ExpectDates({
        {u"2026-12-08T10:15:00+03:00", true, t},
        {u"2026-12-08T07:15:00Z", true, t},
        {u"2026-12-08t07:15:00z", true, t},
        {u"2026-12-08T07:15:00.123456Z", true, t},
        {u"2026-12-08T07:15:00,5Z", true, t},
        {u"2026-12-08T07:15Z", true, t},
        {u"2026-12-08T02:15:00-05:00", true, t},
        {u"2026-12-08T10:15:00+0300", true, t},
        {u"2026-12-08T10:15+03", true, t},
        {u"2026-12-08 07:15:00", true, t},  // no zone: UTC
        {u"  2026-12-08T07:15:00 UTC ", true, t},
        {u"2026-12-08", true, Utc(2026, 12, 8, 0, 0, 0)},
        {u"2005-5-28 16:05:36", true, Utc(2005, 5, 28, 16, 5, 36)},
        {u"2005-05-25T9:51:45+08:00", true, Utc(2005, 5, 25, 1, 51, 45)},
        {u"2024-02-29T00:00:00Z", true, Utc(2024, 2, 29, 0, 0, 0)},
        {u"2026-12-31T24:00:00Z", true, Utc(2027, 1, 1, 0, 0, 0)},
        {u"2023-02-29T00:00:00Z", false, 0},
        {u"2026-13-08T07:15:00Z", false, 0},
        {u"2026-12-32", false, 0},
        {u"2026-12-08T25:00:00Z", false, 0},
        {u"2026-12-08T07:60:00Z", false, 0},
        {u"2026-12-08T07:15:00+25:00", false, 0},
        {u"2026-12-08T07:15:00 MSK", false, 0},
        {u"2026-12-08T07:15:00Zjunk", false, 0},
        {u"2026-12", false, 0},
        {u"1969-12-31T23:59:59Z", false, 0},
        {u"20261208T071500Z", false, 0},
    });
}

TEST(FeedDates, Rfc822AsRealFeedsWriteIt) {
    Zone z("UTC");
    const int64_t t = Utc(2011, 11, 7, 7, 30, 0);
    ExpectDates({
        {u"Monday, 07 November 2011 10:30:00 +0300", true, t},
        {u"Mon 07 Nov 2011 07:30:00 GMT", true, t},
        {u"7 Nov 2011 7:30 GMT", true, t},
        {u"Mon, 07 Nov 2011 10:30:00 MSK", true, t},
        {u"Mon, 07 Nov 2011 07:30:00 UTC", true, t},
        {u"Mon, 07 Nov 2011 10:30:00 GMT+3", true, t},
        {u"Mon, 07 Nov 2011 10:30:00 GMT+03:00", true, t},
        {u"Mon, 07 Nov 2011 04:30:00 UTC-0300", true, t},
        {u"Mon, 07 Nov 2011 13:00:00 +05:30", true, t},
        {u"Mon, 07 Nov 2011 08:30:00 CET", true, t},
        {u"Seg, 07 Nov 2011 04:30:00 -0300", true, t},
        {u"Seg, 24 Set 2018 19:42:40 -0300", true, Utc(2018, 9, 24, 22, 42, 40)},
        {u"Qui, 04 Out 2018 10:00:00 -0300", true, Utc(2018, 10, 4, 13, 0, 0)},
        {u"mer, 16 nov 2022 00:38:15 +0100", true, Utc(2022, 11, 15, 23, 38, 15)},
        {u"lun, 03 gen 2022 10:00:00 +0100", true, Utc(2022, 1, 3, 9, 0, 0)},
        {u"Mo, 07 Mär 2011 10:30:00 +0100", true, Utc(2011, 3, 7, 9, 30, 0)},
        {u"lun., 7 févr. 2011 10:30:00 +0100", true, Utc(2011, 2, 7, 9, 30, 0)},
        {u"7 Dez 2011 10:30:00 GMT", true, Utc(2011, 12, 7, 10, 30, 0)},
        {u"Пн, 07 ноября 2011 10:30:00 +0300", true, t},
        {u"07 Мая 2011 10:30:00 +0300", true, Utc(2011, 5, 7, 7, 30, 0)},
        {u"Tue, 3 Jan 2006 19:57:00 +0300", true, Utc(2006, 1, 3, 16, 57, 0)},
        {u"Mon, 07 Nov 2011 10:30:00", false, 0},  // still no zone, still undated
    });
}

struct PlainFormatter : DateFormatter {
    std::u16string Format(const char* format, const CalendarFields& f, int32_t) const override {
        char buf[64];
        if (std::string(format) == "%H:%M") std::snprintf(buf, sizeof buf, "%02d:%02d", f.hour, f.minute);
        else std::snprintf(buf, sizeof buf, "%02d %02d %04d", f.day, f.month, f.year);
        std::u16string out;
        for (const char* p = buf; *p; ++p) out.push_back(char16_t(*p));
        return out;
    }
};

TEST(RssItems, StampsAreLocalWallClockFiletimes) {
    EXPECT_EQ(StampFromFields({1970, 1, 1, 0, 0, 0}), 116444736000000000ull);
    EXPECT_EQ(StampFromFields({1601, 1, 1, 0, 0, 1}), 10000000ull);
    EXPECT_EQ(StampFromFields({2000, 3, 1, 0, 0, 0}) - StampFromFields({2000, 2, 28, 0, 0, 0}), 2ull * 86400 * 10000000);
}

TEST(RssItems, DisplayTextFollowsTheFlags) {
    Zone z("UTC");
    RssItemTexts item{u"Mon, 07 Nov 2011 10:30:00 GMT", u"Title", u"<p>Hello <b>world</b></p>"};
    RssOptions o;
    TickerMessage m;
    const uint64_t now = StampFromFields({2020, 1, 1, 0, 0, 0});
    ASSERT_TRUE(BuildRssMessage(item, o, now, RuntimeTimeZone(), PlainFormatter(), m));
    EXPECT_EQ(m.displayText.ToU16(), u"07 11 2011 г.  10:30  Title  ");
    o.date = o.time = o.title = false;
    o.description = true;
    ASSERT_TRUE(BuildRssMessage(item, o, now, RuntimeTimeZone(), PlainFormatter(), m));
    EXPECT_EQ(m.displayText.ToU16(), u"Hello world");
    item.description.clear();
    ASSERT_TRUE(BuildRssMessage(item, o, now, RuntimeTimeZone(), PlainFormatter(), m));
    EXPECT_EQ(m.displayText.ToU16(), u"Title");
    o.title = true;
    ASSERT_TRUE(BuildRssMessage(item, o, now, RuntimeTimeZone(), PlainFormatter(), m));
    EXPECT_EQ(m.displayText.ToU16(), u"Title  ");
}

TEST(RssItems, TextsOnAirAreCleanedAndAnUntitledItemShowsItsDescription) {
    Zone z("UTC");
    const uint64_t now = StampFromFields({2030, 1, 1, 0, 0, 0});
    RssItemTexts item{u"2026-12-08T10:15:00+03:00", u" &#x0024;4300 <sup>2</sup>\n", u"<p>Hello&nbsp; <b>world</b></p>"};
    RssOptions o;
    o.date = o.time = false;
    TickerMessage m;
    ASSERT_TRUE(BuildRssMessage(item, o, now, RuntimeTimeZone(), PlainFormatter(), m));
    EXPECT_EQ(m.stamp, StampFromFields({2026, 12, 8, 7, 15, 0}));
    EXPECT_EQ(m.displayText.ToU16(), u"$4300 2  ");
    EXPECT_EQ(m.descriptionText.ToU16(), u"Hello world");
    // no title: Title on, Description off shows the description in its place
    item.title = u" <b></b> ";
    ASSERT_TRUE(BuildRssMessage(item, o, now, RuntimeTimeZone(), PlainFormatter(), m));
    EXPECT_EQ(m.displayText.ToU16(), u"Hello world  ");
    o.date = true;
    ASSERT_TRUE(BuildRssMessage(item, o, now, RuntimeTimeZone(), PlainFormatter(), m));
    EXPECT_EQ(m.displayText.ToU16(), u"08 12 2026 г.  Hello world  ");
    // with descriptions on, the description shows once, after the title's place
    o.date = false;
    o.description = true;
    ASSERT_TRUE(BuildRssMessage(item, o, now, RuntimeTimeZone(), PlainFormatter(), m));
    EXPECT_EQ(m.displayText.ToU16(), u"  Hello world");
    // nothing at all to show: no gap on air
    item.description = u"<p> </p>";
    EXPECT_FALSE(BuildRssMessage(item, o, now, RuntimeTimeZone(), PlainFormatter(), m));
    o.time = true;
    EXPECT_TRUE(BuildRssMessage(item, o, now, RuntimeTimeZone(), PlainFormatter(), m));
    EXPECT_EQ(m.displayText.ToU16(), u"07:15    ");
}

TEST(RssItems, FilterAndOrder) {
    Zone z("UTC");
    const uint64_t now = StampFromFields({2011, 11, 7, 13, 0, 0});
    RssOptions o;
    o.date = o.time = false;
    MessageList list;
    TickerMessage m;
    const RssItemTexts items[] = {{u"07 Nov 2011 10:00:00 GMT", u"ten", u""},
                                  {u"", u"undated-a", u""},
                                  {u"07 Nov 2011 12:00:00 GMT", u"twelve", u""},
                                  {u"07 Nov 2011 14:00:00 GMT", u"future", u""},
                                  {u"07 Nov 2011 11:00:00 GMT", u"eleven", u""},
                                  {u"garbage", u"undated-b", u""},
                                  {u"07 Nov 2011 12:00:00 GMT", u"twelve-again", u""}};
    for (const auto& item : items)
        if (BuildRssMessage(item, o, now, RuntimeTimeZone(), PlainFormatter(), m)) InsertNewestFirst(list, m);
    std::vector<std::u16string> titles;
    for (int32_t i = 0; i < list.Count(); ++i) titles.push_back(list[i].titleText.ToU16());
    EXPECT_EQ(titles, (std::vector<std::u16string>{u"twelve", u"twelve-again", u"eleven", u"ten", u"undated-a",
                                                   u"undated-b"}));
    o.latestNews = true;
    o.lastUpdate = StampFromFields({2011, 11, 7, 11, 0, 0});
    EXPECT_FALSE(BuildRssMessage(items[4], o, now, RuntimeTimeZone(), PlainFormatter(), m));
    EXPECT_TRUE(BuildRssMessage(items[2], o, now, RuntimeTimeZone(), PlainFormatter(), m));
    EXPECT_TRUE(BuildRssMessage(items[1], o, now, RuntimeTimeZone(), PlainFormatter(), m));   // undated: always
    EXPECT_FALSE(BuildRssMessage(items[3], o, now, RuntimeTimeZone(), PlainFormatter(), m));  // future: never
}

TEST(RssItems, NewestFirstOrderIsThePositionRuleWhateverTheArrivalOrder) {
    // The rule: insert before the first message with a smaller stamp.
    std::srand(7);
    for (int round = 0; round < 40; ++round) {
        MessageList list, arrived;
        std::vector<std::pair<uint64_t, int>> model;  // stamp, arrival
        const int n = 1 + std::rand() % 300;
        const bool newestFirst = round % 2 == 0;  // as most feeds come
        for (int k = 0; k < n; ++k) {
            TickerMessage m;
            m.stamp = std::rand() % 5 == 0 ? 0 : uint64_t(newestFirst ? 100000 - k * 3 - std::rand() % 4 : std::rand() % 50);
            m.displayText = std::u16string(1, char16_t(u'A' + k % 26)).c_str();
            size_t at = 0;
            while (at < model.size() && model[at].first >= m.stamp) ++at;
            model.insert(model.begin() + long(at), {m.stamp, k});
            InsertNewestFirst(list, m);
            arrived.Add(m);
        }
        // The feed reader orders the whole list at once, to the same order.
        MessageList ordered;
        OrderNewestFirst(arrived, ordered);
        for (const MessageList* l : {&list, &ordered}) {
            ASSERT_EQ(l->Count(), int32_t(model.size()));
            for (int32_t k = 0; k < l->Count(); ++k) {
                ASSERT_EQ((*l)[k].stamp, model[size_t(k)].first) << "round " << round << " at " << k;
                ASSERT_EQ((*l)[k].displayText.ToU16(), std::u16string(1, char16_t(u'A' + model[size_t(k)].second % 26)));
            }
        }
    }
}

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
