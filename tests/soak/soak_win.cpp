// Months in a host, compressed: drives the real plug-in DLL as a host does
// (windows of the host's classes, a video thread calling ProcessFrame, the
// entry points from the user-interface thread) through five kinds of
// cycles, and counts what the process holds before, after a warm-up and at
// the end. The control endpoint listens throughout (on a free port of
// 127.0.0.1).
//
//   soak.exe [--cycles S,D,G,W[,Q]] [--warmup S,D,G,W[,Q]] [--rounds R]
//            [--check] [--verbose] [--plugin PATH] [--control PATH]
//
//   S  Start, frames, Stop                       (strings)
//   D  Start, a feed downloaded and on air, Stop (the local feed server)
//   G  the settings dialog opened, its About box opened and closed, closed
//   W  load, Init, Start, frames, Stop, Shutdown, unload, with a request
//      answered and one left in the middle at Shutdown
//   Q  one request to the control endpoint while the line runs: the state,
//      a text put, one for nothing, a malformed one, two on one connection
//
// Before the plug-in, a do-nothing C library importing the same system DLLs
// is loaded and unloaded: what Wine's DLLs keep per load is measured there
// and subtracted. With --check the exit code is 1 when anything grows.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "tests/soak/control_client_win.h"
#include "tests/soak/loopback_win.h"
#include "tests/soak/resource_counts_win.h"
#include "tests/soak/soak_host_win.h"

namespace {

enum Kind { kStartStop, kDownload, kDialog, kWhole, kRequest, kKinds };
const char* const kKindNames[kKinds] = {"start/stop", "download", "dialog", "load/unload", "request"};

struct Counts {
    long n[kKinds] = {};
    long Total() const { return n[0] + n[1] + n[2] + n[3] + n[4]; }
};

struct Options {
    Counts cycles{{200, 15, 10, 15, 1000}}, warmup{{20, 3, 3, 3, 20}};
    int rounds = 1;
    bool check = false, verbose = false;
    std::string plugin = "..\\Mivra_Skimrow.dll", control = "soak_control.dll";
};

constexpr int kDialogClose = 5002, kDialogAbout = 5008;

// Wine's thread pool (WinInet's asynchronous calls run there) keeps idle
// workers for a few seconds. After the warm-up the count waits until the
// number of threads has held still for 6 s; later counts wait (8 s at most)
// until it is back to that number, plus the control endpoint's thread
// inside a session (`inSession`). The two counts the verdict compares
// (`verdict`) also wait, 6 s at most, until the kernel handles have held
// still for a second: a worker that has just ended may not have given its
// handles back yet, and a handle really kept stays kept.
int64_t g_baseThreads = -1;
ResourceCounts Settled(bool inSession = false, bool verdict = false) {
    const DWORD begin = GetTickCount();
    if (g_baseThreads < 0) {
        int64_t last = CountThreads();
        DWORD still = GetTickCount();
        while (GetTickCount() - still < 6000 && GetTickCount() - begin < 20000) {
            Pump(250);
            const int64_t now = CountThreads();
            if (now != last) last = now, still = GetTickCount();
        }
        g_baseThreads = last;
    }
    while (CountThreads() > g_baseThreads + (inSession ? 1 : 0) && GetTickCount() - begin < 8000) Pump(100);
    if (verdict) {
        const DWORD from = GetTickCount();
        int64_t last = CountKernelHandles();
        DWORD still = from;
        while (GetTickCount() - still < 1000 && GetTickCount() - from < 6000) {
            Pump(100);
            const int64_t now = CountKernelHandles();
            if (now != last) last = now, still = GetTickCount();
        }
    }
    return CountResources();
}

struct Soak {
    Options opt;
    std::string pluginPath, controlPath, iniPath, logPath, stringsIni, feedIni;
    Host* host = nullptr;
    uint16_t port = 0;  // the control endpoint's
    long downloadFailures = 0, dialogFailures = 0, requestFailures = 0, urgentLines = 0;
    DWORD lastUrgent = 0;
    DWORD spentMs[kKinds] = {};  // in the counted cycles
    char logText[1 << 16];

