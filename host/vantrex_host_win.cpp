// Stand-in for the Vantrex TV application: the windows, the plug-in calls in
// the host's order, and frames on a separate video thread.
//
//   vantrex_host.exe [options] [/inst:X | -inst:X]
//     --plugin PATH       plug-in DLL (default: Mivra_Skimrow.dll beside the host)
//     --input FILE|-      raw frames in the host's layout (default: a test pattern)
//     --output FILE|-     processed frames, same layout
//     --size WxH          frame size (default 720x576)
//     --format yuy2|rgb24 pixel format (default yuy2)
//     --frames N          number of frames (default 250 for the pattern, all for input)
//     --fps R             frame rate for showing the video (default 25)
//     --cpu-level N       processor code passed to Start (default 6)
//     --headless          no visible windows, frames as fast as they come
//     --pace              keep to the frame rate even when headless
//     --settings          open the plug-in's settings once video runs (F2 does it too)
//     --keep-open         keep the window after the last frame until it is closed
//     --stats             print ProcessFrame timing to stderr at the end
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/frame_io.h"
#include "include/vantrex_plugin.h"

namespace {

const UINT kHostQuery = WM_USER + 200;
const UINT kVideoDone = WM_APP + 1;
const UINT kShowSettingsCmd = 1001;

struct Options {
    std::string plugin, input, output;
    int width = 720, height = 576;
    PixelFormat format = kFormatYuy2;
    long frames = -1;
    double fps = 25.0;
    int cpuLevel = 6;
    bool headless = false, settings = false, keepOpen = false, stats = false, pace = false;
    std::string instance;
};

struct Host {
    Options opt;
    HMODULE module = nullptr;
    PluginDescriptor* plugin = nullptr;
    HWND mainWindow = nullptr, frameWindow = nullptr, videoWindow = nullptr;
    std::thread video;
    std::atomic<bool> stopVideo{false};
    std::mutex shownLock;
    std::vector<uint8_t> shown;  // last processed frame, BGRX top-down
    std::vector<double> timings;
    long framesDone = 0, processed = 0, queries = 0;
    int exitCode = 0;
};

Host g_host;

bool ParseSize(const char* text, int& w, int& h) { return std::sscanf(text, "%dx%d", &w, &h) == 2 && w > 0 && h > 0; }

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "vantrex_host: %s needs a value\n", name);
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--plugin") o.plugin = value("--plugin");
        else if (a == "--input") o.input = value("--input");
        else if (a == "--output") o.output = value("--output");
        else if (a == "--size") {
            if (!ParseSize(value("--size"), o.width, o.height)) return false;
        } else if (a == "--format") {
            const std::string f = value("--format");
            if (f == "yuy2") o.format = kFormatYuy2;
            else if (f == "rgb24") o.format = kFormatRgb24;
            else return false;
        } else if (a == "--frames") o.frames = std::atol(value("--frames"));
        else if (a == "--fps") o.fps = std::atof(value("--fps"));
        else if (a == "--cpu-level") o.cpuLevel = std::atoi(value("--cpu-level"));
        else if (a == "--headless") o.headless = true;
        else if (a == "--pace") o.pace = true;
        else if (a == "--settings") o.settings = true;
        else if (a == "--keep-open") o.keepOpen = true;
        else if (a == "--stats") o.stats = true;
        else if (a.size() > 6 && (_strnicmp(a.c_str(), "/inst:", 6) == 0 || _strnicmp(a.c_str(), "-inst:", 6) == 0)) {
            o.instance = std::string(1, char(std::tolower(static_cast<unsigned char>(a[6]))));
        } else {
            std::fprintf(stderr, "vantrex_host: unknown option %s\n", a.c_str());
            return false;
        }
    }
    if (o.fps <= 0) o.fps = 25.0;
    return true;
}

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\') + 1);
}

// The real host keeps its data per instance; the plug-in then adds "Plugins\".
void CreateDataFolders(const std::string& instance) {
    std::string base = ExeFolder();
    HKEY key;
    DWORD inUsers = 0, size = sizeof(inUsers);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vantrex", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, "StoreInUsersFolder", nullptr, nullptr, reinterpret_cast<BYTE*>(&inUsers), &size);
        RegCloseKey(key);
    }
    if (inUsers) {
        char appData[MAX_PATH] = {};
        if (GetEnvironmentVariableA("APPDATA", appData, MAX_PATH)) {
            base = std::string(appData) + "\\Vantrex\\";
            CreateDirectoryA(base.c_str(), nullptr);
        }
    }
    if (!instance.empty()) {
        CreateDirectoryA((base + "Instances\\").c_str(), nullptr);
        CreateDirectoryA((base + "Instances\\" + instance + "\\").c_str(), nullptr);
    }
}

