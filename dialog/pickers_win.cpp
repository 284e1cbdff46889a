#include "dialog/pickers_win.h"

#include <commdlg.h>

#include <cstring>

#include "base/ansi_codec.h"
#include "render/gdi_text_renderer_win.h"

namespace {

constexpr int kApplyButton = 1026;
const wchar_t kApplier[] = L"Mivra_Skimrow.FontApplier";

FontSpec FontSpecOf(const LOGFONTW& lf) {
    const std::string face = SystemAnsiCodec().FromUtf16(reinterpret_cast<const char16_t*>(lf.lfFaceName));
    return FontSpec{face, lf.lfHeight, lf.lfWeight, lf.lfItalic, lf.lfUnderline, lf.lfStrikeOut, lf.lfCharSet};
}

UINT_PTR CALLBACK FontHook(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const CHOOSEFONTW* cf = reinterpret_cast<const CHOOSEFONTW*>(lParam);
        SetPropW(box, kApplier, HANDLE(cf->lCustData));
        return TRUE;
    }
    if (message == WM_DESTROY) RemovePropW(box, kApplier);
    if (message == WM_COMMAND && LOWORD(wParam) == kApplyButton) {
        if (FontApplier* applier = static_cast<FontApplier*>(GetPropW(box, kApplier))) {
            LOGFONTW lf = {};
            SendMessageW(box, WM_CHOOSEFONT_GETLOGFONT, 0, LPARAM(&lf));
            applier->Apply(FontSpecOf(lf));
        }
        return TRUE;
    }
    return FALSE;
}

void DrawBump(HDC dc, RECT r) { DrawEdge(dc, &r, EDGE_BUMP, BF_RECT); }

}  // namespace

bool ChooseTickerFont(HWND owner, const FontSpec& initial, uint32_t effectsColor, FontApplier& applier,
                      FontSpec* chosen) {
    LOGFONTW lf = LogFontOf(initial);
    CHOOSEFONTW cf = {};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = owner;  // the settings dialog is disabled while it is open
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT | CF_ENABLEHOOK | CF_APPLY | CF_SCALABLEONLY;
    cf.rgbColors = effectsColor;
    cf.lCustData = LPARAM(&applier);
    cf.lpfnHook = FontHook;
    if (!ChooseFontW(&cf)) return false;
    *chosen = FontSpecOf(lf);
    return true;
}

bool ChooseTickerColor(HWND owner, uint32_t* color) {
    static COLORREF custom[16] = {};
    CHOOSECOLORW cc = {};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = *color;
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorW(&cc)) return false;
    *color = cc.rgbResult;
    return true;
}

void DrawFontButton(const DRAWITEMSTRUCT& item, const std::wstring& faceName) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    RECT text = r;
    text.left += 4, text.right -= 4;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor((item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    std::wstring shown = faceName;  // DT_MODIFYSTRING is not used: the ellipsis is only drawn
    DrawTextW(dc, shown.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_WORD_ELLIPSIS);
    DrawBump(dc, r);
    if (item.itemState & ODS_FOCUS) {
        RECT focus = r;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

void DrawSwatch(const DRAWITEMSTRUCT& item, uint32_t color) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    HBRUSH brush = disabled ? CreateHatchBrush(HS_FDIAGONAL, RGB(0x80, 0x80, 0x80)) : CreateSolidBrush(color);
    if (disabled) {
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        SetBkMode(dc, OPAQUE);
    }
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    DrawBump(dc, r);
}
