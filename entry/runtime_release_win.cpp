// What the static C++ runtime takes for this module, given back when it
// unloads.
//
// libstdc++ keeps an emergency buffer for exceptions thrown when memory runs
// out (18 KB on i686, 73 KB on x86-64); __freeres frees it.
//
// libstdc++ keeps, per thread, the exceptions being handled and the count of
// those not yet caught, and on MinGW it keeps them in emulated TLS: at first
// use that takes a TLS slot (and, through winpthreads, a lock and a record
// per thread), and nothing gives them back when the DLL is unloaded. A host
// that loads and unloads plug-ins ran out of the process's TLS slots after
// about a thousand loads and aborted. Defining the runtime's two accessors
// here makes the linker take these and never pull libstdc++'s; their state
// lives in one TLS slot of this module's that DllMain frees.
#include "entry/runtime_release_win.h"

#include <windows.h>

// libstdc++ has it but no header declares it.
namespace __gnu_cxx {
void __freeres() noexcept;
}

namespace {

// libstdc++'s __cxa_eh_globals, whose layout the runtime reads.
struct EhGlobals {
    void* caughtExceptions;
    unsigned int uncaughtExceptions;
};

struct ThreadRecord {
    EhGlobals globals;  // first: the runtime is handed its address
    ThreadRecord* prev;
    ThreadRecord* next;
};

DWORD volatile g_slot = TLS_OUT_OF_INDEXES;
SRWLOCK g_listLock = SRWLOCK_INIT;
ThreadRecord* g_records = nullptr;  // every thread's record, to free at unload
bool volatile g_released = false;  // from unload on, no slot is taken again
// For a thread whose record cannot be had (no memory, or the module already
// released everything while a static destructor still catches something).
EhGlobals g_fallback = {};

DWORD Slot() {
    DWORD slot = g_slot;
    if (slot != TLS_OUT_OF_INDEXES) return slot;
    const DWORD mine = TlsAlloc();
    if (mine == TLS_OUT_OF_INDEXES) return mine;
    const DWORD before = static_cast<DWORD>(InterlockedCompareExchange(
        reinterpret_cast<LONG volatile*>(&g_slot), static_cast<LONG>(mine), static_cast<LONG>(TLS_OUT_OF_INDEXES)));
    if (before == TLS_OUT_OF_INDEXES) return mine;
    TlsFree(mine);  // another thread was first
    return before;
}

void Unlink(ThreadRecord* r) {
    if (r->prev) r->prev->next = r->next;
    else g_records = r->next;
    if (r->next) r->next->prev = r->prev;
}

EhGlobals* ThisThreadsGlobals() {
    if (g_released) return &g_fallback;
    const DWORD slot = Slot();
    if (slot == TLS_OUT_OF_INDEXES) return &g_fallback;
    if (void* held = TlsGetValue(slot)) return &static_cast<ThreadRecord*>(held)->globals;
    // TlsGetValue may have cleared the last error; the runtime's callers
    // (a catch in the middle of a failing Win32 call) should not see it.
    const DWORD error = GetLastError();
    auto* r = static_cast<ThreadRecord*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ThreadRecord)));
    if (r) {
        AcquireSRWLockExclusive(&g_listLock);
        if (g_released) {
            ReleaseSRWLockExclusive(&g_listLock);
            HeapFree(GetProcessHeap(), 0, r);
            SetLastError(error);
            return &g_fallback;
        }
        r->next = g_records;
        if (g_records) g_records->prev = r;
        g_records = r;
        ReleaseSRWLockExclusive(&g_listLock);
        TlsSetValue(slot, r);
    }
    SetLastError(error);
    return r ? &r->globals : &g_fallback;
}

}  // namespace

extern "C" {
void* __cxa_get_globals() noexcept { return ThisThreadsGlobals(); }
void* __cxa_get_globals_fast() noexcept { return ThisThreadsGlobals(); }
}

void ReleaseThreadRuntime() {
    const DWORD slot = g_slot;
    if (slot == TLS_OUT_OF_INDEXES) return;
    auto* r = static_cast<ThreadRecord*>(TlsGetValue(slot));
    if (!r) return;
    TlsSetValue(slot, nullptr);
    AcquireSRWLockExclusive(&g_listLock);
    Unlink(r);
    ReleaseSRWLockExclusive(&g_listLock);
    HeapFree(GetProcessHeap(), 0, r);
}

void ReleaseRuntime() {
    __gnu_cxx::__freeres();
    AcquireSRWLockExclusive(&g_listLock);
    g_released = true;
    ThreadRecord* r = g_records;
    g_records = nullptr;
    ReleaseSRWLockExclusive(&g_listLock);
    while (r) {
        ThreadRecord* next = r->next;
        HeapFree(GetProcessHeap(), 0, r);
        r = next;
    }
    const DWORD slot = g_slot;
    g_slot = TLS_OUT_OF_INDEXES;
    if (slot != TLS_OUT_OF_INDEXES) TlsFree(slot);
}

