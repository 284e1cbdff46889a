// Several feeds in one crawl through the real DLL and the local feed
// server: merged newest first with their labels, a headline shared by two
// feeds once, an item older than the age limit left out, and on the
// refresh's run a feed that fails keeps its last items on air beside one
// that answers "not modified".
#include <gtest/gtest.h>

#include <ctime>

#include "tests/win/band_session.h"

namespace {

// An RFC 822 date `hoursAgo` before now.
std::string HoursAgo(double hoursAgo) {
    const std::time_t t = std::time(nullptr) - std::time_t(hoursAgo * 3600);
    std::tm utc = *std::gmtime(&t);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

std::string Feed(const char* channel, std::initializer_list<std::pair<const char*, double>> items) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel>";
    if (*channel) xml += std::string("<title>") + channel + "</title>";
    for (const auto& item : items)
        xml += std::string("<item><title>") + item.first + "</title><pubDate>" + HoursAgo(item.second) +
               "</pubDate></item>";
    return xml + "</channel></rss>";
}

// What the band shows over `count` frames from the first with text: as
// hashes, compared with a text file of the expected lines.
std::vector<uint64_t> FileHashes(const std::u16string& lines, int count) {
    const std::string path = ExeFolder() + "expected_crawl.txt";
    std::string bytes("\xFF\xFE", 2);
    for (char16_t c : lines) bytes += char(c & 0xFF), bytes += char(c >> 8);
    WriteFileBytes(path, bytes);
    std::vector<uint64_t> hashes;
    {
        Session s(std::string("[PluginSettings]\r\n") + kBandStyle + "StringSource=1\r\nFile_000=" + path + "\r\n");
        hashes = s.TextFrameHashes(count, 2000);
    }
    DeleteFileA(path.c_str());
    return hashes;
}

TEST(NewsroomThroughTheDll, FeedsMergeLabelledAHeadlineOnceNoOldItemAndAFailedFeedKeepsItsItems) {
    ASSERT_FALSE(FeedServer().empty());
    const std::string key = FreshKey("crawl");
    ServeFile(key + "-alpha.xml",
              Feed("Alpha", {{"Общая новость", 1}, {"Только Альфа", 2}, {"Древняя", 100}}));
    ServeFile(key + "-beta.xml", Feed("Beta", {{"общая   НОВОСТЬ", 0.5}, {"Только Бета", 3}}));
    ServeFile(key + "-gamma.xml", Feed("", {{"Гамма", 4}}));
    const std::string server = FeedServer();
    const std::string alpha = server + "/k/" + key + "/once/500/files/" + key + "-alpha.xml";  // fails from its second request
    const std::string beta = server + "/k/" + key + "/cond/files/" + key + "-beta.xml";        // then "not modified"
    const std::string gamma = server + "/files/" + key + "-gamma.xml";
    const std::string ini = std::string("[PluginSettings]\r\nAutoUpdate=60\r\nAllFeeds=1\r\nSourceLabel=1\r\nMaxAge=48\r\n") +
                            kBandStyle + "StringSource=2\r\nURL_000=" + alpha + "\r\nURL_001=" + beta +
                            "\r\nURL_002=" + gamma + "\r\n";
    const std::u16string expected = u"Alpha  Общая новость  \r\nAlpha  Только Альфа  \r\nBeta  Только Бета  \r\n"
                                    u"127.0.0.1  Гамма  \r\n";
    const int frames = 260;  // the four entering, one after the other
    const std::vector<uint64_t> crawl = FileHashes(expected, frames);
    ASSERT_EQ(int(crawl.size()), frames);

    Session s(ini);
    // The first run goes on air with the first feed that answers and takes
    // the others in at its pass's end: its own frames are not compared.
    const DWORD begin = GetTickCount();
    while (GetTickCount() - begin < 20000) {
        const std::string log = ReadFileBytes(LogPath());
        size_t closed = 0;
        for (size_t at = log.find("Internet session closed."); at != std::string::npos;
             at = log.find("Internet session closed.", at + 1))
            ++closed;
        if (closed >= 3) break;
        Sleep(20);
    }
    // The host stops and starts the video: the refresh's run asks every feed
    // again; the first now fails, the second has not changed, the third
    // brings its item again, and the crawl is on air whole at once.
    s.Restart();
    const std::vector<uint64_t> shown = s.TextFrameHashes(frames, 20000);
    const DWORD again = GetTickCount();
    std::string log;
    while (GetTickCount() - again < 20000) {
        log = ReadFileBytes(LogPath());
        if (log.find(" not found.") != std::string::npos && log.find("Not modified.") != std::string::npos) break;
        Sleep(20);
    }
    s.Close();
    EXPECT_TRUE(shown == crawl) << "the merged crawl differs\n" << log;
    // Each feed's lines name its address.
    EXPECT_TRUE(Has(log, alpha + ": File " + alpha + " not found.")) << log;
    EXPECT_TRUE(Has(log, beta + ": Not modified.")) << log;
    EXPECT_NE(log.find(gamma + ": Download "), std::string::npos) << log;
    DeleteFileA(Plugin::IniPath().c_str());
}

// Read with others, a feed is cut off at 8 MB and 2,000 items: what lies
// beyond is left out, logged with its address, and the rest goes on air.
TEST(NewsroomThroughTheDll, EachFeedOfSeveralIsCappedAndWhatLiesBeyondIsLogged) {
    ASSERT_FALSE(FeedServer().empty());
    const std::string many = FeedServer() + "/gen/items3000.xml";
    const std::string huge = FeedServer() + "/gen/huge.xml";  // 50 MB
    Session s(std::string("[PluginSettings]\r\nAllFeeds=1\r\n") + kBandStyle + "StringSource=2\r\nURL_000=" + many +
              "\r\nURL_001=" + huge + "\r\n");
    EXPECT_FALSE(s.TextFrames(1, 30000).empty()) << "nothing on air";
    std::string log;
    const DWORD begin = GetTickCount();
    while (GetTickCount() - begin < 60000) {
        log = ReadFileBytes(LogPath());
        if (log.find(huge + ": Feed: ") != std::string::npos) break;
        Sleep(50);
    }
    s.Close();
    EXPECT_TRUE(Has(log, many + ": Feed: 1000 items beyond the first 2000 left out.")) << log;
    EXPECT_TRUE(Has(log, huge + ": Body cut off at 8388608 bytes; the rest is left out.")) << log;
    EXPECT_NE(log.find(" items beyond the first 2000 left out.", log.find(huge + ": Feed: ")), std::string::npos) << log;
    EXPECT_EQ(log.find("Not a readable feed"), std::string::npos) << "the cut document is closed where it was cut\n" << log;
    DeleteFileA(Plugin::IniPath().c_str());
}

}  // namespace
