// Feeds through the real DLL: an HTTPS feed goes on air, a certificate
// problem on a run the user started shows its notice, and an automatic
// refresh that finds the feed unchanged, or fails, leaves the news on air.
#include <gtest/gtest.h>

#include "tests/win/band_session.h"

namespace {

// The news of the feeds below, as the band shows it.
const char16_t kNews[] = u"Новость дня";

struct TwoRuns {
    std::vector<std::vector<uint8_t>> first, second;
    std::string log;  // of the second run
};

// Automatic runs only (AutoUpdate set, far off): Start begins one, which
// puts the feed on air; then the host stops and starts the video, which
// begins the next automatic run of the same address.
TwoRuns TwoAutomaticRuns(const std::string& address) {
    TwoRuns r;
    Session s(FeedIni(address, "AutoUpdate=60\r\nDescription=0\r\n"));
    r.first = s.TextFrames(25, 20000);
    s.Restart();
    r.second = s.TextFrames(25, 20000);
    // Until the refresh has ended (its log's last line), the test would look too early.
    const DWORD begin = GetTickCount();
    while (!Has(ReadFileBytes(LogPath()), "Internet session closed.") && GetTickCount() - begin < 20000) Sleep(20);
    r.log = ReadFileBytes(LogPath());
    s.Close();
    DeleteFileA(Plugin::IniPath().c_str());
    return r;
}

TEST(FeedsThroughTheDll, HttpsFeedsGoOnAirAndCertificateProblemsAreShownToTheUser) {
    const std::string secure = SecureFeedServer("good");
    ASSERT_FALSE(secure.empty()) << "the HTTPS listeners are not running";
    std::string log = ExpectFeedShows(secure + "/feeds/refresh.xml", kNews);
    EXPECT_TRUE(Has(log, "URL opened successfully.")) << log;
    log = ExpectFeedShows(SecureFeedServer("wronghost") + "/feeds/refresh.xml", u"Ошибка сертификата сервера");
    EXPECT_TRUE(Has(log, "Open URL ERROR: Server certificate does not match the host name.")) << log;
    // An address the plug-in cannot fetch at all is still refused as such.
    ExpectFeedShows("ftp://127.0.0.1/refresh.xml", u"Неправильный URL");
    DeleteFileA(Plugin::IniPath().c_str());
}

TEST(FeedsThroughTheDll, AnUnchangedFeedOnAnAutomaticRefreshKeepsTheNewsOnAir) {
    ASSERT_FALSE(FeedServer().empty());
    const std::string key = FreshKey("unchanged");
    const TwoRuns r = TwoAutomaticRuns("/k/" + key + "/cond/refresh.xml");
    const auto news = StringFrames(kNews);
    ASSERT_FALSE(r.first.empty());
    EXPECT_TRUE(r.first == news) << "the first run shows another text";
    ASSERT_FALSE(r.second.empty()) << "nothing on air after the refresh\n" << r.log;
    EXPECT_TRUE(r.second == news) << "the refresh replaced the news\n" << r.log;
    EXPECT_TRUE(Has(r.log, "Not modified.")) << r.log;
    EXPECT_EQ(r.log.find("successfull."), std::string::npos) << "the feed was downloaded again";
    // The server was asked "only if changed" the second time only.
    const std::string saw = ServerSaw(key);
    const size_t second = saw.find("GET ", 1);
    ASSERT_NE(second, std::string::npos) << saw;
    EXPECT_EQ(saw.substr(0, second).find("If-None-Match: "), std::string::npos) << saw;
    EXPECT_NE(saw.find("If-None-Match: ", second), std::string::npos) << saw;
}

TEST(FeedsThroughTheDll, AFailedAutomaticRefreshKeepsTheNewsOnAirAndIsLogged) {
    ASSERT_FALSE(FeedServer().empty());
    const auto news = StringFrames(kNews);
    const struct {
        const char* failure;  // the server's answer to the refresh
        std::string line;
    } cases[] = {{"500", "File " + FeedServer() + "/k/%s/once/500/refresh.xml not found."},
                 {"bad", "Feed ERROR: Not a readable feed."}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failure);
        const std::string key = FreshKey(std::string("failed-") + c.failure);
        const TwoRuns r = TwoAutomaticRuns("/k/" + key + "/once/" + c.failure + "/refresh.xml");
        ASSERT_FALSE(r.first.empty());
        EXPECT_TRUE(r.first == news) << "the first run shows another text";
        ASSERT_FALSE(r.second.empty()) << "nothing on air after the refresh\n" << r.log;
        EXPECT_TRUE(r.second == news) << "the failure replaced the news\n" << r.log;
        std::string line = c.line;
        const size_t at = line.find("%s");
        if (at != std::string::npos) line.replace(at, 2, key);
        EXPECT_TRUE(Has(r.log, line)) << r.log;
    }
}

}  // namespace
