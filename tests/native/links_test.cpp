// Links from feeds: made absolute against their base, checked before the
// shell opens one, and an item's link chosen among its elements.
#include <gtest/gtest.h>

#include "feed/feed_messages.h"
#include "feed/feed_page.h"
#include "feed/item_link.h"
#include "text/unicode_text.h"
#include "feed/url_reference.h"
#include "feed/web_link.h"

namespace {

using namespace std::string_literals;

std::string Shown(const std::u16string& s) { return ToUtf8(s.data(), s.size()); }

TEST(UrlReference, TheStandardsExamplesResolve) {
    // RFC 3986, 5.4.1 and 5.4.2
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"g:h", u"g:h"}, {u"g", u"http://a/b/c/g"}, {u"./g", u"http://a/b/c/g"}, {u"g/", u"http://a/b/c/g/"},
        {u"/g", u"http://a/g"}, {u"//g", u"http://g"}, {u"?y", u"http://a/b/c/d;p?y"}, {u"g?y", u"http://a/b/c/g?y"},
        {u"#s", u"http://a/b/c/d;p?q#s"}, {u"g?y#s", u"http://a/b/c/g?y#s"}, {u";x", u"http://a/b/c/;x"},
        {u"", u"http://a/b/c/d;p?q"}, {u".", u"http://a/b/c/"}, {u"..", u"http://a/b/"}, {u"../g", u"http://a/b/g"},
        {u"../..", u"http://a/"}, {u"../../../../g", u"http://a/g"}, {u"/./g", u"http://a/g"},
        {u"/../g", u"http://a/g"},
        {u"g.", u"http://a/b/c/g."}, {u"..g", u"http://a/b/c/..g"}, {u"./../g", u"http://a/b/g"},
        {u"./g/.", u"http://a/b/c/g/"}, {u"g/../h", u"http://a/b/c/h"}, {u"g;x=1/../y", u"http://a/b/c/y"},
        {u"g?y/./x", u"http://a/b/c/g?y/./x"}, {u"g#s/../x", u"http://a/b/c/g#s/../x"}, {u"http:g", u"http:g"},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolveUrl(u"http://a/b/c/d;p?q", c.first), c.second) << Shown(c.first);
}

TEST(UrlReference, LinksAsFeedsWriteThem) {
    const struct {
        const char16_t *base, *reference, *resolved;
    } cases[] = {
        {u"https://example.com", u"news/1", u"https://example.com/news/1"},  // a base without a path
        {u"https://example.com/feed.xml", u"//cdn.example.org/a.png", u"https://cdn.example.org/a.png"},
        {u"https://example.com/rss/all?x=1#top", u"?page=2", u"https://example.com/rss/all?page=2"},
        {u"  http://example.com/a/b  ", u"\n   /c?d#e \t", u"http://example.com/c?d#e"},
        {u"http://пример.рф/новости/", u"статья", u"http://пример.рф/новости/статья"},
        {u"http://example.com/a/", u"HTTPS://Other.example/x/../y", u"HTTPS://Other.example/y"},
        {u"http://user@example.com:8080/a/b", u"../c", u"http://user@example.com:8080/c"},
        {u"/relative/base", u"x/y", u"x/y"},  // nothing to resolve against
        {u"http://example.com/a", u"1:2/x", u"http://example.com/1:2/x"},  // a scheme starts with a letter
    };
    for (const auto& c : cases) EXPECT_EQ(ResolveUrl(c.base, c.reference), c.resolved) << Shown(c.reference);
}

