#include "sources/downloader_win.h"

#include <wininet.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "base/text.h"
#include "sources/download_text.h"

DWORD Downloader::stallTimeoutMs = 30000;

struct Downloader::Job {
    std::atomic<long> refs{1};
    std::atomic<bool> stop{false};
    std::atomic<bool> ended{false};          // Run has returned
    std::atomic<bool> toldTerminated{false};  // "Session terminated." is in the log
    HANDLE stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE completion = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    DWORD threadId = 0;
    HMODULE module = nullptr;
    std::string url, tempFile, logPath;
    CompleteFn onComplete = nullptr;
    StatusFn onStatus = nullptr;
    std::u16string lastStatus;
    std::string contentType;  // the response's Content-Type, for the reader's charset
    // WinInet's asynchronous results
    std::atomic<DWORD_PTR> asyncResult{0};
    std::atomic<DWORD> asyncError{0};
    HINTERNET session = nullptr;
    HINTERNET urlFile = nullptr;
    DWORD bytesRead = 0;
    char buffer[256];

    ~Job() {
        CloseHandle(stopEvent);
        CloseHandle(completion);
    }
    void AddRef() { ++refs; }
    void Release() {
        if (--refs == 0) delete this;
    }
};

namespace {

using Job = Downloader::Job;

void Status(Job& j, int32_t level, const std::u16string& text) {
    j.lastStatus = text;
    if (j.onStatus) j.onStatus(&j, text, level);
}

#define LOG(job, ...) WriteLogRecord((job).logPath, __VA_ARGS__)

void Complete(Job& j, const std::string& path) {
    if (j.onComplete) j.onComplete(&j, path);
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

void CALLBACK OnInternetStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD) {
    Job* j = reinterpret_cast<Job*>(context);
    if (!j || !info) return;
    const INTERNET_ASYNC_RESULT* r = static_cast<const INTERNET_ASYNC_RESULT*>(info);
    if (status == INTERNET_STATUS_HANDLE_CREATED) {
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
    const DWORD r = WaitForMultipleObjects(2, handles, FALSE, Downloader::stallTimeoutMs);
    if (r == WAIT_OBJECT_0) return Wait::Done;
    if (r == WAIT_OBJECT_0 + 1) return Wait::Stopped;
    return Wait::Stalled;
}

bool StopRequested(const Job& j) { return j.stop.load(); }

std::string Printf(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// Every failure ends alike: its status text (when the user is told), its
// log line, and the empty result for the reader.
void Fail(Job& j, const char16_t* status, const std::string& logLine) {
    if (status) Status(j, Downloader::StatusError, status);
    LOG(j, "%s", logLine.c_str());
    Complete(j, "");
}

// A stop asked for by the plug-in; once the transfer has begun the reader
// still hears that nothing came.
void LogTerminated(Job& j) {
    if (!j.toldTerminated.exchange(true)) LOG(j, "Session terminated.");
}

void Terminated(Job& j, bool tellReader) {
    LogTerminated(j);
    if (tellReader) Complete(j, "");
}

// The session and URL handles live in the job (WinInet's callback fills in
// the URL handle); this closes them, with their log lines, however Run ends.
class Connection {
public:
    explicit Connection(Job& j) : j_(j) {}
    ~Connection() {
        if (j_.urlFile) {
            InternetSetStatusCallbackA(j_.urlFile, nullptr);
            InternetCloseHandle(j_.urlFile);
            j_.urlFile = nullptr;
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

// Opens the URL; null when it failed or was stopped (already reported).
HINTERNET OpenUrl(Job& j) {
    LOG(j, "Open URL %s...", j.url.c_str());
    ResetEvent(j.completion);
    HINTERNET opened = InternetOpenUrlA(j.session, j.url.c_str(), nullptr, 0,
                                        INTERNET_FLAG_RELOAD | INTERNET_FLAG_TRANSFER_BINARY,
                                        reinterpret_cast<DWORD_PTR>(&j));
    DWORD error = opened ? 0 : GetLastError();
    if (!opened && error == ERROR_IO_PENDING) {
        const Wait w = WaitForWinInet(j);
        if (w == Wait::Stopped) {
            Terminated(j, false);
            return nullptr;
        }
        if (w == Wait::Stalled) error = ERROR_INTERNET_TIMEOUT;
        else {
            opened = reinterpret_cast<HINTERNET>(j.asyncResult.load());
            error = opened ? 0 : j.asyncError.load();
        }
    }
    if (opened) j.urlFile = opened;
    if (!opened) {
        if (error != 0)
            Fail(j, u"Ошибка при открытии URL.", Printf("Open URL ERROR: %s.", ErrorText(error, "Unknown error.").c_str()));
        else
            Fail(j, u"Неправильный URL", "Open URL ERROR: Invalid URL.");
        return nullptr;
    }
    LOG(j, "URL opened successfully.");
    return opened;
}

// One read of the body, waiting for WinInet when it answers later; 0 or the error.
enum class Read { Data, Stopped };
Read ReadChunk(Job& j, DWORD* error) {
    j.bytesRead = 0;
    ResetEvent(j.completion);
    *error = 0;
    if (InternetReadFile(j.urlFile, j.buffer, sizeof j.buffer, &j.bytesRead)) return Read::Data;
    *error = GetLastError();
    if (*error != ERROR_IO_PENDING) return Read::Data;
    const Wait w = WaitForWinInet(j);
    if (w == Wait::Stopped) return Read::Stopped;
    *error = w == Wait::Stalled ? ERROR_INTERNET_TIMEOUT : j.asyncError.load();
    return Read::Data;
}

void Run(Job& j) {
    Connection connection(j);
    Status(j, Downloader::StatusInfo, u"Подключение к серверу...");
    LOG(j, "Open internet session.");
    j.session = InternetOpenA("", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC);
    if (!j.session) {
        const DWORD e = GetLastError();
        return Fail(j, u"Невозможно подключиться к серверу",
                    Printf("Open internet session ERROR: %s.", ErrorText(e, "Unknown error.").c_str()));
    }
    InternetSetStatusCallbackA(j.session, OnInternetStatus);
    INTERNET_CONNECTED_INFO connected = {INTERNET_STATE_CONNECTED, 0};
    InternetSetOptionA(j.session, INTERNET_OPTION_CONNECTED_STATE, &connected, sizeof connected);

    if (!OpenUrl(j)) return;
    if (StopRequested(j)) return Terminated(j, false);

    DWORD contentLength = 0, statusCode = 0, size = sizeof(DWORD);
    const bool lengthKnown = HttpQueryInfoA(j.urlFile, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                            &contentLength, &size, nullptr) != FALSE;
    size = sizeof(DWORD);
    HttpQueryInfoA(j.urlFile, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &statusCode, &size, nullptr);
    if (statusCode != 200 && statusCode != 302)
        return Fail(j, u"Файл не найден.", Printf("File %s not found.", j.url.c_str()));
    char type[256] = {};
    size = sizeof type - 1;
    if (HttpQueryInfoA(j.urlFile, HTTP_QUERY_CONTENT_TYPE, type, &size, nullptr)) j.contentType.assign(type, size);
    if (StopRequested(j)) return Terminated(j, false);

    TempFile temp(j.tempFile);
    if (!temp.IsOpen()) return Fail(j, nullptr, "Couldn't open TMP file.");
    uint64_t total = 0;
    for (;;) {
        DWORD readError = 0;
        if (ReadChunk(j, &readError) == Read::Stopped) return Terminated(j, true);
        // A body shorter than its Content-Length was cut off: a failure, not a file.
        if (readError == 0 && j.bytesRead == 0 && lengthKnown && total < contentLength)
            readError = ERROR_INTERNET_CONNECTION_RESET;
        if (readError != 0)
            return Fail(j, u"Ошибка загрузки файла",
                        Printf("Download file ERROR: %s.", ErrorText(readError, "Unknown error").c_str()));
        if (j.bytesRead == 0) break;
        if (!temp.Write(j.buffer, j.bytesRead))
            return Fail(j, u"Ошибка загрузки файла",
                        Printf("Write TMP file ERROR: %s.", ErrorText(GetLastError(), "Unknown error").c_str()));
        total += j.bytesRead;
        Status(j, Downloader::StatusInfo, ProgressText(total, contentLength, lengthKnown));
        if (StopRequested(j)) return Terminated(j, true);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(total));
    Status(j, Downloader::StatusInfo, u"Загружено: " + WidenBytes(text) + u" байт.");
    LOG(j, "Download %llu bytes successfull.", static_cast<unsigned long long>(total));
    temp.Close();
    Complete(j, j.tempFile);
}

}  // namespace

Downloader::Downloader() {
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, path);
    GetLongPathNameA(path, path, MAX_PATH);
    tempDir_ = path;
}

Downloader::~Downloader() { Stop(); }

void Downloader::OpenLog(const std::string& path) {
    logPath_ = path;
    if (std::FILE* f = std::fopen(path.c_str(), "w")) std::fclose(f);
}

std::string Downloader::TempFileFor(const std::string& extension) const {
    // The object's address alone is the same in two host processes; mixing in
    // the process id and a download counter keeps the name to this download.
    const uint32_t identity = uint32_t(reinterpret_cast<uintptr_t>(this)) ^ (GetCurrentProcessId() * 2654435761u) ^
                              (generation_ * 0x9E3779B9u);
    char name[32];
    std::snprintf(name, sizeof name, "Tmp_%08X", identity);
    return tempDir_ + name + extension;
}

int32_t Downloader::Download(const std::string& url) {
    Stop();
    ++generation_;
    Job* job = new Job();
    job->url = url;
    job->logPath = logPath_;
    job->onComplete = onComplete_;
    job->onStatus = onStatus_;

    URL_COMPONENTSA parts = {};
    char scheme[32], host[256], path[2048];
    parts.dwStructSize = sizeof parts;
    parts.lpszScheme = scheme, parts.dwSchemeLength = sizeof scheme;
    parts.lpszHostName = host, parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path, parts.dwUrlPathLength = sizeof path;
    if (url.empty() || !InternetCrackUrlA(url.c_str(), 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTP) {
        Fail(*job, u"Неправильный URL", "Open URL ERROR: Invalid URL.");
        job->Release();
        return 1;
    }
    job->tempFile = TempFileFor(ExtensionOfPath(parts.lpszUrlPath));

    // The worker keeps this module loaded until it has left our code.
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&Downloader::ThreadMain),
                            &job->module)) {
        job->Release();
        return 1;
    }
    job->AddRef();  // the worker's reference
    thread_ = CreateThread(nullptr, 0, ThreadMain, job, 0, &job->threadId);
    if (!thread_) {
        FreeLibrary(job->module);
        job->Release();
        job->Release();
        return 1;
    }
    job_ = job;
    return 1;
}

void Downloader::Stop() {
    if (!job_) return;
    job_->stop.store(true);
    SetEvent(job_->stopEvent);
    const bool fromWorker = GetCurrentThreadId() == job_->threadId;
    if (thread_) {
        // Never wait for ourselves (the worker may be the one unloading the module).
        if (!fromWorker) WaitForSingleObject(thread_, 2000);
        CloseHandle(thread_);
    }
    // A worker still busy (a long parse), or ended by the process's exit,
    // never reached its own last lines: the log says the session was stopped.
    if (!fromWorker && !job_->ended.load()) LogTerminated(*job_);
    thread_ = nullptr;
    job_->Release();
    job_ = nullptr;
}

bool Downloader::Stopping(void* job) { return static_cast<Job*>(job)->stop.load(); }

const std::u16string& Downloader::LastStatus(Job* job) { return job->lastStatus; }

const std::string& Downloader::ContentType(Job* job) { return job->contentType; }

DWORD WINAPI Downloader::ThreadMain(void* parameter) {
    Job* job = static_cast<Job*>(parameter);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    try {
        Run(*job);
    } catch (...) {
    }
    job->ended.store(true);
    if (SUCCEEDED(com)) CoUninitialize();
    HMODULE module = job->module;
    job->Release();
    FreeLibraryAndExitThread(module, 0);
    return 0;
}

void WriteLogRecord(const std::string& path, const char* format, ...) {
    if (path.empty()) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char message[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    std::FILE* f = std::fopen(path.c_str(), "at");
    if (!f) return;
    std::fseek(f, 0, SEEK_END);
    std::fprintf(f, "%s%s\n", LogPrefix(now.wHour, now.wMinute, now.wSecond, now.wMilliseconds).c_str(), message);
    std::fclose(f);
}
