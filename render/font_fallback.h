// Fonts for the characters the band's font lacks: a short list of faces per
// group of scripts (Windows' own first, then what free systems carry), and
// the choice of a font for every cluster of a text, checked for its glyphs.
#pragma once
#include <cstdint>
#include <vector>

#include "text/scripts.h"

// Faces that may hold a group's characters, most wanted first; null ends
// the list.
const char16_t* const* FallbackFaces(ScriptGroup group);

// The fonts a layout may take its glyphs from: 0 is the band's own font.
class FontCoverage {
public:
    virtual ~FontCoverage() = default;
    // The fonts to try, in order, for a character of `group` the band's font
    // lacks: the group's faces, then any face that is installed.
    virtual const std::vector<int32_t>& Candidates(ScriptGroup group) = 0;
    virtual bool Covers(int32_t font, char32_t c) = 0;
};

struct FontSpan {
    int32_t begin = 0, end = 0;  // UTF-16 units of the text
    int32_t font = 0;
};

// Splits text[from, to) into spans of one font. A cluster (a character with
// the marks and invisible controls after it, and what a zero-width joiner
// binds to it) takes the band's font when that has every glyph of it, else
// the font of the cluster before it when that has them, else the first
// candidate that has them; blanks and punctuation stay in the font around
// them. A cluster no font has takes the band's font: only it shows boxes.
void SplitByFont(const char16_t* text, int32_t from, int32_t to, FontCoverage& coverage, std::vector<FontSpan>& out);
