#include "base/text.h"

bool IsCSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

uint64_t ParseDecimal(const char* text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (IsCSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    uint64_t v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) v = v * 10u + uint64_t(*p - '0');
    return negative ? (~v + 1u) : v;
}

std::string TrimLeft(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && IsCSpace(static_cast<unsigned char>(s[i]))) ++i;
    return s.substr(i);
}

std::string TrimRight(const std::string& s) {
    size_t n = s.size();
    while (n > 0 && IsCSpace(static_cast<unsigned char>(s[n - 1]))) --n;
    return s.substr(0, n);
}

std::string TrimCopy(const std::string& s) { return TrimRight(TrimLeft(s)); }

std::string TrimBlanksAndTabs(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

std::u16string WidenBytes(const char* text) {
    std::u16string out;
    for (; *text; ++text) out.push_back(char16_t(static_cast<unsigned char>(*text)));
    return out;
}
