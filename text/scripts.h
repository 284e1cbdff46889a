// What the text model knows of the world's scripts: the direction a
// character gives its line, which characters attach to the one before them
// or show nothing, the group of scripts whose fonts draw a character, and
// whether text can be drawn one character after another without shaping.
#pragma once
#include <cstdint>
#include <string>

// The direction a message is laid out in; FromText: that of its first
// strong character (left to right when it has none).
enum class BaseDirection : uint8_t { FromText, LeftToRight, RightToLeft };

// Groups of scripts that share their fallback fonts.
enum class ScriptGroup : uint8_t { Common, Latin, Arabic, Hebrew, Thai, Indic, Cjk, Symbol, Other };

struct CharClass {
    enum Bidi : uint8_t { Neutral, Left, Right } bidi = Neutral;
    // A combining mark stays with the character before it; an invisible
    // control (joiners, direction marks, variation selectors) draws nothing.
    enum Kind : uint8_t { Base, Mark, Invisible } kind = Base;
    ScriptGroup group = ScriptGroup::Other;
    // Drawn as it comes, one glyph per character, when the font has it: no
    // shaping, no reordering, no combining.
    bool plain = false;
};

CharClass ClassOf(char32_t c);

// The code point at `i` of UTF-16 text and how many units it takes; a lone
// surrogate stands for itself.
char32_t CodePointAt(const char16_t* text, size_t length, size_t i, size_t* units);

// The direction of the first strong character of text[from, to), skipping
// isolated runs (between an isolate initiator and its PDI); FromText when
// there is none.
BaseDirection FirstStrongDirection(const char16_t* text, size_t from, size_t to);
inline BaseDirection FirstStrongDirection(const std::u16string& text) {
    return FirstStrongDirection(text.data(), 0, text.size());
}
// The direction a message is laid out in: `direction` as set where it was
// built, else its text's.
bool IsRightToLeft(BaseDirection direction, const std::u16string& text);

// Text the plain path can draw: every character plain (in the BMP) and the
// line left to right.
bool IsPlainText(const std::u16string& text);

// Marks that set the direction of what follows them without showing.
constexpr char16_t kLeftToRightMark = 0x200E, kRightToLeftMark = 0x200F;
