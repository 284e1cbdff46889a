// ASCII's letter case and XML's white space, for names and markup that are
// ASCII by definition whatever the text around them (encoding labels, feed
// element names, address schemes, month names), in bytes and in UTF-16.
#pragma once
#include <cstddef>
#include <string>

template <typename Char>
constexpr Char AsciiLower(Char c) {
    return c >= Char('A') && c <= Char('Z') ? Char(c + ('a' - 'A')) : c;
}

template <typename Char>
std::basic_string<Char> AsciiLowerCopy(std::basic_string<Char> s) {
    for (Char& c : s) c = AsciiLower(c);
    return s;
}

template <typename Char>
constexpr bool IsAsciiLetter(Char c) {
    return (c >= Char('a') && c <= Char('z')) || (c >= Char('A') && c <= Char('Z'));
}

// The same characters but for ASCII case; `b` ends at its NUL.
template <typename Char>
bool SameIgnoringAsciiCase(const std::basic_string<Char>& a, const Char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return i == a.size() && !b[i];
}

// XML's white space: blank, tab, CR, LF.
template <typename Char>
constexpr bool IsXmlSpace(Char c) {
    return c == Char(' ') || c == Char('\t') || c == Char('\r') || c == Char('\n');
}
