// The hot key and the double click as a user meets them: the host's windows
// as the plug-in looks for them, frames on a video thread, and real keys
// and clicks through SendInput.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "tests/win/plugin_harness.h"

namespace {


// What reaches the host's windows.
std::atomic<int> g_keys{0}, g_downs{0}, g_ups{0}, g_doubles{0};
LRESULT CALLBACK HostProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_KEYDOWN) ++g_keys;
    if (m == WM_LBUTTONDOWN) ++g_downs;
    if (m == WM_LBUTTONUP) ++g_ups;
    if (m == WM_LBUTTONDBLCLK) ++g_doubles;
    if (m == WM_USER + 200) return 1;
    return DefWindowProcW(w, m, wp, lp);
}

void Register(const wchar_t* name, UINT style) {
    WNDCLASSW c = {};
    c.style = style;
    c.lpfnWndProc = HostProc;
    c.lpszClassName = name;
    c.hbrBackground = HBRUSH(GetStockObject(BLACK_BRUSH));
    RegisterClassW(&c);
}

void Keys(std::initializer_list<WORD> down) {
    std::vector<INPUT> in;
    for (WORD k : down) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        in.push_back(i);
    }
    for (auto k = down.end(); k != down.begin();) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = *--k;
        i.ki.dwFlags = KEYEVENTF_KEYUP;
        in.push_back(i);
    }
    SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
    Pump(100);
}

struct HookHost : ::testing::Test {
    Plugin plugin;
    HWND main = nullptr, frame = nullptr, video = nullptr;
    std::thread feeder;
    std::atomic<bool> stop{false}, feeding{true}, drawn{false};
    std::string openLog;

    void Open(const std::string& ini) {
        Register(L"TMain", 0);
        Register(L"TVideoFrame", 0);
        Register(L"TestVideoRenderer", CS_DBLCLKS);  // as video renderers are
        main = CreateWindowExW(0, L"TMain", L"Vantrex", WS_POPUP | WS_VISIBLE, 0, 0, 100, 50, nullptr, nullptr, nullptr, nullptr);
        frame = CreateWindowExW(0, L"TVideoFrame", L"Video window", WS_POPUP | WS_VISIBLE, 100, 100, 720, 576, main, nullptr,
                                nullptr, nullptr);
        video = CreateWindowExW(0, L"TestVideoRenderer", L"ActiveMovie Window", WS_CHILD | WS_VISIBLE, 0, 0, 720, 576, frame,
                                nullptr, nullptr, nullptr);
        openLog = ExeFolder() + "opened.txt";
        DeleteFileA(openLog.c_str());
        SetEnvironmentVariableA("SKIMROW_OPEN_LOG", openLog.c_str());
        WriteFileBytes(Plugin::IniPath(), ini);
        InitInfo info = {0, 0};
        plugin->Init(&info);
        StartPlugin();
        feeder = std::thread([this] {
            std::vector<uint8_t> pixels(720 * 576 * 2);
            FrameInfo f = {pixels.data()};
            while (!stop) {
                if (feeding) {
                    std::fill(pixels.begin(), pixels.end(), uint8_t(0x10));
                    plugin->ProcessFrame(&f);
                    drawn = std::any_of(pixels.begin(), pixels.end(), [](uint8_t b) { return b != 0x10; });
                }
                Sleep(10);
            }
        });
        SetForegroundWindow(main);
        Pump(200);
    }
    void StartPlugin() {
        StartInfo start = {720, 576, 0, VANTREX_FORMAT_YUY2, 6};
        plugin->Start(&start);
    }
    ~HookHost() override {
        stop = true;
        if (feeder.joinable()) feeder.join();
        DestroyWindow(main);
    }
    bool LineShown() {
        Pump(150);
        return drawn;
    }
    void Click(int x, int y, int times = 1) {
        SetCursorPos(100 + x, 100 + y);
        for (int i = 0; i < times; ++i) {
            INPUT in[2] = {};
            in[0].type = in[1].type = INPUT_MOUSE;
            in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
            in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
            SendInput(2, in, sizeof(INPUT));
            Pump(40);
        }
        SetCursorPos(700, 900);  // away from the video
        Pump(700);               // past the double-click time
    }
    std::string Opened() { return FileExists(openLog) ? ReadFileBytes(openLog) : std::string(); }
    void Reset() { g_keys = g_downs = g_ups = g_doubles = 0; }
};

const char kCtrlA[] = "[PluginSettings]\r\nStartHotKey=577\r\nStr_000=hot key\r\n";

