// The engine's surroundings on Windows: the calendar clock and the feed
// downloader.
#pragma once
#include "plugin/engine_services.h"
#include "sources/feed_downloader.h"

class WinEngineServices final : public EngineServices {
public:
    int64_t NowSeconds() override;
    int32_t StartDownload(const std::string& url, bool userRun) override {
        return downloader ? downloader->Download(url, userRun) : 1;
    }
    void StopDownload() override {
        if (downloader) downloader->Stop();
    }

    FeedDownloader* downloader = nullptr;
};