    void WriteSettings(const std::string& text) { WriteSmallFile(iniPath, text.c_str()); }

    void StartProcessing(Plugin& p) {
        StartInfo start = {kFrameWidth, kFrameHeight, 0, VANTREX_FORMAT_YUY2, 6};
        p->Start(&start);
        host->Play(p.Descriptor());
    }
    void StopProcessing(Plugin& p) {
        host->Pause();
        p->Stop();
    }

    void StartStopCycle(Plugin& p) {
        Trace("start/stop");
        StartProcessing(p);
        host->WaitFrames(3);
        StopProcessing(p);
    }

    static int Occurrences(const char* text, const char* what) {
        int n = 0;
        for (const char* at = std::strstr(text, what); at; at = std::strstr(at + 1, what)) ++n;
        return n;
    }

    // Start with the line on downloads every feed of the list (one of them
    // fails); each worker's last log line comes after its feed is on air.
    // Once a second an urgent line is asked for, and goes on air over the
    // crawl.
    void DownloadCycle(Plugin& p, long frames = 3) {
        Trace("download");
        StartProcessing(p);
        if (GetTickCount() - lastUrgent >= 1000) SendUrgentLine();
        const DWORD begin = GetTickCount();
        for (;;) {
            Pump(5);
            if (ReadSmallFile(logPath, logText, sizeof logText) && Occurrences(logText, "Internet session closed.") >= 3)
                break;
            if (GetTickCount() - begin > 20000) {
                ++downloadFailures;
                std::printf("a download that did not complete; its log:\n%s\n", logText);
                break;
            }
        }
        if (Occurrences(logText, "successfull") < 2) ++downloadFailures;
        host->WaitFrames(frames);
        StopProcessing(p);
    }

    // As a station's alert system would: an urgent line over the control endpoint.
    void SendUrgentLine() {
        lastUrgent = GetTickCount();
        if (AskEndpoint(port, Request("POST", "/api/urgent", "{\"text\":\"Срочно: проверка\"}")) != 200) ++requestFailures;
        ++urgentLines;
    }

    // The settings dialog, and its About box closed by a timer from inside
    // the box's modal loop.
    static HWND SettingsWindow() { return FindWindowW(L"#32770", L"Mivra_Skimrow плагин"); }
    static BOOL CALLBACK CloseAbout(HWND window, LPARAM found) {
        wchar_t cls[16] = {};
        GetClassNameW(window, cls, 16);
        if (GetWindow(window, GW_OWNER) == SettingsWindow() && lstrcmpW(cls, L"#32770") == 0) {
            PostMessageW(window, WM_COMMAND, IDOK, 0);
            *reinterpret_cast<bool*>(found) = true;
        }
        return TRUE;
    }
    // Ticks until the box is there (its loop may run before it is shown).
    static void CALLBACK AboutTimer(HWND, UINT, UINT_PTR id, DWORD) {
        bool found = false;
        EnumThreadWindows(GetCurrentThreadId(), CloseAbout, LPARAM(&found));
        if (found) KillTimer(nullptr, id);
    }
    void DialogCycle(Plugin& p) {
        Trace("dialog");
        void* owner = host->Main();
        p->ShowSettings(&owner);
        Pump(10);
        HWND dialog = SettingsWindow();
        if (!dialog) {
            ++dialogFailures;
            return;
        }
        SetTimer(nullptr, 0, 20, AboutTimer);
        SendMessageW(GetDlgItem(dialog, kDialogAbout), BM_CLICK, 0, 0);  // returns once the box is closed
        SendMessageW(GetDlgItem(dialog, kDialogClose), BM_CLICK, 0, 0);
        Pump(5);
        if (SettingsWindow()) ++dialogFailures;
    }

    std::string Request(const char* method, const char* target, const std::string& body = "") const {
        return std::string(method) + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
               "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
               body;
    }

