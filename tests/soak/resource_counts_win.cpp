#include "tests/soak/resource_counts_win.h"

#include <tlhelp32.h>
#include <psapi.h>

#include <cstdio>

const char* const kGdiKindNames[kGdiKinds] = {"DC", "bitmap", "font", "brush", "pen", "region", "palette", "other"};

void CountHeap(int64_t* bytes, int64_t* blocks) {
    *bytes = *blocks = 0;
    HANDLE heaps[256];
    const DWORD n = GetProcessHeaps(256, heaps);
    for (DWORD i = 0; i < n && i < 256; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                *bytes += int64_t(entry.cbData);
                ++*blocks;
            }
        }
        HeapUnlock(heaps[i]);
    }
}

namespace {

// One entry of the table Wine (7 and later) shares with the process, as its
// GDI keeps it: the object's 7-bit type sits in the low bits of byte 12,
// bit 7 of that byte marks stock objects, byte 14 is 0 for a free entry.
constexpr size_t kGdiEntryBytes = 24;
constexpr size_t kGdiEntries = 0x10000;

const uint8_t* GdiTable() {
    // The PEB's address from the thread block (gs:0x60 / fs:0x30), then its table pointer.
    const uint8_t* peb;
#ifdef _WIN64
    __asm__("movq %%gs:0x60, %0" : "=r"(peb));
    return *reinterpret_cast<const uint8_t* const*>(peb + 0xF8);
#else
    __asm__("movl %%fs:0x30, %0" : "=r"(peb));
    return *reinterpret_cast<const uint8_t* const*>(peb + 0x94);
#endif
}

GdiKind KindOf(uint8_t extType) {
    switch (extType) {
    case 0x01: case 0x21: case 0x41: case 0x66: return kGdiDc;  // window, memory and metafile DCs
    case 0x05: case 0x09: return kGdiBitmap;
    case 0x0a: return kGdiFont;
    case 0x10: return kGdiBrush;
    case 0x30: case 0x50: return kGdiPen;
    case 0x04: return kGdiRegion;
    case 0x08: return kGdiPalette;
    default: return kGdiOther;
    }
}

// SystemHandleInformation's records, in the layout both Windows and Wine use.
struct HandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    void* object;
    ULONG access;
};
struct HandleList {
    ULONG count;
    HandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int64_t*>(count);
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM count) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId()) {
        ++*reinterpret_cast<int64_t*>(count);
        EnumChildWindows(window, CountChild, count);
    }
    return TRUE;
}

}  // namespace

bool CountGdiObjects(int64_t (&kinds)[kGdiKinds]) {
    for (int64_t& k : kinds) k = 0;
    const uint8_t* table = GdiTable();
    if (!table) return false;
    for (size_t i = 0; i < kGdiEntries; ++i) {
        const uint8_t* e = table + i * kGdiEntryBytes;
        if (e[14] == 0 || (e[12] & 0x80)) continue;  // free, or a stock object
        ++kinds[KindOf(e[12] & 0x7f)];
    }
    return true;
}

int64_t CountWindows() {
    int64_t count = 0;
    EnumWindows(CountTopLevel, LPARAM(&count));
    for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
         w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid != GetCurrentProcessId()) continue;
        ++count;
        EnumChildWindows(w, CountChild, LPARAM(&count));
    }
    return count;
}

int64_t CountThreads() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int64_t count = 0;
    THREADENTRY32 t = {};
    t.dwSize = sizeof t;
    for (BOOL more = Thread32First(snapshot, &t); more; more = Thread32Next(snapshot, &t))
        if (t.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    CloseHandle(snapshot);
    return count;
}

int64_t CountKernelHandles() {
    static auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    // Outside every heap, so that counting handles never shows up as heap.
    static void* buffer = nullptr;
    static ULONG size = 0;
    if (!query) return -1;
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (!buffer) {
            size = size ? size * 2 : (1u << 22);
            buffer = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
            if (!buffer) return -1;
        }
        ULONG needed = 0;
        const LONG status = query(16 /* SystemHandleInformation */, buffer, size, &needed);
        if (status == 0) {
            const HandleList* list = static_cast<const HandleList*>(buffer);
            int64_t count = 0;
            for (ULONG i = 0; i < list->count; ++i)
                if (list->entries[i].ownerPid == GetCurrentProcessId()) ++count;
            return count;
        }
        if (status != LONG(0xC0000004) /* STATUS_INFO_LENGTH_MISMATCH */) return -1;
        VirtualFree(buffer, 0, MEM_RELEASE);
        buffer = nullptr;
    }
    return -1;
}

