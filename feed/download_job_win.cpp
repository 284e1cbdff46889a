#include "feed/download_job_win.h"

#include <cstdarg>
#include <cstdio>

#include "feed/download_text.h"

namespace {

using Job = DownloadJob;

#define LOG(job, ...) WriteLogRecord((job).logPath, (job).logPrefix, __VA_ARGS__)

// The address this hop asks for: the configured one, or the feed a page named.
const std::string& Address(const Job& j) { return j.followed.empty() ? j.url : j.followed; }

void Hand(Job& j, DownloadOutcome::Kind kind, std::u16string notice = std::u16string(),
          std::string* follow = nullptr) {
    if (!j.handler) return;
    DownloadOutcome outcome;
    outcome.kind = kind;
    outcome.notice = std::move(notice);
    if (kind == DownloadOutcome::Body) {
        outcome.path = j.tempFile;
        outcome.contentType = j.contentType;
        outcome.url = j.finalUrl;
        outcome.follow = follow;
    }
    outcome.stop = &j.stop;
    outcome.stopEvent = j.stopEvent;
    outcome.logPath = &j.logPath;
    outcome.logPrefix = &j.logPrefix;
    outcome.run = j.run;
    outcome.truncated = kind == DownloadOutcome::Body && j.truncated;
    outcome.maxItems = j.maxItems;
    j.handler->OnDownloaded(outcome);
}

// WinInet's own text for an error, without its line end; `fallback` when there is none.
std::string ErrorText(DWORD error, const char* fallback) {
    char text[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                             GetModuleHandleA("wininet.dll"), error, 0, text, sizeof text, nullptr);
    if (n == 0)
        n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                           sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.')) --n;
    text[n] = 0;
    return n ? std::string(text) : std::string(fallback);
}

void CALLBACK OnInternetStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length) {
    Job* j = reinterpret_cast<Job*>(context);
    if (!j || !info) return;
    const INTERNET_ASYNC_RESULT* r = static_cast<const INTERNET_ASYNC_RESULT*>(info);
    if (status == INTERNET_STATUS_REDIRECT) {
        const char* to = static_cast<const char*>(info);
        std::lock_guard<SrwLock> lock(j->redirectLock);
        j->redirectedTo.assign(to, strnlen(to, length ? length : 4096));
    } else if (status == INTERNET_STATUS_HANDLE_CREATED) {
        if (!j->urlFile) j->urlFile = reinterpret_cast<HINTERNET>(r->dwResult);
    } else if (status == INTERNET_STATUS_REQUEST_COMPLETE) {
        j->asyncResult = r->dwResult;
        j->asyncError = r->dwError;
        SetEvent(j->completion);
    }
}

enum class Wait { Done, Stopped, Stalled };

Wait WaitForWinInet(Job& j) {
    HANDLE handles[2] = {j.completion, j.stopEvent};
    const DWORD r = WaitForMultipleObjects(2, handles, FALSE, j.stallTimeoutMs);
    if (r == WAIT_OBJECT_0) return Wait::Done;
    if (r == WAIT_OBJECT_0 + 1) return Wait::Stopped;
    return Wait::Stalled;
}

bool StopRequested(const Job& j) { return j.stop.Requested(); }

std::string Printf(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

}  // namespace

// Every failure ends alike: its log line, and its own notice for the
// handler (never whatever the transfer was doing when it failed).
void FailDownload(Job& j, const char16_t* notice, const std::string& logLine) {
    LOG(j, "%s", logLine.c_str());
    Hand(j, DownloadOutcome::Failed, notice);
}

void DownloadOutcome::Log(const char* line) const {
    if (logPath) WriteLogRecord(*logPath, logPrefix ? *logPrefix : std::string(), "%s", line);
}

// A stop asked for by the plug-in; once the transfer has begun the handler
// still hears that nothing came.
void LogTerminated(Job& j) {
    if (!j.toldTerminated.exchange(true)) LOG(j, "Session terminated.");
}

namespace {

// Waits for one of the shared slots; false when told to stop meanwhile.
bool TakeSlot(Job& j) {
    if (!j.slots || j.holdsSlot) return true;
    HANDLE handles[2] = {j.slots, j.stopEvent};
    if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0) return false;
    j.holdsSlot = true;
    return true;
}

