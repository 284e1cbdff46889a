// A web page given where a feed was expected: the feed it names in its head,
// read in the encoding the server or the page itself declares.
#include <gtest/gtest.h>

#include <cstring>

#include "feed/feed_discovery.h"
#include "feed/feed_page.h"
#include "text/unicode_text.h"

namespace {

using namespace std::string_literals;

TEST(FeedDiscovery, TheFirstFeedLinkOfTheHeadAsPagesWriteIt) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"<html><head><link rel=\"alternate\" type=\"application/rss+xml\" href=\"/rss.xml\"></head>", u"/rss.xml"},
        {u"<LINK HREF='https://a.example/feed?x=1&amp;y=2' TYPE='Application/Atom+XML' REL='Alternate'>",
         u"https://a.example/feed?x=1&y=2"},
        {u"<link type=application/rss+xml rel=alternate href=/feed/>", u"/feed/"},
        {u"<link\n\trel = \"home alternate\"\n\ttype = \"application/rss+xml; charset=utf-8\"\n\thref = \" /a \" />",
         u"/a"},
        // other links before it: a stylesheet, an alternate that is no feed, a feed that is no alternate
        {u"<link rel=stylesheet href=s.css><link rel=alternate type=text/html href=/en>"
         u"<link rel=\"alternates\" type=\"application/rss+xml\" href=/no>"
         u"<link rel=\"feed\" type=\"application/rss+xml\" href=/no2>"
         u"<link rel=alternate type=application/atom+xml href=/atom>"
         u"<link rel=alternate type=application/rss+xml href=/rss>",
         u"/atom"},
        // the first of an attribute counts, as in a browser
        {u"<link rel=alternate type=application/rss+xml href=/one href=/two>", u"/one"},
        {u"<link rel=alternate type=application/rss+xml href=\"\">"
         u"<link rel=alternate type=application/rss+xml href=/2>",
         u"/2"},
        // '>' inside a quoted value, junk around
        {u"<<<meta content=\"a>b\"><link title=\"x > y\" rel=alternate type=application/rss+xml href=/q>", u"/q"},
        {u"a < b && c<3 <link rel=alternate type=application/rss+xml href=/junk>", u"/junk"},
        {u"\0<p \0>\0<link rel=alternate type=application/rss+xml href=/nul>"s, u"/nul"},
        {u"<link rel=alternate type=application/rss+xml href=/&#1092;&eacute;>", u"/фé"},
        // passed over: comments, scripts, styles, titles
        {u"<!-- <link rel=alternate type=application/rss+xml href=/comment> -->"
         u"<script>var s = '<link rel=alternate type=application/rss+xml href=/script>';</script>"
         u"<STYLE>/* <link rel=alternate type=application/rss+xml href=/style> */</style>"
         u"<title><link rel=alternate type=application/rss+xml href=/title></title>"
         u"<!DOCTYPE html><?xml version=\"1.0\"?><link rel=alternate type=application/rss+xml href=/real>",
         u"/real"},
        // the head ends the search
        {u"<head></head><link rel=alternate type=application/rss+xml href=/late>", u""},
        {u"<body><link rel=alternate type=application/rss+xml href=/body>", u""},
        {u"<BODY class=x><link rel=alternate type=application/rss+xml href=/body>", u""},
        {u"<bodyguard><link rel=alternate type=application/rss+xml href=/guard>", u"/guard"},
        // cut short
        {u"<link rel=alternate type=application/rss+xml href=\"/cut", u""},
        {u"<!-- <link rel=alternate type=application/rss+xml href=/c>", u""},
        {u"<script><link rel=alternate type=application/rss+xml href=/s>", u""},
        {u"<link rel=alternate type=application/rss+xml>", u""},
        {u"", u""},
    };
    for (const auto& c : cases) EXPECT_EQ(FindFeedLink(c.first), c.second) << ToUtf8(c.first.data(), c.first.size());
}

TEST(FeedDiscovery, ThePagesOwnCharsetWhenTheServerNamesNone) {
    const struct {
        std::string contentType, page, charset;
    } cases[] = {
        {"text/html", "<html><head><meta charset=\"koi8-r\"><title>x</title>", "koi8-r"},
        {"text/html", "<META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=windows-1251'>", "windows-1251"},
        {"text/html; charset=utf-8", "<meta charset=koi8-r>", "utf-8"},  // the server's word first
        {"", "<!-- <meta charset=koi8-r> --><meta name=x content=y><meta charset=' Shift_JIS '>", "Shift_JIS"},
        {"text/html", "<meta charset=utf-16le>", "utf-8"},  // found in 8-bit bytes: it cannot be UTF-16
        {"text/html", "<meta charset=x-martian><meta charset=koi8-r>", ""},  // a name the system lacks: none
        {"text/html", "<!-- " + std::string(1024, 'x') + " --><meta charset=koi8-r>", ""},  // past where browsers look
    };
    for (const auto& c : cases) EXPECT_EQ(PageCharset(c.contentType, c.page.data(), c.page.size()), c.charset) << c.page;
}

// The system of the test: the ANSI code page reads every byte above 0x7F as
// U+0400 + byte; KOI8-R knows only "\xD2\xD3" (р, с) and refuses the rest.
struct TwoPages final : AnsiCodec {
    std::u16string ToUtf16(const char* text) const override { return std::u16string(text, text + strlen(text)); }
    std::string FromUtf16(const char16_t*) const override { return ""; }
    bool Decode(uint32_t codePage, const char* bytes, size_t size, bool strict, std::u16string& out) const override {
        for (size_t i = 0; i < size; ++i) {
            const uint8_t b = uint8_t(bytes[i]);
            if (b < 0x80) out.push_back(char16_t(b));
            else if (codePage == 20866 && (b == 0xD2 || b == 0xD3)) out.push_back(b == 0xD2 ? u'р' : u'с');
            else if (codePage == kAnsiCodePage || !strict) out.push_back(char16_t(0x400 + b));
            else return false;
        }
        return codePage == kAnsiCodePage || codePage == 20866;
    }
};

TEST(FeedDiscovery, APagesFeedIsAskedForAsItsOwnEncodingReadsIt) {
    const TwoPages system;
    const std::string head = "<head><link rel=alternate type=application/rss+xml href=\"../\xD2\xD3\xD3.xml\">";
    // "../рсс.xml" against the page: UTF-8, percent-encoded
    const std::string declared = "<meta charset=koi8-r>" + head;
    EXPECT_EQ(FeedAddressOfPage(declared.data(), declared.size(), "text/html", "http://127.0.0.1/a/page.html", system),
              "http://127.0.0.1/%D1%80%D1%81%D1%81.xml");
    // Without its meta the page is read in the ANSI code page: other letters.
    EXPECT_EQ(FeedAddressOfPage(head.data(), head.size(), "text/html", "http://127.0.0.1/a/page.html", system),
              "http://127.0.0.1/%D3%92%D3%93%D3%93.xml");
    // A byte its encoding lacks elsewhere in the page hides nothing.
    const std::string stray = "<meta charset=koi8-r>" + head + "<body>\xFF";
    EXPECT_EQ(FeedAddressOfPage(stray.data(), stray.size(), "", "http://127.0.0.1/", system),
              "http://127.0.0.1/%D1%80%D1%81%D1%81.xml");
}

}  // namespace
