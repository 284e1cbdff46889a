// Fetches one feed over HTTP or HTTPS on a worker thread into a temporary
// file, writes an English log, and hands the outcome (the file, a failure
// with its notice, "not modified", or a stop) to its handler.
//
// Certificates are checked against the system's trusted roots, and a
// certificate error is never ignored. Bodies come compressed when the server
// can (WinInet decodes them) and never enter the user's WinInet cache. An
// automatic refresh asks "only if changed" with the validators of the last
// download; a 304 is handed on as NotModified.
//
// The worker never blocks where Stop cannot reach it: WinInet runs in its
// asynchronous mode and every wait also watches the stop event, so Stop
// returns within 2000 ms without killing the thread. The worker holds its
// own reference to this module and leaves through FreeLibraryAndExitThread,
// so the host can unload the plug-in while a download is still winding down.
#pragma once
#include <windows.h>

#include <string>

#include "feed/download_job_win.h"
#include "feed/download_rules.h"

// One download as it is asked for.
struct DownloadRequest {
    std::string url;
    bool userRun = true;  // the user asked: no "only if changed"
    uint32_t run = 0;     // handed back with the outcome
    HANDLE slots = nullptr;   // a semaphore shared with other downloaders; null: no wait
    uint64_t maxBytes = 0;    // 0: no limit
    int32_t maxItems = 0;     // for the reader: the items it keeps at most; 0: all
    std::string logPrefix;    // before each of its log lines
};

class Downloader final {
public:
    using Job = DownloadJob;

    explicit Downloader(DownloadHandler& handler);
    ~Downloader();
    Downloader(const Downloader&) = delete;
    Downloader& operator=(const Downloader&) = delete;

    // Empties the log at `path` and writes each download's records there
    // from now on (none for an empty path).
    void OpenLog(const std::string& path);
    // The same without emptying it: another downloader has.
    void SetLogPath(const std::string& path) { logPath_ = path; }
    // Starts fetching, stopping a download still running.
    void Download(const DownloadRequest& request);
    void Download(const std::string& url, bool userRun) {
        DownloadRequest r;
        r.url = url;
        r.userRun = userRun;
        Download(r);
    }
    // Tells a running download to stop, without waiting for it.
    void RequestStop();
    // Tells a running download to stop and waits for it, bounded.
    void Stop();

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
    DownloadHandler& handler_;
    uint32_t generation_ = 0;
    ValidatorMemory validators_;
};
