#include "feed/downloader_win.h"

#include <wininet.h>

#include <cstdio>

#include "feed/download_text.h"

DWORD Downloader::stallTimeoutMs = 30000;

Downloader::Downloader(DownloadHandler& handler) : handler_(handler) {
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

void Downloader::Download(const DownloadRequest& request) {
    Stop();
    ++generation_;
    const std::string& url = request.url;
    const bool userRun = request.userRun;
    Job* job = new Job();
    job->url = url;
    job->logPath = logPath_;
    job->logPrefix = request.logPrefix;
    job->run = request.run;
    job->slots = request.slots;
    job->maxBytes = request.maxBytes;
    job->maxItems = request.maxItems;
    job->handler = &handler_;
    job->stallTimeoutMs = stallTimeoutMs;
    job->hops = ConditionalHops(validators_.ForRequest(url, userRun));

    URL_COMPONENTSA parts = {};
    char scheme[32], host[256], path[2048];
    parts.dwStructSize = sizeof parts;
    parts.lpszScheme = scheme, parts.dwSchemeLength = sizeof scheme;
    parts.lpszHostName = host, parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path, parts.dwUrlPathLength = sizeof path;
    if (url.empty() || !InternetCrackUrlA(url.c_str(), 0, 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
        validators_.Finished(url, ValidatorMemory::Outcome::Failed, RefreshValidators());
        FailDownload(*job, u"Неправильный URL", "Open URL ERROR: Invalid URL.");
        job->Release();
        return;
    }
    job->tempFile = TempFileFor(ExtensionOfPath(parts.lpszUrlPath));

    // The worker keeps this module loaded until it has left our code.
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&Downloader::ThreadMain),
                            &job->module)) {
        job->Release();
        return;
    }
    job->AddRef();  // the worker's reference
    thread_ = CreateThread(nullptr, 0, ThreadMain, job, 0, &job->threadId);
    if (!thread_) {
        FreeLibrary(job->module);
        job->Release();
        job->Release();
        return;
    }
    job_ = job;
}

void Downloader::RequestStop() {
    if (!job_) return;
    job_->stop.Raise();
    SetEvent(job_->stopEvent);
}

void Downloader::Stop() {
    if (!job_) return;
    RequestStop();
    const bool fromWorker = GetCurrentThreadId() == job_->threadId;
    if (thread_) {
        // Never wait for ourselves (the worker may be the one unloading the module).
        if (!fromWorker) WaitForSingleObject(thread_, 2000);
        CloseHandle(thread_);
    }
    // A worker still busy (a long parse), or ended by the process's exit,
    // never reached its own last lines: the log says the session was stopped.
    const bool ended = job_->ended.load();
    if (!fromWorker && !ended) LogTerminated(*job_);
    // What the next automatic refresh may ask with: only a download that
    // ended well (or was found unchanged) leaves validators behind.
    const ValidatorMemory::Outcome outcome = !ended                    ? ValidatorMemory::Outcome::Failed
                                             : job_->notModified.load() ? ValidatorMemory::Outcome::NotModified
                                             : job_->good.load()        ? ValidatorMemory::Outcome::Good
                                                                        : ValidatorMemory::Outcome::Failed;
    validators_.Finished(job_->url, outcome, job_->hops.Kept());
    thread_ = nullptr;
    job_->Release();
    job_ = nullptr;
}

DWORD WINAPI Downloader::ThreadMain(void* parameter) {
    Job* job = static_cast<Job*>(parameter);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    try {
        RunDownload(*job);
    } catch (...) {
    }
    job->ended.store(true);
    if (SUCCEEDED(com)) CoUninitialize();
    HMODULE module = job->module;
    job->Release();
    FreeLibraryAndExitThread(module, 0);
    return 0;
}
