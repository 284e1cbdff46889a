// The download side as the rest of the plug-in sees it.
#pragma once
#include <cstdint>
#include <string>

class FeedDownloader {
public:
    virtual ~FeedDownloader() = default;
    // Starts fetching `url` (stopping a download still running); the result
    // arrives through the downloader's callbacks. `userRun`: the user asked
    // for it (hot key, dialog, Start), as opposed to the refresh timer.
    virtual void Download(const std::string& url, bool userRun) = 0;
    // Tells a running download to stop and waits for it, bounded.
    virtual void Stop() = 0;
    // Empties the log at `path` and writes each download's records there
    // from now on (none for an empty path).
    virtual void OpenLog(const std::string& path) = 0;
};
