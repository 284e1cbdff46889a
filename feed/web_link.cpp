#include "feed/web_link.h"

namespace {

// Characters no link needs raw, and that a command line or an eye could
// take for something else.
bool IsRefused(char16_t c) {
    if (c <= 0x20 || (c >= 0x7F && c <= 0xA0)) return true;  // controls, blank, DEL, C1, no-break space
    switch (c) {
    case u'"': case u'<': case u'>': case u'\\': case u'^': case u'`': case u'{': case u'|': case u'}':
    case 0x00AD:                  // soft hyphen
    case 0x1680: case 0x180E:     // Ogham space, Mongolian vowel separator
    case 0x2028: case 0x2029:     // line and paragraph separators
    case 0x202F: case 0x205F: case 0x3000: case 0xFEFF:
        return true;
    default: break;
    }
    return (c >= 0x2000 && c <= 0x200F)     // spaces, zero widths, direction marks
           || (c >= 0x202A && c <= 0x202E)  // embeddings and overrides
           || (c >= 0x2060 && c <= 0x206F)  // invisible operators, isolates
           || c == 0xFFFE || c == 0xFFFF;
}

bool StartsWithNoCase(const std::u16string& s, const char* prefix) {
    size_t i = 0;
    for (; prefix[i]; ++i) {
        if (i >= s.size()) return false;
        char16_t c = s[i];
        if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
        if (c != char16_t(prefix[i])) return false;
    }
    return true;
}

// "host", "host:8080", "user@host", "[::1]:443": a host is there, and a port is digits.
bool NamesHost(const std::u16string& authority) {
    const size_t at = authority.rfind(u'@');
    const std::u16string hostPort = at == std::u16string::npos ? authority : authority.substr(at + 1);
    size_t portColon = std::u16string::npos;
    if (!hostPort.empty() && hostPort[0] == u'[') {
        const size_t close = hostPort.find(u']');
        if (close == std::u16string::npos || close < 2) return false;
        if (close + 1 < hostPort.size()) {
            if (hostPort[close + 1] != u':') return false;
            portColon = close + 1;
        }
    } else {
        portColon = hostPort.find(u':');
        if (portColon == 0 || hostPort.empty()) return false;
    }
    if (portColon != std::u16string::npos)
        for (size_t i = portColon + 1; i < hostPort.size(); ++i)
            if (hostPort[i] < u'0' || hostPort[i] > u'9') return false;
    return true;
}

}  // namespace

bool IsOpenableWebLink(const std::u16string& link) {
    size_t rest = 0;
    if (StartsWithNoCase(link, "http://")) rest = 7;
    else if (StartsWithNoCase(link, "https://")) rest = 8;
    else return false;
    for (size_t i = 0; i < link.size(); ++i) {
        const char16_t c = link[i];
        if (IsRefused(c)) return false;
        // a lone half of a surrogate pair is no character
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= link.size() || link[i + 1] < 0xDC00 || link[i + 1] > 0xDFFF) return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    const size_t end = link.find_first_of(u"/?#", rest);
    return NamesHost(link.substr(rest, (end == std::u16string::npos ? link.size() : end) - rest));
}
