// Putting a feed's items in newest-first order, as the feed reader does for
// every download: time per feed for 10k to 200k items that come newest first
// (linear: each one is placed from the end of the sorted list), and feeds in
// any order ordered at once (n log n).
#include <benchmark/benchmark.h>

#include "feed/feed_items.h"

namespace {

void NewestFirst(benchmark::State& state) {
    const int64_t n = state.range(0);
    TickerMessage m;
    m.displayText = u"item";
    for (auto _ : state) {
        MessageList list;
        list.SetSize(0, int32_t(n));  // as the feed reader reserves its list
        for (int64_t k = 0; k < n; ++k) {
            m.stamp = uint64_t(n - k) * 10000000u;
            InsertNewestFirst(list, m);
        }
        benchmark::DoNotOptimize(list.Count());
    }
    state.counters["items"] = double(n);
}
BENCHMARK(NewestFirst)->Arg(10000)->Arg(50000)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

// What the feed reader does: the messages in document order, then ordered at
// once; here the items come in no particular order.
void OrderedAtOnce(benchmark::State& state) {
    const int64_t n = state.range(0);
    MessageList built;
    TickerMessage m;
    m.displayText = u"item";
    for (int64_t k = 0; k < n; ++k) {
        m.stamp = uint64_t((k * 2654435761u) % 1000003u) * 10000000u;
        built.Add(m);
    }
    for (auto _ : state) {
        MessageList list;
        OrderNewestFirst(built, list);
        benchmark::DoNotOptimize(list.Count());
    }
    state.counters["items"] = double(n);
}
BENCHMARK(OrderedAtOnce)->Arg(10000)->Arg(50000)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace
