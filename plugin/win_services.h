// The engine's surroundings on Windows: the ANSI code page, the calendar
// clock, the settings dialog's window and the feed downloader.
#pragma once
#include <windows.h>

#include "plugin/ticker_engine.h"
#include "sources/ansi_codec.h"

class WinAnsiCodec final : public AnsiCodec {
public:
    std::u16string ToUtf16(const char* text) const override;
    std::string FromUtf16(const char16_t* text) const override;
};

// The download side as the engine sees it.
class FeedDownloader {
public:
    virtual ~FeedDownloader() = default;
    virtual int32_t Download(const std::string& url) = 0;
    virtual void Stop() = 0;
};

class WinEngineServices final : public EngineServices {
public:
    int64_t NowSeconds() override;
    bool DialogHasWindow() override { return dialogWindow != nullptr; }
    void PostDialogUpdate(int32_t part) override;
    int32_t StartDownload(const std::string& url) override { return downloader ? downloader->Download(url) : 1; }
    void StopDownload() override {
        if (downloader) downloader->Stop();
    }

    HWND volatile dialogWindow = nullptr;
    FeedDownloader* downloader = nullptr;
};
