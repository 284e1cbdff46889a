/* The soak's control: a C library that does nothing but import the same
 * system DLLs as the plug-in. Loading and unloading it as often as the
 * plug-in measures what Wine's own DLLs keep per load (comdlg32 keeps a
 * mutex), so that the soak can tell it apart from the plug-in's. Written in
 * C on purpose: the C++ runtime's leftovers belong to the plug-in. */
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>
#include <usp10.h>
#include <wininet.h>

/* One function of each DLL, so that the linker keeps every import. */
__declspec(dllexport) const void* const soak_control_imports[] = {
    (const void*)RegOpenKeyExA,           /* advapi32 */
    (const void*)InitCommonControlsEx,    /* comctl32 */
    (const void*)GetOpenFileNameA,        /* comdlg32 */
    (const void*)GetStockObject,          /* gdi32 */
    (const void*)GetTickCount,            /* kernel32 */
    (const void*)CoInitializeEx,          /* ole32 */
    (const void*)SysFreeString,           /* oleaut32 */
    (const void*)SHGetSpecialFolderPathA, /* shell32 */
    (const void*)GetDesktopWindow,        /* user32 */
    (const void*)ScriptFreeCache,         /* usp10 */
    (const void*)InternetCrackUrlA,       /* wininet */
    (const void*)WSAStartup,              /* ws2_32 */
};

__declspec(dllexport) int __cdecl soak_control_version(void) { return 3; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