TEST_F(HookHost, CtrlATogglesOnceWhileOtherCombinationsDoNothingAndTheHostSeesEveryKey) {
    Open(kCtrlA);
    ASSERT_FALSE(LineShown());
    Reset();
    Keys({'A'});
    Keys({VK_CONTROL, VK_SHIFT, 'A'});
    EXPECT_FALSE(LineShown());
    Keys({VK_CONTROL, 'A'});
    EXPECT_TRUE(LineShown());
    Keys({VK_CONTROL, 'A'});
    EXPECT_FALSE(LineShown());
    EXPECT_EQ(g_keys.load(), 1 + 3 + 2 + 2) << "the hot key is never consumed";
}

TEST_F(HookHost, NothingWithoutFramesWithTheDialogOpenOrAfterStopAndOneTogglePerPressAfterTwoStarts) {
    Open(kCtrlA);
    feeding = false;
    Pump(600);
    Keys({VK_CONTROL, 'A'});
    feeding = true;
    EXPECT_FALSE(LineShown()) << "no frame for 500 ms";

    void* owner = main;
    plugin->ShowSettings(&owner);
    Pump(200);
    SetForegroundWindow(main);
    Pump(50);
    Keys({VK_CONTROL, 'A'});
    EXPECT_FALSE(LineShown()) << "the dialog is open";
    PostMessageW(FindWindowW(L"#32770", L"Mivra_Skimrow плагин"), WM_CLOSE, 0, 0);
    Pump(100);

    StartPlugin();  // a second Start without Stop: still one pair of hooks
    SetForegroundWindow(main);
    Pump(50);
    Keys({VK_CONTROL, 'A'});
    EXPECT_TRUE(LineShown());
    plugin->Stop();
    Keys({VK_CONTROL, 'A'});
    EXPECT_TRUE(LineShown()) << "after Stop the hot key does nothing";
}

std::string FeedIni(const std::string& url, int source = 2) {
    return "[PluginSettings]\r\nLineOn=1\r\nStringSource=" + std::to_string(source) + "\r\nURL_000=" + url +
           "\r\nStr_000=band\r\n";
}

// The shell opens http addresses (or another scheme's) with the recording
// program while a test runs.
struct ShellHandler {
    std::string scheme;
    HKEY key = nullptr;
    std::string previous;
    bool existed = false;
    explicit ShellHandler(const std::string& name = "http") : scheme(name) {
        HKEY root = nullptr;
        existed = RegOpenKeyExA(HKEY_CLASSES_ROOT, scheme.c_str(), 0, KEY_READ, &root) == ERROR_SUCCESS;
        if (existed) RegCloseKey(root);
        RegCreateKeyExA(HKEY_CLASSES_ROOT, (scheme + "\\shell\\open\\command").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr);
        if (!existed) RegSetKeyValueA(HKEY_CLASSES_ROOT, scheme.c_str(), "URL Protocol", REG_SZ, "", 1);
        char value[1024] = {};
        DWORD size = sizeof value;
        if (RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS)
            previous = value;
        const std::string command = "\"" + ExeFolder() + "record_open.exe\" \"%1\"";
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()), DWORD(command.size() + 1));
        RegDeleteTreeA(HKEY_CLASSES_ROOT, (scheme + "\\shell\\open\\ddeexec").c_str());
    }
    ~ShellHandler() {
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(previous.c_str()), DWORD(previous.size() + 1));
        RegCloseKey(key);
        if (!existed) RegDeleteTreeA(HKEY_CLASSES_ROOT, scheme.c_str());
    }
};

TEST_F(HookHost, ADoubleClickOnTheBandOpensTheFeedOnceAndOtherClicksReachTheHost) {
    ShellHandler shell;
    const std::string url = "http://127.0.0.1:9/feed.xml";
    Open(FeedIni(url));
    ASSERT_TRUE(LineShown());
    const int bandY = 557 * 576 / 576;  // the default band, at the bottom
    Reset();
    Click(360, 100);  // outside the band
    EXPECT_EQ(g_downs.load(), 1);
    EXPECT_EQ(g_ups.load(), 1);
    Reset();
    Click(360, bandY);  // a single click: only its release passes
    EXPECT_EQ(g_downs.load(), 0);
    EXPECT_EQ(g_ups.load(), 1);
    EXPECT_EQ(Opened(), "");
    Reset();
    Click(360, bandY, 2);
    Pump(1500);  // the shell starts the recorder
    EXPECT_EQ(Opened(), url + "\n");
    EXPECT_EQ(g_downs.load() + g_doubles.load(), 0);
    EXPECT_EQ(g_ups.load(), 1) << "the first release reaches the host, the second does not";
}

