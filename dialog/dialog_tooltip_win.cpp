#include "dialog/dialog_tooltip_win.h"

#include <commctrl.h>

bool DialogToolTip::Create(HWND dialog) {
    dialog_ = dialog;
    // Owned by the dialog, so it goes when the dialog does.
    window_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, nullptr, nullptr);
    return window_ != nullptr;
}

void DialogToolTip::AddTool(HWND control, const wchar_t* text) {
    if (!window_ || !control) return;
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = control;
    tool.uId = UINT_PTR(control);
    tool.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(window_, TTM_ADDTOOLW, 0, LPARAM(&tool));
}

void DialogToolTip::Activate(bool on) {
    if (window_) SendMessageW(window_, TTM_ACTIVATE, on ? TRUE : FALSE, 0);
}
