#include "dialog/numeric_edit_win.h"

#include <commctrl.h>

#include "dialog/dialog_window_win.h"
#include "dialog/numeric_value.h"

namespace {

constexpr UINT_PTR kMoveWatchTimer = 1;  // hides the balloon when the dialog moves
constexpr UINT_PTR kHideTimer = 2;
constexpr UINT kMoveWatchMs = 50, kHideMs = 4000;

// An edit taking the focus back from another one; the other one then
// neither checks its own text nor takes the focus in turn.
bool g_reclaiming = false;

TTTOOLINFOW BalloonTool(wchar_t* text) {
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_IDISHWND;
    tool.hwnd = nullptr;
    tool.uId = 0;
    tool.lpszText = text;
    return tool;
}

}  // namespace

void NumericEdit::Setup(int id, HWND parent, HWND spin, int32_t lower, int32_t upper, int maxLength, int32_t value,
                        bool orZero) {
    parent_ = parent;
    spin_ = spin;
    id_ = id;
    lower_ = lower, upper_ = upper, orZero_ = orZero;
    if (!Attach(GetDlgItem(parent, id))) return;
    if (spin) SendMessageW(spin, UDM_SETBUDDY, WPARAM(Window()), 0);
    // The spin takes the right end of the edit's rectangle; with the font's
    // own margins (4 px a side under Wine) "100" no longer fits what is left.
    SendMessageW(Window(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, 1));
    if (spin) SendMessageW(spin, UDM_SETRANGE, 0, MAKELPARAM(upper, lower));
    SendMessageW(Window(), EM_LIMITTEXT, WPARAM(maxLength), 0);
    // A tracking tooltip: shown where and when Validate says, above the dialog.
    balloon_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_BALLOON | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr, nullptr, nullptr);
    if (balloon_) {
        balloonText_.clear();
        TTTOOLINFOW tool = BalloonTool(const_cast<wchar_t*>(L""));
        SendMessageW(balloon_, TTM_ADDTOOLW, 0, LPARAM(&tool));
        SendMessageW(balloon_, TTM_SETTITLEW, TTI_ERROR, LPARAM(L"Ошибка"));
    }
    SetValue(value);
}

void NumericEdit::SetValue(int32_t value) {
    accepted_ = spin_ ? int16_t(value) : value;
    if (spin_) SendMessageW(spin_, UDM_SETPOS, 0, MAKELPARAM(int16_t(value), 0));
    SetWindowTextW(Window(), std::to_wstring(value).c_str());
}

bool NumericEdit::Validate() {
    const int n = GetWindowTextLengthW(Window());
    std::wstring text(size_t(n) + 1, L'\0');
    GetWindowTextW(Window(), &text[0], n + 1);
    text.resize(size_t(n));
    int32_t value = 0;
    if (ParseDialogInt(std::u16string(text.begin(), text.end()), &value) &&
        ((value >= lower_ && value <= upper_) || (orZero_ && value == 0))) {
        accepted_ = value;
        if (!spin_) {
            SendMessageW(parent_, WM_NUMBER_ACCEPTED, WPARAM(id_), LPARAM(value));
            return true;
        }
        SendMessageW(spin_, UDM_SETPOS, 0, MAKELPARAM(int16_t(value), 0));
        SendMessageW(parent_, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, uint16_t(value)), LPARAM(spin_));
        return true;
    }
    ShowBalloon();
    return false;
}

void NumericEdit::ShowBalloon() {
    if (!balloon_) return;
    const std::u16string message = RangeMessage(lower_, upper_, orZero_);
    balloonText_.assign(message.begin(), message.end());
    GetWindowRect(Window(), &balloonRect_);
    TTTOOLINFOW tool = BalloonTool(&balloonText_[0]);
    SendMessageW(balloon_, TTM_UPDATETIPTEXTW, 0, LPARAM(&tool));
    SendMessageW(balloon_, TTM_TRACKPOSITION, 0, MAKELPARAM(balloonRect_.right, balloonRect_.bottom));
    SendMessageW(balloon_, TTM_TRACKACTIVATE, TRUE, LPARAM(&tool));
    SetTimer(Window(), kMoveWatchTimer, kMoveWatchMs, nullptr);
    SetTimer(Window(), kHideTimer, kHideMs, nullptr);
}

void NumericEdit::HideBalloon() {
    if (!Window()) return;
    KillTimer(Window(), kMoveWatchTimer);
    KillTimer(Window(), kHideTimer);
    if (!balloon_) return;
    TTTOOLINFOW tool = BalloonTool(&balloonText_[0]);
    SendMessageW(balloon_, TTM_TRACKACTIVATE, FALSE, LPARAM(&tool));
    ShowWindow(balloon_, SW_HIDE);
}

void NumericEdit::SelectAll() {
    SendMessageW(Window(), EM_SETSEL, 0, -1);
    SendMessageW(Window(), EM_SCROLLCARET, 0, 0);
}

LRESULT NumericEdit::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CHAR:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) return 0;
        break;
    case WM_GETDLGCODE:
        // Enter and Escape are this edit's own keys, not the dialog's.
        if (lParam && (reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN ||
                       reinterpret_cast<const MSG*>(lParam)->wParam == VK_ESCAPE))
            return Default(message, wParam, lParam) | DLGC_WANTMESSAGE;
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            Validate();
            SelectAll();
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            SetWindowTextW(Window(), std::to_wstring(accepted_).c_str());
            HideBalloon();
            return 0;
        }
        break;
    case WM_KILLFOCUS: {
        const LRESULT r = Default(message, wParam, lParam);
        HWND next = HWND(wParam);
        if (g_reclaiming || !Window()) return r;
        // Only a move within the dialog is taken back; another application keeps the focus it got.
        const bool withinDialog = next && next != balloon_ && (next == parent_ || IsChild(parent_, next));
        if (!Validate() && withinDialog) {
            g_reclaiming = true;
            SetFocus(Window());
            g_reclaiming = false;
            SelectAll();
        }
        if (next && next == balloon_) HideBalloon();
        return r;
    }
    case WM_ENABLE:
        if (spin_) EnableWindow(spin_, BOOL(wParam));
        break;
    case WM_TIMER:
        if (wParam == kMoveWatchTimer) {
            RECT now;
            GetWindowRect(Window(), &now);
            if (!EqualRect(&now, &balloonRect_)) HideBalloon();
        } else if (wParam == kHideTimer) {
            HideBalloon();
        }
        return 0;
    default: break;
    }
    return Default(message, wParam, lParam);
}
