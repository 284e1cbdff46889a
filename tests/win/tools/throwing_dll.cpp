// A module built as the plug-in is (static runtime, the same release of
// what the runtime keeps) whose one export throws and catches: the test
// loads and unloads it more often than a process has TLS slots.
#include <windows.h>

#include <stdexcept>
#include <string>

#include "entry/runtime_release_win.h"

extern "C" __declspec(dllexport) int __cdecl ThrowAndCatch(int times) {
    int caught = 0;
    for (int i = 0; i < times; ++i) {
        try {
            throw std::runtime_error(std::string(40, 'x'));  // past the small-string buffer
        } catch (const std::exception& e) {
            caught += e.what()[0] == 'x';
        }
    }
    return caught;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_THREAD_DETACH) ReleaseThreadRuntime();
    if (reason == DLL_PROCESS_DETACH && !reserved) ReleaseRuntime();
    return TRUE;
}