void VideoThread() {
    Host& h = g_host;
    std::unique_ptr<FrameSource> source;
    std::FILE* in = nullptr;
    std::FILE* out = nullptr;
    if (!h.opt.input.empty()) {
        in = h.opt.input == "-" ? stdin : std::fopen(h.opt.input.c_str(), "rb");
        if (!in) {
            std::fprintf(stderr, "vantrex_host: cannot open %s\n", h.opt.input.c_str());
            h.exitCode = 1;
            PostMessageA(h.mainWindow, kVideoDone, 0, 0);
            return;
        }
        source.reset(new RawFileSource(in));
    } else {
        source.reset(new PatternSource(h.opt.width, h.opt.height, h.opt.format));
        if (h.opt.frames < 0) h.opt.frames = 250;
    }
    if (!h.opt.output.empty()) {
        out = h.opt.output == "-" ? stdout : std::fopen(h.opt.output.c_str(), "wb");
        if (!out) {
            std::fprintf(stderr, "vantrex_host: cannot create %s\n", h.opt.output.c_str());
            h.exitCode = 1;
        }
    }
    std::vector<uint8_t> frame(FrameBytes(h.opt.width, h.opt.height, h.opt.format));
    std::vector<uint8_t> bgrx;
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    const DWORD period = DWORD(1000.0 / h.opt.fps);
    DWORD next = GetTickCount();
    const bool outputFailed = !h.opt.output.empty() && out == nullptr;
    while (!h.stopVideo && (h.opt.frames < 0 || h.framesDone < h.opt.frames) && !outputFailed) {
        if (!source->Next(frame)) break;
        FrameInfo info = {frame.data()};
        QueryPerformanceCounter(&t0);
        const int32_t done = h.plugin->ProcessFrame(&info);
        QueryPerformanceCounter(&t1);
        if (h.opt.stats) h.timings.push_back(double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(freq.QuadPart));
        h.processed += done;
        ++h.framesDone;
        if (out && std::fwrite(frame.data(), 1, frame.size(), out) != frame.size()) break;
        if (!h.opt.headless) {
            FrameToBgrx(frame.data(), h.opt.width, h.opt.height, h.opt.format, bgrx);
            {
                std::lock_guard<std::mutex> lock(h.shownLock);
                h.shown.swap(bgrx);
            }
            InvalidateRect(h.videoWindow, nullptr, FALSE);
        }
        if (!h.opt.headless || h.opt.pace) {
            next += period;
            const DWORD now = GetTickCount();
            if (int32_t(next - now) > 0) Sleep(next - now);
            else next = now;
        }
    }
    if (out) std::fflush(out);
    if (out && out != stdout) std::fclose(out);
    if (in && in != stdin) std::fclose(in);
    PostMessageA(h.mainWindow, kVideoDone, 0, 0);
}

void ShowPluginSettings() {
    HWND owner = g_host.mainWindow;
    void* handle = owner;
    g_host.plugin->ShowSettings(&handle);
}

void FinishAndQuit() {
    Host& h = g_host;
    h.stopVideo = true;
    if (h.video.joinable()) h.video.join();
    h.plugin->Stop();
    h.plugin->Shutdown();
    DestroyWindow(h.mainWindow);
}

LRESULT CALLBACK MainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kHostQuery:  // the host answers its plug-ins' query
        if (wp == 1309) ++g_host.queries;
        return 1;
    case kVideoDone:
        if (!g_host.opt.keepOpen || g_host.opt.headless) FinishAndQuit();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == kShowSettingsCmd) ShowPluginSettings();
        return 0;
    case WM_KEYDOWN:
        if (wp == VK_F2) ShowPluginSettings();
        return 0;
    case WM_SIZE:
        if (g_host.frameWindow) MoveWindow(g_host.frameWindow, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        return 0;
    case WM_CLOSE: FinishAndQuit(); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK FrameProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SIZE && g_host.videoWindow) MoveWindow(g_host.videoWindow, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK VideoProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT rc;
        GetClientRect(wnd, &rc);
        std::lock_guard<std::mutex> lock(g_host.shownLock);
        if (!g_host.shown.empty()) {
            BITMAPINFO bi = {};
            bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
            bi.bmiHeader.biWidth = g_host.opt.width;
            bi.bmiHeader.biHeight = -g_host.opt.height;
            bi.bmiHeader.biPlanes = 1;
            bi.bmiHeader.biBitCount = 32;
            StretchDIBits(dc, 0, 0, rc.right, rc.bottom, 0, 0, g_host.opt.width, g_host.opt.height,
                          g_host.shown.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
        } else {
            FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        }
        EndPaint(wnd, &ps);
        return 0;
    }
    // keys typed on the video go to the main window, as in the real host
    if (msg == WM_KEYDOWN) return SendMessageA(g_host.mainWindow, msg, wp, lp);
    return DefWindowProcA(wnd, msg, wp, lp);
}

