// Where the settings dialog and the code that keeps it in step meet: the
// dialog's private messages, and the sink that posts the refresh parts to
// the dialog's window from any thread.
#pragma once
#include <windows.h>

#include <atomic>

#include "plugin/ticker_control.h"

constexpr UINT WM_UPDATE_CONTROLS = WM_USER + 400;  // wParam: UpdatePart
constexpr UINT WM_AUTOREPEAT = WM_USER + 401;       // wParam: button id, lParam: step
constexpr UINT WM_NUMBER_ACCEPTED = WM_USER + 402;  // wParam: a spinless numeric edit's id, lParam: its value

class DialogWindowSink final : public UpdateSink {
public:
    void SetWindow(HWND window) { window_.store(window); }
    HWND Window() const { return window_.load(); }
    void PostUpdate(UpdatePart part) override {
        if (HWND w = window_.load()) PostMessageW(w, WM_UPDATE_CONTROLS, WPARAM(part), 0);
    }

private:
    std::atomic<HWND> window_{nullptr};
};