void GiveSlotBack(Job& j) {
    if (!j.holdsSlot) return;
    ReleaseSemaphore(j.slots, 1, nullptr);
    j.holdsSlot = false;
}

void Terminated(Job& j, bool tellReader) {
    LogTerminated(j);
    if (tellReader) Hand(j, DownloadOutcome::Stopped);
}

void CloseUrl(Job& j) {
    if (!j.urlFile) return;
    InternetSetStatusCallbackA(j.urlFile, nullptr);
    InternetCloseHandle(j.urlFile);
    j.urlFile = nullptr;
}

// The session and URL handles live in the job (WinInet's callback fills in
// the URL handle); this closes them, with their log lines, however Run ends.
class Connection {
public:
    explicit Connection(Job& j) : j_(j) {}
    ~Connection() {
        if (j_.urlFile) {
            CloseUrl(j_);
            LOG(j_, "URL closed.");
        }
        if (j_.session) {
            InternetSetStatusCallbackA(j_.session, nullptr);
            InternetCloseHandle(j_.session);
            j_.session = nullptr;
            LOG(j_, "Internet session closed.");
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

private:
    Job& j_;
};

// The body's temporary file: deleted when Run ends, whether it was handed
// to the reader or not.
class TempFile {
public:
    explicit TempFile(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "w+b")) {}
    ~TempFile() {
        if (!file_ && !closed_) return;  // never created
        Close();
        DeleteFileA(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    bool Write(const void* data, size_t n) { return std::fwrite(data, 1, n, file_) == n; }
    void Close() {
        if (file_) std::fclose(file_);
        file_ = nullptr;
        closed_ = true;
    }

private:
    std::string path_;
    std::FILE* file_;
    bool closed_ = false;
};

// One request for the URL: null and the error when it failed, null and 0
// when it was stopped.
HINTERNET Request(Job& j, bool compressed, DWORD* error) {
    // Each address is asked "only if changed" with its own validators only.
    const Validators* validators = j.followed.empty() ? j.hops.First() : j.hops.Feed(j.followed);
    const std::string headers = RequestHeaders(compressed, validators, &j.conditional);
    // Redirects between http and https are followed both ways; certificate
    // errors are never ignored. Feeds stay out of the user's WinInet cache.
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_TRANSFER_BINARY | INTERNET_FLAG_NO_CACHE_WRITE |
                        INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    ResetEvent(j.completion);
    HINTERNET opened = InternetOpenUrlA(j.session, Address(j).c_str(), headers.empty() ? nullptr : headers.c_str(),
                                        DWORD(headers.size()), flags, reinterpret_cast<DWORD_PTR>(&j));
    *error = opened ? 0 : GetLastError();
    if (!opened && *error == ERROR_IO_PENDING) {
        const Wait w = WaitForWinInet(j);
        if (w == Wait::Stopped) {
            *error = 0;
            return nullptr;
        }
        if (w == Wait::Stalled) *error = ERROR_INTERNET_TIMEOUT;
        else {
            opened = reinterpret_cast<HINTERNET>(j.asyncResult.load());
            *error = opened ? 0 : j.asyncError.load();
        }
    }
    if (opened) j.urlFile = opened;
    return opened;
}

// The address the request ended at, when a redirect took it elsewhere: the
// opened request's own, else the last one WinInet reported on the way.
std::string RedirectTarget(Job& j, HINTERNET opened) {
    {
        std::lock_guard<SrwLock> lock(j.redirectLock);
        if (j.redirectedTo.empty()) return std::string();
    }
    char url[INTERNET_MAX_URL_LENGTH + 1] = {};
    DWORD size = sizeof url - 1;
    if (opened && InternetQueryOptionA(opened, INTERNET_OPTION_URL, url, &size)) return url;
    std::lock_guard<SrwLock> lock(j.redirectLock);
    return j.redirectedTo;
}

// A compressed body WinInet cannot decode (deflate has two forms in the
// wild, and WinInet may know only one): the same request once more,
// uncompressed. WinInet tells at the open or at the first read.
void AskUncompressed(Job& j, bool* compressed) {
    LOG(j, "Compressed response could not be decoded; asking for it uncompressed.");
    CloseUrl(j);
    *compressed = false;
}

// Opens the URL; null when it failed or was stopped (already reported).
HINTERNET OpenUrl(Job& j, bool* compressed) {
    DWORD error = 0;
    HINTERNET opened = Request(j, *compressed, &error);
    if (!opened && error == kDecodingFailed && *compressed && !StopRequested(j)) {
        AskUncompressed(j, compressed);
        opened = Request(j, false, &error);
    }
    const std::string redirect = RedirectTarget(j, opened);
    if (!redirect.empty()) LOG(j, "Redirected to %s.", redirect.c_str());
    j.finalUrl = redirect.empty() ? Address(j) : redirect;
    if (!opened && error == 0 && StopRequested(j)) {
        Terminated(j, false);
        return nullptr;
    }
    if (!opened) {
        const OpenFailure failure = ClassifyOpenFailure(error);
        if (IsCertificateProblem(failure))
            FailDownload(j, u"Ошибка сертификата сервера", OpenFailureLogLine(failure));
        else if (failure != OpenFailure::Other)
            FailDownload(j, u"Ошибка при открытии URL.", OpenFailureLogLine(failure));
        else if (error != 0)
            FailDownload(j, u"Ошибка при открытии URL.", Printf("Open URL ERROR: %s.", ErrorText(error, "Unknown error.").c_str()));
        else
            FailDownload(j, u"Неправильный URL", "Open URL ERROR: Invalid URL.");
        return nullptr;
    }
    LOG(j, "URL opened successfully.");
    return opened;
}

enum class Read { Data, Stopped };

// One read of the body, waiting for WinInet when it answers later; 0 or the
// error. The count comes back in the buffer record: InternetReadFile writes 0
// into its count when it goes asynchronous, which can land after a quick
// completion has written the real count.
Read ReadChunk(Job& j, ReadBlock& block, DWORD* error) {
    INTERNET_BUFFERSA& read = j.io->read;
    read = INTERNET_BUFFERSA();
    read.dwStructSize = sizeof read;
    read.lpvBuffer = j.io->buffer;
    read.dwBufferLength = block.Size();
    *error = 0;
    const DWORD want = block.Size();
    const DWORD begin = GetTickCount();
    ResetEvent(j.completion);
    if (!InternetReadFileExA(j.urlFile, &read, IRF_ASYNC, reinterpret_cast<DWORD_PTR>(&j))) {
        *error = GetLastError();
        if (*error != ERROR_IO_PENDING) return Read::Data;
        const Wait w = WaitForWinInet(j);
        if (w != Wait::Done) j.ioAbandoned = true;
        if (w == Wait::Stopped) return Read::Stopped;
        *error = w == Wait::Stalled ? ERROR_INTERNET_TIMEOUT : j.asyncResult.load() ? 0 : j.asyncError.load();
    }
    if (*error == 0) block.Took(GetTickCount() - begin, read.dwBufferLength == want);
    return Read::Data;
}

// Reads the short page that comes with a refusal (404, 500, ...) and drops
// it. Wine's WinInet keeps a request whose response was closed unread, a
// few dozen bytes for every failed download of a feed that stays missing;
// read to its end, the request goes. A page longer than this is left.
void DrainRefusal(Job& j) {
    constexpr uint64_t kMostDrained = 64 * 1024;
    ReadBlock block(j.stallTimeoutMs);
    for (uint64_t drained = 0; drained < kMostDrained;) {
        DWORD error = 0;
        if (ReadChunk(j, block, &error) == Read::Stopped || error != 0) return;
        const DWORD got = j.io->read.dwBufferLength;
        if (got == 0) return;
        drained += got;
    }
}

// A response header as text; empty when there is none.
std::string HeaderText(HINTERNET request, DWORD query) {
    char text[1025] = {};
    DWORD size = sizeof text - 1;
    if (!HttpQueryInfoA(request, query, text, &size, nullptr)) return std::string();
    return std::string(text, strnlen(text, sizeof text - 1));
}

// Whether the body came encoded. Its Content-Length then counts compressed
// bytes (or WinInet drops it), so it cannot tell a body cut short.
bool BodyEncoded(HINTERNET request) {
    DWORD size = 0;
    if (HttpQueryInfoA(request, HTTP_QUERY_CONTENT_ENCODING, nullptr, &size, nullptr)) return false;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;  // no such header
    const std::string coding = HeaderText(request, HTTP_QUERY_CONTENT_ENCODING);
    return coding.empty() || _stricmp(coding.c_str(), "identity") != 0;
}

struct Response {
    bool lengthKnown = false;
    DWORD contentLength = 0;
};

// How an opened request went on: its body follows, the download ended
// (already reported), or a site's page was found unchanged and the feed it
// named before is asked next.
enum class Opened { Body, Ended, UnchangedPage };

// Opens the URL and takes the response's status and length.
Opened OpenResponse(Job& j, bool* compressed, Response* r) {
    if (!OpenUrl(j, compressed)) return Opened::Ended;
    if (StopRequested(j)) {
        Terminated(j, false);
        return Opened::Ended;
    }
    DWORD statusCode = 0, size = sizeof(DWORD);
    r->lengthKnown = HttpQueryInfoA(j.urlFile, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &r->contentLength,
                                    &size, nullptr) != FALSE &&
                     !BodyEncoded(j.urlFile);
    size = sizeof(DWORD);
    HttpQueryInfoA(j.urlFile, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &statusCode, &size, nullptr);
    if (statusCode == 304 && j.conditional) {
        const bool first = j.followed.empty();
        if (first) j.hops.FirstAnswered(true, Validators());
        else j.hops.FeedAnswered(j.followed, true, Validators());
        // A site's page unchanged says nothing of its feed: that is asked next.
        if (first && !j.hops.FeedOfUnchangedPage().empty()) {
            LOG(j, "Page not modified; its feed is at %s.", j.hops.FeedOfUnchangedPage().c_str());
            return Opened::UnchangedPage;
        }
        // Asked "only if changed": the feed on air is still the current one.
        j.notModified = true;
        LOG(j, "Not modified.");
        Hand(j, DownloadOutcome::NotModified);
        return Opened::Ended;
    }
    if (statusCode != 200 && statusCode != 302) {
        DrainRefusal(j);
        FailDownload(j, u"Файл не найден.", Printf("File %s not found.", Address(j).c_str()));
        return Opened::Ended;
    }
    j.contentType = HeaderText(j.urlFile, HTTP_QUERY_CONTENT_TYPE);
    if (StopRequested(j)) {
        Terminated(j, false);
        return Opened::Ended;
    }
    return Opened::Body;
}

// One address to the handler: opened, read into the temporary file and
// handed over; false when it ended otherwise (already reported). On the
// first hop, `follow` receives the feed to fetch next, if any.
bool Transfer(Job& j, std::string* follow) {
    LOG(j, "Open URL %s...", Address(j).c_str());
    bool compressed = true;
    Response response;
    const Opened opened = OpenResponse(j, &compressed, &response);
    if (opened == Opened::UnchangedPage && follow) *follow = j.hops.FeedOfUnchangedPage();
    if (opened != Opened::Body) return opened == Opened::UnchangedPage && follow;

    TempFile temp(j.tempFile);
    if (!temp.IsOpen()) return FailDownload(j, u"Ошибка загрузки файла", "Couldn't open TMP file."), false;
    uint64_t total = 0;
    ReadBlock block(j.stallTimeoutMs);
    for (;;) {
        DWORD readError = 0;
        if (ReadChunk(j, block, &readError) == Read::Stopped) return Terminated(j, true), false;
        if (readError == kDecodingFailed && compressed && total == 0) {
            AskUncompressed(j, &compressed);
            if (OpenResponse(j, &compressed, &response) != Opened::Body) return false;
            continue;
        }
        // A body shorter than its Content-Length was cut off: a failure, not a file.
        const DWORD got = j.io->read.dwBufferLength;
        if (readError == 0 && got == 0 && response.lengthKnown && total < response.contentLength)
            readError = ERROR_INTERNET_CONNECTION_RESET;
        if (readError != 0)
            return FailDownload(j, u"Ошибка загрузки файла",
                                Printf("Download file ERROR: %s.", ErrorText(readError, "Unknown error").c_str())),
                   false;
        if (got == 0) break;
        if (j.maxBytes != 0 && total + got > j.maxBytes) {
            // What lies beyond the limit is left out; the reader closes the document where it was cut.
            const DWORD kept = DWORD(j.maxBytes - total);
            if (!temp.Write(j.io->buffer, kept)) break;
            total += kept;
            j.truncated = true;
            LOG(j, "Body cut off at %llu bytes; the rest is left out.", static_cast<unsigned long long>(total));
            break;
        }
        if (!temp.Write(j.io->buffer, got))
            return FailDownload(j, u"Ошибка загрузки файла",
                                Printf("Write TMP file ERROR: %s.", ErrorText(GetLastError(), "Unknown error").c_str())),
                   false;
        total += got;
        if (StopRequested(j)) return Terminated(j, true), false;
    }
    LOG(j, "Download %llu bytes successfull.", static_cast<unsigned long long>(total));
    temp.Close();
    Validators received;
    received.etag = HeaderText(j.urlFile, HTTP_QUERY_ETAG);
    received.lastModified = HeaderText(j.urlFile, HTTP_QUERY_LAST_MODIFIED);
    if (j.followed.empty()) j.hops.FirstAnswered(false, received);
    else j.hops.FeedAnswered(j.followed, false, received);
    GiveSlotBack(j);  // the parse is no download
    Hand(j, DownloadOutcome::Body, std::u16string(), follow);
    if (follow && !follow->empty()) return true;
    // Stopped while the reader was at it, the feed may never have gone on
    // air: then it does not count as the document a 304 would refer to.
    if (!StopRequested(j)) j.good = true;
    return true;
}

}  // namespace

void RunDownload(Job& j) {
    if (!TakeSlot(j)) return Terminated(j, false);
    struct SlotBack {
        Job& j;
        ~SlotBack() { GiveSlotBack(j); }
    } slotBack{j};
    Connection connection(j);
    LOG(j, "Open internet session.");
    j.session = InternetOpenA(UserAgent().c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC);
    if (!j.session) {
        const DWORD e = GetLastError();
        return FailDownload(j, u"Невозможно подключиться к серверу",
                    Printf("Open internet session ERROR: %s.", ErrorText(e, "Unknown error.").c_str()));
    }
    InternetSetStatusCallbackA(j.session, OnInternetStatus);
    INTERNET_CONNECTED_INFO connected = {INTERNET_STATE_CONNECTED, 0};
    InternetSetOptionA(j.session, INTERNET_OPTION_CONNECTED_STATE, &connected, sizeof connected);
    // Compressed bodies are decoded by WinInet (set on the session: the
    // request handle ignores it).
    BOOL decode = TRUE;
    InternetSetOptionA(j.session, INTERNET_OPTION_HTTP_DECODING, &decode, sizeof decode);

    // A site's page that names its feed is followed once, on this worker,
    // within the same session: a stop reaches both transfers alike.
    for (int hop = 0; hop < 2; ++hop) {
        std::string follow;
        if (!Transfer(j, hop == 0 ? &follow : nullptr)) return;
        if (follow.empty()) return;
        CloseUrl(j);
        {
            std::lock_guard<SrwLock> lock(j.redirectLock);
            j.redirectedTo.clear();
        }
        j.conditional = false;
        j.contentType.clear();
        j.followed = follow;
        if (!TakeSlot(j)) return Terminated(j, false);
    }
}

void WriteLogRecord(const std::string& path, const std::string& prefix, const char* format, ...) {
    if (path.empty()) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char message[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    const std::string line =
        LogPrefix(now.wHour, now.wMinute, now.wSecond, now.wMilliseconds) + prefix + message + "\n";
    // Several feeds' workers write at once: each record is appended whole,
    // one writer at a time (an append is a seek and a write, and two of them
    // interleaved overwrite each other's lines).
    static SrwLock writers;
    std::lock_guard<SrwLock> guard(writers);
    std::FILE* f = std::fopen(path.c_str(), "at");
    if (!f) return;
    std::fseek(f, 0, SEEK_END);
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
}