bool CreateHostWindows(HINSTANCE inst) {
    Host& h = g_host;
    WNDCLASSA wc = {};
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpfnWndProc = MainProc;
    wc.lpszClassName = "TMain";
    RegisterClassA(&wc);
    wc.lpfnWndProc = FrameProc;
    wc.lpszClassName = "TVideoFrame";
    RegisterClassA(&wc);
    wc.lpfnWndProc = VideoProc;
    wc.lpszClassName = "VantrexVideoRenderer";
    RegisterClassA(&wc);

    const std::string suffix = h.opt.instance.empty() ? std::string() : ".Inst" + h.opt.instance;
    const std::string mainTitle = "Vantrex" + suffix, frameTitle = "Video window" + suffix;
    HMENU menu = CreateMenu();
    AppendMenuA(menu, MF_STRING, kShowSettingsCmd, "&Plug-in settings...\tF2");
    RECT r = {0, 0, h.opt.width, h.opt.height};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, TRUE);
    h.mainWindow = CreateWindowA("TMain", mainTitle.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                 CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr, menu, inst, nullptr);
    // The video frame window is a top-level window of its own class, as in the real host.
    h.frameWindow = CreateWindowA("TVideoFrame", frameTitle.c_str(), WS_POPUP | WS_CLIPCHILDREN, 0, 0, h.opt.width,
                                  h.opt.height, h.mainWindow, nullptr, inst, nullptr);
    h.videoWindow = CreateWindowA("VantrexVideoRenderer", "ActiveMovie Window", WS_CHILD | WS_VISIBLE, 0, 0,
                                  h.opt.width, h.opt.height, h.frameWindow, nullptr, inst, nullptr);
    return h.mainWindow && h.frameWindow && h.videoWindow;
}

bool LoadPlugin() {
    Host& h = g_host;
    if (h.opt.plugin.empty()) h.opt.plugin = ExeFolder() + "Mivra_Skimrow.dll";
    h.module = LoadLibraryA(h.opt.plugin.c_str());
    if (!h.module) {
        std::fprintf(stderr, "vantrex_host: cannot load %s (error %lu)\n", h.opt.plugin.c_str(), GetLastError());
        return false;
    }
    auto version = reinterpret_cast<PluginVersionFn>(GetProcAddress(h.module, VANTREX_PLUGIN_VERSION_EXPORT));
    auto descriptor = reinterpret_cast<PluginDescriptorFn>(GetProcAddress(h.module, VANTREX_PLUGIN_DESCRIPTOR_EXPORT));
    if (!version || !descriptor) {
        std::fprintf(stderr, "vantrex_host: %s is not a Vantrex plug-in\n", h.opt.plugin.c_str());
        return false;
    }
    if (version() != VANTREX_PLUGIN_INTERFACE_VERSION) {
        std::fprintf(stderr, "vantrex_host: plug-in interface %d, expected %d\n", version(),
                     VANTREX_PLUGIN_INTERFACE_VERSION);
        return false;
    }
    h.plugin = descriptor();
    return h.plugin != nullptr;
}

void PrintStats() {
    Host& h = g_host;
    std::fprintf(stderr, "vantrex_host: %ld frames, %ld processed\n", h.framesDone, h.processed);
    if (h.queries) std::fprintf(stderr, "vantrex_host: host query 1309 answered %ld times\n", h.queries);
    if (!h.opt.stats || h.timings.empty()) return;
    std::vector<double> t = h.timings;
    std::sort(t.begin(), t.end());
    std::fprintf(stderr, "vantrex_host: ProcessFrame ms: median %.3f, p10 %.3f, p90 %.3f, max %.3f\n",
                 t[t.size() / 2], t[t.size() / 10], t[t.size() * 9 / 10], t.back());
}

}  // namespace

int main(int argc, char** argv) {
    Host& h = g_host;
    if (!ParseOptions(argc, argv, h.opt)) return 2;
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    HINSTANCE inst = GetModuleHandleA(nullptr);
    CreateDataFolders(h.opt.instance);
    if (!CreateHostWindows(inst)) {
        std::fprintf(stderr, "vantrex_host: cannot create windows\n");
        return 1;
    }
    if (!LoadPlugin()) return 1;

    InitInfo initInfo = {1, 0};
    h.plugin->Init(&initInfo);
    if (!h.opt.headless) {
        ShowWindow(h.mainWindow, SW_SHOW);
        ShowWindow(h.frameWindow, SW_SHOW);
    }
    StartInfo start = {h.opt.width, h.opt.height, 0, int32_t(h.opt.format), h.opt.cpuLevel};
    h.plugin->Start(&start);
    h.video = std::thread(VideoThread);
    if (h.opt.settings) ShowPluginSettings();

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (h.video.joinable()) h.video.join();
    PrintStats();
    FreeLibrary(h.module);
    return h.exitCode;
}
