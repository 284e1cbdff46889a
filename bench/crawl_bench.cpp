// Building the crawl, as the desk does off the video thread whenever a feed
// brings news: the articles composed, a headline once, newest first. One
// feed of 10k to 200k items in no particular order, and 64 feeds of 500.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "feed/crawl.h"

namespace {

void Fill(FeedArticles& feed, int64_t n, int64_t seed) {
    MessageList built;
    TickerMessage m;
    for (int64_t k = 0; k < n; ++k) {
        m.stamp = uint64_t(((k + seed) * 2654435761u) % 1000003u) * 10000000u;
        const std::string title = "Headline " + std::to_string(seed) + "-" + std::to_string(k);
        m.titleText = std::u16string(title.begin(), title.end());
        built.Add(m);
    }
    TakeArticles(built, ~uint64_t(0), false, 0, DisplayOptions(), SystemCaseFolder(), StopSignal::Never(), feed);
}

void Crawl(benchmark::State& state, int64_t feeds, int64_t items) {
    std::vector<std::unique_ptr<FeedArticles>> all;
    std::vector<const FeedArticles*> order;
    for (int64_t f = 0; f < feeds; ++f) {
        all.emplace_back(new FeedArticles);
        Fill(*all.back(), items, f * 7919);
        order.push_back(all.back().get());
    }
    for (auto _ : state) {
        MessageList list;
        BuildCrawl(order, CrawlOptions(), StopSignal::Never(), list);
        benchmark::DoNotOptimize(list.Count());
    }
    state.counters["items"] = double(feeds * items);
}

void OneFeed(benchmark::State& state) { Crawl(state, 1, state.range(0)); }
BENCHMARK(OneFeed)->Arg(10000)->Arg(50000)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

void SixtyFourFeeds(benchmark::State& state) { Crawl(state, 64, 500); }
BENCHMARK(SixtyFourFeeds)->Unit(benchmark::kMillisecond);

}  // namespace
