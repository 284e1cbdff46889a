// A text laid out through Uniscribe with the band's fonts: the line split
// into items of one script and one direction (ScriptItemize, the base
// direction given), each item into spans of one font (the band's where it
// has the glyphs, else a fallback's, see font_fallback.h), each span shaped
// and placed (ScriptShape, ScriptPlace), the spans put in visual order
// (ScriptLayout). Needs nothing but the font set and the text: it may run on
// any thread.
#pragma once
#include <memory>
#include <string>

#include "render/font_set_win.h"
#include "render/text_layout.h"
#include "text/scripts.h"

// False when GDI draws the text as it comes, one glyph per character from
// the band's font: every character plain and held by the font, the line
// left to right.
bool NeedsLayout(const GdiFontSet& fonts, const std::u16string& text, BaseDirection direction);

// Null when Uniscribe fails.
std::shared_ptr<const TextLayout> BuildTextLayout(const GdiFontSet& fonts, const std::u16string& text,
                                                  BaseDirection direction);
