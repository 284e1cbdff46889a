// A web page given where a feed was expected: the feed it names in its head.
#include <gtest/gtest.h>

#include "feed/feed_discovery.h"
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

}  // namespace