    void RequestCycle(long i) {
        Trace("request");
        int status = 0, expected = 200;
        switch (i % 5) {
        case 0: status = AskEndpoint(port, Request("GET", "/api/state")); break;
        case 1:
            status = AskEndpoint(port, Request("POST", "/api/text", "{\"text\":\"soak: the line runs for months\"}"));
            break;
        case 2: status = AskEndpoint(port, Request("GET", "/api/nothing")), expected = 404; break;
        case 3: status = AskEndpoint(port, "GET /api/state HTTP/1.1\r\nHost 127.0.0.1\r\n\r\n"), expected = 400; break;
        default: status = AskEndpointTwice(port, Request("GET", "/api/state")); break;
        }
        if (status != expected) ++requestFailures;
    }

    void WholeCycle() {
        Trace("load/unload");
        WriteSettings(stringsIni);
        uintptr_t inFlight;
        {
            Plugin p(pluginPath);
            InitInfo init = {1, 0};
            p->Init(&init);
            StartStopCycle(p);
            if (AskEndpoint(port, Request("GET", "/api/state")) != 200) ++requestFailures;
            inFlight = OpenInFlight(port, "POST /api/stop HTTP/1.1\r\nHost: 127.0.0.1");
            Pump(2);
            p->Shutdown();
        }
        CloseClient(inFlight);
    }

    void ControlCycle() {
        Trace("control");
        HMODULE m = LoadLibraryA(controlPath.c_str());
        if (!m || !GetProcAddress(m, "soak_control_version")) Fail("cannot load %s", controlPath.c_str());
        FreeLibrary(m);
    }

    // One round: a session in string mode (start/stop, then dialogs while the
    // line runs), a session in feed mode (downloads), then whole cycles.
    // `at` receives the counts around each kind's cycles.
    void Round(const Counts& n, ResourceCounts (*at)[2]) {
        {
            WriteSettings(stringsIni);
            Plugin p(pluginPath);
            InitInfo init = {1, 0};
            p->Init(&init);
            // The first Start makes the band's font, surfaces and strips:
            // both counts are taken with one start/stop behind.
            StartStopCycle(p);
            if (at) at[kStartStop][0] = Settled(true);
            DWORD t = GetTickCount();
            for (long i = 1; i < n.n[kStartStop]; ++i) StartStopCycle(p);
            if (at) spentMs[kStartStop] += GetTickCount() - t;
            if (at) at[kStartStop][1] = Settled(true);
            StartProcessing(p);
            if (at) at[kDialog][0] = Settled(true);
            t = GetTickCount();
            for (long i = 0; i < n.n[kDialog]; ++i) DialogCycle(p);
            if (at) spentMs[kDialog] += GetTickCount() - t;
            if (at) at[kDialog][1] = Settled(true);
            if (at) at[kRequest][0] = Settled(true);
            t = GetTickCount();
            for (long i = 0; i < n.n[kRequest]; ++i) RequestCycle(i);
            if (at) spentMs[kRequest] += GetTickCount() - t;
            if (at) at[kRequest][1] = Settled(true);
            StopProcessing(p);
            p->Shutdown();
        }
        if (n.n[kDownload] > 0) {
            WriteSettings(feedIni);
            Plugin p(pluginPath);
            InitInfo init = {1, 0};
            p->Init(&init);
            // The downloader keeps its last worker's handle until the next
            // download: both counts are taken with one download behind, a
            // long one, whose passes draw every message and the urgent line
            // into the band's strips at least once.
            DownloadCycle(p, 400);
            if (at) at[kDownload][0] = Settled(true);
            const DWORD t = GetTickCount();
            for (long i = 1; i < n.n[kDownload]; ++i) DownloadCycle(p);
            if (at) spentMs[kDownload] += GetTickCount() - t;
            if (at) at[kDownload][1] = Settled(true);
            p->Shutdown();
        }
        if (at) at[kWhole][0] = Settled();
        const DWORD t = GetTickCount();
        for (long i = 0; i < n.n[kWhole]; ++i) WholeCycle();
        if (at) spentMs[kWhole] += GetTickCount() - t;
        if (at) at[kWhole][1] = Settled();
    }
};

bool ParseCounts(const char* text, Counts& c) {
    c.n[kRequest] = 0;  // without a fifth number, no requests
    const int read = std::sscanf(text, "%ld,%ld,%ld,%ld,%ld", &c.n[0], &c.n[1], &c.n[2], &c.n[3], &c.n[4]);
    return read >= 4 && std::all_of(c.n, c.n + kKinds, [](long v) { return v >= 0; });
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--cycles" && hasValue) {
            if (!ParseCounts(argv[++i], o.cycles)) return false;
        } else if (a == "--warmup" && hasValue) {
            if (!ParseCounts(argv[++i], o.warmup)) return false;
        } else if (a == "--rounds" && hasValue) {
            o.rounds = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--plugin" && hasValue) {
            o.plugin = argv[++i];
        } else if (a == "--control" && hasValue) {
            o.control = argv[++i];
        } else if (a == "--check") {
            o.check = true;
        } else if (a == "--verbose") {
            o.verbose = true;
        } else {
            return false;
        }
    }
    return true;
}