TEST(WebLink, OnlyWebAddressesGoToTheShell) {
    for (const std::u16string& link :
         {u"http://example.com"s, u"https://example.com/a?b=c&d#e"s, u"HTTPS://EXAMPLE.COM/"s, u"hTtP://a.b:8080/x"s,
          u"http://user:pw@example.com/"s, u"http://[::1]:8080/"s, u"https://пример.рф/путь"s,
          u"https://example.com/%00"s /* escaped: the shell sees no NUL */, u"https://example.com/\U0001F600"s})
        EXPECT_TRUE(IsOpenableWebLink(link)) << Shown(link);
    for (const std::u16string& link :
         {u"ftp://example.com/file"s, u"file:///C:/Windows/System32/calc.exe"s, u"javascript:alert(1)"s,
          u"ms-settings:privacy"s, u"\\\\host\\share\\run.exe"s, u"C:\\Windows\\notepad.exe"s, u"/etc/passwd"s,
          u"example.com"s, u""s, u" http://example.com"s, u"\thttp://example.com"s, u"\x01http://example.com"s,
          u"\uFEFFhttp://example.com"s, u"http:/example.com"s, u"http:\\\\example.com"s, u"http://"s,
          u"http:///etc/passwd"s, u"http://user@/x"s, u"http://:80/"s, u"http://example.com:8o/"s, u"http://[::1/"s,
          u"http://example.com/a b"s, u"http://example.com/a\nb"s, u"http://example.com/a\0.exe"s,
          u"http://example.com/\" --do-harm"s, u"http://example.com/\u202Eexe.txt"s, u"http://example.com/\u0085"s,
          u"http://example.com/\u00A0"s, u"http://example.com/\u2028"s, u"http://example.com/\xD800"s,
          u"http://example.com/\xDC00x"s, u"http://example.com\\@evil.example/"s})
        EXPECT_FALSE(IsOpenableWebLink(link)) << Shown(link);
}

// An element as the reader would hand it over; a null attribute is absent.
const char16_t* const kNo = nullptr;
struct Child {
    std::u16string ns, name;
    const char16_t *text, *href, *rel, *permalink;
};

TEST(ItemLink, TheBestElementWinsAndOfEqualRankTheFirst) {
    const std::u16string atom = u"http://www.w3.org/2005/Atom", atom03 = u"http://purl.org/atom/ns#",
                         rss1 = u"http://purl.org/rss/1.0/";
    const struct {
        FeedFormat format;
        std::vector<Child> children;
        const char16_t* link;
    } cases[] = {
        {FeedFormat::Rss, {{u"", u"link", u"\n  http://a/1  \n", u"", kNo, kNo}}, u"http://a/1"},
        {FeedFormat::Rss, {{u"", u"guid", u"http://a/g", u"", kNo, kNo}, {u"", u"LINK", u"http://a/l", u"", kNo, kNo}},
         u"http://a/l"},
        {FeedFormat::Rss, {{u"", u"guid", u"http://a/g", u"", kNo, u" TRUE "}}, u"http://a/g"},
        {FeedFormat::Rss, {{u"", u"guid", u"tag:a,2024:1", u"", kNo, u"false"}}, u""},
        {FeedFormat::Rss, {{u"", u"link", u" ", u"", kNo, kNo}, {u"", u"guid", u"http://a/g", u"", kNo, kNo}},
         u"http://a/g"},
        {FeedFormat::Rss, {{atom, u"link", u"", u"http://a/self", u"self", kNo}}, u""},
        {FeedFormat::Rss, {{u"", u"link", u"http://a/1", u"", kNo, kNo}, {u"", u"link", u"http://a/2", u"", kNo, kNo}},
         u"http://a/1"},
        {FeedFormat::Rdf, {{rss1, u"link", u"http://a/r", u"", kNo, kNo}}, u"http://a/r"},
        {FeedFormat::Rdf, {{u"", u"guid", u"http://a/g", u"", kNo, kNo}}, u""},
        {FeedFormat::Atom10,
         {{atom, u"link", u"", u"http://a/replies", u"replies", kNo},
          {atom, u"link", u"", u"http://a/page", u"alternate", kNo},
          {atom, u"link", u"", u"http://a/second", u"alternate", kNo}},
         u"http://a/page"},
        {FeedFormat::Atom10, {{atom, u"link", u"", u"/relative", kNo, kNo}}, u"/relative"},
        {FeedFormat::Atom10,
         {{atom, u"link", u"", u"http://a/enclosure", u"enclosure", kNo},
          {atom, u"link", u"", u"http://a/via", u"via", kNo}},
         u"http://a/enclosure"},
        {FeedFormat::Atom10, {{atom, u"link", u"http://a/text", u"", u"alternate", kNo}}, u""},
        {FeedFormat::Atom10, {{atom03, u"link", u"", u"http://a/03", u"alternate", kNo}}, u""},
        {FeedFormat::Atom03, {{atom03, u"link", u"", u"http://a/03", u"alternate", kNo}}, u"http://a/03"},
    };
    LinkChooser chooser;
    for (const auto& c : cases) {
        chooser.Reset();
        for (const Child& child : c.children) {
            LinkElement e;
            e.text = child.text, e.href = child.href;
            if (child.rel) e.rel = child.rel, e.hasRel = true;
            if (child.permalink) e.isPermaLink = child.permalink, e.hasIsPermaLink = true;
            chooser.Offer(c.format, child.ns, child.name, e);
        }
        EXPECT_EQ(chooser.link(), c.link) << Shown(c.children[0].name) << " " << Shown(c.children[0].text);
    }
    // the elements whose attributes the reader is to read
    EXPECT_TRUE(MayHoldLink(FeedFormat::Rss, u"", u"GUID") && MayHoldLink(FeedFormat::Rdf, rss1, u"link") &&
                MayHoldLink(FeedFormat::Atom10, atom, u"link") && MayHoldLink(FeedFormat::Atom03, atom03, u"link"));
    EXPECT_FALSE(MayHoldLink(FeedFormat::Rss, atom, u"link") || MayHoldLink(FeedFormat::Rss, u"", u"title") ||
                 MayHoldLink(FeedFormat::Atom10, atom03, u"link") || MayHoldLink(FeedFormat::Atom10, atom, u"id"));
}

