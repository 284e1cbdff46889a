// A worker thread that holds a reference to this module until it has left
// the module's code (FreeLibraryAndExitThread), so that a host unloading
// the plug-in while the worker winds down never returns it into unmapped
// code. Whatever the body uses must outlive it: a caller whose Join times
// out leaves that to the body (a record the body frees last, say).
#pragma once
#include <windows.h>

class ModuleThread {
public:
    using Body = void (*)(void* context);

    ModuleThread() = default;
    ~ModuleThread() { Release(); }
    ModuleThread(const ModuleThread&) = delete;
    ModuleThread& operator=(const ModuleThread&) = delete;

    // Runs `body(context)` on a new thread; false when none could start
    // (the body then never runs).
    bool Start(Body body, void* context) {
        Release();
        Launch* launch = new Launch{body, context, nullptr};
        if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ModuleThread::Main),
                                &launch->module)) {
            delete launch;
            return false;
        }
        thread_ = CreateThread(nullptr, 0, Main, launch, 0, nullptr);
        if (!thread_) {
            FreeLibrary(launch->module);
            delete launch;
            return false;
        }
        return true;
    }

    // Waits up to `ms` for the thread to end; true when it has (or none
    // ran). The handle is let go either way: a thread still running goes
    // on alone.
    bool Join(DWORD ms) {
        if (!thread_) return true;
        const bool ended = WaitForSingleObject(thread_, ms) == WAIT_OBJECT_0;
        Release();
        return ended;
    }

private:
    struct Launch {
        Body body;
        void* context;
        HMODULE module;
    };

    static DWORD WINAPI Main(void* parameter) {
        const Launch launch = *static_cast<Launch*>(parameter);
        delete static_cast<Launch*>(parameter);
        try {
            launch.body(launch.context);
        } catch (...) {
        }
        FreeLibraryAndExitThread(launch.module, 0);
        return 0;
    }

    void Release() {
        if (thread_) CloseHandle(thread_);
        thread_ = nullptr;
    }

    HANDLE thread_ = nullptr;
};
