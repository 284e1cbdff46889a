// What the frame benchmarks give the engine in place of a host: no clock, no
// downloads, and a lock that costs nothing (one thread plays the frames).
#pragma once
#include <string>

#include "plugin/ticker_engine.h"

struct NoServices : EngineServices {
    int64_t NowSeconds() override { return 0; }
    uint64_t NowLocalStamp() override { return 0; }
    void FetchFeed(const FeedFetch&) override {}
    void StopFeeds() override {}
};

class PlainLock final : public TickerLock {
public:
    void Enter() override {}
    bool TryEnter() override { return true; }
    void Leave() override {}
};
