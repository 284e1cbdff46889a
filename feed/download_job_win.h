// One download as its worker thread runs it: the job shared by the
// Downloader and its worker (reference counted; either may end first), the
// transfer itself over WinInet, and the log's records.
#pragma once
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "base/srw_lock_win.h"
#include "base/stop_signal.h"
#include "feed/download_rules.h"

// What one download came to, as its handler hears it.
struct DownloadOutcome {
    // Stopped: the plug-in stopped it once the transfer had begun.
    enum Kind { Body, Failed, NotModified, Stopped } kind = Failed;
    std::string path;         // Body: the temporary file, which the handler may delete
    std::u16string notice;    // Failed: what the band shows
    std::string contentType;  // Body: the server's Content-Type ("" when none)
    std::string url;          // Body: the address the body came from, after any redirect
    // Body: where the handler may name one more address to fetch on this
    // worker in its place (a site's page that names its feed); null when
    // this body is already that second one.
    std::string* follow = nullptr;
    const StopSignal* stop = nullptr;  // raised once the download is told to stop
    HANDLE stopEvent = nullptr;        // set at the same time, for waits
    const std::string* logPath = nullptr;
    const std::string* logPrefix = nullptr;
    uint32_t run = 0;        // what the download was started for
    bool truncated = false;  // Body: cut off at the size limit
    int32_t maxItems = 0;    // Body: the items the reader keeps at most; 0: all

    // One more record in this download's log.
    void Log(const char* line) const;
};

// Told once per download, on its worker thread (or on the caller's, for an
// address refused before any worker starts).
class DownloadHandler {
public:
    virtual void OnDownloaded(const DownloadOutcome& outcome) = 0;

protected:
    ~DownloadHandler() = default;
};

struct DownloadJob {
    std::atomic<long> refs{1};
    StopFlag stop;
    std::atomic<bool> ended{false};          // Run has returned
    std::atomic<bool> toldTerminated{false};  // "Session terminated." is in the log
    HANDLE stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE completion = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    DWORD threadId = 0;
    HMODULE module = nullptr;
    std::string url, tempFile, logPath;
    std::string logPrefix;  // before each of its log lines: its address, when several feeds share the log
    uint32_t run = 0;
    DownloadHandler* handler = nullptr;
    // One of several downloads that share their slots: it waits for one
    // before it connects (the wait does not count toward its time-outs), and
    // gives it back once the body is in, before the parse. Null: no wait.
    HANDLE slots = nullptr;
    bool holdsSlot = false;
    uint64_t maxBytes = 0;  // the body is cut off beyond this many bytes; 0: no limit
    int32_t maxItems = 0;
    bool truncated = false;
    DWORD stallTimeoutMs = 30000;  // how long a silent server may keep the worker waiting
    std::string contentType;  // the response's Content-Type, for the reader's charset
    // The worker's own: the address a page led to (empty for `url` itself),
    // and where the body finally came from.
    std::string followed, finalUrl;
    // Conditional requests: what each hop asks with and what the download
    // leaves for the next refresh (read by the Downloader once it has ended).
    ConditionalHops hops;
    bool conditional = false;  // validators went out with the current request
    std::atomic<bool> notModified{false};
    std::atomic<bool> good{false};  // the whole body arrived and was handed over
    // WinInet's asynchronous results
    std::atomic<DWORD_PTR> asyncResult{0};
    std::atomic<DWORD> asyncError{0};
    HINTERNET session = nullptr;
    HINTERNET urlFile = nullptr;
    SrwLock redirectLock;
    std::string redirectedTo;  // the last address a redirect led to
    // What WinInet writes into when a call completes later. A call given up
    // (a stop, a stall) may still write after the handles are closed: its
    // block is then left to it rather than freed under it.
    struct Io {
        INTERNET_BUFFERSA read = {};  // its length: asked for, then read
        char buffer[ReadBlock::kLargest];  // one per download, on the heap
    };
    Io* io = new Io;
    bool ioAbandoned = false;

    ~DownloadJob() {
        CloseHandle(stopEvent);
        CloseHandle(completion);
        if (!ioAbandoned) delete io;
    }
    void AddRef() { ++refs; }
    void Release() {
        if (--refs == 0) delete this;
    }
};

// The transfer on the worker thread: opens the URL, reads the body into the
// temporary file and hands the outcome to the handler; every outcome is
// logged.
void RunDownload(DownloadJob& j);
// A download that fails, before its worker starts or on it: the log line,
// and the failure with its own notice for the handler.
void FailDownload(DownloadJob& j, const char16_t* notice, const std::string& logLine);
// "Session terminated." in the log, once.
void LogTerminated(DownloadJob& j);

// Appends one record, "%02d:%02d:%02d.%03d - " + prefix + message, to the log at `path`.
void WriteLogRecord(const std::string& path, const std::string& prefix, const char* format, ...);