// A feed's story under the cursor: the feed downloaded (its log closed),
// then its one long item scrolled to the middle of the band and
// double-clicked there; what the shell was asked to open.
struct StoryHost : HookHost {
    ShellHandler http, script{"javascript"}, other{"skimrowtest"};
    std::string OpenStory(const std::string& url) {
        const std::string log = ExeFolder() + "Plugins\\Mivra_Skimrow.log";
        DeleteFileA(log.c_str());
        Open(FeedIni(url) + "Speed=2\r\nDate=0\r\nTime=0\r\n");
        for (int i = 0; i < 100 && ReadFileBytes(log).find("Internet session closed.") == std::string::npos; ++i) Pump(100);
        Pump(1500);  // 4 pixels a frame: the title's run reaches the middle and covers it for seconds
        Click(360, 557, 2);
        Pump(1500);  // the shell starts the recorder
        return Opened();
    }
};

TEST_F(StoryHost, TheItemsOwnLinkOpensReadAgainstTheFeedsAddress) {
    const std::string server = FeedServer();
    ASSERT_FALSE(server.empty());
    EXPECT_EQ(OpenStory(server + "/feeds/links.xml"), server + "/story/1?from=feed\n");
}

TEST_F(StoryHost, AScriptLinkNeverReachesTheShellTheChannelsSiteOpensInstead) {
    ASSERT_FALSE(FeedServer().empty());
    EXPECT_EQ(OpenStory(FeedServer() + "/feeds/links_script.xml"), "http://127.0.0.1:9/site/\n");
}

TEST_F(StoryHost, AFileLinkAndAChannelOfAnotherSchemeLeaveTheFeedsOwnAddress) {
    ASSERT_FALSE(FeedServer().empty());
    // Were the shell given the file link, it would run the recorder with no address: an empty line.
    std::string program = "file:///" + ExeFolder() + "record_open.exe";
    std::replace(program.begin(), program.end(), '\\', '/');
    const std::string url = ServeFile("links_file.xml", "<?xml version=\"1.0\"?><rss><channel><link>skimrowtest:site</link>"
                                                        "<item><title>" + std::string(300, 'F') + "</title><link>" +
                                                        program + "</link></item></channel></rss>");
    EXPECT_EQ(OpenStory(url), url + "\n");
}

TEST_F(StoryHost, ASitesAddressPutsTheFeedItsPageNamesOnAir) {
    const std::string server = FeedServer();
    ASSERT_FALSE(server.empty());
    EXPECT_EQ(OpenStory(server + "/pages/site.html"), server + "/story/1?from=feed\n");
    const std::string log = ReadFileBytes(ExeFolder() + "Plugins\\Mivra_Skimrow.log");
    EXPECT_NE(log.find(" - Feed found at " + server + "/feeds/links.xml?from=page&x=1.\r\n"), std::string::npos) << log;
}

TEST_F(HookHost, NonWebEntriesOpenNothingAndOtherSourcesLetClicksThrough) {
    ShellHandler shell;
    Open(FeedIni("C:\\windows\\notepad.exe"));
    Click(360, 557, 2);
    Pump(1000);
    EXPECT_EQ(Opened(), "");
}

TEST_F(HookHost, StringModeClicksReachTheHost) {
    Open(FeedIni("http://127.0.0.1:9/feed.xml", 0));
    ASSERT_TRUE(LineShown());
    Reset();
    Click(360, 557, 2);
    EXPECT_EQ(g_downs.load() + g_doubles.load(), 2);
    EXPECT_EQ(g_ups.load(), 2);
}

TEST_F(HookHost, AHostThatUnloadsWithoutStopSurvivesLaterKeysAndClicks) {
    Open(FeedIni("http://127.0.0.1:9/feed.xml"));
    stop = true;
    feeder.join();
    plugin->Shutdown();
    FreeLibrary(GetModuleHandleA("Mivra_Skimrow.dll"));  // the harness's own FreeLibrary comes later
    ASSERT_EQ(GetModuleHandleA("Mivra_Skimrow.dll"), nullptr);
    Reset();
    Keys({VK_CONTROL, 'A'});
    Click(360, 557, 2);
    EXPECT_EQ(g_keys.load(), 2);
    EXPECT_EQ(g_ups.load(), 2);
    LoadLibraryA(Plugin::DllPath().c_str());  // balances the harness's FreeLibrary
}

}  // namespace