// ---- the table ----

struct Measure {
    const char* name;
    int64_t (*get)(const ResourceCounts&);
    bool mustNotGrow;  // checked with --check (the heap has its own bound)
};

#define FIELD(f) [](const ResourceCounts& c) { return c.f; }
#define GDI(k) [](const ResourceCounts& c) { return c.gdi[k]; }
const Measure kMeasures[] = {
    {"heap bytes", FIELD(heapBytes), false},
    {"heap blocks", FIELD(heapBlocks), false},
    {"GDI DCs", GDI(kGdiDc), true},
    {"GDI bitmaps", GDI(kGdiBitmap), true},
    {"GDI fonts", GDI(kGdiFont), true},
    {"GDI brushes", GDI(kGdiBrush), true},
    {"GDI pens", GDI(kGdiPen), true},
    {"GDI regions", GDI(kGdiRegion), true},
    {"GDI palettes", GDI(kGdiPalette), true},
    {"GDI other", GDI(kGdiOther), true},
    {"windows", FIELD(windows), true},
    {"threads", FIELD(threads), true},
    {"kernel handles", FIELD(handles), true},
    {"TLS slots", FIELD(tlsSlots), true},
    {"temporary files", FIELD(tempFiles), true},
    {"pagefile bytes", FIELD(pagefileBytes), false},
    {"working set bytes", FIELD(workingSetBytes), false},
};
#undef FIELD
#undef GDI
constexpr int kMeasureCount = int(sizeof kMeasures / sizeof kMeasures[0]);
constexpr int kHeapBytes = 0;

// Heap growth allowed per cycle after the warm-up (bytes). The short soak's
// few download and dialog cycles carry what Wine keeps once in a session (a
// few hundred bytes); a feed's failure kept per download (60 bytes, when
// WinInet was left a refusal's page unread) is more than this.
constexpr double kHeapBoundPerCycle[kKinds] = {16, 40, 64, 16, 16};

}  // namespace