// The page a message opens: its own link, else the channel's, else the
// feed's address, each read against the feed's address; a link that is no
// web page falls through.
TEST(MessageLink, ItemThenChannelThenFeedAddress) {
    const std::u16string feed = u"https://news.example/rss/all.xml";
    const struct {
        const char16_t *item, *channel, *address, *opens;
    } cases[] = {
        {u"/story/1", u"http://site.example/", feed.c_str(), u"https://news.example/story/1"},
        {u"2?x=1", u"", feed.c_str(), u"https://news.example/rss/2?x=1"},
        {u"//cdn.example/a", u"", feed.c_str(), u"https://cdn.example/a"},
        {u"", u"/", feed.c_str(), u"https://news.example/"},
        {u"  ", u"http://site.example/", feed.c_str(), u"http://site.example/"},
        {u"", u"", feed.c_str(), feed.c_str()},
        {u"javascript:alert(1)", u"http://site.example/", feed.c_str(), u"http://site.example/"},
        {u"file:///C:/Windows/notepad.exe", u"", feed.c_str(), feed.c_str()},
        {u"ftp://files.example/a", u"javascript:x()", feed.c_str(), feed.c_str()},
        {u"\\\\host\\share\\a.exe", u"ms-settings:privacy", u"http://a.example/f", u"http://a.example/f"},
        {u"file:///x", u"mailto:a@b", u"file:///C:/feed.xml", u""},  // nothing openable at all
        {u"/story", u"", u"", u""},                                     // nothing to resolve against
    };
    for (const auto& c : cases)
        EXPECT_EQ(MessageLink(c.item, c.channel, c.address), c.opens) << Shown(c.item) << " / " << Shown(c.channel);
}

TEST(SitePage, PagesAreToldFromFeedsByTypeAndOpening) {
    const struct {
        const char* contentType;
        std::string body;
        bool page;
    } cases[] = {
        {"text/html; charset=utf-8", "<!doctype html><html><head>", true},
        {"text/xml", "\xEF\xBB\xBF \r\n <!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">", true},
        {"", "\n<HTML lang=ru>", true},
        {"application/octet-stream", "\xFF\xFE<\0h\0t\0m\0l\0>\0"s, true},
        {" Text/HTML ", "<head><link rel=alternate>", true},
        {"text/html", "<!-- a comment --><html>", true},
        {"text/html", " <?xml version=\"1.0\"?><rss>", false},  // a feed a server calls a page
        {"text/html; charset=windows-1251", "<rss version=\"2.0\">", false},
        {"TEXT/HTML", "<feed xmlns=\"http://www.w3.org/2005/Atom\">", false},
        {"text/xml", "<?xml version=\"1.0\"?><!DOCTYPE rss><rss>", false},
        {"application/rss+xml", "<rss><channel><description>&lt;html&gt;", false},
        {"text/htmlx", "<p>hello", false},
        {"", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsHtmlPage(c.contentType, c.body.data(), c.body.size()), c.page) << c.contentType << " " << c.body;
    // A page's feed link as the downloader asks for it.
    EXPECT_EQ(RequestAddress(u"http://a.example/новости?q=я#ü"),
              "http://a.example/%D0%BD%D0%BE%D0%B2%D0%BE%D1%81%D1%82%D0%B8?q=%D1%8F#%C3%BC");
}

}  // namespace
