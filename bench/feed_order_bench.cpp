// Putting a feed's items in newest-first order, as the feed source does for
// every download: the messages in document order, ordered at once (n log n),
// for 10k to 200k items that come in no particular order.
#include <benchmark/benchmark.h>

#include "feed/feed_items.h"

namespace {

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
