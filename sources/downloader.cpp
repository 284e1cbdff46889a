#include "sources/downloader.h"

#include <wininet.h>

#include <cstdarg>
#include <cstdio>

#include "sources/download_text.h"

DWORD Downloader::stallTimeoutMs = 60000;

struct Downloader::Job {
    volatile LONG refs = 1;
    volatile LONG stop = 0;
    HANDLE stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE completion = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    DWORD threadId = 0;
    HMODULE module = nullptr;
    std::string url, tempFile, logPath;
    CompleteFn onComplete = nullptr;
    StatusFn onStatus = nullptr;
    std::u16string lastStatus;
    // WinInet's asynchronous results
    volatile DWORD_PTR asyncResult = 0;
    volatile DWORD asyncError = 0;
    HINTERNET session = nullptr;
    HINTERNET urlFile = nullptr;
    DWORD bytesRead = 0;
    char buffer[256];

    ~Job() {
        CloseHandle(stopEvent);
        CloseHandle(completion);
    }
    void AddRef() { InterlockedIncrement(&refs); }
    void Release() {
        if (InterlockedDecrement(&refs) == 0) delete this;
    }
};

namespace {

using Job = Downloader::Job;

std::u16string Widen(const char* text) {
    std::u16string out;
    for (; *text; ++text) out.push_back(char16_t(static_cast<unsigned char>(*text)));
    return out;
}

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

bool StopRequested(const Job& j) { return j.stop != 0; }

void CloseConnection(Job& j) {
    if (j.urlFile) {
        InternetSetStatusCallbackA(j.urlFile, nullptr);
        InternetCloseHandle(j.urlFile);
        j.urlFile = nullptr;
        LOG(j, "URL closed.");
    }
    if (j.session) {
        InternetSetStatusCallbackA(j.session, nullptr);
        InternetCloseHandle(j.session);
        j.session = nullptr;
        LOG(j, "Internet session closed.");
    }
}

void Run(Job& j) {
    Status(j, Downloader::StatusInfo, u"Подключение к серверу...");
    LOG(j, "Open internet session.");
    j.session = InternetOpenA("", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC);
    if (!j.session) {
        const DWORD e = GetLastError();
        Status(j, Downloader::StatusError, u"Невозможно подключиться к серверу");
        LOG(j, "Open internet session ERROR: %s.", ErrorText(e, "Unknown error.").c_str());
        Complete(j, "");
        CloseConnection(j);
        return;
    }
    InternetSetStatusCallbackA(j.session, OnInternetStatus);
    INTERNET_CONNECTED_INFO connected = {INTERNET_STATE_CONNECTED, 0};
    InternetSetOptionA(j.session, INTERNET_OPTION_CONNECTED_STATE, &connected, sizeof connected);

    LOG(j, "Open URL %s...", j.url.c_str());
    ResetEvent(j.completion);
    HINTERNET opened = InternetOpenUrlA(j.session, j.url.c_str(), nullptr, 0,
                                        INTERNET_FLAG_RELOAD | INTERNET_FLAG_TRANSFER_BINARY,
                                        reinterpret_cast<DWORD_PTR>(&j));
    DWORD error = opened ? 0 : GetLastError();
    if (!opened && error == ERROR_IO_PENDING) {
        const Wait w = WaitForWinInet(j);
        if (w == Wait::Stopped) {
            LOG(j, "Session terminated.");
            CloseConnection(j);
            return;
        }
        if (w == Wait::Stalled) error = ERROR_INTERNET_TIMEOUT;
        else {
            opened = reinterpret_cast<HINTERNET>(j.asyncResult);
            error = opened ? 0 : j.asyncError;
        }
    }
    if (opened) j.urlFile = opened;
    if (!opened) {
        if (error != 0) {
            Status(j, Downloader::StatusError, u"Ошибка при открытии URL.");
            LOG(j, "Open URL ERROR: %s.", ErrorText(error, "Unknown error.").c_str());
        } else {
            Status(j, Downloader::StatusError, u"Неправильный URL");
            LOG(j, "Open URL ERROR: Invalid URL.");
        }
        Complete(j, "");
        CloseConnection(j);
        return;
    }
    LOG(j, "URL opened successfully.");
    if (StopRequested(j)) {
        LOG(j, "Session terminated.");
        CloseConnection(j);
        return;
    }

    DWORD contentLength = 0, statusCode = 0, size = sizeof(DWORD);
    const bool lengthKnown = HttpQueryInfoA(j.urlFile, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                            &contentLength, &size, nullptr) != FALSE;
    size = sizeof(DWORD);
    HttpQueryInfoA(j.urlFile, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &statusCode, &size, nullptr);
    if (statusCode != 200 && statusCode != 302) {
        Status(j, Downloader::StatusError, u"Файл не найден.");
        LOG(j, "File %s not found.", j.url.c_str());
        Complete(j, "");
        CloseConnection(j);
        return;
    }
    if (StopRequested(j)) {
        LOG(j, "Session terminated.");
        CloseConnection(j);
        return;
    }

    std::FILE* temp = std::fopen(j.tempFile.c_str(), "w+b");
    if (!temp) {
        LOG(j, "Couldn't open TMP file.");
        Complete(j, "");
        CloseConnection(j);
        return;
    }
    auto discard = [&] {
        std::fclose(temp);
        DeleteFileA(j.tempFile.c_str());
    };
    uint64_t total = 0;
    for (;;) {
        j.bytesRead = 0;
        ResetEvent(j.completion);
        DWORD readError = 0;
        if (!InternetReadFile(j.urlFile, j.buffer, sizeof j.buffer, &j.bytesRead)) {
            readError = GetLastError();
            if (readError == ERROR_IO_PENDING) {
                const Wait w = WaitForWinInet(j);
                readError = w == Wait::Stalled ? ERROR_INTERNET_TIMEOUT : (w == Wait::Done ? j.asyncError : 0);
                if (w == Wait::Stopped) {
                    LOG(j, "Session terminated.");
                    Complete(j, "");
                    discard();
                    CloseConnection(j);
                    return;
                }
            }
        }
        // A body shorter than its Content-Length was cut off: a failure, not a file.
        if (readError == 0 && j.bytesRead == 0 && lengthKnown && total < contentLength) readError = ERROR_INTERNET_CONNECTION_RESET;
        if (readError != 0) {
            Status(j, Downloader::StatusError, u"Ошибка загрузки файла");
            LOG(j, "Download file ERROR: %s.", ErrorText(readError, "Unknown error").c_str());
            Complete(j, "");
            discard();
            CloseConnection(j);
            return;
        }
        if (j.bytesRead == 0) {
            char text[64];
            std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(total));
            Status(j, Downloader::StatusInfo, u"Загружено: " + Widen(text) + u" байт.");
            LOG(j, "Download %llu bytes successfull.", static_cast<unsigned long long>(total));
            std::fclose(temp);
            Complete(j, j.tempFile);
            DeleteFileA(j.tempFile.c_str());
            CloseConnection(j);
            return;
        }
        if (std::fwrite(j.buffer, 1, j.bytesRead, temp) != j.bytesRead) {
            Status(j, Downloader::StatusError, u"Ошибка загрузки файла");
            LOG(j, "Write TMP file ERROR: %s.", ErrorText(GetLastError(), "Unknown error").c_str());
            Complete(j, "");
            discard();
            CloseConnection(j);
            return;
        }
        total += j.bytesRead;
        Status(j, Downloader::StatusInfo, ProgressText(total, contentLength, lengthKnown));
        if (StopRequested(j)) {
            LOG(j, "Session terminated.");
            Complete(j, "");
            discard();
            CloseConnection(j);
            return;
        }
    }
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
        Status(*job, StatusError, u"Неправильный URL");
        LOG(*job, "Open URL ERROR: Invalid URL.");
        Complete(*job, "");
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
    InterlockedExchange(&job_->stop, 1);
    SetEvent(job_->stopEvent);
    if (thread_) {
        // Never wait for ourselves (the worker may be the one unloading the module).
        if (GetCurrentThreadId() != job_->threadId) WaitForSingleObject(thread_, 2000);
        CloseHandle(thread_);
    }
    thread_ = nullptr;
    job_->Release();
    job_ = nullptr;
}

bool Downloader::Stopping(void* job) { return static_cast<Job*>(job)->stop != 0; }

const std::u16string& Downloader::LastStatus(Job* job) { return job->lastStatus; }

DWORD WINAPI Downloader::ThreadMain(void* parameter) {
    Job* job = static_cast<Job*>(parameter);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    try {
        Run(*job);
    } catch (...) {
    }
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
