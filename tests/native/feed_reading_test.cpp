// A downloaded feed on its way to the XML parser and its texts on their way
// to the band: the encoding decision, decoding, the document type rule,
// HTML entities, the formats' elements and the cleaning of titles.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "feed/feed_document.h"
#include "feed/feed_encoding.h"
#include "feed/feed_formats.h"
#include "feed/feed_text.h"
#include "feed/html_entities.h"
#include "feed/item_link.h"
#include "text/unicode_text.h"

namespace {

// A system that knows Windows-1251 (the ANSI code page) and KOI8-R, in
// which the byte 0xFF is left undefined for the test's sake; it records
// what it was asked.
struct FakeSystem final : AnsiCodec {
    std::u16string ToUtf16(const char*) const override { return u""; }
    std::string FromUtf16(const char16_t*) const override { return ""; }
    bool Decode(uint32_t codePage, const char* bytes, size_t size, bool strict, std::u16string& out) const override {
        asked.push_back({codePage, strict});
        if (codePage != kAnsiCodePage && codePage != 1251 && codePage != 20866) return false;
        for (size_t i = 0; i < size; ++i) {
            const unsigned char b = static_cast<unsigned char>(bytes[i]);
            if (codePage == 20866 && b == 0xFF && strict) return false;
            out.push_back(b < 0x80 ? char16_t(b) : char16_t((codePage == 20866 ? 0x2500 : 0x0400) + b));
        }
        return true;
    }
    mutable std::vector<std::pair<uint32_t, bool>> asked;
};

TEST(FeedEncoding, ContentTypeCharsetInAnySpelling) {
    const std::map<std::string, std::string> cases = {
        {"text/xml; charset=ISO-8859-1", "ISO-8859-1"},
        {"text/xml;charset=\"utf-8\"", "utf-8"},
        {"application/rss+xml; Charset = 'KOI8-R' ; q=1", "KOI8-R"},
        {"TEXT/XML;   CHARSET=windows-1251", "windows-1251"},
        {"text/xml; format=flowed; charset=gb2312", "gb2312"},
        {"text/xml; notcharset=utf-8", ""},
        {"application/rss+xml", ""},
        {"", ""},
        {"text/xml; charset=", ""},
        {"text/xml; charset=\"unterminated", "unterminated"},
    };
    for (const auto& c : cases) EXPECT_EQ(CharsetOfContentType(c.first), c.second) << c.first;
}

TEST(FeedEncoding, LabelsNameCodePages) {
    const std::map<std::string, uint32_t> cases = {
        {"UTF-8", kCodePageUtf8}, {" utf8 ", kCodePageUtf8}, {"utf-16", kCodePageUtf16}, {"Windows-1251", 1251},
        {"cp1251", 1251}, {"KOI8-R", 20866}, {"koi8-u", 21866}, {"Shift_JIS", 932}, {"EUC-JP", 20932},
        {"EUC-KR", 949}, {"ks_c_5601-1987", 949}, {"Big5", 950}, {"GB2312", 936}, {"GBK", 936},
        {"gb18030", 936}, {"TIS-620", 874}, {"ISO-8859-1", 1252}, {"US-ASCII", 1252}, {"iso-8859-2", 28592},
        {"ISO-8859-5", 28595}, {"iso-8859-7", 28597}, {"ISO-8859-9", 1254}, {"iso-8859-15", 28605},
        {"x-unknown", 0}, {"", 0}, {"utf-9", 0}, {"windows-1251x", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(CodePageOfEncoding(c.first), c.second) << c.first;
}

TEST(FeedEncoding, TheMarkTheDeclarationTheServerThenUtf8) {
    using S = FeedEncoding::Source;
    const struct {
        std::string bytes, http;
        S source;
        uint32_t codePage;
        bool bigEndian;
        size_t skip;
    } cases[] = {
        {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"koi8-r\"?><rss/>", "windows-1251", S::ByteOrderMark, kCodePageUtf8, false, 3},
        {std::string("\xFF\xFE<\0?\0", 6), "", S::ByteOrderMark, kCodePageUtf16, false, 2},
        {std::string("\xFE\xFF\0<", 4), "", S::ByteOrderMark, kCodePageUtf16, true, 2},
        {std::string("\0<\0?\0x", 6), "", S::ByteOrderMark, kCodePageUtf16, true, 0},
        {std::string("<\0r\0", 4), "", S::ByteOrderMark, kCodePageUtf16, false, 0},
        {"<?xml version=\"1.0\" encoding=\"KOI8-R\"?><rss/>", "utf-8", S::Declaration, 20866, false, 0},
        {"\r\n\n  <?xml version='1.0' encoding='windows-1251' standalone='yes'?>", "", S::Declaration, 1251, false, 0},
        {"<?xml version=\"1.0\" encoding = \"gb2312\" ?>", "", S::Declaration, 936, false, 0},
        {"<?xml version=\"1.0\" encoding=\"x-martian\"?>", "", S::Declaration, 0, false, 0},
        {"<?xml version=\"1.0\"?><rss/>", "ISO-8859-1", S::HttpCharset, 1252, false, 0},
        {"<rss version=\"2.0\"><channel/></rss>", "koi8-r", S::HttpCharset, 20866, false, 0},
        {"<rss><title>encoding=\"koi8-r\"</title></rss>", "", S::Default, kCodePageUtf8, false, 0},
        {"<?xml-stylesheet encoding=\"koi8-r\"?><rss/>", "", S::Default, kCodePageUtf8, false, 0},
        {"", "", S::Default, kCodePageUtf8, false, 0},
    };
    for (const auto& c : cases) {
        const FeedEncoding e = DetectFeedEncoding(c.bytes.data(), c.bytes.size(), c.http);
        EXPECT_EQ(e.source, c.source) << c.bytes;
        EXPECT_EQ(e.codePage, c.codePage) << c.bytes;
        EXPECT_EQ(e.bigEndian, c.bigEndian) << c.bytes;
        EXPECT_EQ(e.skip, c.skip) << c.bytes;
    }
}

TEST(FeedEncoding, DecodingFollowsTheDecisionAndRefusesWhatTheEncodingLacks) {
    FakeSystem system;
    std::u16string out;
    FeedEncoding used;
    auto decode = [&](const std::string& bytes, const std::string& http) {
        return DecodeFeedBytes(bytes.data(), bytes.size(), http, system, out, &used);
    };
    const std::string koi8 = "<?xml version=\"1.0\" encoding=\"koi8-r\"?>";
    // Declared: strict conversion through the system.
    EXPECT_EQ(decode(koi8 + "<a>\xC1</a>", ""), FeedDecoding::Ok);
    EXPECT_EQ(out, u"<?xml version=\"1.0\" encoding=\"koi8-r\"?><a>\u25C1</a>");
    EXPECT_EQ(system.asked.back(), (std::pair<uint32_t, bool>(20866, true)));
    // A byte the encoding leaves undefined, a name the system has no code page for.
    EXPECT_EQ(decode(koi8 + "<a>\xFF</a>", ""), FeedDecoding::InvalidBytes);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(decode("<?xml version=\"1.0\" encoding=\"shift_jis\"?><a/>", ""), FeedDecoding::UnknownEncoding);
    EXPECT_EQ(decode("<?xml version=\"1.0\" encoding=\"x-martian\"?><a/>", ""), FeedDecoding::UnknownEncoding);
    EXPECT_EQ(decode("<a/>", "x-martian"), FeedDecoding::UnknownEncoding);
    // UTF-8 named: invalid bytes are a bad feed, never a guess.
    EXPECT_EQ(decode("<a>\xC3\x28</a>", "utf-8"), FeedDecoding::InvalidBytes);
    // UTF-16 named over 8-bit bytes: the name lies.
    EXPECT_EQ(decode("<?xml version=\"1.0\" encoding=\"utf-16\"?><a/>", ""), FeedDecoding::InvalidBytes);
    // Undeclared: UTF-8 when it is, else the ANSI code page, leniently.
    system.asked.clear();
    EXPECT_EQ(decode("<a>\xD0\x96</a>", ""), FeedDecoding::Ok);
    EXPECT_EQ(out, u"<a>Ж</a>");
    EXPECT_TRUE(system.asked.empty());
    EXPECT_EQ(decode("<a>\xC6</a>", ""), FeedDecoding::Ok);
    EXPECT_EQ(out, u"<a>\u04C6</a>");
    EXPECT_EQ(used.codePage, kAnsiCodePage);
    EXPECT_EQ(system.asked.back(), (std::pair<uint32_t, bool>(kAnsiCodePage, false)));
    // UTF-16 with its mark, in both byte orders.
    EXPECT_EQ(decode(std::string("\xFF\xFE<\0\x16\x04/\0", 8), ""), FeedDecoding::Ok);
    EXPECT_EQ(out, u"<Ж/");
    EXPECT_EQ(decode(std::string("\xFE\xFF\0<\x04\x16\0/", 8), ""), FeedDecoding::Ok);
    EXPECT_EQ(out, u"<Ж/");
}

TEST(FeedDocument, TheDeclarationAndLeadingBlanksGo) {
    const std::map<std::u16string, std::u16string> cases = {
        {u"<?xml version=\"1.0\" encoding=\"koi8-r\"?>\n<rss/>", u"\n<rss/>"},
        {u"\r\n\r\n  \uFEFF<?xml version='1.0'?><rss/>", u"<rss/>"},
        {u"<?xml-stylesheet href=\"a\"?><rss/>", u"<?xml-stylesheet href=\"a\"?><rss/>"},
        {u"  <rss/>", u"<rss/>"},
        {u"<?xml version=\"1.0\"", u"<?xml version=\"1.0\""},
    };
    for (const auto& c : cases) {
        std::u16string text = c.first;
        RemoveXmlDeclaration(text);
        EXPECT_EQ(text, c.second) << ToUtf8(c.first.data(), c.first.size());
    }
}

TEST(FeedDocument, ADocumentTypeIsDroppedUnlessItDefinesEntities) {
    const struct {
        std::u16string in;
        bool accepted;
        std::u16string out;
    } cases[] = {
        {u"<!DOCTYPE rss PUBLIC \"-//Netscape Communications//DTD RSS 0.91//EN\" "
         u"\"http://my.netscape.com/publish/formats/rss-0.91.dtd\">\n<rss/>",
         true, u"\n<rss/>"},
        {u"<!-- note -->\n<?pi x?>\n<!DOCTYPE rss SYSTEM 'a>b.dtd'><rss/>", true, u"<!-- note -->\n<?pi x?>\n<rss/>"},
        {u"<!DOCTYPE rss><rss/>", true, u"<rss/>"},
        {u"<!DOCTYPE rss [<!ENTITY % HTMLlat1 PUBLIC \"-//W3C//ENTITIES Latin 1 for XHTML//EN\" "
         u"\"http://www.w3.org/TR/xhtml1/DTD/xhtml-lat1.ent\"> %HTMLlat1; <!-- c -->]>\n<rss/>",
         true, u"\n<rss/>"},
        {u"<rss/><!DOCTYPE rss [<!ENTITY a \"b\">]>", true, u"<rss/><!DOCTYPE rss [<!ENTITY a \"b\">]>"},
        // billion laughs, an external entity, an entity value, other declarations
        {u"<!DOCTYPE rss [<!ENTITY a \"AAAA\"><!ENTITY b \"&a;&a;\">]><rss>&b;</rss>", false, u""},
        {u"<!DOCTYPE rss [<!ENTITY xxe SYSTEM \"file:///etc/passwd\">]><rss>&xxe;</rss>", false, u""},
        {u"<!DOCTYPE rss [<!ENTITY % p \"<!ENTITY a 'b'>\"> %p;]><rss/>", false, u""},
        {u"<!DOCTYPE rss [<!ELEMENT rss ANY>]><rss/>", false, u""},
        {u"<!DOCTYPE rss [<!ENTITY % p SYSTEM \"x\">", false, u""},
        {u"<!DOCTYPE rss PUBLIC \"unterminated><rss/>", false, u""},
        {u"<!DOCTYPE a><!DOCTYPE b [<!ENTITY x \"y\">]><b>&x;</b>", false, u""},
    };
    for (const auto& c : cases) {
        std::u16string text = c.in;
        EXPECT_EQ(RemoveDocumentType(text), c.accepted) << ToUtf8(c.in.data(), c.in.size());
        EXPECT_EQ(text, c.accepted ? c.out : c.in);
    }
}

TEST(FeedDocument, HtmlEntitiesBecomeCharacterReferencesWhereTheParserReadsThem) {
    const std::map<std::u16string, std::u16string> cases = {
        {u"<t>a&nbsp;b &mdash; &euro;</t>", u"<t>a&#160;b &#8212; &#8364;</t>"},
        {u"<t>&amp;&lt;&gt;&quot;&apos;&#160;&#xA0;</t>", u"<t>&amp;&lt;&gt;&quot;&apos;&#160;&#xA0;</t>"},
        {u"<t>&unknown; &nbsp &NBSP; &;</t>", u"<t>&unknown; &nbsp &NBSP; &;</t>"},
        {u"<![CDATA[&nbsp;]]><!-- &nbsp; --><?pi &nbsp;?>&copy;", u"<![CDATA[&nbsp;]]><!-- &nbsp; --><?pi &nbsp;?>&#169;"},
        {u"<a title=\"&laquo;x&raquo;\"/>", u"<a title=\"&#171;x&#187;\"/>"},
        {u"&Omega;&omega;&thetasym;", u"&#937;&#969;&#977;"},
        {u"<![CDATA[unterminated &nbsp;", u"<![CDATA[unterminated &nbsp;"},
    };
    for (const auto& c : cases) {
        std::u16string text = c.first;
        ReplaceHtmlEntityReferences(text);
        EXPECT_EQ(text, c.second) << ToUtf8(c.first.data(), c.first.size());
    }
}

TEST(FeedDocument, PreparedTextOrTheReasonItIsRefused) {
    FakeSystem system;
    std::u16string text;
    const std::string feed = "\n\n<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"
                             "<!DOCTYPE rss SYSTEM \"http://my.netscape.com/publish/formats/rss-0.91.dtd\">\n"
                             "<rss><title>\xC0&nbsp;B</title></rss>";
    EXPECT_EQ(PrepareFeedText(feed.data(), feed.size(), "", system, text), FeedTextResult::Ok);
    EXPECT_EQ(text, u"\n\n<rss><title>\u04C0&#160;B</title></rss>");
    const std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"a\">]><r>&a;</r>";
    EXPECT_EQ(PrepareFeedText(laughs.data(), laughs.size(), "", system, text), FeedTextResult::EntityDefinitions);
    EXPECT_EQ(PrepareFeedText("<r/>", 4, "x-martian", system, text), FeedTextResult::UnknownEncoding);
    EXPECT_EQ(PrepareFeedText("<r>\xFF</r>", 8, "utf-8", system, text), FeedTextResult::InvalidBytes);
}

TEST(HtmlEntities, TheHtml4NamesAndTheNumericForms) {
    const struct {
        const char16_t* name;
        char16_t c;
    } names[] = {{u"nbsp", 0xA0}, {u"AElig", 0xC6}, {u"aelig", 0xE6}, {u"euro", 0x20AC}, {u"hellip", 0x2026},
                 {u"thetasym", 0x03D1}, {u"zwnj", 0x200C}, {u"yuml", 0xFF}, {u"amp", u'&'}, {u"NBSP", 0},
                 {u"apos", 0}, {u"nbs", 0}, {u"nbspx", 0}, {u"", 0}};
    for (const auto& n : names)
        EXPECT_EQ(HtmlEntityCharacter(n.name, std::char_traits<char16_t>::length(n.name)), n.c)
            << ToUtf8(n.name, std::char_traits<char16_t>::length(n.name));
    const std::map<std::u16string, std::u16string> texts = {
        {u"&#x0024;4300", u"$4300"},
        {u"&#150; &#133; &#x92;", u"\u2013 \u2026 \u2019"},  // as the web reads Windows-1252 numbers
        {u"&#0;&#xD800;&#x110000;&#129;", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {u"&#x1F600;", u"\U0001F600"},
        {u"AT&T &amp;lt; &apos;q&apos; &laquo;x&raquo;", u"AT&T &lt; 'q' «x»"},
        {u"&#; &#x; &#12 &#99999999999; &", u"&#; &#x; &#12 &#99999999999; &"},
    };
    for (const auto& t : texts) {
        std::u16string s = t.first;
        DecodeCharacterReferences(s);
        EXPECT_EQ(s, t.second) << ToUtf8(t.first.data(), t.first.size());
    }
}

TEST(FeedText, TitlesAndDescriptionsOnAirAreCleaned) {
    const std::map<std::u16string, std::u16string> cases = {
        {u"<p>Hello <b>world</b></p>", u"Hello world"},
        {u"&#x0024;4300 \u2026 <sup>2</sup>", u"$4300 \u2026 2"},
        {u"\n\t Missili \u00A0sul\r\nmare\u3000 ", u"Missili sul mare"},
        {u"a&nbsp;&nbsp;b", u"a b"},
        {u"&lt;b&gt;kept&lt;/b&gt;", u"<b>kept</b>"},
        {u"x\u0096y\u0007z\uFEFF", u"x\u2013yz"},
        {u"a < b", u"a < b"},
        {u"   ", u""},
        {u"", u""},
    };
    for (const auto& c : cases) EXPECT_EQ(CleanFeedText(c.first), c.second) << ToUtf8(c.first.data(), c.first.size());
}

TEST(FeedText, PlainTextKeepsWhatMarkupWouldLose) {
    EXPECT_EQ(CleanPlainText(u"\n <b>Tags</b> &amp; &lt;\u00A0a < b\u0007 "), u"<b>Tags</b> &amp; &lt; a < b");
}

TEST(FeedFormats, RootsItemsAndTheirChildren) {
    const std::u16string atom = u"http://www.w3.org/2005/Atom", atom03 = u"http://purl.org/atom/ns#",
                         rdf = u"http://www.w3.org/1999/02/22-rdf-syntax-ns#", rss1 = u"http://purl.org/rss/1.0/",
                         dc = u"http://purl.org/dc/elements/1.1/";
    EXPECT_EQ(FormatOfRoot(atom, u"feed"), FeedFormat::Atom10);
    EXPECT_EQ(FormatOfRoot(atom03, u"feed"), FeedFormat::Atom03);
    EXPECT_EQ(FormatOfRoot(rdf, u"RDF"), FeedFormat::Rdf);
    EXPECT_EQ(FormatOfRoot(u"", u"rss"), FeedFormat::Rss);
    EXPECT_EQ(FormatOfRoot(u"", u"feed"), FeedFormat::Rss);
    EXPECT_TRUE(IsRootItem(FeedFormat::Rdf, rss1, u"item"));
    EXPECT_FALSE(IsRootItem(FeedFormat::Rdf, rss1, u"channel"));
    EXPECT_TRUE(IsRootItem(FeedFormat::Atom10, atom, u"entry"));
    EXPECT_FALSE(IsRootItem(FeedFormat::Atom10, atom03, u"entry"));
    EXPECT_FALSE(IsRootItem(FeedFormat::Rss, u"", u"item"));

    const struct {
        FeedFormat format;
        std::u16string ns, name;
        ItemField field;
        int32_t rank;
    } roles[] = {
        {FeedFormat::Rss, u"", u"PUBDATE", ItemField::Date, 0},
        {FeedFormat::Rss, u"", u"Title", ItemField::Title, 0},
        {FeedFormat::Rss, u"", u"DESCRIPTION", ItemField::Description, 0},
        {FeedFormat::Rss, dc, u"date", ItemField::Date, 1},
        {FeedFormat::Rss, u"http://search.yahoo.com/mrss/", u"title", ItemField::None, 0},
        {FeedFormat::Rss, dc, u"title", ItemField::None, 0},
        {FeedFormat::Rdf, rss1, u"title", ItemField::Title, 0},
        {FeedFormat::Rdf, dc, u"date", ItemField::Date, 0},
        {FeedFormat::Rdf, dc, u"description", ItemField::Description, 1},
        {FeedFormat::Atom10, atom, u"published", ItemField::Date, 0},
        {FeedFormat::Atom10, atom, u"updated", ItemField::Date, 1},
        {FeedFormat::Atom10, atom, u"summary", ItemField::Description, 0},
        {FeedFormat::Atom10, atom, u"content", ItemField::Description, 1},
        {FeedFormat::Atom10, atom, u"Title", ItemField::None, 0},
        {FeedFormat::Atom10, u"", u"title", ItemField::None, 0},
        {FeedFormat::Atom03, atom03, u"issued", ItemField::Date, 0},
        {FeedFormat::Atom03, atom03, u"created", ItemField::Date, 1},
        {FeedFormat::Atom03, atom03, u"modified", ItemField::Date, 2},
        {FeedFormat::Atom03, atom03, u"updated", ItemField::None, 0},
    };
    for (const auto& r : roles) {
        const ItemRole role = RoleOfItemChild(r.format, r.ns, r.name);
        EXPECT_EQ(role.field, r.field) << ToUtf8(r.name.data(), r.name.size());
        if (r.field != ItemField::None) {
            EXPECT_EQ(role.rank, r.rank) << ToUtf8(r.name.data(), r.name.size());
        }
    }
}

TEST(FeedFormats, AnRssDocumentsOwnNamespaceReadsAsRssWhateverItsUri) {
    const std::u16string dc = u"http://purl.org/dc/elements/1.1/", yandex = u"http://news.yandex.ru",
                         rdf = u"http://www.w3.org/1999/02/22-rdf-syntax-ns#", rss1 = u"http://purl.org/rss/1.0/";
    for (const std::u16string own : {u"", u"http://backend.userland.com/rss2", u"urn:any"}) {
        const FeedDialect d = DialectOfRoot(own, u"rss");
        EXPECT_TRUE(d.IsRssItem(own, u"item") && !d.IsRssItem(yandex, u"item"));
        EXPECT_EQ(RoleOfItemChild(d.format, d.Namespace(own), u"TITLE").field, ItemField::Title);
        EXPECT_TRUE(MayHoldLink(d.format, d.Namespace(own), u"guid"));
        // other namespaces keep their meaning
        EXPECT_EQ(RoleOfItemChild(d.format, d.Namespace(dc), u"date").rank, 1);
        EXPECT_EQ(RoleOfItemChild(d.format, d.Namespace(yandex), u"title").field, ItemField::None);
    }
    // RSS 1.0 keeps its reading; a root that is not <rss> lends no namespace.
    const FeedDialect r = DialectOfRoot(rdf, u"RDF");
    EXPECT_EQ(r.Namespace(rss1), rss1);
    EXPECT_FALSE(r.IsRssItem(rss1, u"item"));
    EXPECT_EQ(DialectOfRoot(u"urn:any", u"channel").Namespace(u"urn:any"), u"urn:any");
}

TEST(FeedFormats, AtomTitlesAreMarkupOnlyWhenTheirTypeSaysHtml) {
    for (const char16_t* plain : {u"", u"text", u"xhtml", u"text/plain", u"application/xhtml+xml"})
        EXPECT_EQ(AtomTextKind(plain, u"xml"), TextKind::Plain) << ToUtf8(plain, std::char_traits<char16_t>::length(plain));
    EXPECT_EQ(AtomTextKind(u" HTML ", u""), TextKind::Markup);
    EXPECT_EQ(AtomTextKind(u"text/html", u""), TextKind::Markup);
    EXPECT_EQ(AtomTextKind(u"text/plain", u"Escaped"), TextKind::Markup);
    // The kind follows the title that wins.
    ItemTextCollector c;
    const ItemRole title{ItemField::Title, 0};
    c.Offer(title, u"<b>", TextKind::Plain);
    EXPECT_TRUE(c.texts().plainTitle);
    c.Offer(title, u" ", TextKind::Markup);  // blank: the plain one stays
    EXPECT_TRUE(c.texts().plainTitle);
    c.Offer(title, u"<i>x</i>", TextKind::Markup);
    EXPECT_FALSE(c.texts().plainTitle);
}

TEST(FeedFormats, TheBestRankedChildWithTextWins) {
    ItemTextCollector c;
    const ItemRole published{ItemField::Date, 0}, updated{ItemField::Date, 1}, summary{ItemField::Description, 0},
        content{ItemField::Description, 1}, title{ItemField::Title, 0};
    // the format's own element wins in either order
    c.Offer(updated, u"u1");
    c.Offer(published, u"p");
    c.Offer(updated, u"u2");
    EXPECT_EQ(c.texts().pubDate, u"p");
    // an empty or blank element counts as missing
    c.Offer(summary, u" \n ");
    c.Offer(content, u"content");
    EXPECT_EQ(c.texts().description, u"content");
    // of equal rank the later one
    c.Offer(title, u"first");
    c.Offer(title, u"second");
    EXPECT_EQ(c.texts().title, u"second");
    c.Reset();
    c.Offer(updated, u"u");
    EXPECT_EQ(c.texts().pubDate, u"u");
    EXPECT_TRUE(c.texts().title.empty());
}

TEST(UnicodeText, Utf8IsCheckedStrictlyAndDecodedWithReplacements) {
    const struct {
        std::string bytes;
        bool valid;
        std::u16string text;
    } cases[] = {
        {"plain", true, u"plain"},
        {"\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80", true, u"Ж€\U0001F600"},
        {"\xC0\xAF", false, u"\uFFFD"},           // overlong
        {"\xED\xA0\x80", false, u"\uFFFD"},       // a surrogate
        {"\xF4\x90\x80\x80", false, u"\uFFFD"},   // past U+10FFFF
        {"a\xE2\x82", false, u"a\uFFFD"},         // cut short
        {"\x80\x80z", false, u"\uFFFDz"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsUtf8(c.bytes.data(), c.bytes.size()), c.valid) << c.bytes;
        std::u16string out;
        EXPECT_EQ(AppendUtf8(c.bytes.data(), c.bytes.size(), out), c.valid) << c.bytes;
        EXPECT_EQ(out, c.text) << c.bytes;
    }
    const std::u16string round = u"Жa€\U0001F600";
    std::u16string back;
    const std::string utf8 = ToUtf8(round.data(), round.size());
    AppendUtf8(utf8.data(), utf8.size(), back);
    EXPECT_EQ(back, round);
    EXPECT_EQ(ToUtf8(u"\xD800x", 2), "\xEF\xBF\xBDx");
}

}  // namespace

namespace {

// A feed cut off at the size limit: the bytes up to the last '<' (never
// inside a character), then the document closed after its last whole item.
TEST(TruncatedFeed, ClosesAfterTheLastWholeItemWhateverTheFormat) {
    const struct {
        std::u16string cut, closed;
    } cases[] = {
        {u"<rss><channel><title>t</title><item><title>a</title></item><item><title>b</ti",
         u"<rss><channel><title>t</title><item><title>a</title></item></channel></rss>"},
        {u"<feed xmlns='x'><entry><title a='>'>1</title></entry><!-- </entry> --><entry><title><![CDATA[</entry>",
         u"<feed xmlns='x'><entry><title a='>'>1</title></entry></feed>"},
        {u"<rdf:RDF><channel/><rss:item><x/></rss:item><rss:item>", u"<rdf:RDF><channel/><rss:item><x/></rss:item></rdf:RDF>"},
        {u"<rss><channel><ITEM>a</ITEM><item>b</item></channel></rss>", u"<rss><channel><ITEM>a</ITEM><item>b</item></channel></rss>"},
    };
    for (const auto& c : cases) {
        std::u16string text = c.cut;
        ASSERT_TRUE(CloseTruncatedFeed(text)) << ToUtf8(c.cut.c_str(), c.cut.size());
        EXPECT_EQ(text, c.closed);
    }
    std::u16string none = u"<rss><channel><item><title>never ends";
    EXPECT_FALSE(CloseTruncatedFeed(none));
    EXPECT_EQ(none, u"<rss><channel><item><title>never ends");

    std::string utf8 = "<rss><item>\xD0\xB0</item><item>\xD0\xB1\xD0";  // cut inside a character
    CutBeforeLastMarkup(utf8);
    EXPECT_EQ(utf8, "<rss><item>\xD0\xB0</item>");
    std::string utf16("\xFF\xFE<\0a\0<\0b\0<", 11);  // the last '<' is half a unit
    CutBeforeLastMarkup(utf16);
    EXPECT_EQ(utf16, std::string("\xFF\xFE<\0a\0", 6));
}

}  // namespace
