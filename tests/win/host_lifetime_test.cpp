// What a host that runs for months sees of the plug-in, through the DLL: the
// counters the soak relies on follow objects made here; dialog openings and
// load/unload cycles leave nothing behind; and a Shutdown in the middle of a
// feed's parse saves the old stamp or the new one, the same bytes each time.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <vector>

#include "tests/soak/resource_counts_win.h"
#include "tests/win/plugin_harness.h"

namespace {

DWORD WINAPI WaitForEvent(void* event) { return WaitForSingleObject(HANDLE(event), INFINITE); }

TEST(ResourceCounts, FollowObjectsTheTestMakes) {
    char why[200] = {};
    EXPECT_TRUE(GdiCounterFollows(why, sizeof why)) << why;

    // A thread's windows bring one of the system's (the input method's) with
    // the first of them, and take it away with the last.
    HWND keeper = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    const ResourceCounts before = CountResources();
    std::vector<HANDLE> events;
    for (int i = 0; i < 25; ++i) events.push_back(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::vector<HWND> windows;
    for (int i = 0; i < 3; ++i)
        windows.push_back(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    windows.push_back(CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, windows[0], nullptr, nullptr, nullptr));
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, WaitForEvent, release, 0, nullptr);
    HANDLE heap = GetProcessHeap();
    void* blocks[10];
    for (void*& b : blocks) b = HeapAlloc(heap, 0, 1000);
    char tempFile[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, tempFile);
    lstrcatA(tempFile, "Tmp_counts_test.xml");
    WriteFileBytes(tempFile, "x");

    const ResourceCounts during = CountResources();
    EXPECT_EQ(during.handles - before.handles, 25 + 2) << "events, and the thread's event and handle";
    EXPECT_EQ(during.windows - before.windows, 4);
    EXPECT_EQ(during.threads - before.threads, 1);
    EXPECT_GE(during.heapBlocks - before.heapBlocks, 10);
    EXPECT_GE(during.heapBytes - before.heapBytes, 10 * 1000);
    EXPECT_EQ(during.tempFiles - before.tempFiles, 1);

    for (void* b : blocks) HeapFree(heap, 0, b);
    DeleteFileA(tempFile);
    SetEvent(release);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(release);
    for (auto w = windows.rbegin(); w != windows.rend(); ++w) DestroyWindow(*w);
    for (HANDLE e : events) CloseHandle(e);
    const ResourceCounts after = CountResources();
    DestroyWindow(keeper);
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(after.windows, before.windows);
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_EQ(after.tempFiles, before.tempFiles);
}

HWND SettingsWindow() { return FindWindowW(L"#32770", L"Mivra_Skimrow плагин"); }

// A dialog owned by the settings dialog (its tooltips are owned by it too).
BOOL CALLBACK FindAboutBox(HWND w, LPARAM found) {
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (GetWindow(w, GW_OWNER) == SettingsWindow() && lstrcmpW(cls, L"#32770") == 0) *reinterpret_cast<HWND*>(found) = w;
    return TRUE;
}

// Closes the About box from inside its modal loop, once it exists.
void CALLBACK CloseAboutBox(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindAboutBox, LPARAM(&box));
    if (!box) return;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    KillTimer(nullptr, id);
}

void OpenAndCloseTheDialog(Plugin& plugin, HWND owner, bool about) {
    void* handle = owner;
    plugin->ShowSettings(&handle);
    Pump(20);
    HWND dialog = SettingsWindow();
    ASSERT_NE(dialog, nullptr);
    if (about) {
        SetTimer(nullptr, 0, 20, CloseAboutBox);
        SendMessageW(GetDlgItem(dialog, 5008), BM_CLICK, 0, 0);  // "О плагине": returns when the box is closed
    }
    SendMessageW(GetDlgItem(dialog, 5002), BM_CLICK, 0, 0);  // "Закрыть"
    Pump(10);
    ASSERT_EQ(SettingsWindow(), nullptr);
}

