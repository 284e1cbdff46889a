// A feed source as the engine's services drive it: fetch an address, stop,
// and the log. What it reads reaches the engine as one FeedResult through
// FeedReceiver (feed_messages.h).
#pragma once
#include <string>

class FeedSource {
public:
    virtual ~FeedSource() = default;
    // Starts reading `url` (stopping a fetch still running). `userRun`: the
    // user asked for it (hot key, dialog, Start), as opposed to the refresh
    // timer.
    virtual void Fetch(const std::string& url, bool userRun) = 0;
    // Tells a running fetch to stop and waits for it, bounded.
    virtual void Stop() = 0;
    // Empties the log at `path` and writes each fetch's records there from
    // now on (none for an empty path).
    virtual void OpenLog(const std::string& path) = 0;
};
