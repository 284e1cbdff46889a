#include "text/unicode_text.h"

#include <cstdint>

namespace {

// Length of the well-formed sequence at p (1..4), or 0 when ill-formed; the
// code point goes to `c`.
size_t NextUtf8(const unsigned char* p, size_t left, char32_t& c) {
    const unsigned char b = p[0];
    if (b < 0x80) {
        c = b;
        return 1;
    }
    size_t n;
    char32_t min;
    if (b >= 0xC2 && b <= 0xDF) n = 2, min = 0x80, c = b & 0x1F;
    else if (b >= 0xE0 && b <= 0xEF) n = 3, min = 0x800, c = b & 0x0F;
    else if (b >= 0xF0 && b <= 0xF4) n = 4, min = 0x10000, c = b & 0x07;
    else return 0;
    if (left < n) return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (p[i] & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return n;
}

}  // namespace

bool IsUtf8(const char* bytes, size_t size) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    char32_t c;
    for (size_t i = 0; i < size;) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        const size_t n = NextUtf8(p + i, size - i, c);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

bool HasNonAscii(const char* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i)
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) return true;
    return false;
}

void AppendCodePoint(char32_t c, std::u16string& out) {
    if (c >= 0x10000) {
        c -= 0x10000;
        out.push_back(char16_t(0xD800 + (c >> 10)));
        out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
    } else {
        out.push_back(char16_t(c));
    }
}

bool AppendUtf8(const char* bytes, size_t size, std::u16string& out) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    out.reserve(out.size() + size);
    bool clean = true;
    char32_t c;
    for (size_t i = 0; i < size;) {
        if (p[i] < 0x80) {
            out.push_back(char16_t(p[i++]));
            continue;
        }
        const size_t n = NextUtf8(p + i, size - i, c);
        if (n == 0) {
            clean = false;
            out.push_back(u'\xFFFD');
            ++i;
            // the rest of a broken sequence's continuation bytes goes with it
            while (i < size && (p[i] & 0xC0) == 0x80) ++i;
            continue;
        }
        AppendCodePoint(c, out);
        i += n;
    }
    return clean;
}

void AppendUtf16(const char* bytes, size_t size, bool bigEndian, std::u16string& out) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    out.reserve(out.size() + size / 2);
    for (size_t i = 0; i + 1 < size; i += 2)
        out.push_back(bigEndian ? char16_t(p[i] << 8 | p[i + 1]) : char16_t(p[i + 1] << 8 | p[i]));
}

std::string ToUtf8(const char16_t* text, size_t length) {
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}
