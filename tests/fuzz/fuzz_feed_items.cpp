// Arbitrary item texts (dates, titles, markup, long fields) of two feeds
// through the article builder and the crawl: no crash, every article that
// shows something is on air once unless its headline came before, and the
// crawl is newest first with the undated last, each feed in its order.
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "feed/crawl.h"
#include "fuzz_input.h"

namespace {

struct PlainFormatter final : DateFormatter {
    std::u16string Format(const char* format, const CalendarFields& f, int32_t) const override {
        std::u16string s;
        for (const char* p = format; *p; ++p) s.push_back(char16_t(*p));
        return s + char16_t(u'0' + f.day % 10);
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "UTC", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    static const RuntimeTimeZone zone;
    static const PlainFormatter formatter;
    CrawlOptions o;
    const uint8_t flags = in.Byte();
    o.display.date = flags & 1, o.display.time = flags & 2, o.display.title = flags & 4,
    o.display.description = flags & 8, o.sourceLabel = flags & 16;
    const bool latestNews = flags & 32;
    const uint64_t lastUpdate = uint64_t(in.U32()) << 24;
    const uint64_t now = (uint64_t(in.U32()) << 28) | in.U32();
    FeedArticles feeds[2];
    for (int f = 0; f < 2; ++f) {
        MessageList arrived;
        TickerMessage work;
        for (int k = 0; k < 12 && !in.Done(); ++k) {
            FeedItemTexts item;
            const std::string date = in.Bytes(48);
            item.pubDate.assign(date.begin(), date.end());
            item.title = in.Text(300);
            item.description = in.Text(2000);
            ArticleOfItem(item, zone, formatter, work);
            work.link = std::u16string(1, char16_t(1 + f * 100 + k));  // the arrival, for the checks below
            arrived.Add(work);
        }
        if (!TakeArticles(arrived, now, latestNews, lastUpdate, o.display, SystemCaseFolder(), StopSignal::Never(),
                          feeds[f]))
            std::abort();
        feeds[f].label = in.Text(40);
        for (int32_t i = 0; i < feeds[f].articles.Count(); ++i)
            if (!TakesArticle(feeds[f].articles[i].stamp, now, latestNews, lastUpdate)) std::abort();
    }
    MessageList crawl;
    if (!BuildCrawl({&feeds[0], &feeds[1]}, o, StopSignal::Never(), crawl)) std::abort();
    std::set<std::u16string> headlines;
    std::set<char16_t> arrivals;
    for (int32_t i = 0; i < crawl.Count(); ++i) {
        const TickerMessage& m = crawl[i];
        const std::u16string key = HeadlineKey(m, SystemCaseFolder());
        if (!key.empty() && !headlines.insert(key).second) std::abort();  // a headline once
        if (m.link.size() != 1 || !arrivals.insert(m.link[0]).second) std::abort();  // every article once
        if (i == 0) continue;
        const TickerMessage& before = crawl[i - 1];
        if (before.stamp < m.stamp) std::abort();
        if (before.stamp == m.stamp && before.link[0] > m.link[0]) std::abort();  // list, then document order
    }
    return 0;
}