int64_t CountTempFiles(const char* pattern) {
    char folder[MAX_PATH] = {};
    const DWORD n = GetTempPathA(MAX_PATH, folder);
    if (n == 0 || n + lstrlenA(pattern) + 1 > MAX_PATH) return -1;
    lstrcatA(folder, pattern);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(folder, &found);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int64_t count = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return count;
}

int64_t CountTlsSlots() {
    // 64 slots in the thread block and 1024 expansion slots. Taking them all
    // and giving them back allocates nothing: a thread's expansion array is
    // made only when a value is set.
    constexpr int64_t kSlots = 64 + 1024;
    static DWORD taken[kSlots];
    int64_t n = 0;
    while (n < kSlots) {
        const DWORD slot = TlsAlloc();
        if (slot == TLS_OUT_OF_INDEXES) break;
        taken[n++] = slot;
    }
    for (int64_t i = 0; i < n; ++i) TlsFree(taken[i]);
    return kSlots - n;
}

ResourceCounts CountResources() {
    ResourceCounts c;
    // Wine gives every thread its array of expansion slots the first time
    // one is taken: before the heap, so that the array is there at every
    // heap count.
    c.tlsSlots = CountTlsSlots();
    CountHeap(&c.heapBytes, &c.heapBlocks);  // first: the other counts may allocate (and free) on the way
    CountGdiObjects(c.gdi);
    c.windows = CountWindows();
    c.threads = CountThreads();
    c.tempFiles = CountTempFiles();
    c.handles = CountKernelHandles();  // last: the thread snapshot's handle is closed by now
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) {
        c.pagefileBytes = int64_t(memory.PagefileUsage);
        c.workingSetBytes = int64_t(memory.WorkingSetSize);
    }
    return c;
}

bool GdiCounterFollows(char* why, size_t whySize) {
    int64_t before[kGdiKinds], during[kGdiKinds], after[kGdiKinds];
    HDC screen = GetDC(nullptr);  // before the first count: the screen's DC may be made (and kept) now
    if (!CountGdiObjects(before)) {
        ReleaseDC(nullptr, screen);
        std::snprintf(why, whySize, "no shared GDI handle table in the PEB");
        return false;
    }
    HGDIOBJ made[64];
    int n = 0;
    for (int i = 0; i < 20; ++i) made[n++] = CreateSolidBrush(RGB(i, 2, 3));
    for (int i = 0; i < 4; ++i) made[n++] = CreatePen(PS_SOLID, 1 + i, RGB(1, i, 3));
    for (int i = 0; i < 3; ++i) made[n++] = CreateFontW(-12 - i, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
    for (int i = 0; i < 7; ++i) made[n++] = CreateCompatibleBitmap(screen, 8 + i, 8);
    for (int i = 0; i < 5; ++i) made[n++] = CreateCompatibleDC(screen);
    for (int i = 0; i < 2; ++i) made[n++] = CreateRectRgn(0, 0, 10 + i, 10);
    CountGdiObjects(during);
    const int64_t expected[kGdiKinds] = {5, 7, 3, 20, 4, 2, 0, 0};
    bool ok = true;
    for (int k = 0; k < kGdiKinds; ++k) {
        if (during[k] - before[k] != expected[k]) {
            std::snprintf(why, whySize, "%s: made %lld, counted %lld more", kGdiKindNames[k],
                          static_cast<long long>(expected[k]), static_cast<long long>(during[k] - before[k]));
            ok = false;
        }
    }
    for (int i = 0; i < n; ++i) {
        if (GetObjectType(made[i]) == OBJ_MEMDC) DeleteDC(HDC(made[i]));
        else DeleteObject(made[i]);
    }
    CountGdiObjects(after);
    ReleaseDC(nullptr, screen);
    for (int k = 0; ok && k < kGdiKinds; ++k) {
        if (after[k] != before[k]) {
            std::snprintf(why, whySize, "%s: %lld left after deleting what was made", kGdiKindNames[k],
                          static_cast<long long>(after[k] - before[k]));
            ok = false;
        }
    }
    return ok;
}
