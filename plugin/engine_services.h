// What the engine asks of its surroundings: the clocks, the feeds'
// downloads and their log, and a watch on a running line's text file. The
// DLL binds them to Windows; tests bind them to fakes. What the downloads
// and the watch bring reaches the engine through its news desk.
#pragma once
#include <cstdint>
#include <string>

#include "feed/feed_source.h"
#include "text/news_desk.h"

class EngineServices {
public:
    virtual ~EngineServices() = default;
    virtual int64_t NowSeconds() = 0;
    // The local wall clock as feed items are dated: FILETIME units of the
    // local date and time.
    virtual uint64_t NowLocalStamp() = 0;
    // Starts reading a feed (stopping that feed's download still running).
    virtual void FetchFeed(const FeedFetch& fetch) = 0;
    // Stops every feed's download, each with a bounded wait.
    virtual void StopFeeds() = 0;
    // At every Start: the downloads' log of this period, emptied (no log
    // for an empty path).
    virtual void OpenLog(const std::string& path) { (void)path; }
    // While a line runs on a text file: `path` is looked at off the video
    // thread and, whenever it has changed since this call (which takes its
    // stamp), read again and offered to `desk`. It replaces any earlier
    // watch.
    virtual void WatchFile(const std::string& path, NewsDesk& desk) { (void)path, (void)desk; }
    // Ends the watch without waiting for its thread (the video thread may
    // call it); what the watch would still offer is refused by the stop.
    virtual void StopWatchingFile() {}
    // The control endpoint's settings have changed: it listens again by
    // them. Never called under the ticker lock (it waits for the endpoint's
    // thread, which takes that lock).
    virtual void ControlSettingsChanged() {}
};
