// The engine's surroundings on Windows: the ANSI code page, the calendar
// clock and the feed downloader.
#pragma once
#include <windows.h>

#include "plugin/engine_services.h"
#include "sources/ansi_codec.h"
#include "sources/feed_downloader.h"

class WinAnsiCodec final : public AnsiCodec {
public:
    std::u16string ToUtf16(const char* text) const override;
    std::string FromUtf16(const char16_t* text) const override;
    bool Decode(uint32_t codePage, const char* bytes, size_t size, bool strict, std::u16string& out) const override;
};

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
