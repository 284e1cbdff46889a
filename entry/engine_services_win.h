// The engine's surroundings on Windows: the calendar clock and the feed
// source.
#pragma once
#include <atomic>

#include "plugin/engine_services.h"
#include "feed/feed_source.h"

class WinEngineServices final : public EngineServices {
public:
    explicit WinEngineServices(FeedSource& feeds) : feeds_(feeds) {}

    int64_t NowSeconds() override;
    // Downloads begin with the first Start, which opens their log.
    void StartDownload(const std::string& url, bool userRun) override {
        if (ready_) feeds_.Fetch(url, userRun);
    }
    void StopDownload() override {
        if (ready_) feeds_.Stop();
    }
    void OpenLog(const std::string& path) override {
        feeds_.OpenLog(path);
        ready_ = true;
    }

private:
    FeedSource& feeds_;
    std::atomic<bool> ready_{false};
};
