#include "feed/feed_document.h"

#include <string>
#include <vector>

#include "base/ascii.h"
#include "feed/html_entities.h"

namespace {

using Text = std::u16string;

bool StartsWith(const Text& t, size_t at, const char16_t* prefix) {
    for (size_t i = 0; prefix[i]; ++i)
        if (at + i >= t.size() || t[at + i] != prefix[i]) return false;
    return true;
}

// The position after `close` found from `at`, or npos.
size_t After(const Text& t, size_t at, const char16_t* close) {
    const size_t found = t.find(close, at);
    return found == Text::npos ? Text::npos : found + std::char_traits<char16_t>::length(close);
}

size_t SkipSpace(const Text& t, size_t at) {
    while (at < t.size() && IsXmlSpace(t[at])) ++at;
    return at;
}

bool IsNameChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
           c == u'-' || c == u'.' || c == u':' || c >= 0x80;
}

size_t SkipName(const Text& t, size_t at) {
    while (at < t.size() && IsNameChar(t[at])) ++at;
    return at;
}

// A quoted literal at `at`: the position after its closing quote, or npos.
size_t SkipLiteral(const Text& t, size_t at) {
    if (at >= t.size() || (t[at] != u'"' && t[at] != u'\'')) return Text::npos;
    const size_t end = t.find(t[at], at + 1);
    return end == Text::npos ? Text::npos : end + 1;
}

// "SYSTEM literal" or "PUBLIC literal literal": the position after it, or npos.
size_t SkipExternalId(const Text& t, size_t at) {
    if (StartsWith(t, at, u"SYSTEM")) return SkipLiteral(t, SkipSpace(t, at + 6));
    if (!StartsWith(t, at, u"PUBLIC")) return Text::npos;
    const size_t publicId = SkipLiteral(t, SkipSpace(t, at + 6));
    return publicId == Text::npos ? Text::npos : SkipLiteral(t, SkipSpace(t, publicId));
}

// An internal subset from after its '[': the position after its ']', or npos
// when it holds anything but comments, processing instructions, parameter
// entity references and external parameter entity declarations.
size_t SkipHarmlessSubset(const Text& t, size_t at) {
    for (;;) {
        at = SkipSpace(t, at);
        if (at >= t.size()) return Text::npos;
        if (t[at] == u']') return at + 1;
        if (StartsWith(t, at, u"<!--")) at = After(t, at + 4, u"-->");
        else if (StartsWith(t, at, u"<?")) at = After(t, at + 2, u"?>");
        else if (t[at] == u'%') {
            const size_t end = SkipName(t, at + 1);
            at = end > at + 1 && end < t.size() && t[end] == u';' ? end + 1 : Text::npos;
        } else if (StartsWith(t, at, u"<!ENTITY")) {
            size_t k = SkipSpace(t, at + 8);
            if (k >= t.size() || t[k] != u'%') return Text::npos;  // a general entity
            const size_t name = SkipSpace(t, k + 1);
            k = SkipName(t, name);
            if (k == name) return Text::npos;
            k = SkipExternalId(t, SkipSpace(t, k));  // an entity value is refused here
            if (k == Text::npos) return Text::npos;
            k = SkipSpace(t, k);
            at = k < t.size() && t[k] == u'>' ? k + 1 : Text::npos;
        } else {
            return Text::npos;
        }
        if (at == Text::npos) return at;
    }
}

}  // namespace

void RemoveXmlDeclaration(Text& text) {
    size_t at = 0;
    while (at < text.size() && (IsXmlSpace(text[at]) || text[at] == u'\xFEFF')) ++at;
    if (StartsWith(text, at, u"<?xml") && at + 5 < text.size() && (IsXmlSpace(text[at + 5]) || text[at + 5] == u'?')) {
        const size_t end = After(text, at, u"?>");
        if (end != Text::npos) at = end;
    }
    text.erase(0, at);
}

namespace {

// Where the prolog's document type declaration starts, or npos.
size_t PrologDocumentType(const Text& text) {
    size_t at = 0;
    for (;;) {  // white space, comments, processing instructions
        at = SkipSpace(text, at);
        if (StartsWith(text, at, u"<!--")) at = After(text, at + 4, u"-->");
        else if (StartsWith(text, at, u"<?")) at = After(text, at + 2, u"?>");
        else break;
        if (at == Text::npos) return at;  // broken: the parser will say so
    }
    return StartsWith(text, at, u"<!DOCTYPE") ? at : Text::npos;
}

}  // namespace

bool RemoveDocumentType(Text& text) {
    const size_t start = PrologDocumentType(text);
    if (start == Text::npos) return true;
    size_t at = SkipSpace(text, start + 9);
    at = SkipName(text, at);
    at = SkipSpace(text, at);
    if (StartsWith(text, at, u"SYSTEM") || StartsWith(text, at, u"PUBLIC")) {
        at = SkipExternalId(text, at);
        if (at == Text::npos) return false;
        at = SkipSpace(text, at);
    }
    if (at < text.size() && text[at] == u'[') {
        at = SkipHarmlessSubset(text, at + 1);
        if (at == Text::npos) return false;
        at = SkipSpace(text, at);
    }
    if (at >= text.size() || text[at] != u'>') return false;
    Text rest = text;
    rest.erase(start, at + 1 - start);
    if (PrologDocumentType(rest) != Text::npos) return false;  // a second one: not a document
    text.swap(rest);
    return true;
}

