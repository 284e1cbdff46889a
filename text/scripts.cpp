#include "text/scripts.h"

#include <algorithm>
#include <iterator>

namespace {

using G = ScriptGroup;
constexpr CharClass::Bidi N = CharClass::Neutral, L = CharClass::Left, R = CharClass::Right;
constexpr CharClass::Kind B = CharClass::Base, M = CharClass::Mark, I = CharClass::Invisible;

struct Range {
    char32_t first, last;
    CharClass::Bidi bidi;
    CharClass::Kind kind;
    ScriptGroup group;
    bool plain;
};

// Beyond Latin-1, by block; a block's exceptions where they matter to a
// line's direction, to clusters or to what shows. Whatever is not listed is
// a neutral character of no known group that only shaping draws.
constexpr Range kRanges[] = {
    {0x0100, 0x02AF, L, B, G::Latin, true},
    {0x02B0, 0x02FF, N, B, G::Latin, true},
    {0x0300, 0x036F, N, M, G::Latin, false},
    {0x0370, 0x0373, L, B, G::Latin, true},
    {0x0374, 0x0375, N, B, G::Latin, true},
    {0x0376, 0x03FF, L, B, G::Latin, true},
    {0x0400, 0x0482, L, B, G::Latin, true},
    {0x0483, 0x0489, N, M, G::Latin, false},
    {0x048A, 0x052F, L, B, G::Latin, true},
    {0x0530, 0x058F, L, B, G::Other, true},
    {0x0591, 0x05BD, N, M, G::Hebrew, false},
    {0x05BE, 0x05BE, R, B, G::Hebrew, false},
    {0x05BF, 0x05BF, N, M, G::Hebrew, false},
    {0x05C0, 0x05C0, R, B, G::Hebrew, false},
    {0x05C1, 0x05C2, N, M, G::Hebrew, false},
    {0x05C3, 0x05C3, R, B, G::Hebrew, false},
    {0x05C4, 0x05C5, N, M, G::Hebrew, false},
    {0x05C6, 0x05C6, R, B, G::Hebrew, false},
    {0x05C7, 0x05C7, N, M, G::Hebrew, false},
    {0x05C8, 0x05FF, R, B, G::Hebrew, false},
    {0x0600, 0x060F, N, B, G::Arabic, false},  // number signs, separators
    {0x0610, 0x061A, N, M, G::Arabic, false},
    {0x061B, 0x061B, R, B, G::Arabic, false},
    {0x061C, 0x061C, R, I, G::Arabic, false},  // the Arabic letter mark
    {0x061D, 0x064A, R, B, G::Arabic, false},
    {0x064B, 0x065F, N, M, G::Arabic, false},
    {0x0660, 0x066C, N, B, G::Arabic, false},  // Arabic-Indic digits are weak
    {0x066D, 0x066F, R, B, G::Arabic, false},
    {0x0670, 0x0670, N, M, G::Arabic, false},
    {0x0671, 0x06D5, R, B, G::Arabic, false},
    {0x06D6, 0x06DC, N, M, G::Arabic, false},
    {0x06DD, 0x06DE, N, B, G::Arabic, false},
    {0x06DF, 0x06E4, N, M, G::Arabic, false},
    {0x06E5, 0x06E6, R, B, G::Arabic, false},
    {0x06E7, 0x06E8, N, M, G::Arabic, false},
    {0x06E9, 0x06E9, N, B, G::Arabic, false},
    {0x06EA, 0x06ED, N, M, G::Arabic, false},
    {0x06EE, 0x06EF, R, B, G::Arabic, false},
    {0x06F0, 0x06F9, N, B, G::Arabic, false},
    {0x06FA, 0x0710, R, B, G::Arabic, false},
    {0x0711, 0x0711, N, M, G::Other, false},
    {0x0712, 0x072F, R, B, G::Other, false},
    {0x0730, 0x074A, N, M, G::Other, false},
    {0x074B, 0x074F, R, B, G::Other, false},
    {0x0750, 0x077F, R, B, G::Arabic, false},
    {0x0780, 0x07A5, R, B, G::Other, false},
    {0x07A6, 0x07B0, N, M, G::Other, false},
    {0x07B1, 0x07EA, R, B, G::Other, false},
    {0x07EB, 0x07F3, N, M, G::Other, false},
    {0x07F4, 0x0815, R, B, G::Other, false},
    {0x0816, 0x082D, N, M, G::Other, false},
    {0x082E, 0x0858, R, B, G::Other, false},
    {0x0859, 0x085B, N, M, G::Other, false},
    {0x085C, 0x08D2, R, B, G::Arabic, false},
    {0x08D3, 0x08FF, N, M, G::Arabic, false},
    {0x0900, 0x0DFF, L, B, G::Indic, false},  // marks: see IndicMark
    {0x0E00, 0x0EFF, L, B, G::Thai, false},   // Thai and Lao; marks: see ThaiMark
    {0x0F00, 0x109F, L, B, G::Other, false},
    {0x10A0, 0x10FF, L, B, G::Other, true},
    {0x1100, 0x11FF, L, B, G::Cjk, false},  // conjoining jamo
    {0x1200, 0x1AAF, L, B, G::Other, false},
    {0x1AB0, 0x1AFF, N, M, G::Other, false},
    {0x1B00, 0x1CFF, L, B, G::Other, false},
    {0x1D00, 0x1DBF, L, B, G::Latin, true},
    {0x1DC0, 0x1DFF, N, M, G::Latin, false},
    {0x1E00, 0x1FFF, L, B, G::Latin, true},
    {0x2000, 0x200A, N, B, G::Common, true},
    {0x200B, 0x200D, N, I, G::Common, false},
    {0x200E, 0x200E, L, I, G::Common, false},
    {0x200F, 0x200F, R, I, G::Common, false},
    {0x2010, 0x2029, N, B, G::Common, true},
    {0x202A, 0x202E, N, I, G::Common, false},
    {0x202F, 0x205F, N, B, G::Common, true},
    {0x2060, 0x206F, N, I, G::Common, false},
    {0x2070, 0x20CF, N, B, G::Common, true},
    {0x20D0, 0x20FF, N, M, G::Symbol, false},
    {0x2100, 0x214F, N, B, G::Symbol, true},
    {0x2150, 0x218F, N, B, G::Common, true},
    {0x2190, 0x2BFF, N, B, G::Symbol, true},
    {0x2C00, 0x2DFF, L, B, G::Other, false},
    {0x2E00, 0x2E7F, N, B, G::Common, true},
    {0x2E80, 0x3004, N, B, G::Cjk, true},
    {0x3005, 0x3007, L, B, G::Cjk, true},
    {0x3008, 0x3020, N, B, G::Cjk, true},
    {0x3021, 0x3029, L, B, G::Cjk, true},
    {0x302A, 0x302F, N, M, G::Cjk, false},
    {0x3030, 0x303F, N, B, G::Cjk, true},
    {0x3040, 0x3098, L, B, G::Cjk, true},
    {0x3099, 0x309A, N, M, G::Cjk, false},
    {0x309B, 0x4DBF, L, B, G::Cjk, true},
    {0x4DC0, 0x4DFF, N, B, G::Symbol, true},
    {0x4E00, 0x9FFF, L, B, G::Cjk, true},
    {0xA000, 0xA63F, L, B, G::Other, false},
    {0xA640, 0xA66E, L, B, G::Latin, true},
    {0xA66F, 0xA67D, N, M, G::Latin, false},
    {0xA67E, 0xA69D, L, B, G::Latin, true},
    {0xA69E, 0xA69F, N, M, G::Latin, false},
    {0xA6A0, 0xA6FF, L, B, G::Other, false},
    {0xA700, 0xA7FF, L, B, G::Latin, true},
    {0xA800, 0xA95F, L, B, G::Other, false},
    {0xA960, 0xA97F, L, B, G::Cjk, false},
    {0xA980, 0xAB2F, L, B, G::Other, false},
    {0xAB30, 0xAB6F, L, B, G::Latin, true},
    {0xAB70, 0xABFF, L, B, G::Other, false},
    {0xAC00, 0xD7AF, L, B, G::Cjk, true},
    {0xD7B0, 0xD7FF, L, B, G::Cjk, false},
    {0xE000, 0xF8FF, N, B, G::Symbol, true},  // private use: a font's own symbols
    {0xF900, 0xFAFF, L, B, G::Cjk, true},
    {0xFB00, 0xFB06, L, B, G::Latin, true},
    {0xFB13, 0xFB17, L, B, G::Other, true},
    {0xFB1D, 0xFB1D, R, B, G::Hebrew, false},
    {0xFB1E, 0xFB1E, N, M, G::Hebrew, false},
    {0xFB1F, 0xFB4F, R, B, G::Hebrew, false},
    {0xFB50, 0xFDFF, R, B, G::Arabic, false},
    {0xFE00, 0xFE0F, N, I, G::Common, false},  // variation selectors
    {0xFE10, 0xFE1F, N, B, G::Cjk, true},
    {0xFE20, 0xFE2F, N, M, G::Common, false},
    {0xFE30, 0xFE6F, N, B, G::Cjk, true},
    {0xFE70, 0xFEFE, R, B, G::Arabic, false},
    {0xFEFF, 0xFEFF, N, I, G::Common, false},
    {0xFF00, 0xFF20, N, B, G::Cjk, true},
    {0xFF21, 0xFF3A, L, B, G::Cjk, true},
    {0xFF3B, 0xFF40, N, B, G::Cjk, true},
    {0xFF41, 0xFF5A, L, B, G::Cjk, true},
    {0xFF5B, 0xFF65, N, B, G::Cjk, true},
    {0xFF66, 0xFFEF, L, B, G::Cjk, true},
    {0xFFF9, 0xFFFB, N, I, G::Common, false},
    {0xFFFC, 0xFFFD, N, B, G::Common, true},
    {0x10000, 0x107FF, L, B, G::Other, false},
    {0x10800, 0x10FFF, R, B, G::Other, false},
    {0x11000, 0x1CFFF, L, B, G::Other, false},
    {0x1D000, 0x1D3FF, N, B, G::Symbol, false},
    {0x1D400, 0x1D7FF, L, B, G::Symbol, false},
    {0x1D800, 0x1E7FF, L, B, G::Other, false},
    {0x1E800, 0x1EDFF, R, B, G::Other, false},
    {0x1EE00, 0x1EEFF, R, B, G::Arabic, false},
    {0x1EF00, 0x1EFFF, R, B, G::Other, false},
    {0x1F000, 0x1F3FA, N, B, G::Symbol, false},
    {0x1F3FB, 0x1F3FF, N, I, G::Symbol, false},  // skin tones: a monochrome emoji has none
    {0x1F400, 0x1FBFF, N, B, G::Symbol, false},
    {0x20000, 0x3FFFF, L, B, G::Cjk, false},
    {0xE0000, 0xE007F, N, I, G::Common, false},
    {0xE0100, 0xE01EF, N, I, G::Common, false},
};

constexpr bool Ordered() {
    for (size_t i = 0; i < std::size(kRanges); ++i)
        if (kRanges[i].first > kRanges[i].last || (i > 0 && kRanges[i - 1].last >= kRanges[i].first)) return false;
    return true;
}
static_assert(Ordered(), "the ranges are searched by their first character");

bool IndicMark(char32_t c) {
    const uint32_t at = c & 0x7F;
    if (c >= 0x0D80) return (c >= 0x0D81 && c <= 0x0D83) || (c >= 0x0DCA && c <= 0x0DDF) || c == 0x0DF2 || c == 0x0DF3;
    return at <= 0x03 || (at >= 0x3A && at <= 0x3C) || (at >= 0x3E && at <= 0x4F) || (at >= 0x51 && at <= 0x57) ||
           at == 0x62 || at == 0x63;
}

bool ThaiMark(char32_t c) {
    return c == 0x0E31 || (c >= 0x0E34 && c <= 0x0E3A) || (c >= 0x0E47 && c <= 0x0E4E) || c == 0x0EB1 ||
           (c >= 0x0EB4 && c <= 0x0EBC) || (c >= 0x0EC8 && c <= 0x0ECD);
}

bool LatinLetter(char32_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == 0xAA || c == 0xB5 || c == 0xBA ||
           (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}

}  // namespace

CharClass ClassOf(char32_t c) {
    CharClass k;
    if (c <= 0xFF) {
        const bool letter = LatinLetter(c);
        k.bidi = letter ? L : N;
        k.group = letter ? G::Latin : G::Common;
        k.plain = true;
        return k;
    }
    const Range* end = std::end(kRanges);
    const Range* r = std::upper_bound(std::begin(kRanges), end, c, [](char32_t v, const Range& x) { return v < x.first; });
    if (r == std::begin(kRanges) || c > (--r)->last) return k;
    k.bidi = r->bidi, k.kind = r->kind, k.group = r->group, k.plain = r->plain;
    if ((r->group == G::Indic && IndicMark(c)) || (r->group == G::Thai && ThaiMark(c))) k.bidi = N, k.kind = M;
    return k;
}

char32_t CodePointAt(const char16_t* text, size_t length, size_t i, size_t* units) {
    const char16_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        *units = 2;
        return 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
    }
    *units = 1;
    return u;
}

