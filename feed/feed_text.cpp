#include "feed/feed_text.h"

#include "feed/html_entities.h"
#include "text/wide_string.h"

bool IsFeedSpace(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

namespace {

std::u16string FoldedSpaceAndControls(const std::u16string& s) {
    std::u16string out;
    out.reserve(s.size());
    bool space = false;
    for (char16_t c : s) {
        if (IsFeedSpace(c)) {
            space = true;
            continue;
        }
        if (c >= 0x80 && c <= 0x9F) c = CharacterForC1(c);
        if (c < 0x20 || c == 0x7F || c == 0xFEFF) continue;  // and what C1 leaves undefined (0)
        if (space && !out.empty()) out.push_back(u' ');
        space = false;
        out.push_back(c);
    }
    return out;
}

}  // namespace

std::u16string CleanFeedText(const std::u16string& text) {
    std::u16string s;
    if (text.find(u'<') != std::u16string::npos) {
        WideString stripped(text);
        stripped.StripTags(u'<', u'>');
        s = stripped.Str();
    } else {
        s = text;
    }
    DecodeCharacterReferences(s);
    return FoldedSpaceAndControls(s);
}

std::u16string CleanPlainText(const std::u16string& text) { return FoldedSpaceAndControls(text); }

std::u16string TrimmedFeedSpace(const std::u16string& text) {
    size_t from = 0, to = text.size();
    while (from < to && IsFeedSpace(text[from])) ++from;
    while (to > from && IsFeedSpace(text[to - 1])) --to;
    return text.substr(from, to - from);
}