void ReplaceHtmlEntityReferences(Text& text) {
    Text out;
    size_t copied = 0;
    for (size_t i = 0; i < text.size();) {
        const char16_t c = text[i];
        if (c == u'<') {
            size_t end = i + 1;
            if (StartsWith(text, i, u"<!--")) end = After(text, i + 4, u"-->");
            else if (StartsWith(text, i, u"<![CDATA[")) end = After(text, i + 9, u"]]>");
            else if (StartsWith(text, i, u"<?")) end = After(text, i + 2, u"?>");
            if (end == Text::npos) break;  // unterminated: the parser refuses it anyway
            i = end;
            continue;
        }
        if (c != u'&') {
            ++i;
            continue;
        }
        size_t k = i + 1;
        while (k < text.size() && k - i <= 9 &&
               ((text[k] >= u'a' && text[k] <= u'z') || (text[k] >= u'A' && text[k] <= u'Z') ||
                (text[k] >= u'0' && text[k] <= u'9')))
            ++k;
        const char16_t named = k < text.size() && text[k] == u';' ? HtmlEntityCharacter(text.data() + i + 1, k - i - 1) : 0;
        const bool xmlOwn = named == u'&' || named == u'<' || named == u'>' || named == u'"';
        if (!named || xmlOwn) {
            i = k;
            continue;
        }
        if (out.empty()) out.reserve(text.size() + 64);
        out.append(text, copied, i - copied);
        const std::string number = "&#" + std::to_string(unsigned(named)) + ";";
        out.append(number.begin(), number.end());
        i = k + 1;
        copied = i;
    }
    if (copied == 0) return;
    out.append(text, copied, Text::npos);
    text.swap(out);
}

FeedTextResult PrepareFeedText(const char* bytes, size_t size, const std::string& httpCharset, const AnsiCodec& codec,
                               Text& text, FeedEncoding* used) {
    switch (DecodeFeedBytes(bytes, size, httpCharset, codec, text, used)) {
    case FeedDecoding::UnknownEncoding: return FeedTextResult::UnknownEncoding;
    case FeedDecoding::InvalidBytes: return FeedTextResult::InvalidBytes;
    case FeedDecoding::Ok: break;
    }
    RemoveXmlDeclaration(text);
    if (!RemoveDocumentType(text)) {
        text.clear();
        return FeedTextResult::EntityDefinitions;
    }
    ReplaceHtmlEntityReferences(text);
    return FeedTextResult::Ok;
}

namespace {

// "item" or "entry", whatever the prefix and the case.
bool IsItemName(const Text& t, size_t from, size_t to) {
    const size_t colon = t.find(u':', from);
    if (colon != Text::npos && colon < to) from = colon + 1;
    const Text local = AsciiLowerCopy(t.substr(from, to - from));
    return local == u"item" || local == u"entry";
}

// The end of a start tag from after its name: the position after its '>',
// or npos; `empty` tells a tag that closes itself.
size_t EndOfStartTag(const Text& t, size_t at, bool* empty) {
    while (at < t.size()) {
        const char16_t c = t[at];
        if (c == u'"' || c == u'\'') {
            at = SkipLiteral(t, at);
            if (at == Text::npos) return Text::npos;
            continue;
        }
        if (c == u'>') {
            *empty = at > 0 && t[at - 1] == u'/';
            return at + 1;
        }
        ++at;
    }
    return Text::npos;
}

}  // namespace

void CutBeforeLastMarkup(std::string& bytes) {
    const bool le = bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xFE;
    const bool be = bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFE && uint8_t(bytes[1]) == 0xFF;
    if (!le && !be) {
        const size_t at = bytes.rfind('<');
        bytes.resize(at == std::string::npos ? 0 : at);
        return;
    }
    for (size_t at = (bytes.size() & ~size_t(1)); at >= 4; at -= 2) {
        const size_t unit = at - 2;
        if (bytes[unit + (le ? 0 : 1)] == '<' && bytes[unit + (le ? 1 : 0)] == 0) {
            bytes.resize(unit);
            return;
        }
    }
    bytes.resize(2);
}

bool CloseTruncatedFeed(std::u16string& text) {
    std::vector<Text> open, openAtCut;
    size_t cut = Text::npos;
    size_t at = 0;
    while ((at = text.find(u'<', at)) != Text::npos) {
        if (StartsWith(text, at, u"<!--")) at = After(text, at, u"-->");
        else if (StartsWith(text, at, u"<![CDATA[")) at = After(text, at, u"]]>");
        else if (StartsWith(text, at, u"<?")) at = After(text, at, u"?>");
        else if (StartsWith(text, at, u"<!")) at = After(text, at, u">");
        else if (StartsWith(text, at, u"</")) {
            const size_t nameEnd = SkipName(text, at + 2);
            const size_t end = After(text, nameEnd, u">");
            if (end == Text::npos) break;
            const Text name = text.substr(at + 2, nameEnd - at - 2);
            // An end tag closes its element and whatever was left open inside it.
            for (size_t k = open.size(); k > 0; --k)
                if (open[k - 1] == name) {
                    open.resize(k - 1);
                    break;
                }
            if (IsItemName(text, at + 2, nameEnd)) {
                cut = end;
                openAtCut = open;
            }
            at = end;
        } else {
            const size_t nameEnd = SkipName(text, at + 1);
            bool empty = false;
            const size_t end = nameEnd == at + 1 ? at + 1 : EndOfStartTag(text, nameEnd, &empty);
            if (end == Text::npos) break;
            if (nameEnd > at + 1 && !empty) open.push_back(text.substr(at + 1, nameEnd - at - 1));
            at = end;
        }
        if (at == Text::npos) break;
    }
    if (cut == Text::npos) return false;
    text.resize(cut);
    for (size_t k = openAtCut.size(); k > 0; --k) text += u"</" + openAtCut[k - 1] + u">";
    return true;
}
