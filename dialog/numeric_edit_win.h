// An edit paired with its spin: a typed value is accepted only when it is an
// integer in the spin's range, and then reaches the parent as the spin's
// WM_VSCROLL; a rejected value raises an error balloon at the edit. An edit
// without a spin (a port number: more than a spin's 16 bits, and nothing to
// step through) reports an accepted value as WM_NUMBER_ACCEPTED.
#pragma once
#include <string>

#include "dialog/subclassed_window_win.h"

class NumericEdit final : public SubclassedWindow {
public:
    // `orZero`: 0 is taken too (it means "off"). `spin` may be null.
    void Setup(int id, HWND parent, HWND spin, int32_t lower, int32_t upper, int maxLength, int32_t value,
               bool orZero = false);
    void SetValue(int32_t value);
    bool Validate();
    void HideBalloon();
    HWND Balloon() const { return balloon_; }

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void ShowBalloon();
    void SelectAll();

    HWND parent_ = nullptr;
    HWND spin_ = nullptr;
    HWND balloon_ = nullptr;
    int id_ = 0;
    int32_t lower_ = 0, upper_ = 0;
    bool orZero_ = false;
    RECT balloonRect_ = {};
    std::wstring balloonText_;
    // The spin's position, the last accepted value. Kept here because asking
    // a spin with a buddy re-reads the buddy's (typed) text.
    int32_t accepted_ = 0;
};
