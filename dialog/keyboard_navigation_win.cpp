#include "dialog/keyboard_navigation_win.h"

namespace {

// One settings dialog exists at a time; the hook needs no context.
HHOOK g_hook = nullptr;
HWND g_dialog = nullptr;

}  // namespace

void KeyboardNavigation::Start(HWND dialog) {
    Stop();
    g_dialog = dialog;
    g_hook = SetWindowsHookExW(WH_GETMESSAGE, Hook, nullptr, GetWindowThreadProcessId(dialog, nullptr));
}

void KeyboardNavigation::Stop() {
    if (g_hook) UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
    g_dialog = nullptr;
}

LRESULT CALLBACK KeyboardNavigation::Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE && g_dialog) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
            (msg->hwnd == g_dialog || IsChild(g_dialog, msg->hwnd)) && IsDialogMessageW(g_dialog, msg))
            msg->message = WM_NULL;  // handled: the host's loop dispatches nothing
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}
