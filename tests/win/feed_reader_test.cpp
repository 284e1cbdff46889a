// Feeds read with MSXML: items in document order, hostile and broken documents.
#include <gtest/gtest.h>

#include "tests/win/feed_files.h"
#include "tests/win/plugin_harness.h"

namespace {

TEST(FeedReader, ItemsInDocumentOrderInBothEncodings) {
    ComThread com;
    for (const char* name : {"utf8.xml", "cp1251.xml"}) {
        const FeedParseResult r = ParseFeedFile(FeedFile(name));
        ASSERT_EQ(r.kind, FeedParseResult::Items) << name;
        ASSERT_EQ(r.items.size(), 4u) << name;
        EXPECT_EQ(r.items[0].title, u"Десять часов");
        EXPECT_EQ(r.items[0].pubDate, u"Mon, 07 Nov 2011 10:00:00 GMT");
        EXPECT_EQ(r.items[0].description, u"<p>Первая <b>новость</b></p>");
        EXPECT_EQ(r.items[1].description, u"<i>Вторая</i> новость");
        EXPECT_EQ(r.items[2].title, u"Одиннадцать часов");  // TITLE, PUBDATE, Description
        EXPECT_EQ(r.items[2].pubDate, u"Mon, 07 Nov 2011 11:00:00 GMT");
        EXPECT_EQ(r.items[2].description, u"Третья");
        EXPECT_TRUE(r.items[3].pubDate.empty());
    }
}

TEST(FeedReader, HostileAndBrokenDocuments) {
    ComThread com;
    EXPECT_EQ(ParseFeedFile(FeedFile("laughs.xml")).kind, FeedParseResult::BadFeed);
    const FeedParseResult xxe = ParseFeedFile(FeedFile("xxe.xml"));
    EXPECT_EQ(xxe.kind, FeedParseResult::BadFeed);
    EXPECT_TRUE(xxe.items.empty());
    const FeedParseResult broken = ParseFeedFile(FeedFile("malformed.xml"));
    EXPECT_TRUE(broken.items.empty());
    // Documents that do not parse are bad feeds, not feeds with nothing new.
    EXPECT_EQ(broken.kind, FeedParseResult::BadFeed);
    EXPECT_EQ(ParseFeedFile(FeedFile("truncated.xml")).kind, FeedParseResult::BadFeed);
    EXPECT_EQ(ParseFeedFile(FeedFile("bad_utf8.xml")).kind, FeedParseResult::BadFeed);
    const FeedParseResult atom = ParseFeedFile(FeedFile("atom.xml"));  // read as Atom, not as RSS without items
    EXPECT_EQ(atom.kind, FeedParseResult::Items);
    ASSERT_EQ(atom.items.size(), 1u);
    EXPECT_EQ(atom.items[0].title, u"Atom entry");
    EXPECT_EQ(atom.items[0].pubDate, u"2011-11-07T10:00:00Z");
    EXPECT_TRUE(ParseFeedFile(FeedFile("missing.xml")).items.empty());
}

// Links live in texts and attributes; MSXML under Wine hands both over for
// every format, and the channel's own link is told from its items'.
TEST(FeedReader, ItemAndChannelLinksInEveryFormat) {
    ComThread com;
    const struct {
        const char* document;
        std::vector<std::u16string> items;
        const char16_t* channel;
    } cases[] = {
        {"<rss version=\"2.0\" xmlns:atom=\"http://www.w3.org/2005/Atom\"><channel>"
         "<atom:link href=\"http://s/self\" rel=\"self\"/><LINK>http://s/</LINK><image><link>http://s/img</link></image>"
         "<item><title>a</title><guid>http://s/g</guid><link> /a </link></item>"
         "<item><title>b</title><guid isPermaLink=\"true\">http://s/b</guid></item>"
         "<item><title>c</title><guid isPermaLink=\"false\">tag:c</guid></item></channel></rss>",
         {u"/a", u"http://s/b", u""}, u"http://s/"},
        {"<feed xmlns=\"http://www.w3.org/2005/Atom\"><link rel=\"self\" href=\"http://s/atom\"/>"
         "<link rel=\"alternate\" type=\"text/html\" href=\"http://s/\"/>"
         "<entry><title>a</title><link rel=\"enclosure\" href=\"http://s/a.mp3\"/><link href=\"a.html\"/></entry>"
         "<entry><title>b</title><link rel=\"replies\" href=\"http://s/b#c\"/></entry></feed>",
         {u"a.html", u"http://s/b#c"}, u"http://s/"},
        {"<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns=\"http://purl.org/rss/1.0/\">"
         "<channel rdf:about=\"http://s/rdf\"><title>t</title><link>http://s/</link></channel>"
         "<item rdf:about=\"http://s/1\"><title>a</title><link>http://s/1</link></item></rdf:RDF>",
         {u"http://s/1"}, u"http://s/"},
        {"<rss><channel><item><title>a</title></item></channel></rss>", {u""}, u""},
    };
    const std::string path = ExeFolder() + "links_reader.xml";
    for (const auto& c : cases) {
        WriteFileBytes(path, c.document);
        const FeedParseResult r = ParseFeedFile(path);
        ASSERT_EQ(r.kind, FeedParseResult::Items) << c.document;
        std::vector<std::u16string> links;
        for (const FeedItemTexts& item : r.items) links.push_back(item.link);
        EXPECT_EQ(links, c.items) << c.document;
        EXPECT_EQ(r.channelLink, c.channel) << c.document;
    }
    DeleteFileA(path.c_str());
}

}  // namespace
