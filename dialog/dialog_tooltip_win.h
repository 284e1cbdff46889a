// The dialog's tooltip control: one tool per control, identified by the
// control's window, shown when the cursor rests on it.
#pragma once
#include <windows.h>

class DialogToolTip {
public:
    bool Create(HWND dialog);
    void AddTool(HWND control, const wchar_t* text);
    void Activate(bool on);
    HWND Window() const { return window_; }

private:
    HWND window_ = nullptr;
    HWND dialog_ = nullptr;
};
