// Feeds through the real DLL: an HTTPS feed goes on air, a certificate
// problem on a run the user started shows its notice, an automatic
// refresh that finds the feed unchanged, or fails, leaves the news on air,
// and a running line takes a refreshed feed or a saved text file with the
// band on in every frame.
#include <gtest/gtest.h>

#include <algorithm>

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

// A host's frames, 40 ms apart; the band is on while its black background
// shows (the frame itself is grey).
class PacedFrames {
public:
    explicit PacedFrames(Session& s) : s_(s), next_(GetTickCount()) {}
    std::vector<uint8_t> Next() {
        next_ += 40;
        const DWORD now = GetTickCount();
        if (int32_t(next_ - now) > 0) Sleep(next_ - now);
        std::vector<uint8_t> f = s_.Frame();
        withoutBand_ += std::find(f.begin(), f.end(), uint8_t(0)) == f.end();
        return f;
    }
    int WithoutBand() const { return withoutBand_; }

private:
    Session& s_;
    DWORD next_;
    int withoutBand_ = 0;
};

// Whether `expected` has run in full, fed one frame at a time.
class Sighting {
public:
    explicit Sighting(const Frames& expected) : expected_(expected) {}
    bool Saw(const std::vector<uint8_t>& f) {
        if (at_ < expected_.size() && f == expected_[at_]) ++at_;
        else at_ = !expected_.empty() && f == expected_[0] ? 1 : 0;
        return Whole();
    }
    bool Whole() const { return !expected_.empty() && at_ == expected_.size(); }
    bool Began() const { return at_ == 1; }

private:
    const Frames& expected_;
    size_t at_ = 0;
};

TEST(LiveContentThroughTheDll, ARefreshOfARunningLineKeepsTheBandOnHoweverLateTheServerAnswers) {
    ASSERT_FALSE(FeedServer().empty());
    const Frames newer = StringFrames(u"Свежая новость");
    ASSERT_FALSE(newer.empty());
    const std::string key = FreshKey("late");
    // The refresh falls due a minute after Start (AutoUpdate is in minutes);
    // its answer comes 2 s late with a newer item on top.
    Session s(FeedIni("/k/" + key + "/once/late/refresh.xml", "AutoUpdate=1\r\nDescription=0\r\n"));
    ASSERT_FALSE(s.TextFrames(1, 20000).empty()) << "the first download never went on air";
    PacedFrames frames(s);
    Sighting sighting(newer);
    const DWORD begin = GetTickCount();
    while (!sighting.Whole() && GetTickCount() - begin < 90000) sighting.Saw(frames.Next());
    const std::string log = ReadFileBytes(LogPath());
    s.Close();
    DeleteFileA(Plugin::IniPath().c_str());
    EXPECT_TRUE(sighting.Whole()) << "the newer item never went on air\n" << log;
    EXPECT_EQ(frames.WithoutBand(), 0);
    const std::string saw = ServerSaw(key);
    EXPECT_NE(saw.find("GET ", saw.find("GET ") + 1), std::string::npos) << "no refresh was asked for\n" << saw;
}

TEST(LiveContentThroughTheDll, AFileRenamedOverARunningLinesFileShowsItsNewLineWithinAPass) {
    const Frames before = StringFrames(u"Старая строка"), after = StringFrames(u"Новая строка");
    ASSERT_FALSE(before.empty());
    ASSERT_FALSE(after.empty());
    const std::string path = ExeFolder() + "live_news.txt", temp = ExeFolder() + "live_news.tmp";
    WriteFileBytes(path, Ansi(u"Старая строка") + "\r\n");
    Session s(std::string("[PluginSettings]\r\n") + kBandStyle + "StringSource=1\r\nFile_000=" + path + "\r\n");
    ASSERT_FALSE(s.TextFrames(1, 2000).empty());
    PacedFrames frames(s);
    for (int i = 0; i < 30; ++i) frames.Next();
    // As an editor saves: a new file, renamed over the old one.
    WriteFileBytes(temp, Ansi(u"Новая строка") + "\r\n");
    ASSERT_TRUE(MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
    Sighting oldLine(before), newLine(after);
    int oldPasses = 0;  // passes of the old line begun since the save
    for (int i = 0; i < 2000 && !newLine.Whole(); ++i) {
        const std::vector<uint8_t> f = frames.Next();
        oldLine.Saw(f);
        oldPasses += oldLine.Began();
        newLine.Saw(f);
    }
    s.Close();
    DeleteFileA(path.c_str());
    DeleteFileA(Plugin::IniPath().c_str());
    EXPECT_TRUE(newLine.Whole()) << "the new line never went on air";
    EXPECT_EQ(oldPasses, 0) << "the old line began another pass after the save";
    EXPECT_EQ(frames.WithoutBand(), 0);
}

}  // namespace
