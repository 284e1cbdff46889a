// The two exports, the descriptor and the six entry points. No exception
// leaves this file: every entry point catches everything.
#include <windows.h>

#include <clocale>

#include "dialog/settings_dialog_win.h"
#include "entry/engine_services_win.h"
#include "entry/runtime_release_win.h"
#include "include/vantrex_plugin.h"
#include "input/input_hooks_win.h"
#include "plugin/host_windows_win.h"
#include "plugin/lock_win.h"
#include "plugin/ticker_engine.h"
#include "render/gdi_text_renderer_win.h"
#include "settings/instance_paths.h"
#include "base/ansi_codec_win.h"
#include "base/case_fold_win.h"
#include "feed/download_job_win.h"
#include "feed/feed_source_win.h"
#include "feed/time_win.h"
#include "remote/control_endpoint_win.h"

namespace {

// Module-level objects, constructed empty at load and destroyed at unload,
// in the reverse order of these lines.
HINSTANCE g_module = nullptr;
WinAnsiCodec g_codec;
WinCaseFolder g_caseFolder;
CriticalSectionLock g_lock;
WinTimeZone g_zone;
WinDateFormatter g_formatter;
WinFeedSource g_feeds(g_zone, g_formatter);  // delivers to g_engine from the load on
WinEngineServices g_services(g_feeds);
GdiTextRenderer g_renderer;
DibSectionAllocator g_allocator;
TickerEngine g_engine(g_lock, g_services, g_renderer, g_allocator);
HostWindows g_windows;  // found again at every Start
SettingsDialog g_dialog(g_engine);
InputHooks g_hooks(g_engine, g_windows);
// The control endpoint writes its lines into the plug-in's log, between the
// downloader's (records are appended whole, one at a time).
struct EndpointLog final : ControlLog {
    std::string path;  // set at Init, while no endpoint runs
    void Line(const std::u16string& text) override {
        WriteLogRecord(path, std::string(), "%s", SystemAnsiCodec().FromUtf16(text.c_str()).c_str());
    }
} g_endpointLog;
ControlEndpoint g_endpoint(g_engine, g_endpointLog);
// Destroyed first: the download worker calls into the engine, so it is
// stopped before the engine goes.
struct StopDownloadsFirst {
    ~StopDownloadsFirst() { g_feeds.Stop(); }
} g_stopDownloadsFirst;

static_assert(int(kFormatYuy2) == int(VANTREX_FORMAT_YUY2) && int(kFormatRgb24) == int(VANTREX_FORMAT_RGB24),
              "the host numbers its pixel formats as the plug-in does");

// "Бегущая строка" in Windows-1251.
const char kDisplayName[] = "\xC1\xE5\xE3\xF3\xF9\xE0\xFF \xF1\xF2\xF0\xEE\xEA\xE0";
const char kDescription[] = "\xC1\xE5\xE3\xF3\xF9\xE0\xFF \xF1\xF2\xF0\xEE\xEA\xE0.";

void __cdecl Init(InitInfo* info);
int32_t __cdecl Start(StartInfo* info);
int32_t __cdecl ProcessFrame(FrameInfo* frame);
void __cdecl Stop(void);
void __cdecl ShowSettings(void** ownerWindow);
void __cdecl Shutdown(void);

PluginDescriptor g_descriptor = {kDisplayName, kDescription, Init, Start, ProcessFrame, Stop, ShowSettings, Shutdown};

// The dialog changed the endpoint's settings: it listens again by them.
void RestartEndpoint() {
    try {
        g_endpoint.Start(g_engine.Settings());
    } catch (...) {
    }
}

void __cdecl Init(InitInfo*) {  // what the host passes is not used
    try {
        g_endpoint.Stop();  // a second Init starts over
        g_engine.Init(ResolveSettingsLocation(g_module));
        std::setlocale(LC_TIME, "");
        g_endpointLog.path = g_engine.Location().LogPath();
        g_endpoint.Start(g_engine.Settings());
        g_services.OnControlSettingsChanged(RestartEndpoint);
    } catch (...) {
    }
}

int32_t __cdecl Start(StartInfo* info) {
    try {
        if (!info) return 1;
        FrameGeometry g;
        g.frameWidth = info->frameWidth;
        g.frameHeight = info->frameHeight;
        g.reserved = info->reserved;
        g.pixelFormat = PixelFormat(info->pixelFormat);
        g.cpuLevel = info->cpuLevel;
        g_windows = FindHostWindows(g_engine.Location().instanceId);
        // Without resolved paths (Start before Init) there is no log at all.
        g_engine.Start(g);
        g_endpoint.LogStanding();  // the log starts afresh at every Start
        // The hooks run on the thread of the host's main window.
        if (HWND main = static_cast<HWND>(g_windows.main)) g_hooks.Install(GetWindowThreadProcessId(main, nullptr));
    } catch (...) {
    }
    return 1;
}

int32_t __cdecl ProcessFrame(FrameInfo* frame) {
    try {
        if (!frame) return 0;
        return g_engine.ProcessFrame(static_cast<uint8_t*>(frame->pixels), GetTickCount());
    } catch (...) {
        return 0;
    }
}

void __cdecl Stop(void) {
    try {
        g_hooks.Remove();
    } catch (...) {
    }
}

void __cdecl ShowSettings(void** ownerWindow) {
    try {
        HWND owner = ownerWindow ? static_cast<HWND>(*ownerWindow) : nullptr;
        if (!g_engine.SettingsAvailable()) {
            MessageBoxW(owner, L"      Настройки плагина недоступны. \nТребуется процессор Pentium III или старше.",
                        L"Бегущая строка", MB_OK | MB_ICONINFORMATION);
            return;
        }
        g_dialog.Show(owner);
    } catch (...) {
    }
}

void __cdecl Shutdown(void) {
    try {
        // The host may call this from inside a modal loop of the dialog's (the
        // About box, the file dialog). Destroying the dialog ends that window,
        // but the loop returns into this module only later: then the module
        // stays loaded for the rest of the process.
        const bool insideModalLoop = g_dialog.InModalLoop();
        // No request changes anything from here on: the settings are saved next.
        g_services.OnControlSettingsChanged(nullptr);
        g_endpoint.Stop();
        g_hooks.Remove();  // a host may unload without calling Stop
        g_dialog.Close();  // before saving: the hot key and position are taken at close
        // A running download is stopped before the save (bounded wait, outside
        // the loader lock): its worker writes LastUpdate, and it keeps the
        // module loaded while it runs, which the host unloads next.
        g_engine.Shutdown();
        if (insideModalLoop) {
            HMODULE self;
            GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                               reinterpret_cast<LPCWSTR>(&Shutdown), &self);
        }
    } catch (...) {
    }
}

}  // namespace

extern "C" {

__declspec(dllexport) int32_t __cdecl Vantrex_Plugin_Version(void) { return VANTREX_PLUGIN_INTERFACE_VERSION; }

__declspec(dllexport) PluginDescriptor* __cdecl Vantrex_Plugin_PR(void) { return &g_descriptor; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        g_dialog.SetModule(instance);
        g_feeds.DeliverTo(g_engine.Desk());
        SetSystemAnsiCodec(&g_codec);
        SetSystemCaseFolder(&g_caseFolder);
    } else if (reason == DLL_THREAD_DETACH) {
        ReleaseThreadRuntime();
    } else if (reason == DLL_PROCESS_DETACH) {
        g_hooks.Remove();  // last resort: no hook may point into unmapped code
        // Unloaded by FreeLibrary, not by the process's exit: what the
        // runtime keeps would otherwise stay in the host's process once per
        // load (a TLS slot among them, of which a process has about a
        // thousand).
        if (!reserved) ReleaseRuntime();
    }
    return TRUE;
}
}
