// The numeric edits as the user reads them: the spin sits inside the right
// end of its edit's rectangle from the template, and every value of the
// edit's range is drawn whole in what the spin leaves, at the dialog's font.
#include "tests/win/dialog_fixture.h"

namespace {

struct EditLayout {
    int edit, spin;
    int32_t lower, upper;
    RECT templateRect;  // dialog units, as in the resource
};
const EditLayout kEdits[] = {
    {IDC_SHADOW, IDC_SHADOW_SPIN, 0, 100, {151, 12, 151 + 28, 12 + 12}},
    {IDC_TEXT_OPACITY, IDC_TEXT_OPACITY_SPIN, 0, 100, {151, 39, 151 + 28, 39 + 12}},
    {IDC_BACK_OPACITY, IDC_BACK_OPACITY_SPIN, 0, 100, {151, 65, 151 + 28, 65 + 12}},
    {IDC_REPEAT, IDC_REPEAT_SPIN, 0, 999, {180, 207, 180 + 28, 207 + 12}},
    {IDC_AUTO_UPDATE, IDC_AUTO_UPDATE_SPIN, 0, 999, {73, 185, 73 + 28, 185 + 12}},
};

RECT ScreenRectIn(HWND dialog, RECT r) {
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(Dialog, EveryValueOfEveryNumericEditIsDrawnWholeBesideItsSpin) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    for (const EditLayout& e : kEdits) {
        HWND edit = Item(e.edit), spin = Item(e.spin);
        RECT r = e.templateRect;
        MapDialogRect(dialog, &r);
        const RECT expected = ScreenRectIn(dialog, r);
        RECT editRect, spinRect, text;
        GetWindowRect(edit, &editRect);
        GetWindowRect(spin, &spinRect);
        EXPECT_EQ(editRect.left, expected.left) << e.edit;
        EXPECT_EQ(editRect.top, expected.top) << e.edit;
        EXPECT_EQ(editRect.bottom, expected.bottom) << e.edit;
        EXPECT_LE(spinRect.right, expected.right) << e.edit << ": the spin stays within the edit's rectangle";

        SendMessageW(edit, EM_GETRECT, 0, LPARAM(&text));
        MapWindowPoints(edit, nullptr, reinterpret_cast<POINT*>(&text), 2);
        // What the spin covers is not readable, whichever way it is placed.
        const LONG readableRight = spinRect.left < text.right && spinRect.right > text.left ? spinRect.left : text.right;
        HDC dc = GetDC(edit);
        HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageW(edit, WM_GETFONT, 0, 0)));
        LONG widest = 0;
        int32_t widestValue = e.lower;
        for (int32_t v = e.lower; v <= e.upper; ++v) {
            const std::wstring s = std::to_wstring(v);
            SIZE size = {};
            GetTextExtentPoint32W(dc, s.c_str(), int(s.size()), &size);
            if (size.cx > widest) widest = size.cx, widestValue = v;
        }
        SelectObject(dc, old);
        ReleaseDC(edit, dc);
        EXPECT_LE(text.left + widest, readableRight)
            << "edit " << e.edit << ": \"" << widestValue << "\" needs " << widest << " px, " << readableRight - text.left
            << " px are readable";
    }
}

}  // namespace
