// Feeds as the web serves them, one small feed per cause: encodings MSXML
// cannot read itself, a charset only in the HTTP header, an RSS 0.91
// document type with HTML entities, Atom 1.0 and 0.3, RSS 1.0 with
// dc:date, blank lines before the declaration, markup and white space in
// titles, an item without a title, RSS in a namespace of its own, dates as
// servers write them, Atom titles of every type. Read with MSXML, then through the DLL:
// the newest item is first on air, cleaned, and LastUpdate is its stamp.
#include <gtest/gtest.h>

#include <vector>

#include "feed/feed_items.h"
#include "feed/time_win.h"
#include "tests/win/feed_files.h"
#include "tests/win/band_session.h"

namespace {

struct Utc {
    int year, month, day, hour, minute, second;
};

struct FeedCase {
    const char* file;
    const char* contentType;                // the server's Content-Type ("" for plain text/xml)
    std::vector<std::u16string> titles;     // as the document holds them, in document order
    std::u16string firstDate;               // the first item's date text
    std::u16string onAir;                   // the newest item, cleaned
    Utc newest;                             // its moment; year 0: undated
};

const std::vector<FeedCase>& Cases() {
    static const std::vector<FeedCase> cases = {
        {"koi8r.xml", "", {u"Старая новость", u"Свежая новость в KOI8-R", u"Вчерашняя новость"},
         u"Mon, 01 Jan 2024 10:00:00 +0300", u"Свежая новость в KOI8-R", {2024, 1, 3, 7, 0, 0}},
        {"shift_jis.xml", "", {u"古いニュース", u"新しいニュース 東京", u"昨日のニュース"},
         u"Mon, 01 Jan 2024 10:00:00 +0300", u"新しいニュース 東京", {2024, 1, 3, 7, 0, 0}},
        {"euc_kr.xml", "", {u"오래된 뉴스", u"새로운 뉴스 서울", u"어제 뉴스"},
         u"Mon, 01 Jan 2024 10:00:00 +0300", u"새로운 뉴스 서울", {2024, 1, 3, 7, 0, 0}},
        {"gb2312.xml", "", {u"旧新闻", u"最新新闻 北京", u"昨天的新闻"},
         u"Mon, 01 Jan 2024 10:00:00 +0300", u"最新新闻 北京", {2024, 1, 3, 7, 0, 0}},
        {"http_charset.xml", "text/xml; charset=\"ISO-8859-1\"", {u"Notícias antigas", u"Notícias de São Paulo"},
         u"Seg, 01 Jan 2024 10:00:00 -0300", u"Notícias de São Paulo", {2024, 1, 3, 13, 0, 0}},
        {"rss091.xml", "", {u"Новости\u00A0«дня» — итоги", u"Вторая\u00A0новость"}, u"",
         u"Новости «дня» — итоги", {0, 0, 0, 0, 0, 0}},
        {"atom10.xml", "",
         {u"Обновлённая запись", u"Самая <b>новая</b> &laquo;запись&raquo;", u"Старая запись"},
         u"2024-01-01T08:00:00+03:00", u"Самая новая «запись»", {2024, 1, 3, 9, 15, 0}},
        // Dated by issue, not by the later edit (modified 2024-01-03T08:00:00Z).
        {"atom03.xml", "", {u"Запись 0.3 старая", u"Запись 0.3 новая"}, u"2024-01-01T10:00:00+02:00",
         u"Запись 0.3 новая", {2024, 1, 2, 18, 50, 0}},
        {"blank_lines.xml", "", {u"После пустых строк", u"Раньше"}, u"Wed, 03 Jan 2024 10:00:00 GMT",
         u"После пустых строк", {2024, 1, 3, 10, 0, 0}},
        {"rdf.xml", "", {u"RDF первая", u"RDF самая новая", u"RDF вторая"}, u"2024-01-01T10:00:00+03:00",
         u"RDF самая новая", {2024, 1, 3, 6, 0, 0}},
        {"markup_title.xml", "",
         {u"<b>Курс</b> &#x0024;4300 &mdash; рост <sup>2</sup>", u"<i>Курс</i> &amp; падение"},
         u"Wed, 03 Jan 2024 10:00:00 GMT", u"Курс $4300 — рост 2", {2024, 1, 3, 10, 0, 0}},
        {"cdata_space.xml", "", {u"   Missili\n\t sul mare   ", u"\n Старое \n"}, u"Wed, 03 Jan 2024 10:00:00 GMT",
         u"Missili sul mare", {2024, 1, 3, 10, 0, 0}},
        {"empty_title.xml", "", {u"", u"С заголовком"}, u"Wed, 03 Jan 2024 10:00:00 GMT",
         u"Только описание без заголовка", {2024, 1, 3, 10, 0, 0}},
        // RSS in a namespace of its own, as feeds for news aggregators are
        {"userland.xml", "", {u"Вчерашняя новость", u"Новость для Яндекса", u"Новость с датой Dublin Core"},
         u"Tue, 02 Jan 2024 10:00:00 +0300", u"Новость для Яндекса", {2024, 1, 3, 7, 0, 0}},
        {"prefixed_rss.xml", "", {u"Older, prefixed", u"Newest, prefixed"}, u"Tue, 02 Jan 2024 10:00:00 GMT",
         u"Newest, prefixed", {2024, 1, 3, 10, 0, 0}},
        {"server_dates.xml", "", {u"Two-digit year, undated", u"Glued zone", u"JavaScript's date", u"No seconds, two blanks"},
         u"Mon, 07 Nov 11 10:30:00 GMT", u"JavaScript's date", {2024, 1, 6, 6, 0, 0}},
        // Dates read before 1980 are no dates: LastUpdate stays 0, never 1970.
        {"unreadable_dates.xml", "", {u"Dated as the moment 0", u"Before 1980"}, u"Mon, 07 Nov 11 00:00:00 GMT",
         u"Dated as the moment 0", {0, 0, 0, 0, 0, 0}},
        // Atom titles by their type: text as written, html as markup
        {"atom_titles.xml", "",
         {u"<b>Теги</b> как написаны &amp; R&D", u"<b>Жирный</b> &laquo;html&raquo;", u"XHTML жирный <тег>", u""},
         u"2024-01-03T10:00:00Z", u"<b>Теги</b> как написаны &amp; R&D", {2024, 1, 3, 10, 0, 0}},
        {"atom03_titles.xml", "",
         {u"<b> простой 0.3", u"<i>Экранированный</i> 0.3 &mdash; html", u"<u>text/html</u> 0.3"},
         u"2024-01-02T10:00:00Z", u"Экранированный 0.3 — html", {2024, 1, 3, 10, 0, 0}},
    };
    return cases;
}

TEST(FeedVariety, MsxmlReadsEveryFormatAndEncodingAfterTheReadersDecoding) {
    ComThread com;
    for (const FeedCase& c : Cases()) {
        SCOPED_TRACE(c.file);
        const FeedParseResult r = ParseFeedFile(FeedFile(c.file), c.contentType);
        ASSERT_EQ(r.kind, FeedParseResult::Items);
        ASSERT_EQ(r.items.size(), c.titles.size());
        for (size_t i = 0; i < c.titles.size(); ++i) EXPECT_EQ(r.items[i].title, c.titles[i]) << i;
        EXPECT_EQ(r.items[0].pubDate, c.firstDate);
    }
}

TEST(FeedVariety, AnRssDocumentsOwnNamespaceIsRssAndOtherNamespacesKeepTheirMeaning) {
    ComThread com;
    const FeedParseResult userland = ParseFeedFile(FeedFile("userland.xml"));
    ASSERT_EQ(userland.items.size(), 3u);
    EXPECT_EQ(userland.channelLink, u"http://127.0.0.1/yandex/");
    EXPECT_EQ(userland.items[0].link, u"http://127.0.0.1/yandex/1");
    EXPECT_EQ(userland.items[0].description, u"Коротко о вчерашнем");  // not yandex:full-text
    EXPECT_EQ(userland.items[1].link, u"http://127.0.0.1/yandex/2");    // a permalink guid
    EXPECT_EQ(userland.items[1].description, u"<p>Свежее <b>описание</b></p>");
    EXPECT_EQ(userland.items[2].pubDate, u"2024-01-01T10:00:00+03:00");  // dc:date stands in
    // A prefixed root: its items by their local name; another namespace's
    // "item" and "title" are none of RSS's, wherever they are.
    const FeedParseResult prefixed = ParseFeedFile(FeedFile("prefixed_rss.xml"));
    ASSERT_EQ(prefixed.items.size(), 2u);
    EXPECT_EQ(prefixed.items[1].title, u"Newest, prefixed");
    EXPECT_EQ(prefixed.items[1].link, u"http://127.0.0.1/prefixed/2");
    EXPECT_EQ(prefixed.channelLink, u"http://127.0.0.1/prefixed/");
}

TEST(FeedVariety, AtomTitlesAreTextOrMarkupByTheirType) {
    ComThread com;
    const struct {
        const char* file;
        std::vector<std::u16string> onAir;
    } cases[] = {
        {"atom_titles.xml",
         // an empty title gives its place to the summary, else the content
         {u"<b>Теги</b> как написаны &amp; R&D", u"Жирный «html»", u"XHTML жирный <тег>", u"Содержание вместо заголовка"}},
        {"atom03_titles.xml", {u"<b> простой 0.3", u"Экранированный 0.3 — html", u"text/html 0.3"}},
    };
    DisplayOptions titles;
    titles.date = titles.time = false;
    for (const auto& c : cases) {
        const FeedParseResult r = ParseFeedFile(FeedFile(c.file));
        ASSERT_EQ(r.items.size(), c.onAir.size()) << c.file;
        for (size_t i = 0; i < r.items.size(); ++i) {
            TickerMessage m;
            ArticleOfItem(r.items[i], WinTimeZone(), WinDateFormatter(), m);
            ASSERT_TRUE(ComposeArticle(titles, nullptr, m)) << c.file << i;
            EXPECT_EQ(m.displayText.ToU16(), c.onAir[i] + u"  ") << c.file << " " << i;
        }
    }
}

// Labels as servers and documents write them decode as the Windows code
// page they name, in the declaration and in the HTTP header alike.
TEST(FeedVariety, EncodingLabelsDecodeAsTheirWindowsCodePages) {
    ComThread com;
    const struct {
        const char* label;
        std::string bytes;
        std::u16string title;
    } cases[] = {
        {"windows-874", "\xCA\xC7\xD1\xCA\xB4\xD5 \x80", u"สวัสดี €"},
        {"iso-8859-8-i", "\xF9\xEC\xE5\xED", u"שלום"},
        {"windows-31j", "\x87\x40\x93\xFA", u"①日"},  // a character of Windows' Shift_JIS only
        {"x-sjis", "\x93\xFA\x96\x7B", u"日本"},
        {"x-euc-jp", "\xC6\xFC\xCB\xDC", u"日本"},
        {"x-mac-roman", "\x8A\x9F \xD5", u"äü ’"},
        {"win-1251", "\xCF\xF0\xE8\xE2\xE5\xF2", u"Привет"},
        {"latin1", "\x92 \xE9", u"’ é"},  // as browsers read it: Windows-1252, whose 0x92 is a quote
        {"us-ascii", "\x92 \xE9", u"’ é"},
    };
    const std::string path = ExeFolder() + "labels.xml";
    for (const auto& c : cases) {
        const std::string body = "<rss version=\"2.0\"><channel><item><title>" + c.bytes + "</title></item></channel></rss>";
        WriteFileBytes(path, std::string("<?xml version=\"1.0\" encoding=\"") + c.label + "\"?>" + body);
        FeedParseResult r = ParseFeedFile(path);
        ASSERT_EQ(r.items.size(), 1u) << c.label;
        EXPECT_EQ(r.items[0].title, c.title) << c.label;
        WriteFileBytes(path, body);
        r = ParseFeedFile(path, std::string("application/rss+xml; charset=") + c.label);
        ASSERT_EQ(r.items.size(), 1u) << c.label << " in the header";
        EXPECT_EQ(r.items[0].title, c.title) << c.label << " in the header";
    }
    DeleteFileA(path.c_str());
}

TEST(FeedVariety, WithoutTheHttpCharsetAnUndeclaredFeedIsReadAsAnsi) {
    ComThread com;
    const FeedParseResult r = ParseFeedFile(FeedFile("http_charset.xml"));
    ASSERT_EQ(r.kind, FeedParseResult::Items);
    ASSERT_EQ(r.items.size(), 2u);
    EXPECT_EQ(r.items[1].title, u"Notнcias de Sгo Paulo");  // the bytes in Windows-1251
    // a name no code page answers to is a bad feed, never a guess
    EXPECT_EQ(ParseFeedFile(FeedFile("http_charset.xml"), "text/xml; charset=x-martian").kind, FeedParseResult::BadFeed);
}

TEST(FeedVariety, DocumentTypesThatDefineEntitiesStayRefused) {
    ComThread com;
    for (const char* name : {"laughs.xml", "xxe.xml"}) EXPECT_EQ(ParseFeedFile(FeedFile(name)).kind, FeedParseResult::BadFeed) << name;
    for (const char* name : {"doctype_entities.xml", "lying_encoding.xml", "invalid_utf8.xml"}) {
        const std::string path = ExeFolder() + "..\\..\\tests\\hostile\\feeds\\" + name;
        EXPECT_EQ(ParseFeedFile(path).kind, FeedParseResult::BadFeed) << name;
    }
}

// Through the DLL, each feed is served with its Content-Type charset.
void ExpectNewestOnAir(size_t from, size_t to) {
    ASSERT_FALSE(FeedServer().empty());
    for (size_t k = from; k < to && k < Cases().size(); ++k) {
        const FeedCase& c = Cases()[k];
        SCOPED_TRACE(c.file);
        std::string path = std::string("/feeds/") + c.file;
        if (*c.contentType) path += "?charset=ISO-8859-1";
        const FeedRun run = RunFeed(path, 20000);
        ASSERT_FALSE(run.frames.empty()) << "nothing shown\n" << run.log;
        EXPECT_TRUE(run.frames == TextFileFrames(c.onAir)) << "another text is shown";
        const uint64_t stamp = c.newest.year ? LocalStampOfUtc(c.newest.year, c.newest.month, c.newest.day,
                                                               c.newest.hour, c.newest.minute, c.newest.second)
                                             : 0;
        EXPECT_EQ(SavedValue(run.savedIni, "LastUpdate"), std::to_string(stamp));
    }
    DeleteFileA(Plugin::IniPath().c_str());
}

// A site's page served without a charset is read in the one its head
// declares: its feed link, in Shift_JIS, is asked for as written.
TEST(FeedVariety, ASitesPageIsReadInTheCharsetItsHeadDeclares) {
    ASSERT_FALSE(FeedServer().empty());
    const std::string key = FreshKey("sjis-page");
    const FeedRun run = RunFeed("/k/" + key + "/pages/sjis.html", 20000);
    DeleteFileA(Plugin::IniPath().c_str());
    ASSERT_FALSE(run.frames.empty()) << "nothing shown\n" << run.log;
    EXPECT_TRUE(run.frames == TextFileFrames(u"新しいニュース 東京")) << "another text is shown";
    const std::string saw = ServerSaw(key);
    EXPECT_NE(saw.find("GET /k/" + key + "/feeds/shift_jis.xml?from=%E6%97%A5%E6%9C%AC\n"), std::string::npos) << saw;
}

TEST(FeedVariety, EncodingsTheParserLacksGoOnAirThroughTheDll) { ExpectNewestOnAir(0, 5); }
TEST(FeedVariety, OtherFormatsGoOnAirThroughTheDll) { ExpectNewestOnAir(5, 10); }
TEST(FeedVariety, CleanTitlesGoOnAirThroughTheDll) { ExpectNewestOnAir(10, 13); }
TEST(FeedVariety, NamespacedRssAndServersDatesGoOnAirThroughTheDll) { ExpectNewestOnAir(13, 17); }
TEST(FeedVariety, AtomTitlesGoOnAirThroughTheDll) { ExpectNewestOnAir(17, 19); }

}  // namespace