// The dialog's two pictures and the About box's one are loaded by their
// static controls, which never delete them.
TEST(HostLifetime, DialogOpeningsLeaveNoGdiObjects) {
    WriteFileBytes(Plugin::IniPath(), "[PluginSettings]\r\nStr_000=a\r\n");
    Plugin plugin;
    HWND owner = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 100, 100, 720, 576, nullptr, nullptr,
                                 nullptr, nullptr);
    plugin->Init(nullptr);
    StartInfo start = {720, 576, 0, VANTREX_FORMAT_YUY2, 6};
    plugin->Start(&start);
    const struct {
        bool about;
        const char* what;
    } cases[] = {{false, "the settings dialog"}, {true, "the settings dialog and its About box"}};
    for (const auto& c : cases) {
        OpenAndCloseTheDialog(plugin, owner, c.about);  // first openings make what stays (classes, caches)
        int64_t before[kGdiKinds], after[kGdiKinds];
        ASSERT_TRUE(CountGdiObjects(before));
        for (int i = 0; i < 4; ++i) OpenAndCloseTheDialog(plugin, owner, c.about);
        CountGdiObjects(after);
        for (int k = 0; k < kGdiKinds; ++k)
            EXPECT_EQ(after[k] - before[k], 0) << kGdiKindNames[k] << "s after 4 openings of " << c.what;
    }
    plugin->Stop();
    plugin->Shutdown();
    DestroyWindow(owner);
}

// The static C++ runtime's emergency exception buffer went with every unload.
TEST(HostLifetime, LoadAndUnloadCyclesLeaveNoHeap) {
    WriteFileBytes(Plugin::IniPath(), "[PluginSettings]\r\nStr_000=a\r\nLineOn=1\r\n");
    auto cycle = [] {
        Plugin plugin;
        ASSERT_TRUE(plugin.loaded());
        plugin->Init(nullptr);
        StartInfo start = {720, 576, 0, VANTREX_FORMAT_YUY2, 6};
        plugin->Start(&start);
        std::vector<uint8_t> frame(720 * 576 * 2, 0x80);
        FrameInfo f = {frame.data()};
        for (int i = 0; i < 3; ++i) plugin->ProcessFrame(&f);
        plugin->Stop();
        plugin->Shutdown();
    };
    for (int i = 0; i < 3; ++i) cycle();
    int64_t bytes0, blocks0, bytes1, blocks1;
    CountHeap(&bytes0, &blocks0);
    constexpr int kCycles = 8;
    for (int i = 0; i < kCycles; ++i) cycle();
    CountHeap(&bytes1, &blocks1);
    EXPECT_EQ(GetModuleHandleA("Mivra_Skimrow.dll"), nullptr);
    EXPECT_LT((bytes1 - bytes0) / kCycles, 1024) << "heap bytes per load/unload";
    EXPECT_LE((blocks1 - blocks0) / kCycles, 1) << "heap blocks per load/unload";
}

// A module with the plug-in's runtime that throws on two threads, the
// host's and one that outlives every load, loaded and unloaded more often
// than a process has TLS slots: each unload gives back what its loads took.
struct ThrowCall {
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int (*)(int)> function{nullptr};  // null again once done
    std::atomic<bool> quit{false};
};

DWORD WINAPI ThrowOnCall(void* call) {
    auto* c = static_cast<ThrowCall*>(call);
    for (;;) {
        WaitForSingleObject(c->go, INFINITE);
        ResetEvent(c->go);
        if (c->quit) return 0;
        c->function.load()(3);
        c->function = nullptr;
    }
}

