#include "render/font_fallback.h"

namespace {

// Windows' own faces first, a newer system's before the older faces that
// stand in for them, then what Linux systems carry (DejaVu, the TLWG Thai
// fonts, Symbola, Noto, WenQuanYi).
const char16_t* const kArabic[] = {u"Segoe UI", u"Tahoma", u"Arial", u"Microsoft Sans Serif", u"Times New Roman",
                                    u"DejaVu Sans", u"Noto Sans Arabic", u"Noto Naskh Arabic", nullptr};
const char16_t* const kHebrew[] = {u"Segoe UI", u"Arial", u"Tahoma", u"Microsoft Sans Serif", u"David",
                                    u"DejaVu Sans", u"Noto Sans Hebrew", nullptr};
const char16_t* const kThai[] = {u"Leelawadee UI", u"Leelawadee", u"Tahoma", u"Microsoft Sans Serif", u"Garuda",
                                  u"Loma", u"Noto Sans Thai", u"Noto Sans Lao", nullptr};
const char16_t* const kIndic[] = {u"Nirmala UI", u"Mangal", u"Vrinda", u"Latha", u"Noto Sans Devanagari",
                                   u"Lohit Devanagari", u"FreeSans", nullptr};
const char16_t* const kCjk[] = {u"Microsoft YaHei", u"Meiryo", u"Malgun Gothic", u"SimSun", u"MS Gothic",
                                 u"WenQuanYi Micro Hei", u"Noto Sans CJK SC", nullptr};
const char16_t* const kSymbol[] = {u"Segoe UI Emoji", u"Segoe UI Symbol", u"Symbola", u"Noto Emoji",
                                    u"DejaVu Sans", u"Noto Sans Symbols2", nullptr};
const char16_t* const kGeneral[] = {u"Segoe UI", u"Arial", u"Microsoft Sans Serif", u"Arial Unicode MS",
                                     u"DejaVu Sans", u"FreeSans", u"Noto Sans", nullptr};

bool Joiner(char32_t c) { return c == 0x200D; }

struct Cluster {
    int32_t end = 0;
    ScriptGroup group = ScriptGroup::Common;
    bool shows = false;    // it has a character that is not invisible
    bool neutral = true;   // blanks, digits, punctuation only
};

Cluster ClusterAt(const char16_t* text, int32_t at, int32_t to) {
    Cluster k;
    size_t n = 1;
    bool first = true, joined = false;
    int32_t i = at;
    while (i < to) {
        const char32_t c = CodePointAt(text, size_t(to), size_t(i), &n);
        const CharClass cc = ClassOf(c);
        const bool attaches = cc.kind != CharClass::Base || joined;
        if (!first && !attaches) break;
        joined = Joiner(c);
        if (cc.kind != CharClass::Invisible) {
            if (!k.shows) k.group = cc.group;
            k.shows = true;
            k.neutral = k.neutral && cc.group == ScriptGroup::Common;
        }
        first = false;
        i += int32_t(n);
    }
    k.end = i;
    return k;
}

bool CoversCluster(FontCoverage& coverage, int32_t font, const char16_t* text, int32_t from, int32_t to) {
    size_t n = 1;
    for (int32_t i = from; i < to; i += int32_t(n)) {
        const char32_t c = CodePointAt(text, size_t(to), size_t(i), &n);
        if (ClassOf(c).kind != CharClass::Invisible && !coverage.Covers(font, c)) return false;
    }
    return true;
}

}  // namespace

const char16_t* const* FallbackFaces(ScriptGroup group) {
    switch (group) {
    case ScriptGroup::Arabic: return kArabic;
    case ScriptGroup::Hebrew: return kHebrew;
    case ScriptGroup::Thai: return kThai;
    case ScriptGroup::Indic: return kIndic;
    case ScriptGroup::Cjk: return kCjk;
    case ScriptGroup::Symbol: return kSymbol;
    default: return kGeneral;
    }
}

void SplitByFont(const char16_t* text, int32_t from, int32_t to, FontCoverage& coverage, std::vector<FontSpan>& out) {
    int32_t current = -1;
    const size_t first = out.size();
    for (int32_t at = from; at < to;) {
        const Cluster k = ClusterAt(text, at, to);
        const auto covers = [&](int32_t font) { return CoversCluster(coverage, font, text, at, k.end); };
        int32_t font = -1;
        if (!k.shows) font = current < 0 ? 0 : current;
        else if (k.neutral && current >= 0 && covers(current)) font = current;
        else if (covers(0)) font = 0;
        else if (current > 0 && covers(current)) font = current;
        else {
            for (int32_t f : coverage.Candidates(k.group))
                if (covers(f)) {
                    font = f;
                    break;
                }
            if (font < 0) font = 0;
        }
        if (out.size() > first && out.back().font == font) out.back().end = k.end;
        else out.push_back(FontSpan{at, k.end, font});
        current = font;
        at = k.end;
    }
}
