// The system's font and colour dialogs as the settings dialog uses them,
// and the owner-drawn font button and colour swatches.
#pragma once
#include <windows.h>

#include <string>

#include "plugin/ticker_control.h"

// Receives the font of each Apply press.
class FontApplier {
public:
    virtual ~FontApplier() = default;
    virtual void Apply(const FontSpec& font) = 0;
};

// Modal, owned by `owner`; true with *chosen on OK.
bool ChooseTickerFont(HWND owner, const FontSpec& initial, uint32_t effectsColor, FontApplier& applier,
                      FontSpec* chosen);
// Modal, owned by `owner`, fully open; true with *color on OK.
bool ChooseTickerColor(HWND owner, uint32_t* color);

// The face name between 4-pixel margins with a word ellipsis, in a bump edge.
void DrawFontButton(const DRAWITEMSTRUCT& item, const std::wstring& faceName);
// Solid colour, or a grey diagonal hatch when disabled, in a bump edge.
void DrawSwatch(const DRAWITEMSTRUCT& item, uint32_t color);
