// The plug-in seen from a host: exports, descriptor, entry points called in
// and out of order, and the settings file they leave behind.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/win/plugin_harness.h"

namespace {

const char kDefaultFile[] =
    "[PluginSettings]\r\nDlgWndPosX=-100\r\nDlgWndPosY=-100\r\nLineOn=0\r\nLinePosX=384\r\nLinePosY=557\r\n"
    "LineSize=768\r\nFontName=Arial\r\nFontSize=-31\r\nFontWeight=700\r\nFontItalic=0\r\nFontUnderline=0\r\n"
    "FontStrikeOut=0\r\nFontCharSet=1\r\nFontQuality=4\r\nTextColor=12632256\r\nBackColor=6316128\r\n"
    "TextOpacity=90\r\nBackOpacity=80\r\nStrIdx=0\r\nFileIdx=0\r\nURLIdx=0\r\nShadowOffset=5\r\nInterlace=1\r\n"
    "Speed=4\r\nRepeat=0\r\nStartHotKey=0\r\nStringSource=0\r\nDate=1\r\nTime=1\r\nTitle=1\r\nDescription=0\r\n"
    "LatestNews=0\r\nAutoUpdate=0\r\nLastUpdate=0\r\nLastURL=\r\nAllFeeds=0\r\nSourceLabel=0\r\nMaxAge=0\r\n"
    "AnnounceEvery=0\r\nUrgentTextColor=16777215\r\nUrgentBackColor=192\r\nUrgentRepeat=3\r\nControlPort=0\r\n"
    "ControlKey=\r\nControlLan=0\r\nDirection=0\r\n";

void RemoveIni() { DeleteFileA(Plugin::IniPath().c_str()); }

TEST(PluginExports, VersionAndDescriptor) {
    Plugin p;
    ASSERT_TRUE(p.loaded());
    EXPECT_EQ(p.Version(), 3);
    HMODULE m = GetModuleHandleA("Mivra_Skimrow.dll");
    auto pr = reinterpret_cast<PluginDescriptorFn>(GetProcAddress(m, "Vantrex_Plugin_PR"));
    EXPECT_EQ(pr(), p.Descriptor());
    EXPECT_STREQ(p->name, "\xC1\xE5\xE3\xF3\xF9\xE0\xFF \xF1\xF2\xF0\xEE\xEA\xE0");
    EXPECT_STREQ(p->description, "\xC1\xE5\xE3\xF3\xF9\xE0\xFF \xF1\xF2\xF0\xEE\xEA\xE0.");
    EXPECT_TRUE(p->Init && p->Start && p->ProcessFrame && p->Stop && p->ShowSettings && p->Shutdown);
}

TEST(PluginSettingsFile, InitAndShutdownOnAMissingFileWriteTheDefaults) {
    RemoveIni();
    {
        Plugin p;
        InitInfo info = {7, 9};
        p->Init(&info);
        EXPECT_TRUE(FileExists(Plugin::IniPath()));  // created empty by loading
        EXPECT_EQ(ReadFileBytes(Plugin::IniPath()), "");
        p->Shutdown();
    }
    EXPECT_EQ(ReadFileBytes(Plugin::IniPath()), kDefaultFile);
}

TEST(PluginSettingsFile, ValuesAndListsSurviveARestart) {
    const std::string edited = std::string("[DEFAULT]\r\nSpeed=1\r\n") +
                               "[PluginSettings]\r\n  Speed = 9\r\nFontName=\r\nTextColor=16711680\r\n"
                               "LastUpdate=129655548000000000\r\nStr_000=\xCF\xF0\xE8\xE2\xE5\xF2\r\nStr_001=b\r\n"
                               "Str_003=lost\r\nURL_000=http://127.0.0.1/rss.xml\r\n";
    WriteFileBytes(Plugin::IniPath(), edited);
    {
        Plugin p;
        p->Init(nullptr);
        p->Shutdown();
    }
    const std::string saved = ReadFileBytes(Plugin::IniPath());
    EXPECT_EQ(saved.find("DEFAULT"), std::string::npos);
    EXPECT_NE(saved.find("\r\nSpeed=9\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nFontName=Arial\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nTextColor=16711680\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nLastUpdate=129655548000000000\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nStr_000=\xCF\xF0\xE8\xE2\xE5\xF2\r\nStr_001=b\r\nURL_000=http://127.0.0.1/rss.xml\r\n"),
              std::string::npos);
    EXPECT_EQ(saved.find("lost"), std::string::npos);
    RemoveIni();
}

TEST(PluginEntryPoints, OutOfOrderAndNullRecordsGetAnAnswer) {
    RemoveIni();
    Plugin p;
    std::vector<uint8_t> frame(720 * 576 * 2, 0x80);
    FrameInfo info = {frame.data()};
    EXPECT_EQ(p->ProcessFrame(&info), 1);  // before Init and Start
    EXPECT_EQ(p->ProcessFrame(nullptr), 0);
    FrameInfo empty = {nullptr};
    EXPECT_EQ(p->ProcessFrame(&empty), 0);
    EXPECT_EQ(p->Start(nullptr), 1);
    StartInfo early = {64, 48, 0, VANTREX_FORMAT_RGB24, 6};
    EXPECT_EQ(p->Start(&early), 1);  // before Init: no paths, so no log file anywhere
    EXPECT_FALSE(FileExists(".log"));
    p->Stop();
    p->Init(nullptr);
    StartInfo start = {720, 576, 0, VANTREX_FORMAT_YUY2, 6};
    EXPECT_EQ(p->Start(&start), 1);
    EXPECT_EQ(p->ProcessFrame(&info), 1);
    for (uint8_t b : frame) ASSERT_EQ(b, 0x80);  // the line is off: the frame is untouched
    p->Stop();
    p->Stop();
    p->Shutdown();
    RemoveIni();
}

TEST(PluginEntryPoints, OldProcessorsGetNoProcessing) {
    RemoveIni();
    Plugin p;
    p->Init(nullptr);
    StartInfo start = {720, 576, 0, VANTREX_FORMAT_YUY2, 2};
    ASSERT_EQ(p->Start(&start), 1);
    std::vector<uint8_t> frame(720 * 576 * 2, 0x10);
    FrameInfo info = {frame.data()};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(p->ProcessFrame(&info), 0);
    start.cpuLevel = 1;
    p->Start(&start);
    EXPECT_EQ(p->ProcessFrame(&info), 0);
    start.cpuLevel = 3;
    p->Start(&start);
    EXPECT_EQ(p->ProcessFrame(&info), 1);
    p->Shutdown();
    RemoveIni();
}

// Reads and closes the message box that ShowSettings opens on this thread.
BOOL CALLBACK FindBox(HWND wnd, LPARAM out) {
    char cls[32] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (std::string(cls) == "#32770" && IsWindowVisible(wnd)) {
        *reinterpret_cast<HWND*>(out) = wnd;
        return FALSE;
    }
    return TRUE;
}

TEST(PluginEntryPoints, SettingsOnAnOldProcessorShowTheNotice) {
    RemoveIni();
    Plugin p;
    p->Init(nullptr);
    StartInfo start = {720, 576, 0, VANTREX_FORMAT_YUY2, 2};
    p->Start(&start);
    std::wstring text, caption;
    std::atomic<bool> seen{false};
    const DWORD uiThread = GetCurrentThreadId();
    std::thread closer([&] {
        for (int i = 0; i < 200 && !seen; ++i) {
            Sleep(50);
            HWND box = nullptr;
            EnumThreadWindows(uiThread, FindBox, reinterpret_cast<LPARAM>(&box));
            if (!box) continue;
            wchar_t buf[256] = {};
            GetWindowTextW(box, buf, 256);
            caption = buf;
            HWND label = FindWindowExW(box, nullptr, L"Static", nullptr);
            while (label && GetWindowTextLengthW(label) == 0) label = FindWindowExW(box, label, L"Static", nullptr);
            if (label) {
                GetWindowTextW(label, buf, 256);
                text = buf;
            }
            seen = true;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    });
    void* owner = nullptr;
    p->ShowSettings(&owner);
    closer.join();
    ASSERT_TRUE(seen);
    EXPECT_EQ(text, L"      Настройки плагина недоступны. \nТребуется процессор Pentium III или старше.");
    p->Shutdown();
    RemoveIni();
}

}  // namespace

namespace {
// The plug-in's users run Russian Windows: text files, the settings file and
// the descriptor are Windows-1251, and the tests run the same way.
TEST(WineEnvironment, AnsiCodePageIs1251) { EXPECT_EQ(GetACP(), 1251u); }
}  // namespace
