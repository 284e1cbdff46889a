// Feed items to articles and messages: stamps, the flags' texts, cleaning,
// the filter, and the crawl's newest-first order.
#include <gtest/gtest.h>

#include <vector>

#include "feed_fixtures.h"
#include "feed/crawl.h"
#include "feed/feed_items.h"
#include "text/unicode_text.h"

namespace {

struct Options : DisplayOptions {
    bool latestNews = false;
    uint64_t lastUpdate = 0;
};

// The item's message as the feed source and the desk build it, in the test's time zone.
bool Build(const FeedItemTexts& item, const Options& o, uint64_t now, TickerMessage& m) {
    ArticleOfItem(item, RuntimeTimeZone(), PlainFormatter(), m);
    return TakesArticle(m.stamp, now, o.latestNews, o.lastUpdate) && ComposeArticle(o, nullptr, m);
}

// The crawl of one feed whose articles are `built`.
void Crawl(MessageList& built, MessageList& out) {
    FeedArticles feed;
    ASSERT_TRUE(TakeArticles(built, ~uint64_t(0), false, 0, DisplayOptions(), SystemCaseFolder(), StopSignal::Never(),
                             feed));
    ASSERT_TRUE(BuildCrawl({&feed}, CrawlOptions(), StopSignal::Never(), out));
}

TEST(FeedItems, StampsAreLocalWallClockFiletimes) {
    EXPECT_EQ(StampFromFields({1970, 1, 1, 0, 0, 0}), 116444736000000000ull);
    EXPECT_EQ(StampFromFields({1601, 1, 1, 0, 0, 1}), 10000000ull);
    EXPECT_EQ(StampFromFields({2000, 3, 1, 0, 0, 0}) - StampFromFields({2000, 2, 28, 0, 0, 0}), 2ull * 86400 * 10000000);
}

TEST(FeedItems, DisplayTextFollowsTheFlags) {
    Zone z("UTC");
    FeedItemTexts item{u"Mon, 07 Nov 2011 10:30:00 GMT", u"Title", u"<p>Hello <b>world</b></p>"};
    Options o;
    TickerMessage m;
    const uint64_t now = StampFromFields({2020, 1, 1, 0, 0, 0});
    ASSERT_TRUE(Build(item, o, now, m));
    EXPECT_EQ(m.displayText.ToU16(), u"07 11 2011 г.  10:30  Title  ");
    o.date = o.time = o.title = false;
    o.description = true;
    ASSERT_TRUE(Build(item, o, now, m));
    EXPECT_EQ(m.displayText.ToU16(), u"Hello world");
    item.description.clear();
    ASSERT_TRUE(Build(item, o, now, m));
    EXPECT_EQ(m.displayText.ToU16(), u"Title");
    o.title = true;
    ASSERT_TRUE(Build(item, o, now, m));
    EXPECT_EQ(m.displayText.ToU16(), u"Title  ");
}

TEST(FeedItems, TextsOnAirAreCleanedAndAnUntitledItemShowsItsDescription) {
    Zone z("UTC");
    const uint64_t now = StampFromFields({2030, 1, 1, 0, 0, 0});
    FeedItemTexts item{u"2026-12-08T10:15:00+03:00", u" &#x0024;4300 <sup>2</sup>\n", u"<p>Hello&nbsp; <b>world</b></p>"};
    Options o;
    o.date = o.time = false;
    TickerMessage m;
    ASSERT_TRUE(Build(item, o, now, m));
    EXPECT_EQ(m.stamp, StampFromFields({2026, 12, 8, 7, 15, 0}));
    EXPECT_EQ(m.displayText.ToU16(), u"$4300 2  ");
    EXPECT_EQ(m.descriptionText.ToU16(), u"Hello world");
    // no title: Title on, Description off shows the description in its place
    item.title = u" <b></b> ";
    ASSERT_TRUE(Build(item, o, now, m));
    EXPECT_EQ(m.displayText.ToU16(), u"Hello world  ");
    o.date = true;
    ASSERT_TRUE(Build(item, o, now, m));
    EXPECT_EQ(m.displayText.ToU16(), u"08 12 2026 г.  Hello world  ");
    // with descriptions on, the description shows once, after the title's place
    o.date = false;
    o.description = true;
    ASSERT_TRUE(Build(item, o, now, m));
    EXPECT_EQ(m.displayText.ToU16(), u"  Hello world");
    // nothing at all to show: no gap on air
    item.description = u"<p> </p>";
    EXPECT_FALSE(Build(item, o, now, m));
    o.time = true;
    EXPECT_TRUE(Build(item, o, now, m));
    EXPECT_EQ(m.displayText.ToU16(), u"07:15    ");
}

TEST(FeedItems, FilterAndOrder) {
    Zone z("UTC");
    const uint64_t now = StampFromFields({2011, 11, 7, 13, 0, 0});
    Options o;
    o.date = o.time = false;
    MessageList built, list;
    TickerMessage m;
    const FeedItemTexts items[] = {{u"07 Nov 2011 10:00:00 GMT", u"ten", u""},
                                  {u"", u"undated-a", u""},
                                  {u"07 Nov 2011 12:00:00 GMT", u"twelve", u""},
                                  {u"07 Nov 2011 14:00:00 GMT", u"future", u""},
                                  {u"07 Nov 2011 11:00:00 GMT", u"eleven", u""},
                                  {u"garbage", u"undated-b", u""},
                                  {u"07 Nov 2011 12:00:00 GMT", u"twelve-again", u""}};
    for (const auto& item : items)
        if (Build(item, o, now, m)) built.Add(m);
    Crawl(built, list);
    std::vector<std::u16string> titles;
    for (int32_t i = 0; i < list.Count(); ++i) titles.push_back(list[i].titleText.ToU16());
    EXPECT_EQ(titles, (std::vector<std::u16string>{u"twelve", u"twelve-again", u"eleven", u"ten", u"undated-a",
                                                   u"undated-b"}));
    o.latestNews = true;
    o.lastUpdate = StampFromFields({2011, 11, 7, 11, 0, 0});
    EXPECT_FALSE(Build(items[4], o, now, m));
    EXPECT_TRUE(Build(items[2], o, now, m));
    EXPECT_TRUE(Build(items[1], o, now, m));   // undated: always
    EXPECT_FALSE(Build(items[3], o, now, m));  // future: never
}

TEST(FeedItems, NewestFirstOrderIsThePositionRuleWhateverTheArrivalOrder) {
    // The rule: insert before the first message with a smaller stamp.
    std::srand(7);
    for (int round = 0; round < 40; ++round) {
        MessageList arrived;
        std::vector<std::pair<uint64_t, int>> model;  // stamp, arrival
        const int n = 1 + std::rand() % 300;
        const bool newestFirst = round % 2 == 0;  // as most feeds come
        for (int k = 0; k < n; ++k) {
            TickerMessage m;
            m.stamp = std::rand() % 5 == 0 ? 0 : uint64_t(newestFirst ? 100000 - k * 3 - std::rand() % 4 : std::rand() % 50);
            m.titleText = std::u16string(1, char16_t(u'A' + k % 26)) + std::u16string(size_t(k / 26), u'+');
            size_t at = 0;
            while (at < model.size() && model[at].first >= m.stamp) ++at;
            model.insert(model.begin() + long(at), {m.stamp, k});
            arrived.Add(m);
        }
        // The crawl orders the whole list at once, to the same order.
        MessageList ordered;
        Crawl(arrived, ordered);
        ASSERT_EQ(ordered.Count(), int32_t(model.size()));
        for (int32_t k = 0; k < ordered.Count(); ++k) {
            ASSERT_EQ(ordered[k].stamp, model[size_t(k)].first) << "round " << round << " at " << k;
            const int arrival = model[size_t(k)].second;
            ASSERT_EQ(ordered[k].titleText.ToU16(),
                      std::u16string(1, char16_t(u'A' + arrival % 26)) + std::u16string(size_t(arrival / 26), u'+'));
        }
    }
}

}  // namespace
