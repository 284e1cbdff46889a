// An icon button that, while held down, keeps sending its parent a
// notification whose step grows the longer it is held.
#pragma once
#include "dialog/repeat_timing.h"
#include "dialog/subclassed_window_win.h"

class RepeatButton final : public SubclassedWindow {
public:
    // Subclasses the parent's item `id`, gives it the icon and copies the table.
    void Setup(int id, HWND parent, HINSTANCE module, int icon, UINT message, const RepeatStep* table, uint32_t count);

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void StartRepeat();
    void StopRepeat();
    // Sent, not posted: the parent applies each step before the next tick.
    void Notify(int32_t step) { SendMessageW(parent_, message_, WPARAM(id_), LPARAM(step)); }

    HWND parent_ = nullptr;
    int id_ = 0;
    UINT message_ = 0;
    RepeatTiming timing_;
};
