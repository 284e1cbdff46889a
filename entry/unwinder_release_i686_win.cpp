// What the i686 unwinder keeps of this module, given back at unload.
//
// On i686 exceptions are unwound from DWARF tables that the runtime
// registers when the module loads and deregisters as the last thing it does
// when the module unloads. Its lock over the registered tables is a
// winpthreads mutex, made once through pthread_once and never destroyed: a
// heap block per load. And winpthreads' pthread_once gives the calling
// thread a record (a TLS slot, a block, a duplicated thread handle) that
// outlives the module. The DLL is linked with --wrap for the four functions
// below (cmake/windows.cmake), so that the runtime's calls come here.
#include <windows.h>

#include <pthread.h>

extern "C" {
int __real_pthread_mutex_init(pthread_mutex_t* mutex, const pthread_mutexattr_t* attr);
int __real_pthread_mutex_destroy(pthread_mutex_t* mutex);
void* __real___deregister_frame_info(const void* begin);
}

namespace {

// The mutexes the runtime made and has not destroyed: the unwinder's one,
// and the exception allocator's until its destructor runs.
constexpr int kMaxMade = 8;
SRWLOCK g_madeLock = SRWLOCK_INIT;
pthread_mutex_t* g_made[kMaxMade] = {};

void Remember(pthread_mutex_t* mutex, bool made) {
    AcquireSRWLockExclusive(&g_madeLock);
    for (pthread_mutex_t*& slot : g_made) {
        if (made && !slot) {
            slot = mutex;
            break;
        }
        if (!made && slot == mutex) {
            slot = nullptr;
            break;
        }
    }
    ReleaseSRWLockExclusive(&g_madeLock);
}

}  // namespace

extern "C" {

// The same once as winpthreads' (its pthread_once_t: 0 not run, 1 done; 2
// here while it runs), over one interlocked word and nothing per thread.
int __wrap_pthread_once(pthread_once_t* once, void (*run)(void)) {
    auto* state = reinterpret_cast<LONG volatile*>(once);
    for (;;) {
        const LONG seen = InterlockedCompareExchange(state, 2, 0);
        if (seen == 1) return 0;
        if (seen == 0) {
            run();
            InterlockedExchange(state, 1);
            return 0;
        }
        SwitchToThread();
    }
}

int __wrap_pthread_mutex_init(pthread_mutex_t* mutex, const pthread_mutexattr_t* attr) {
    const int result = __real_pthread_mutex_init(mutex, attr);
    if (result == 0) Remember(mutex, true);
    return result;
}

int __wrap_pthread_mutex_destroy(pthread_mutex_t* mutex) {
    Remember(mutex, false);
    return __real_pthread_mutex_destroy(mutex);
}

// The runtime's last act in an unload (an exit handler registered before
// any other): after it no code of this module runs, so the mutexes still
// made can go.
void* __wrap___deregister_frame_info(const void* begin) {
    void* object = __real___deregister_frame_info(begin);
    for (pthread_mutex_t*& slot : g_made) {
        if (slot) __real_pthread_mutex_destroy(slot);
        slot = nullptr;
    }
    return object;
}

}  // extern "C"
