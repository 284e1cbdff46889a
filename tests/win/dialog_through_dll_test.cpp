// The settings dialog the way a host reaches it: only the DLL's entry
// points, frames on a video thread, clicks on the real window, and the
// settings file that Shutdown leaves.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/win/plugin_harness.h"

namespace {


HWND SettingsWindow() { return FindWindowW(L"#32770", L"Mivra_Skimrow плагин"); }

struct Host {
    Plugin plugin;
    HWND window = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 100, 100, 720, 576, nullptr, nullptr,
                                  nullptr, nullptr);
    std::atomic<bool> stop{false};
    std::thread video;
    Host(const std::string& ini) {
        WriteFileBytes(Plugin::IniPath(), ini);
        InitInfo info = {0, 0};
        plugin->Init(&info);
        StartInfo start = {720, 576, 0, VANTREX_FORMAT_YUY2, 6};
        plugin->Start(&start);
        video = std::thread([this] {
            std::vector<uint8_t> frame(720 * 576 * 2, 0x80);
            FrameInfo f = {frame.data()};
            while (!stop) {
                plugin->ProcessFrame(&f);
                Sleep(5);
            }
        });
    }
    ~Host() {
        StopVideo();
        DestroyWindow(window);
    }
    void StopVideo() {
        stop = true;
        if (video.joinable()) video.join();
    }
    void ShowSettings() {
        void* owner = window;
        plugin->ShowSettings(&owner);
        Pump(100);
    }
};

TEST(DialogThroughTheDll, ClicksChangeTheRunningTickerAndShutdownSavesThem) {
    Host h("[PluginSettings]\r\nStr_000=Новости\r\nDate=1\r\nSpeed=4\r\n");
    h.plugin->ShowSettings(nullptr);  // a null owner pointer opens it without an owner
    Pump(100);
    HWND dialog = SettingsWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    Pump(50);
    ASSERT_EQ(SettingsWindow(), nullptr);

    h.ShowSettings();
    dialog = SettingsWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), h.window);
    SendMessageW(GetDlgItem(dialog, 5119), BM_CLICK, 0, 0);  // "Дата" off
    SendMessageW(GetDlgItem(dialog, 5113), BM_CLICK, 0, 0);  // start the line
    SendMessageW(dialog, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 3), LPARAM(GetDlgItem(dialog, 5109)));
    Pump(200);
    SetWindowPos(dialog, nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    h.plugin->Shutdown();  // with the dialog open: it is closed first
    EXPECT_EQ(SettingsWindow(), nullptr);
    h.StopVideo();
    const std::string saved = ReadFileBytes(Plugin::IniPath());
    EXPECT_NE(saved.find("\r\nDate=0\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\r\nLineOn=1\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\r\nRepeat=3\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("DlgWndPosX=50\r\nDlgWndPosY=60\r\n"), std::string::npos) << saved;
}

// The host reaches Shutdown and unloads the DLL from inside the About box's
// modal loop: the box goes, the settings are saved, and the loop's return
// still finds its code.
TEST(DialogThroughTheDll, ShutdownAndUnloadFromInsideAModalLoopOfTheDialog) {
    static Host* host = nullptr;
    static bool shutDown = false;
    {
        Host h("[PluginSettings]\r\nSpeed=5\r\n");
        host = &h;
        h.ShowSettings();
        HWND dialog = SettingsWindow();
        ASSERT_NE(dialog, nullptr);
        struct Timer {
            static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
                KillTimer(nullptr, id);
                host->plugin->Shutdown();
                host->StopVideo();
                FreeLibrary(GetModuleHandleA("Mivra_Skimrow.dll"));  // the host unloads the plug-in here
                shutDown = true;
            }
        };
        SetTimer(nullptr, 0, 300, Timer::Tick);
        SendMessageW(GetDlgItem(dialog, 5008), BM_CLICK, 0, 0);  // "О плагине": runs until Shutdown ends it
        EXPECT_TRUE(shutDown);
        EXPECT_EQ(SettingsWindow(), nullptr);
    }
    EXPECT_NE(ReadFileBytes(Plugin::IniPath()).find("\r\nSpeed=5\r\n"), std::string::npos);
    EXPECT_NE(GetModuleHandleA("Mivra_Skimrow.dll"), nullptr) << "kept loaded for the loop still on the stack";
}

}  // namespace

namespace {


// The host's loop never calls IsDialogMessage; the keys still navigate.
TEST(DialogThroughTheDll, TabMovesTheFocusAndEnterOrEscapeCloseNothing) {
    Host h("[PluginSettings]\r\nStr_000=a\r\n");
    h.ShowSettings();
    HWND dialog = SettingsWindow();
    ASSERT_NE(dialog, nullptr);
    SetForegroundWindow(dialog);
    HWND repeat = GetDlgItem(dialog, 5108);
    SetFocus(repeat);
    Pump(50);
    ASSERT_EQ(GetFocus(), repeat);
    PressKey(VK_TAB);
    EXPECT_NE(GetFocus(), repeat) << "Tab moved the focus on";
    EXPECT_TRUE(IsChild(dialog, GetFocus()));
    SetFocus(repeat);
    PressKey(VK_RETURN);
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(IsWindow(dialog)) << "Enter and Escape close nothing";
    SetFocus(GetDlgItem(dialog, 5002));  // a focused button still works by Enter
    Pump(30);
    PressKey(VK_RETURN);
    EXPECT_FALSE(IsWindow(dialog));
    h.plugin->Shutdown();
}

}  // namespace
