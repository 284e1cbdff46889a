#include "remote/log_text.h"

bool HasControlChars(const std::u16string& text) {
    for (char16_t c : text)
        if (IsControlChar(c)) return true;
    return false;
}

std::u16string LogSafe(const std::u16string& text, const std::u16string& key) {
    std::u16string masked = text;
    if (!key.empty()) {
        for (size_t at = masked.find(key); at != std::u16string::npos; at = masked.find(key, at + 3))
            masked.replace(at, key.size(), u"***");
    }
    static const char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string out;
    for (char16_t c : masked) {
        if (out.size() >= kLoggedTextChars) {
            out += u"...";
            break;
        }
        if (c == u'\\') {
            out += u"\\\\";
        } else if (IsControlChar(c)) {
            out += u"\\x";
            out += kHex[(c >> 4) & 0xF];
            out += kHex[c & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}