int main(int argc, char** argv) {
    Soak s;
    if (!ParseOptions(argc, argv, s.opt)) {
        std::fprintf(stderr, "usage: soak.exe [--cycles S,D,G,W[,Q]] [--warmup S,D,G,W[,Q]] [--rounds R] [--check] "
                             "[--verbose] [--plugin PATH] [--control PATH]\n");
        return 2;
    }
    const Options& o = s.opt;
    SetVerbose(o.verbose);
    s.pluginPath = FullPath(o.plugin);
    s.controlPath = FullPath(o.control);
    const std::string folder = ExeFolder() + "Plugins\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    s.iniPath = folder + "Mivra_Skimrow.ini";
    s.logPath = folder + "Mivra_Skimrow.log";
    StartWinsock();
    s.port = FreeTcpPort();
    const std::string style = "[PluginSettings]\r\nLineOn=1\r\nRepeat=0\r\nAutoUpdate=0\r\nSpeed=8\r\nInterlace=1\r\n"
                              "Str_000=soak: the line runs for months\r\nControlPort=" +
                              std::to_string(s.port) + "\r\n";
    s.stringsIni = style + "StringSource=0\r\n";
    const std::string feed = FeedServer();
    if (feed.empty() && (o.cycles.n[kDownload] || o.warmup.n[kDownload]))
        Fail("no feed server (SKIMROW_FEED_PORT_FILE) for the download cycles");
    s.feedIni = style + "StringSource=2\r\nTitle=1\r\nAllFeeds=1\r\nSourceLabel=1\r\nURL_000=" + feed +
                "/feeds/cp1251.xml\r\nURL_001=" + feed + "/missing\r\nURL_002=" + feed + "/feeds/utf8.xml\r\n";

    StartWatchdog();
    char why[200];
    if (!GdiCounterFollows(why, sizeof why)) Fail("the GDI count cannot be trusted: %s", why);
    const std::set<std::string> pluginImports = ImportedDlls(s.pluginPath), controlImports = ImportedDlls(s.controlPath);
    if (pluginImports.empty() || pluginImports != controlImports)
        Fail("the control must import what the plug-in imports:\n  plug-in: %s\n  control: %s",
             Join(pluginImports).c_str(), Join(controlImports).c_str());

    // What Wine keeps per load of those DLLs.
    const long controlLoads = std::max<long>(50, o.cycles.n[kWhole]);
    for (int i = 0; i < 5; ++i) s.ControlCycle();
    const ResourceCounts controlBefore = CountResources();
    for (long i = 0; i < controlLoads; ++i) s.ControlCycle();
    const ResourceCounts controlAfter = CountResources();

    Host host;
    s.host = &host;
    Pump(50);
    const DWORD begin = GetTickCount();
    const ResourceCounts atStart = CountResources();
    s.Round(o.warmup, nullptr);
    Pump(50);
    const ResourceCounts atWarm = Settled(false, true);
    ResourceCounts around[kKinds][2];
    int64_t kindGrowth[kKinds][kMeasureCount] = {};
    const long loadsBefore = Plugin::Loads();
    Counts measured;  // the cycles between each kind's two counts
    for (int r = 0; r < o.rounds; ++r) {
        Counts share;
        for (int k = 0; k < kKinds; ++k) share.n[k] = o.cycles.n[k] / o.rounds + (r < o.cycles.n[k] % o.rounds);
        s.Round(share, around);
        // A round's first start/stop and download come before their first count.
        for (int k = 0; k < kKinds; ++k)
            measured.n[k] += k == kStartStop || k == kDownload ? std::max(0L, share.n[k] - 1) : share.n[k];
        for (int k = 0; k < kKinds; ++k)
            for (int m = 0; m < kMeasureCount; ++m)
                if (share.n[k]) kindGrowth[k][m] += kMeasures[m].get(around[k][1]) - kMeasures[m].get(around[k][0]);
        std::fprintf(stderr, "soak: round %d of %d done, %lu s\n", r + 1, o.rounds, (GetTickCount() - begin) / 1000);
    }
    Pump(50);
    const ResourceCounts atEnd = Settled(false, true);
    const double seconds = (GetTickCount() - begin) / 1000.0;

    const long loads = Plugin::Loads() - loadsBefore;  // each round's sessions and the whole cycles
    const long total = o.cycles.Total();

    std::printf("soak: %ld start/stop, %ld download, %ld dialog, %ld load/unload and %ld request cycles in %d round(s) "
                "after a warm-up of %ld; %.0f s; %s build\n",
                o.cycles.n[0], o.cycles.n[1], o.cycles.n[2], o.cycles.n[3], o.cycles.n[4], o.rounds, o.warmup.Total(),
                seconds, sizeof(void*) == 8 ? "x86-64" : "i686");
    std::printf("time per cycle:");
    for (int k = 0; k < kKinds; ++k)
        std::printf("%s %.1f ms %s", k ? "," : "", measured.n[k] ? double(s.spentMs[k]) / double(measured.n[k]) : 0.0,
                    kKindNames[k]);
    std::printf("\n");
    std::printf("downloads: every feed of a list of three (one fails), with %ld urgent lines asked for\n",
                s.urgentLines);
    std::printf("control: %ld loads of a C library with the plug-in's imports (%s)\n\n", controlLoads,
                Join(pluginImports).c_str());
    std::printf("%-18s %12s %12s %12s %14s | %11s %11s %11s %11s %11s | %11s\n", "measure", "start", "warm-up", "end",
                "per 1000 cyc", "start/stop", "download", "dialog", "load/unload", "request", "control");
    std::printf("%-18s %12s %12s %12s %14s | %59s | %11s\n", "", "", "", "", "", "growth per 1000 cycles of each kind",
                "per 1000");
    bool ok = true;
    char verdicts[4096] = {};
    for (int m = 0; m < kMeasureCount; ++m) {
        const Measure& me = kMeasures[m];
        const double control = double(me.get(controlAfter) - me.get(controlBefore)) / double(controlLoads);
        const double grown = double(me.get(atEnd) - me.get(atWarm)) - control * double(loads);
        double perKind[kKinds];
        for (int k = 0; k < kKinds; ++k) {
            const double loadsHere = k == kWhole ? double(measured.n[k]) : 0.0;
            perKind[k] = measured.n[k] ? (double(kindGrowth[k][m]) - control * loadsHere) * 1000.0 / double(measured.n[k])
                                       : 0.0;
        }
        std::printf("%-18s %12lld %12lld %12lld %14.1f | %11.1f %11.1f %11.1f %11.1f %11.1f | %11.1f\n", me.name,
                    static_cast<long long>(me.get(atStart)), static_cast<long long>(me.get(atWarm)),
                    static_cast<long long>(me.get(atEnd)), total ? grown * 1000.0 / double(total) : 0.0, perKind[0],
                    perKind[1], perKind[2], perKind[3], perKind[4], control * 1000.0);
        if (me.mustNotGrow && std::lround(grown) > 0) {
            ok = false;
            std::snprintf(verdicts + std::strlen(verdicts), sizeof verdicts - std::strlen(verdicts),
                          "FAIL: %s grew by %.0f after the warm-up\n", me.name, grown);
        }
        if (m == kHeapBytes) {
            for (int k = 0; k < kKinds; ++k) {
                if (perKind[k] / 1000.0 > kHeapBoundPerCycle[k]) {
                    ok = false;
                    std::snprintf(verdicts + std::strlen(verdicts), sizeof verdicts - std::strlen(verdicts),
                                  "FAIL: heap grew by %.0f bytes per %s cycle (at most %.0f)\n", perKind[k] / 1000.0,
                                  kKindNames[k], kHeapBoundPerCycle[k]);
                }
            }
        }
    }
    if (s.downloadFailures) {
        ok = false;
        std::snprintf(verdicts + std::strlen(verdicts), sizeof verdicts - std::strlen(verdicts),
                      "FAIL: %ld downloads did not complete\n", s.downloadFailures);
    }
    if (s.requestFailures) {
        ok = false;
        std::snprintf(verdicts + std::strlen(verdicts), sizeof verdicts - std::strlen(verdicts),
                      "FAIL: %ld requests to the control endpoint got another answer than expected\n",
                      s.requestFailures);
    }
    if (s.dialogFailures) {
        ok = false;
        std::snprintf(verdicts + std::strlen(verdicts), sizeof verdicts - std::strlen(verdicts),
                      "FAIL: the dialog failed to open or close %ld times\n", s.dialogFailures);
    }
    std::printf("\ngrowth is net of the control's growth per load times the plug-in's %ld loads after the warm-up.\n"
                "%s%s\n",
                loads, verdicts, ok ? "soak: no growth" : "soak: growth found");
    return o.check && !ok ? 1 : 0;
}