BaseDirection FirstStrongDirection(const char16_t* text, size_t from, size_t to) {
    int isolates = 0;
    size_t n = 1;
    for (size_t i = from; i < to; i += n) {
        if (text[i] < 0x80) {  // labels are mostly digits, blanks and punctuation
            n = 1;
            if (isolates == 0 && LatinLetter(text[i])) return BaseDirection::LeftToRight;
            continue;
        }
        const char32_t c = CodePointAt(text, to, i, &n);
        if (c >= 0x2066 && c <= 0x2068) ++isolates;  // LRI, RLI, FSI
        else if (c == 0x2069 && isolates > 0) --isolates;  // PDI
        if (isolates > 0) continue;
        const CharClass k = ClassOf(c);
        if (k.bidi == L) return BaseDirection::LeftToRight;
        if (k.bidi == R) return BaseDirection::RightToLeft;
    }
    return BaseDirection::FromText;
}

bool IsRightToLeft(BaseDirection direction, const std::u16string& text) {
    if (direction == BaseDirection::FromText) direction = FirstStrongDirection(text);
    return direction == BaseDirection::RightToLeft;
}

bool IsPlainText(const std::u16string& text) {
    for (char16_t u : text)  // a surrogate is not plain: no pair is
        if (u > 0xFF && !ClassOf(u).plain) return false;
    return true;
}
