// What the engine asks of its surroundings: the calendar clock, the feed
// downloader and its log, and a watch on a running line's text file. The DLL binds them to Windows; tests bind them to
// fakes.
#pragma once
#include <cstdint>
#include <string>

#include "sources/text_sources.h"

class EngineServices {
public:
    virtual ~EngineServices() = default;
    virtual int64_t NowSeconds() = 0;
    // `userRun`: the run was started by the user, not by the refresh timer.
    virtual void StartDownload(const std::string& url, bool userRun) = 0;
    virtual void StopDownload() = 0;
    // At every Start: the downloader's log of this period, emptied (no log
    // for an empty path).
    virtual void OpenLog(const std::string& path) { (void)path; }
    // While a line runs on a text file: `path` is looked at off the video
    // thread and, whenever it has changed since this call (which takes its
    // stamp), read again and handed to `receiver`. It replaces any earlier
    // watch.
    virtual void WatchFile(const std::string& path, FileReceiver& receiver) { (void)path, (void)receiver; }
    // Ends the watch without waiting for its thread (the video thread may
    // call it); what the watch would still hand over is refused by the stop.
    virtual void StopWatchingFile() {}
};
