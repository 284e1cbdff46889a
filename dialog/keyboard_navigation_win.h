// Tab, arrows, Enter and Escape for a modeless dialog in a message loop that
// is not ours (the host's loop never calls IsDialogMessage): a message hook
// on the dialog's thread hands its key messages to the dialog manager.
#pragma once
#include <windows.h>

class KeyboardNavigation {
public:
    ~KeyboardNavigation() { Stop(); }
    void Start(HWND dialog);
    void Stop();

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
};
