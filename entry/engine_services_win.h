// The engine's surroundings on Windows: the calendar clock and the feed
// downloader.
#pragma once
#include <atomic>

#include "plugin/engine_services.h"
#include "sources/feed_downloader.h"

class WinEngineServices final : public EngineServices {
public:
    explicit WinEngineServices(FeedDownloader& downloader) : downloader_(downloader) {}

    int64_t NowSeconds() override;
    // Downloads begin with the first Start, which opens their log.
    void StartDownload(const std::string& url, bool userRun) override {
        if (ready_) downloader_.Download(url, userRun);
    }
    void StopDownload() override {
        if (ready_) downloader_.Stop();
    }
    void OpenLog(const std::string& path) override {
        downloader_.OpenLog(path);
        ready_ = true;
    }

private:
    FeedDownloader& downloader_;
    std::atomic<bool> ready_{false};
};
