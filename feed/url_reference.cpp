#include "feed/url_reference.h"

#include <algorithm>

namespace {

bool IsAsciiSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; }

std::u16string TrimAscii(const std::u16string& s) {
    size_t from = 0, to = s.size();
    while (from < to && IsAsciiSpace(s[from])) ++from;
    while (to > from && IsAsciiSpace(s[to - 1])) --to;
    return s.substr(from, to - from);
}

bool IsAlpha(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsSchemeChar(char16_t c) { return IsAlpha(c) || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.'; }

// The five parts of a reference; a part can be absent or present and empty
// ("http://a/b?" has an empty query), which resolution tells apart.
struct Parts {
    std::u16string scheme, authority, path, query, fragment;
    bool hasScheme = false, hasAuthority = false, hasQuery = false, hasFragment = false;
};

Parts Split(const std::u16string& s) {
    Parts p;
    size_t at = 0;
    // A scheme is a letter and scheme characters before the first ':' that
    // comes before any '/', '?' or '#'.
    const size_t colon = s.find_first_of(u":/?#");
    if (colon != std::u16string::npos && s[colon] == u':' && colon > 0 && IsAlpha(s[0])) {
        bool valid = true;
        for (size_t i = 1; i < colon; ++i) valid = valid && IsSchemeChar(s[i]);
        if (valid) {
            p.scheme = s.substr(0, colon);
            p.hasScheme = true;
            at = colon + 1;
        }
    }
    if (s.compare(at, 2, u"//") == 0) {
        const size_t end = std::min(s.find_first_of(u"/?#", at + 2), s.size());
        p.authority = s.substr(at + 2, end - at - 2);
        p.hasAuthority = true;
        at = end;
    }
    const size_t pathEnd = std::min(s.find_first_of(u"?#", at), s.size());
    p.path = s.substr(at, pathEnd - at);
    at = pathEnd;
    if (at < s.size() && s[at] == u'?') {
        const size_t end = std::min(s.find(u'#', at), s.size());
        p.query = s.substr(at + 1, end - at - 1);
        p.hasQuery = true;
        at = end;
    }
    if (at < s.size() && s[at] == u'#') {
        p.fragment = s.substr(at + 1);
        p.hasFragment = true;
    }
    return p;
}

// Section 5.2.4: "." and ".." segments out, never above the root.
std::u16string RemoveDotSegments(std::u16string in) {
    std::u16string out;
    const auto dropLastSegment = [&out] {
        const size_t slash = out.rfind(u'/');
        out.erase(slash == std::u16string::npos ? 0 : slash);
    };
    while (!in.empty()) {
        if (in.compare(0, 3, u"../") == 0) in.erase(0, 3);
        else if (in.compare(0, 2, u"./") == 0) in.erase(0, 2);
        else if (in.compare(0, 3, u"/./") == 0) in.erase(0, 2);
        else if (in == u"/.") in = u"/";
        else if (in.compare(0, 4, u"/../") == 0) in.erase(0, 3), dropLastSegment();
        else if (in == u"/..") in = u"/", dropLastSegment();
        else if (in == u"." || in == u"..") in.clear();
        else {
            // the first segment, with its leading '/', moves to the output
            const size_t next = in.find(u'/', in[0] == u'/' ? 1 : 0);
            const size_t n = next == std::u16string::npos ? in.size() : next;
            out.append(in, 0, n);
            in.erase(0, n);
        }
    }
    return out;
}

// Section 5.2.3: a relative path after the base's directory.
std::u16string Merge(const Parts& base, const std::u16string& path) {
    if (base.hasAuthority && base.path.empty()) return u"/" + path;
    const size_t slash = base.path.rfind(u'/');
    return slash == std::u16string::npos ? path : base.path.substr(0, slash + 1) + path;
}

}  // namespace

std::u16string ResolveUrl(const std::u16string& baseText, const std::u16string& referenceText) {
    const std::u16string reference = TrimAscii(referenceText);
    const Parts base = Split(TrimAscii(baseText));
    const Parts r = Split(reference);
    if (!base.hasScheme) return reference;
    Parts t;
    if (r.hasScheme) {
        t = r;
        t.path = RemoveDotSegments(r.path);
    } else {
        if (r.hasAuthority) {
            t.authority = r.authority;
            t.hasAuthority = true;
            t.path = RemoveDotSegments(r.path);
            t.query = r.query, t.hasQuery = r.hasQuery;
        } else {
            if (r.path.empty()) {
                t.path = base.path;
                if (r.hasQuery) t.query = r.query, t.hasQuery = true;
                else t.query = base.query, t.hasQuery = base.hasQuery;
            } else {
                t.path = RemoveDotSegments(r.path[0] == u'/' ? r.path : Merge(base, r.path));
                t.query = r.query, t.hasQuery = r.hasQuery;
            }
            t.authority = base.authority;
            t.hasAuthority = base.hasAuthority;
        }
        t.scheme = base.scheme;
        t.hasScheme = true;
    }
    t.fragment = r.fragment, t.hasFragment = r.hasFragment;

    // Section 5.3: the parts put back together.
    std::u16string out = t.scheme + u":";
    if (t.hasAuthority) out += u"//" + t.authority;
    out += t.path;
    if (t.hasQuery) out += u"?" + t.query;
    if (t.hasFragment) out += u"#" + t.fragment;
    return out;
}
