#include "feed/feed_discovery.h"

#include <utility>
#include <vector>

#include "base/ascii.h"
#include "feed/feed_encoding.h"
#include "feed/html_entities.h"

namespace {

const size_t kEnd = std::u16string::npos;

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; }

std::u16string Trimmed(const std::u16string& s) {
    size_t from = 0, to = s.size();
    while (from < to && IsSpace(s[from])) ++from;
    while (to > from && IsSpace(s[to - 1])) --to;
    return s.substr(from, to - from);
}

// `needle` in lower case.
size_t FindNoCase(const std::u16string& s, const std::u16string& needle, size_t from) {
    for (size_t i = from; i + needle.size() <= s.size(); ++i) {
        size_t n = 0;
        while (n < needle.size() && AsciiLower(s[i + n]) == needle[n]) ++n;
        if (n == needle.size()) return i;
    }
    return kEnd;
}

using Attributes = std::vector<std::pair<std::u16string, std::u16string>>;

const std::u16string* Find(const Attributes& list, const char16_t* name) {
    for (const auto& a : list)
        if (a.first == name) return &a.second;
    return nullptr;
}

// A tag's attributes, from past its name to its '>', as browsers read them:
// the first of a name counts, a value may be quoted either way or not at
// all. `at` ends past the '>'; false when the page ends first.
bool ReadAttributes(const std::u16string& s, size_t& at, Attributes& out) {
    while (at < s.size()) {
        if (IsSpace(s[at]) || s[at] == u'/') {
            ++at;
            continue;
        }
        if (s[at] == u'>') {
            ++at;
            return true;
        }
        size_t end = at + 1;  // a name may begin with '='
        while (end < s.size() && !IsSpace(s[end]) && s[end] != u'/' && s[end] != u'>' && s[end] != u'=') ++end;
        std::u16string name = AsciiLowerCopy(s.substr(at, end - at)), value;
        for (at = end; at < s.size() && IsSpace(s[at]);) ++at;
        if (at < s.size() && s[at] == u'=') {
            for (++at; at < s.size() && IsSpace(s[at]);) ++at;
            if (at < s.size() && (s[at] == u'"' || s[at] == u'\'')) {
                const size_t close = s.find(s[at], at + 1);
                if (close == kEnd) return false;
                value = s.substr(at + 1, close - at - 1);
                at = close + 1;
            } else {
                for (end = at; end < s.size() && !IsSpace(s[end]) && s[end] != u'>';) ++end;
                value = s.substr(at, end - at);
                at = end;
            }
        }
        if (!Find(out, name.c_str())) out.emplace_back(std::move(name), std::move(value));
    }
    return false;
}

bool ListsAlternate(const std::u16string& rel) {
    const std::u16string lower = AsciiLowerCopy(rel);
    for (size_t at = 0; at < lower.size();) {
        while (at < lower.size() && IsSpace(lower[at])) ++at;
        size_t end = at;
        while (end < lower.size() && !IsSpace(lower[end])) ++end;
        if (lower.compare(at, end - at, u"alternate") == 0) return true;
        at = end;
    }
    return false;
}

bool IsFeedType(const std::u16string& type) {
    std::u16string mime = AsciiLowerCopy(type);
    mime = Trimmed(mime.substr(0, mime.find(u';')));
    return mime == u"application/rss+xml" || mime == u"application/atom+xml";
}

// Each start tag of the page's head, with its name (lower case) and
// attributes, until `visit` returns true. Comments, scripts, styles, titles
// and text areas are passed over; the walk ends at </head> or <body.
template <class Visit>
void ForEachHeadTag(const std::u16string& page, Visit visit) {
    size_t at = 0;
    while ((at = page.find(u'<', at)) != kEnd) {
        ++at;
        if (page.compare(at, 3, u"!--") == 0) {
            const size_t close = page.find(u"-->", at + 3);
            if (close == kEnd) break;
            at = close + 3;
            continue;
        }
        if (at < page.size() && (page[at] == u'!' || page[at] == u'?')) {  // a doctype, a processing instruction
            at = page.find(u'>', at);
            continue;
        }
        const bool endTag = at < page.size() && page[at] == u'/';
        if (endTag) ++at;
        if (at >= page.size() || !IsAsciiLetter(page[at])) continue;  // a '<' in the text
        size_t nameEnd = at;
        while (nameEnd < page.size() && !IsSpace(page[nameEnd]) && page[nameEnd] != u'/' && page[nameEnd] != u'>')
            ++nameEnd;
        const std::u16string name = AsciiLowerCopy(page.substr(at, nameEnd - at));
        at = nameEnd;
        if ((endTag && name == u"head") || (!endTag && name == u"body")) break;
        Attributes attributes;
        if (!ReadAttributes(page, at, attributes)) break;
        if (endTag) continue;
        if (name == u"script" || name == u"style" || name == u"title" || name == u"textarea") {
            // their text is not markup, whatever it holds
            at = FindNoCase(page, u"</" + name, at);
            continue;
        }
        if (visit(name, attributes)) return;
    }
}

}  // namespace

std::u16string FindFeedLink(const std::u16string& page) {
    std::u16string address;
    ForEachHeadTag(page, [&](const std::u16string& name, const Attributes& attributes) {
        if (name != u"link") return false;
        const std::u16string *rel = Find(attributes, u"rel"), *type = Find(attributes, u"type"),
                             *href = Find(attributes, u"href");
        if (!rel || !type || !href || !ListsAlternate(*rel) || !IsFeedType(*type)) return false;
        address = *href;
        DecodeCharacterReferences(address);
        address = Trimmed(address);
        return !address.empty();
    });
    return address;
}

std::string FindMetaCharset(const std::u16string& page) {
    std::string label;
    ForEachHeadTag(page, [&](const std::u16string& name, const Attributes& attributes) {
        if (name != u"meta") return false;
        std::u16string value;
        if (const std::u16string* charset = Find(attributes, u"charset")) {
            value = Trimmed(*charset);
        } else {
            const std::u16string *equiv = Find(attributes, u"http-equiv"), *content = Find(attributes, u"content");
            if (!equiv || !content || AsciiLowerCopy(Trimmed(*equiv)) != u"content-type") return false;
            std::string type;  // a label is ASCII: anything else names nothing
            for (char16_t c : *content) type.push_back(c <= 0x7E ? char(c) : '?');
            const std::string named = CharsetOfContentType(type);
            value.assign(named.begin(), named.end());
        }
        for (char16_t c : value)
            if (c > 0x7E) return false;
        label.assign(value.begin(), value.end());
        return !label.empty();
    });
    return label;
}
