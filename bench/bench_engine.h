// What the frame benchmarks give the engine in place of a host: no clock, no
// downloads, and a lock that costs nothing (one thread plays the frames).
#pragma once
#include <string>
#include <vector>

#include "plugin/ticker_engine.h"

// The fetches are kept, for a benchmark that answers them itself.
struct NoServices : EngineServices {
    std::vector<FeedFetch> fetches;
    int64_t NowSeconds() override { return 0; }
    uint64_t NowLocalStamp() override { return ~uint64_t(0) >> 1; }
    void FetchFeed(const FeedFetch& f) override { fetches.push_back(f); }
    void StopFeeds() override {}
};

class PlainLock final : public TickerLock {
public:
    void Enter() override {}
    bool TryEnter() override { return true; }
    void Leave() override {}
};
