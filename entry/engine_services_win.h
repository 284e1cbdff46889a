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
    uint64_t NowLocalStamp() override;
    // Downloads begin with the first Start, which opens their log.
    void FetchFeed(const FeedFetch& fetch) override {
        if (ready_) feeds_.Fetch(fetch);
    }
    void StopFeeds() override {
        if (ready_) feeds_.Stop();
    }
    void OpenLog(const std::string& path) override {
        feeds_.OpenLog(path);
        ready_ = true;
    }
    // A worker of its own looks at the file four times a second. It keeps
    // this module loaded until it has left our code, so a stop never waits
    // for it.
    void WatchFile(const std::string& path, NewsDesk& desk) override;
    void StopWatchingFile() override;
    // Whoever runs the control endpoint is told here that its settings changed.
    void OnControlSettingsChanged(void (*restart)()) { controlRestart_.store(restart); }
    void ControlSettingsChanged() override {
        if (void (*restart)() = controlRestart_.load()) restart();
    }

private:
    struct WatchJob;
    static DWORD WINAPI WatchMain(void* job);

    FeedSource& feeds_;
    std::atomic<bool> ready_{false};
    CriticalSectionLock watchLock_;  // the UI and the video thread may both start or end a watch
    WatchJob* watch_ = nullptr;
    std::atomic<void (*)()> controlRestart_{nullptr};
};
