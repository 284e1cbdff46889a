// A feed source as the engine's services drive it: fetch one feed of the
// list, stop them all, and the log. What a fetch reads reaches the engine
// as a bulletin at its news desk (text/news_desk.h).
#pragma once
#include <cstdint>
#include <string>

// One feed of a run, to be read.
struct FeedFetch {
    int32_t feed = -1;  // its index in the feed list: each has its own download, validators and log lines
    std::string url;
    uint32_t run = 0;      // handed back with the bulletin
    bool userRun = false;  // the user asked for it (no "only if changed")
    bool crawl = false;    // one of several feeds: capped, and its log lines name its address
};

class FeedSource {
public:
    virtual ~FeedSource() = default;
    // Starts reading a feed, stopping that feed's fetch still running.
    virtual void Fetch(const FeedFetch& fetch) = 0;
    // Tells every running fetch to stop and waits for them, bounded.
    virtual void Stop() = 0;
    // Empties the log at `path` and writes each fetch's records there from
    // now on (none for an empty path).
    virtual void OpenLog(const std::string& path) = 0;
};
