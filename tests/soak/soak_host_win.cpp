#include "tests/soak/soak_host_win.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::string FullPath(const std::string& path) {
    const std::string joined = path.size() > 1 && path[1] == ':' ? path : ExeFolder() + path;
    char full[MAX_PATH] = {};
    GetFullPathNameA(joined.c_str(), MAX_PATH, full, nullptr);
    return full;
}

[[noreturn]] void Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::fprintf(stderr, "soak: ");
    std::vfprintf(stderr, format, args);
    std::fprintf(stderr, "\n");
    va_end(args);
    std::exit(2);
}

namespace {

bool g_verbose = false;
std::atomic<const char*> g_doing{"setting up"};
std::atomic<DWORD> g_since{0};

}  // namespace

void SetVerbose(bool on) { g_verbose = on; }

void Trace(const char* what) {
    g_doing = what;
    g_since = GetTickCount();
    if (g_verbose) std::fprintf(stderr, "soak: %lu %s\n", GetTickCount(), what);
}

void StartWatchdog() {
    g_since = GetTickCount();
    std::thread([] {
        for (;;) {
            Sleep(1000);
            if (GetTickCount() - g_since.load() > 60000) {
                std::fprintf(stderr, "soak: stuck for a minute in a %s cycle\n", g_doing.load());
                std::fflush(stdout);
                ExitProcess(3);
            }
        }
    }).detach();
}

void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(1);
    } while (int32_t(GetTickCount() - end) < 0);
}

// ---- files ----

bool ReadSmallFile(const std::string& path, char* buffer, DWORD size) {
    buffer[0] = 0;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD read = 0;
    const BOOL ok = ReadFile(f, buffer, size - 1, &read, nullptr);
    CloseHandle(f);
    buffer[ok ? read : 0] = 0;
    return ok != FALSE;
}

void WriteSmallFile(const std::string& path, const char* text) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) Fail("cannot write %s", path.c_str());
    DWORD written = 0;
    WriteFile(f, text, DWORD(std::strlen(text)), &written, nullptr);
    CloseHandle(f);
}

std::set<std::string> ImportedDlls(const std::string& path) {
    std::set<std::string> names;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return names;
    std::vector<uint8_t> image(GetFileSize(f, nullptr));
    DWORD read = 0;
    ReadFile(f, image.data(), DWORD(image.size()), &read, nullptr);
    CloseHandle(f);
    if (read < sizeof(IMAGE_DOS_HEADER)) return names;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image.data() + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(nt);
    auto at = [&](DWORD rva) -> const uint8_t* {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
                return image.data() + s.PointerToRawData + (rva - s.VirtualAddress);
        }
        return nullptr;
    };
    for (const auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(dir.VirtualAddress)); d && d->Name; ++d) {
        const char* name = reinterpret_cast<const char*>(at(d->Name));
        if (!name) break;
        std::string lower = name;
        for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
        names.insert(lower);
    }
    return names;
}

std::string Join(const std::set<std::string>& names) {
    std::string s;
    for (const std::string& n : names) s += (s.empty() ? "" : " ") + n;
    return s;
}

std::string FeedServer() {
    char file[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("SKIMROW_FEED_PORT_FILE", file, MAX_PATH)) return std::string();
    std::string path = std::string("Z:") + file;
    std::replace(path.begin(), path.end(), '/', '\\');
    char port[32];
    if (!ReadSmallFile(path, port, sizeof port)) return std::string();
    std::string p = port;
    while (!p.empty() && (p.back() == '\n' || p.back() == '\r')) p.pop_back();
    return p.empty() ? std::string() : "http://127.0.0.1:" + p;
}

// ---- the host ----

namespace {

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 200) return 1;  // the host answers its plug-ins' query
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

Host::Host() : frame_(size_t(kFrameWidth) * kFrameHeight * 2, 0x80) {
    WNDCLASSA wc = {};
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpfnWndProc = MainProc;
    wc.lpszClassName = "TMain";
    RegisterClassA(&wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "TVideoFrame";
    RegisterClassA(&wc);
    wc.lpszClassName = "SoakVideo";
    RegisterClassA(&wc);
    main_ = CreateWindowA("TMain", "Vantrex", WS_OVERLAPPEDWINDOW, 0, 0, 760, 640, nullptr, nullptr, wc.hInstance,
                          nullptr);
    frameWindow_ = CreateWindowA("TVideoFrame", "Video window", WS_POPUP, 0, 0, kFrameWidth, kFrameHeight, main_,
                                 nullptr, wc.hInstance, nullptr);
    video_ = CreateWindowA("SoakVideo", "ActiveMovie Window", WS_CHILD | WS_VISIBLE, 0, 0, kFrameWidth, kFrameHeight,
                           frameWindow_, nullptr, wc.hInstance, nullptr);
    if (!main_ || !frameWindow_ || !video_) Fail("cannot create the host's windows");
    ShowWindow(main_, SW_SHOWNOACTIVATE);
    thread_ = std::thread([this] { VideoLoop(); });
}

Host::~Host() {
    quit_ = true;
    thread_.join();
    DestroyWindow(main_);
}

void Host::Pause() {
    live_ = nullptr;
    while (busy_) Sleep(0);
}

void Host::WaitFrames(long n) {
    const long target = frames_ + n;
    const DWORD begin = GetTickCount();
    while (frames_ < target) {
        if (GetTickCount() - begin > 10000) Fail("no frames reached the plug-in");
        Pump(2);
    }
}

void Host::VideoLoop() {
    while (!quit_) {
        busy_ = true;
        if (PluginDescriptor* p = live_.load()) {
            FrameInfo info = {frame_.data()};
            p->ProcessFrame(&info);
            ++frames_;
        }
        busy_ = false;
        Sleep(2);
    }
}

// ---- the plug-in ----

namespace {
long g_pluginLoads = 0;
}  // namespace

Plugin::Plugin(const std::string& path) : module_(LoadLibraryA(path.c_str())) {
    ++g_pluginLoads;
    if (!module_) Fail("cannot load %s (error %lu)", path.c_str(), GetLastError());
    auto pr = reinterpret_cast<PluginDescriptorFn>(GetProcAddress(module_, VANTREX_PLUGIN_DESCRIPTOR_EXPORT));
    descriptor_ = pr ? pr() : nullptr;
    if (!descriptor_) Fail("%s is not a plug-in", path.c_str());
}

long Plugin::Loads() { return g_pluginLoads; }
