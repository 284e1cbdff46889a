// The keyboard and mouse hooks on the thread of the host's main window: the
// start/stop hot key, and the double click on the band in RSS mode that
// opens the story under the cursor (else the selected feed's address).
#pragma once
#include <windows.h>

#include "input/input_rules.h"
#include "plugin/host_windows.h"
#include "plugin/ticker_control.h"

class InputHooks {
public:
    // `windows`: the host's windows as the last Start found them.
    InputHooks(TickerControl& control, const HostWindows& windows) : control_(control), windows_(windows) {}
    ~InputHooks() { Remove(); }

    // Keyboard first, then mouse; a pair still installed is removed first.
    void Install(DWORD thread);
    void Remove();

private:
    static LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam);
    bool Active() { return InputActive(GetTickCount(), control_.LastFrameTick(), control_.DialogOpen()); }
    bool OnMouse(UINT message, const MOUSEHOOKSTRUCT& info);  // true: consumed

    TickerControl& control_;
    const HostWindows& windows_;
    HHOOK keyboard_ = nullptr;
    HHOOK mouse_ = nullptr;
    HotKeyTracker keys_;
    BandClicks clicks_;
    int32_t pressX_ = 0;  // where on the band the last press landed (reference frame)
};
