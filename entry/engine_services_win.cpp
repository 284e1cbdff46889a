#include "entry/engine_services_win.h"

#include <ctime>

#include "base/stop_signal.h"
#include "sources/text_sources.h"

int64_t WinEngineServices::NowSeconds() { return static_cast<int64_t>(_time64(nullptr)); }

uint64_t WinEngineServices::NowLocalStamp() {
    SYSTEMTIME local;
    GetLocalTime(&local);
    FILETIME stamp;
    if (!SystemTimeToFileTime(&local, &stamp)) return 0;
    return uint64_t(stamp.dwHighDateTime) << 32 | stamp.dwLowDateTime;
}

namespace {

// Between two looks at a watched file: a save shows within a pass even at
// high speeds, and a look is one query of the file's attributes.
constexpr DWORD kLookIntervalMs = 250;

struct WinFileProbe final : FileProbe {
    FileStamp Stamp(const std::string& path) override {
        WIN32_FILE_ATTRIBUTE_DATA d;
        if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d) || (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return FileStamp();
        FileStamp s;
        s.exists = true;
        s.writeTime = uint64_t(d.ftLastWriteTime.dwHighDateTime) << 32 | d.ftLastWriteTime.dwLowDateTime;
        s.size = uint64_t(d.nFileSizeHigh) << 32 | d.nFileSizeLow;
        return s;
    }

    bool Read(const std::string& path, std::string& bytes) override {
        // Shared for deletion too: an editor that renames its new file over
        // this one must not fail because we are reading it.
        HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        bytes.clear();
        char buffer[65536];
        DWORD n = 0;
        bool ok;
        while ((ok = ReadFile(f, buffer, sizeof buffer, &n, nullptr) != FALSE) && n > 0) bytes.append(buffer, n);
        CloseHandle(f);
        return ok;
    }
};

}  // namespace

// Shared by the services and the worker; the last to let go frees it.
struct WinEngineServices::WatchJob {
    WatchJob(const std::string& path, const FileStamp& seen, NewsDesk& to) : watch(path, seen), desk(to) {}
    ~WatchJob() { CloseHandle(stopEvent); }
    void Release() {
        if (--refs == 0) delete this;
    }

    std::atomic<long> refs{2};
    StopFlag stop;
    HANDLE stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HMODULE module = nullptr;
    TextFileWatch watch;
    NewsDesk& desk;
};

void WinEngineServices::WatchFile(const std::string& path, NewsDesk& desk) {
    StopWatchingFile();
    if (path.empty()) return;
    WinFileProbe probe;
    WatchJob* job = new WatchJob(path, probe.Stamp(path), desk);
    if (!job->stopEvent ||
        !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&WinEngineServices::WatchMain),
                            &job->module)) {
        delete job;
        return;
    }
    HANDLE thread = CreateThread(nullptr, 0, WatchMain, job, 0, nullptr);
    if (!thread) {
        FreeLibrary(job->module);
        delete job;
        return;
    }
    CloseHandle(thread);
    LockGuard guard(watchLock_);
    std::swap(watch_, job);
    if (job) {  // another thread began a watch meanwhile: the newer call's wins
        job->stop.Raise();
        SetEvent(job->stopEvent);
        job->Release();
    }
}

void WinEngineServices::StopWatchingFile() {
    WatchJob* job;
    {
        LockGuard guard(watchLock_);
        job = watch_;
        watch_ = nullptr;
    }
    if (!job) return;
    job->stop.Raise();
    SetEvent(job->stopEvent);
    job->Release();
}

DWORD WINAPI WinEngineServices::WatchMain(void* parameter) {
    WatchJob* job = static_cast<WatchJob*>(parameter);
    WinFileProbe probe;
    while (WaitForSingleObject(job->stopEvent, kLookIntervalMs) == WAIT_TIMEOUT) {
        try {
            Bulletin saved;
            saved.from = Bulletin::From::TextFile;
            if (job->watch.Look(probe, saved.messages) && !job->desk.Offer(saved, job->stop)) break;
        } catch (...) {
            // Out of memory for a huge file: the next look tries again.
        }
    }
    HMODULE module = job->module;
    job->Release();
    FreeLibraryAndExitThread(module, 0);
    return 0;
}
