// Fetches one feed over HTTP or HTTPS on a worker thread into a temporary
// file, reports progress and failures as status texts, writes an English log,
// and hands the file (or an empty path) to the completion callback.
//
// Certificates are checked against the system's trusted roots, and a
// certificate error is never ignored. Bodies come compressed when the server
// can (WinInet decodes them) and never enter the user's WinInet cache. An
// automatic refresh asks "only if changed" with the validators of the last
// download; a 304 completes with an empty path and NotModified(job) true.
//
// The worker never blocks where Stop cannot reach it: WinInet runs in its
// asynchronous mode and every wait also watches the stop event, so Stop
// returns within 2000 ms without killing the thread. The worker holds its
// own reference to this module and leaves through FreeLibraryAndExitThread,
// so the host can unload the plug-in while a download is still winding down.
#pragma once
#include <windows.h>

#include <string>

#include "sources/download_job_win.h"
#include "sources/download_rules.h"
#include "sources/feed_downloader.h"

class Downloader final : public FeedDownloader {
public:
    using Job = DownloadJob;
    // Called on the worker thread. `job` identifies the download, for Stopping().
    // The completion callback may delete the file once it has read it.
    using CompleteFn = DownloadCompleteFn;
    using StatusFn = DownloadStatusFn;

    static constexpr int32_t StatusInfo = kDownloadStatusInfo;
    static constexpr int32_t StatusError = kDownloadStatusError;

    Downloader();
    ~Downloader() override;
    Downloader(const Downloader&) = delete;
    Downloader& operator=(const Downloader&) = delete;

    void OpenLog(const std::string& path) override;
    void SetCompleteCallback(CompleteFn fn) { onComplete_ = fn; }
    void SetStatusCallback(StatusFn fn) { onStatus_ = fn; }

    void Download(const std::string& url, bool userRun) override;
    void Stop() override;

    // For the callbacks: whether this download has been told to stop, the
    // last status text it reported, the Content-Type the server sent ("" when
    // none), whether the server said the feed has not changed, and one more
    // record in this download's log.
    static bool Stopping(void* job);
    static const std::u16string& LastStatus(Job* job);
    static const std::string& ContentType(Job* job);
    static bool NotModified(Job* job);
    static void Log(Job* job, const char* line);

    const std::string& tempDir() const { return tempDir_; }
    const std::string& logPath() const { return logPath_; }
    // The temporary file name of the next download with this extension.
    std::string TempFileFor(const std::string& extension) const;

    // Milliseconds a stalled server may keep the worker waiting before it
    // gives up; each download takes the value it starts with.
    static DWORD stallTimeoutMs;

private:
    static DWORD WINAPI ThreadMain(void* job);

    HANDLE thread_ = nullptr;
    Job* job_ = nullptr;
    std::string tempDir_;
    std::string logPath_;
    CompleteFn onComplete_ = nullptr;
    StatusFn onStatus_ = nullptr;
    uint32_t generation_ = 0;
    ValidatorMemory validators_;
};