TEST(HostLifetime, AModuleThatThrowsGivesItsRuntimeBackAtEveryUnload) {
    ThrowCall call;
    HANDLE thread = CreateThread(nullptr, 0, ThrowOnCall, &call, 0, nullptr);
    auto cycle = [&] {
        HMODULE module = LoadLibraryA((ExeFolder() + "throwing_dll.dll").c_str());
        ASSERT_NE(module, nullptr);
        auto throwAndCatch = reinterpret_cast<int (*)(int)>(GetProcAddress(module, "ThrowAndCatch"));
        ASSERT_NE(throwAndCatch, nullptr);
        ASSERT_EQ(throwAndCatch(3), 3);
        call.function = throwAndCatch;
        SetEvent(call.go);
        while (call.function) Sleep(0);
        FreeLibrary(module);
    };
    for (int i = 0; i < 3; ++i) cycle();
    const ResourceCounts before = CountResources();
    constexpr int kCycles = 1200;  // a process has 1088 TLS slots
    for (int i = 0; i < kCycles; ++i) cycle();
    const ResourceCounts after = CountResources();
    call.quit = true;
    SetEvent(call.go);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseHandle(call.go);
    EXPECT_EQ(after.tlsSlots, before.tlsSlots);
    EXPECT_LE(after.handles - before.handles, 0);
    EXPECT_LT((after.heapBytes - before.heapBytes) / kCycles, 16) << "heap bytes per load/unload";
}

std::string LogPath() { return ExeFolder() + "Plugins\\Mivra_Skimrow.log"; }

std::string SavedValue(const std::string& file, const std::string& key) {
    const size_t at = file.find("\r\n" + key + "=");
    if (at == std::string::npos) return "(none)";
    const size_t begin = at + key.size() + 3;
    return file.substr(begin, file.find("\r\n", begin) - begin);
}

// The worker writes LastUpdate when it puts the feed on air; Shutdown comes
// as it starts, once the body is down (the parse begins), a little later,
// and once the feed is on air.
TEST(HostLifetime, ShutdownDuringAFeedsParseSavesTheOldStampOrTheNewOne) {
    const std::string server = FeedServer();
    ASSERT_FALSE(server.empty()) << "the feed server is not running";
    const std::string url = server + "/gen/items20000.xml";
    const std::string ini = "[PluginSettings]\r\nLineOn=1\r\nRepeat=0\r\nStringSource=2\r\nURL_000=" + url +
                            "\r\nLastURL=" + url + "\r\nLastUpdate=5\r\n";
    const int64_t tempBefore = CountTempFiles();
    const struct {
        const char* waitFor;  // in the log, before Shutdown
        DWORD thenMs;
    } moments[] = {{nullptr, 0}, {"successfull", 0}, {"successfull", 150}, {"Internet session closed.", 0}};
    std::vector<std::string> stamps, files;
    for (const auto& m : moments) {
        WriteFileBytes(Plugin::IniPath(), ini);
        {
            Plugin plugin;
            plugin->Init(nullptr);
            StartInfo start = {720, 576, 0, VANTREX_FORMAT_YUY2, 6};
            plugin->Start(&start);  // the line is on: the feed is fetched
            const DWORD begin = GetTickCount();
            while (m.waitFor && ReadFileBytes(LogPath()).find(m.waitFor) == std::string::npos &&
                   GetTickCount() - begin < 30000)
                Pump(5);
            Pump(m.thenMs);
            plugin->Stop();
            plugin->Shutdown();
        }
        // A worker still inside MSXML holds the module until it has left it.
        for (int i = 0; i < 200 && GetModuleHandleA("Mivra_Skimrow.dll"); ++i) Sleep(50);
        ASSERT_EQ(GetModuleHandleA("Mivra_Skimrow.dll"), nullptr);
        files.push_back(ReadFileBytes(Plugin::IniPath()));
        stamps.push_back(SavedValue(files.back(), "LastUpdate"));
    }
    const std::string before = "5", after = stamps.back();
    EXPECT_EQ(stamps.front(), before) << "shut down before anything came";
    EXPECT_NE(after, before) << "shut down with the feed on air";
    std::map<std::string, std::string> bytesOf;
    for (size_t i = 0; i < stamps.size(); ++i) {
        EXPECT_TRUE(stamps[i] == before || stamps[i] == after) << "moment " << i << ": " << stamps[i];
        EXPECT_EQ(bytesOf.emplace(stamps[i], files[i]).first->second, files[i]) << "moment " << i;
        std::printf("moment %zu: LastUpdate=%s\n", i, stamps[i].c_str());
    }
    EXPECT_EQ(CountTempFiles(), tempBefore);
}

}  // namespace
