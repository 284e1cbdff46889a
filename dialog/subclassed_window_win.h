// A control of the dialog's template whose messages this object sees first;
// what it leaves goes to the control's own window procedure.
#pragma once
#include <windows.h>

class SubclassedWindow {
public:
    SubclassedWindow() = default;
    virtual ~SubclassedWindow() { Detach(); }
    SubclassedWindow(const SubclassedWindow&) = delete;
    SubclassedWindow& operator=(const SubclassedWindow&) = delete;

    HWND Window() const { return window_; }

protected:
    bool Attach(HWND window);
    void Detach();
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return CallWindowProcW(previous_, window_, message, wParam, lParam);
    }
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    WNDPROC previous_ = nullptr;
};
