// What the engine asks of its surroundings: the calendar clock, the feed
// downloader and its log. The DLL binds them to Windows; tests bind them to
// fakes.
#pragma once
#include <cstdint>
#include <string>

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
};
