// The plug-in's settings window: a modeless dialog that edits the live
// settings while the video runs. Every control writes its setting at once
// through the control seam; the engine keeps the controls in step by
// posting WM_UPDATE_CONTROLS.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <string>

#include "dialog/dialog_tooltip_win.h"
#include "dialog/keyboard_navigation_win.h"
#include "dialog/modeless_dialog_win.h"
#include "dialog/numeric_edit_win.h"
#include "dialog/repeat_button_win.h"
#include "dialog/dialog_window_win.h"
#include "plugin/ticker_control.h"

class SettingsDialog final : public ModelessDialog {
public:
    explicit SettingsDialog(TickerControl& control) : control_(control) {}
    // The module whose resources hold the templates and pictures.
    void SetModule(HINSTANCE module) { module_ = module; }

    // Creates the window owned by `host` (none when null), or focuses and
    // flashes the open one.
    void Show(HWND host);
    // Destroys an open window, ending any modal window of ours above it.
    void Close();
    // A modal loop of ours (About box, file dialog) is running now.
    bool InModalLoop() const { return modalDepth_ > 0; }

private:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

    // One handler per control group.
    BOOL OnInitDialog();
    void OnUpdateControls(WPARAM part);
    void OnAutoRepeat(int id, int32_t step);
    void OnCommand(int id, int code);
    void OnCorner(int id);
    void OnSource();
    void OnCombo(int id, int code);
    void OnAddFile();
    void OnAbout();
    void OnFont();
    void OnColor(int id);
    void OnUrgent();
    void OnSpeed(HWND sender);
    void OnSpin(HWND sender, int code, int position);
    void OnNumber(int id, int32_t value);  // a spinless numeric edit's accepted value
    void OnKey(int code);
    void CommitKey();
    void OnDrawItem(const DRAWITEMSTRUCT& item);
    void OnDestroy();

    void FillCombo(int id, const StringList& list, int32_t index);
    void SetIcon(int id, int icon);

    TickerControl& control_;
    HINSTANCE module_ = nullptr;
    HWND host_ = nullptr;
    DialogWindowSink sink_;
    DialogToolTip toolTip_;
    RepeatButton repeats_[8];
    NumericEdit edits_[8];
    NumericEdit portEdit_;
    KeyboardNavigation navigation_;
    OPENFILENAMEW openFile_ = {};  // made on the first use of the add-file button
    bool openFileReady_ = false;
    wchar_t openFileName_[MAX_PATH] = {};
    int modalDepth_ = 0;
};

// 2 x times FlashWindow with invert set, 60 ms apart.
void FlashWindowTimes(HWND window, int times);
