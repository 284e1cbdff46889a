#include "input/input_hooks_win.h"

#include <shellapi.h>

#include <string>

#include "base/ansi_codec.h"
#include "feed/web_link.h"

namespace {
// The hooks have no context of their own; one pair exists at a time.
InputHooks* g_hooks = nullptr;
}  // namespace

void InputHooks::Install(DWORD thread) {
    Remove();
    g_hooks = this;
    keyboard_ = SetWindowsHookExW(WH_KEYBOARD, KeyboardProc, nullptr, thread);
    mouse_ = SetWindowsHookExW(WH_MOUSE, MouseProc, nullptr, thread);
}

void InputHooks::Remove() {
    if (keyboard_) UnhookWindowsHookEx(keyboard_);
    if (mouse_) UnhookWindowsHookEx(mouse_);
    keyboard_ = mouse_ = nullptr;
}

LRESULT CALLBACK InputHooks::KeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
    InputHooks* self = g_hooks;
    // Only HC_ACTION: a peeked message that stays in the queue comes again.
    if (code == HC_ACTION && self) {
        try {
            if (self->Active() &&
                self->keys_.OnKey(uint32_t(wParam), uint32_t(lParam), self->control_.Settings().StartHotKey))
                self->control_.ToggleLine();
        } catch (...) {
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);  // the host sees the key too
}

LRESULT CALLBACK InputHooks::MouseProc(int code, WPARAM wParam, LPARAM lParam) {
    InputHooks* self = g_hooks;
    if (code == HC_ACTION && self) {
        try {
            if (self->OnMouse(UINT(wParam), *reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam))) return 1;
        } catch (...) {
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool InputHooks::OnMouse(UINT message, const MOUSEHOOKSTRUCT& info) {
    if (message != WM_LBUTTONDOWN && message != WM_LBUTTONDBLCLK && message != WM_LBUTTONUP) return false;
    HWND video = static_cast<HWND>(windows_.video);
    if (!video || info.hwnd != video || !Active()) return false;
    const TickerSettings s = control_.Settings();
    if (s.Source() != ContentSource::Feed) return false;
    if (message == WM_LBUTTONUP) {
        if (clicks_.Release(GetTickCount(), GetDoubleClickTime()) != BandClicks::Open) return false;
        // The story under the press; between runs, or for a notice, the feed itself.
        std::u16string link = control_.LinkAt(pressX_);
        if (link.empty()) {
            const StringList urls = control_.List(ContentList::Urls);
            if (const std::string* url = ListEntry(urls, s.URLIdx)) link = SystemAnsiCodec().ToUtf16(url->c_str());
        }
        // A feed decides what its links say: nothing but a web page reaches the shell.
        if (IsOpenableWebLink(link))
            ShellExecuteW(nullptr, nullptr, reinterpret_cast<const wchar_t*>(link.c_str()), nullptr, nullptr,
                          SW_SHOWNORMAL);
        return true;
    }
    // A press, or the second press of a double click on a window that tells them apart.
    POINT p = info.pt;
    RECT client;
    int32_t x = 0, y = 0;
    const bool onBand = ScreenToClient(video, &p) && GetClientRect(video, &client) &&
                        ToReference(p.x, p.y, client.right, client.bottom, &x, &y) && s.LineOn != 0 &&
                        InsideBand(s, x, y);
    if (onBand) pressX_ = x;
    return clicks_.Press(onBand) == BandClicks::Consume;
}
