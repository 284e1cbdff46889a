#include "dialog/repeat_button_win.h"

void RepeatButton::Setup(int id, HWND parent, HINSTANCE module, int icon, UINT message, const RepeatStep* table,
                         uint32_t count) {
    message_ = message;
    id_ = id;
    parent_ = parent;
    timing_.Release();
    if (!Attach(GetDlgItem(parent, id))) return;
    if (HANDLE image = LoadImageW(module, MAKEINTRESOURCEW(icon), IMAGE_ICON, 0, 0, LR_SHARED))
        SendMessageW(Window(), BM_SETIMAGE, IMAGE_ICON, LPARAM(image));
    timing_.SetTable(table, count);
}

LRESULT RepeatButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:  // a double click presses like a click
        StartRepeat();
        break;
    case WM_LBUTTONUP:
        if (timing_.Release()) StopRepeat();
        break;
    case WM_CAPTURECHANGED:  // the press ended some other way (a window took the mouse)
        if (HWND(lParam) != Window() && timing_.Release()) StopRepeat();
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (wParam == VK_SPACE) return 0;  // the keyboard cannot push it
        break;
    case WM_TIMER:
        if (wParam == kRepeatTickTimer) {
            if (timing_.Pressed()) Notify(timing_.Current());
        } else if (timing_.StepTimer(wParam)) {
            KillTimer(Window(), wParam);
        }
        return 0;
    default: break;
    }
    return Default(message, wParam, lParam);
}

void RepeatButton::StartRepeat() {
    std::vector<RepeatTiming::OneShot> oneShots;
    Notify(timing_.Press(&oneShots));
    for (const RepeatTiming::OneShot& o : oneShots) SetTimer(Window(), o.id, o.delayMs, nullptr);
    SetTimer(Window(), kRepeatTickTimer, kRepeatTickMs, nullptr);
}

void RepeatButton::StopRepeat() {
    for (size_t i = 0; i < timing_.Table().size(); ++i) KillTimer(Window(), kFirstStepTimer + i);
    KillTimer(Window(), kRepeatTickTimer);
}
