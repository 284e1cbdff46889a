// A settings dialog from the plug-in's resources over the engine with fake
// services, and the helpers that drive it as a user would.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "dialog/res/resource.h"
#include "dialog/settings_dialog_win.h"
#include "tests/native/engine_fixture.h"
#include "tests/win/plugin_harness.h"


// The lists hold text in the ANSI code page, as the settings file does.
inline std::string Ansi(const wchar_t* text) {
    char out[512] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, nullptr);
    return out;
}

inline std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

struct Dialog : ::testing::Test, EngineFixture {
    HMODULE resources = LoadLibraryA(Plugin::DllPath().c_str());
    HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 200, 100, 800, 600, nullptr, nullptr,
                                nullptr, nullptr);
    SettingsDialog dialogWindow{engine};
    Dialog() {
        dialogWindow.SetModule(resources);
        engine.SetList(ContentList::Strings, {Ansi(L"первая"), Ansi(L"вторая"), ""});
        engine.SetList(ContentList::Files, {"C:\\news.txt", ""});
        engine.SetList(ContentList::Urls, {"http://127.0.0.1/rss.xml", ""});
        engine.Set(&TickerSettings::StrIdx, 1);
    }
    ~Dialog() override {
        dialogWindow.Close();
        DestroyWindow(host);
        FreeLibrary(resources);
    }
    HWND Open() {
        Start();
        dialogWindow.Show(host);
        Pump();
        return dialogWindow.Window();
    }
    HWND Item(int id) const { return GetDlgItem(dialogWindow.Window(), id); }
    void Click(int id) {
        SendMessageW(Item(id), BM_CLICK, 0, 0);
        Pump(10);
    }
    void Notify(int id, int code) { SendMessageW(dialogWindow.Window(), WM_COMMAND, MAKEWPARAM(id, code), LPARAM(Item(id))); }
    HANDLE IconOf(int id) const { return HANDLE(SendMessageW(Item(id), BM_GETIMAGE, IMAGE_ICON, 0)); }
    HANDLE Icon(int icon) const { return LoadImageW(resources, MAKEINTRESOURCEW(icon), IMAGE_ICON, 0, 0, LR_SHARED); }
    bool Checked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
};

// Finds the visible common dialog on `thread` that is not `settings`.
struct CommonDialog {
    DWORD thread;
    HWND settings;
    HWND found = nullptr;
    static BOOL CALLBACK Visit(HWND w, LPARAM p) {
        CommonDialog* self = reinterpret_cast<CommonDialog*>(p);
        wchar_t cls[16];
        GetClassNameW(w, cls, 16);
        if (w != self->settings && IsWindowVisible(w) && lstrcmpW(cls, L"#32770") == 0) self->found = w;
        return TRUE;
    }
    HWND Wait() {
        for (int i = 0; i < 2000 && !found; ++i) {
            EnumThreadWindows(thread, Visit, LPARAM(this));
            if (!found) Sleep(5);
        }
        return found;
    }
};
