#include "feed/feed_page.h"

#include <cstdint>

#include "base/ascii.h"
#include "feed/feed_discovery.h"
#include "feed/feed_encoding.h"
#include "feed/url_reference.h"
#include "feed/web_link.h"
#include "text/unicode_text.h"

namespace {

// The document's first characters, lower-cased, past a byte-order mark and
// white space; UTF-16 read by its mark, everything else byte by byte.
std::string Opening(const char* bytes, size_t size, size_t want) {
    const auto* b = reinterpret_cast<const uint8_t*>(bytes);
    size_t at = 0, step = 1, low = 0;
    if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) at = 3;
    else if (size >= 2 && b[0] == 0xFF && b[1] == 0xFE) at = 2, step = 2, low = 0;
    else if (size >= 2 && b[0] == 0xFE && b[1] == 0xFF) at = 2, step = 2, low = 1;
    std::string out;
    bool started = false;
    for (; at + step <= size && out.size() < want; at += step) {
        if (step == 2 && b[at + (1 - low)] != 0) break;  // not ASCII: no markup we look for
        const char c = char(b[at + low]);
        if (!started && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) continue;
        started = true;
        out += char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    return out;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

bool IsHtmlPage(const std::string& contentType, const char* bytes, size_t size) {
    const std::string start = Opening(bytes, size, 16);
    if (StartsWith(start, "<!doctype html") || StartsWith(start, "<html")) return true;
    std::string media = contentType.substr(0, contentType.find(';'));
    media = AsciiLowerCopy(media);
    while (!media.empty() && (media.back() == ' ' || media.back() == '\t')) media.pop_back();
    while (!media.empty() && (media.front() == ' ' || media.front() == '\t')) media.erase(0, 1);
    if (media != "text/html") return false;
    for (const char* xml : {"<?xml", "<rss", "<feed", "<rdf:", "<channel"})
        if (StartsWith(start, xml)) return false;
    return true;
}

std::string RequestAddress(const std::u16string& link) {
    static const char kHex[] = "0123456789ABCDEF";
    const std::string utf8 = ToUtf8(link.data(), link.size());
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = uint8_t(c);
        if (byte < 0x80) {
            out += c;
            continue;
        }
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 15];
    }
    return out;
}

std::string PageCharset(const std::string& contentType, const char* bytes, size_t size) {
    const std::string server = CharsetOfContentType(contentType);
    if (!server.empty()) return server;
    const size_t scanned = size < 1024 ? size : 1024;
    std::u16string head;
    head.reserve(scanned);
    for (size_t i = 0; i < scanned; ++i) head.push_back(char16_t(uint8_t(bytes[i])));
    const std::string declared = FindMetaCharset(head);
    const uint32_t codePage = CodePageOfEncoding(declared);
    if (codePage == kCodePageUtf16) return "utf-8";
    return codePage != 0 ? declared : std::string();
}

std::string FeedAddressOfPage(const char* bytes, size_t size, const std::string& contentType,
                              const std::string& pageUrl, const AnsiCodec& codec) {
    std::u16string text;
    // A stray byte somewhere in the page must not hide the link in its head.
    if (DecodeFeedBytes(bytes, size, PageCharset(contentType, bytes, size), codec, text, nullptr, true) !=
        FeedDecoding::Ok)
        return std::string();
    const std::u16string href = FindFeedLink(text);
    if (href.empty()) return std::string();
    const std::u16string feed = ResolveUrl(codec.ToUtf16(pageUrl.c_str()), href);
    return IsOpenableWebLink(feed) ? RequestAddress(feed) : std::string();
}
