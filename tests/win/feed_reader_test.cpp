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

}  // namespace
