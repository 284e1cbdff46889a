#include "dialog/modeless_dialog_win.h"

ModelessDialog::~ModelessDialog() { Destroy(); }

bool ModelessDialog::Create(HINSTANCE module, int templateId, HWND owner) {
    if (window_) return true;
    return CreateDialogParamW(module, MAKEINTRESOURCEW(templateId), owner, Procedure, LPARAM(this)) != nullptr;
}

void ModelessDialog::Destroy() {
    if (window_) DestroyWindow(window_);
}

INT_PTR CALLBACK ModelessDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ModelessDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<ModelessDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, LONG_PTR(self));
        self->window_ = window;
    } else {
        self = reinterpret_cast<ModelessDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR result = FALSE;
    bool handled = false;
    try {
        handled = self->OnMessage(message, wParam, lParam, &result);
    } catch (...) {  // nothing leaves through the host's message loop
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->window_ = nullptr;
    }
    return handled ? result : FALSE;
}
