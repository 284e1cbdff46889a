#include "feed/crawl.h"

#include <algorithm>
#include <unordered_set>

#include "feed/feed_text.h"

std::u16string HeadlineKey(const TickerMessage& article, const CaseFolder& fold) {
    const std::u16string& text = article.titleText.IsEmpty() ? article.descriptionText.Str() : article.titleText.Str();
    std::u16string key;
    key.reserve(text.size());
    bool blank = false;
    for (char16_t c : text) {
        if (IsFeedSpace(c)) {
            blank = !key.empty();
            continue;
        }
        if (blank) key.push_back(u' ');
        blank = false;
        key.push_back(c);
    }
    fold.Lower(key);
    return key;
}

bool TakeArticles(MessageList& incoming, uint64_t nowStamp, bool latestNews, uint64_t lastUpdate,
                  const DisplayOptions& display, const CaseFolder& fold, const StopSignal& stop, FeedArticles& out) {
    out.articles.RemoveAll();
    out.headlines.clear();
    out.newest = 0;
    out.articles.Reserve(incoming.Count());
    for (int32_t i = 0; i < incoming.Count(); ++i) {
        if (stop.Requested()) return false;
        TickerMessage& a = incoming[i];
        if (!TakesArticle(a.stamp, nowStamp, latestNews, lastUpdate) || !ComposeArticle(display, nullptr, a)) continue;
        a.displayText.Clear();
        out.newest = std::max(out.newest, a.stamp);
        out.headlines.push_back(HeadlineKey(a, fold));
        out.articles.Add(std::move(a));
    }
    return !stop.Requested();
}

bool BuildCrawl(const std::vector<const FeedArticles*>& feeds, const CrawlOptions& o, const StopSignal& stop,
                MessageList& out) {
    struct Entry {
        const TickerMessage* article;
        const std::u16string* label;
    };
    std::vector<Entry> kept;
    std::unordered_set<std::u16string> seen;
    size_t total = 0;
    for (const FeedArticles* f : feeds)
        if (f) total += size_t(f->articles.Count());
    kept.reserve(total);
    seen.reserve(total);
    for (const FeedArticles* f : feeds) {
        if (!f) continue;
        for (int32_t i = 0; i < f->articles.Count(); ++i) {
            if (stop.Requested()) return false;
            const TickerMessage& a = f->articles[i];
            if (o.oldest != 0 && a.stamp != 0 && a.stamp < o.oldest) continue;
            const std::u16string& headline = f->headlines[size_t(i)];
            if (!headline.empty() && !seen.insert(headline).second) continue;
            kept.push_back({&a, &f->label});
        }
    }
    // Stable: equal stamps keep list and document order, and the undated (0) come last.
    std::stable_sort(kept.begin(), kept.end(),
                     [](const Entry& a, const Entry& b) { return a.article->stamp > b.article->stamp; });
    out.RemoveAll();
    out.Reserve(int32_t(kept.size()));
    TickerMessage work;
    for (const Entry& e : kept) {
        if (stop.Requested()) return false;
        work = *e.article;
        if (ComposeArticle(o.display, o.sourceLabel ? e.label : nullptr, work)) out.Add(work);
    }
    return !stop.Requested();
}
