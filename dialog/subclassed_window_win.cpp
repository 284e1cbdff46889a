#include "dialog/subclassed_window_win.h"

namespace {
const wchar_t kSelf[] = L"Mivra_Skimrow.Control";
}

bool SubclassedWindow::Attach(HWND window) {
    Detach();
    if (!window) return false;
    window_ = window;
    SetPropW(window, kSelf, HANDLE(this));
    previous_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, LONG_PTR(Procedure)));
    return true;
}

void SubclassedWindow::Detach() {
    if (!window_) return;
    if (IsWindow(window_)) {
        SetWindowLongPtrW(window_, GWLP_WNDPROC, LONG_PTR(previous_));
        RemovePropW(window_, kSelf);
    }
    window_ = nullptr;
    previous_ = nullptr;
}

LRESULT CALLBACK SubclassedWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SubclassedWindow* self = static_cast<SubclassedWindow*>(GetPropW(window, kSelf));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const WNDPROC previous = self->previous_;
        self->Detach();
        return CallWindowProcW(previous, window, message, wParam, lParam);
    }
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (...) {  // nothing leaves through the host's message loop
        return 0;
    }
}
