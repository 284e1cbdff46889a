// The engine's surroundings on Windows: the calendar clock, the feed
// source, and the watch on a running line's text file.
#pragma once
#include <windows.h>

#include <atomic>

#include "plugin/engine_services.h"
#include "feed/feed_source.h"
#include "plugin/lock_win.h"

class WinEngineServices final : public EngineServices {
public:
    explicit WinEngineServices(FeedSource& feeds) : feeds_(feeds) {}
    ~WinEngineServices() override { StopWatchingFile(); }
    WinEngineServices(const WinEngineServices&) = delete;
    WinEngineServices& operator=(const WinEngineServices&) = delete;

    int64_t NowSeconds() override;
    // Downloads begin with the first Start, which opens their log. The
    // host's threads and the control endpoint's may start and stop them:
    // one at a time.
    void StartDownload(const std::string& url, bool userRun) override {
        LockGuard guard(downloadLock_);
        if (ready_) feeds_.Fetch(url, userRun);
    }
    void StopDownload() override {
        LockGuard guard(downloadLock_);
        if (ready_) feeds_.Stop();
    }
    void OpenLog(const std::string& path) override {
        feeds_.OpenLog(path);
        ready_ = true;
    }
    // A worker of its own looks at the file four times a second. It keeps
    // this module loaded until it has left our code, so a stop never waits
    // for it.
    void WatchFile(const std::string& path, FileReceiver& receiver) override;
    void StopWatchingFile() override;

private:
    struct WatchJob;
    static DWORD WINAPI WatchMain(void* job);

    FeedSource& feeds_;
    std::atomic<bool> ready_{false};
    CriticalSectionLock downloadLock_;
    CriticalSectionLock watchLock_;  // the UI and the video thread may both start or end a watch
    WatchJob* watch_ = nullptr;
};
