// A modeless dialog from a template in the plug-in's resources: created and
// destroyed many times over one object's life, with its messages handed to
// the derived class.
#pragma once
#include <windows.h>

class ModelessDialog {
public:
    ModelessDialog() = default;
    virtual ~ModelessDialog();
    ModelessDialog(const ModelessDialog&) = delete;
    ModelessDialog& operator=(const ModelessDialog&) = delete;

    bool Create(HINSTANCE module, int templateId, HWND owner);
    void Destroy();
    HWND Window() const { return window_; }

protected:
    // True when handled; *result is then the dialog procedure's answer
    // (DWLP_MSGRESULT is set from it for messages that need one).
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) = 0;
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    void SetResult(LRESULT value) const { SetWindowLongPtrW(window_, DWLP_MSGRESULT, value); }

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
};
