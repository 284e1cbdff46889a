// Real feeds through the real DLL: for each line of the list that
// scripts/real-feeds.sh makes (file, HTTP charset, the newest item's title
// as it should be on air, its moment in seconds since 1970 UTC), the
// plug-in runs on the feed served by the local feed server and must show
// that title first, and save LastUpdate as that item's stamp. Prints one line
// per failure and "N of M real feeds".
//
// The band is compared with the same text given as a text file, frame by
// frame, until the first message has entered whole (found by giving the
// text file a second line: where the two reference runs part, the second
// message begins).
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "tests/win/band_session.h"

namespace {

struct Expected {
    std::string file, charset;
    std::u16string title;
    std::string seconds;  // "" when undated
};

std::u16string FromUtf8(const std::string& s) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::u16string out(size_t(n), u'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), reinterpret_cast<wchar_t*>(&out[0]), n);
    return out;
}

std::vector<Expected> ReadList(const std::string& path) {
    std::vector<Expected> list;
    const std::string text = ReadFileBytes(path);
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::vector<std::string> f;
        for (size_t from = at;;) {
            const size_t tab = text.find('\t', from);
            if (tab == std::string::npos || tab > end) {
                f.push_back(text.substr(from, end - from));
                break;
            }
            f.push_back(text.substr(from, tab - from));
            from = tab + 1;
        }
        if (f.size() == 4) list.push_back({f[0], f[1], FromUtf8(f[2]), f[3]});
        at = end + 1;
    }
    return list;
}

// A faster, smaller band than the tests', so that long titles enter whole
// within a few hundred frames.
const char kCorpusStyle[] = "Speed=24\r\nFontSize=-24\r\n";
constexpr int kFrames = 200;

std::vector<uint64_t> FileHashes(const std::vector<std::u16string>& lines) {
    const std::string path = ExeFolder() + "real_feed_expected.txt";
    std::string bytes("\xFF\xFE", 2);
    for (const std::u16string& line : lines)
        for (char16_t c : line + u"\r\n") bytes += char(c & 0xFF), bytes += char(c >> 8);
    WriteFileBytes(path, bytes);
    std::vector<uint64_t> hashes;
    {
        Session s(std::string("[PluginSettings]\r\n") + kCorpusStyle + kBandStyle + "StringSource=1\r\nFile_000=" +
                  path + "\r\n");
        hashes = s.TextFrameHashes(kFrames, 3000);
    }
    DeleteFileA(path.c_str());
    return hashes;
}

// "" when the feed is on air as expected, else why not.
std::string Check(const Expected& e) {
    std::string path = "/corpus/" + e.file;
    if (!e.charset.empty()) path += "?charset=" + e.charset;
    if (e.title.empty()) return "the model finds no item to show";
    std::vector<uint64_t> shown;
    std::string saved, log;
    {
        Session s(FeedIni(path, kCorpusStyle));
        shown = s.TextFrameHashes(kFrames, 60000);
    }
    saved = ReadFileBytes(Plugin::IniPath());
    log = ReadFileBytes(LogPath());
    std::string why;
    const std::u16string message = e.title + u"  ";  // as the reader composes a title
    const std::vector<uint64_t> alone = FileHashes({message}), paired = FileHashes({message, u"|||| |||| ||||"});
    size_t whole = 0;  // frames until the second message begins
    while (whole < alone.size() && whole < paired.size() && alone[whole] == paired[whole]) ++whole;
    if (shown.empty()) {
        why = "nothing on air";
    } else if (alone.size() < whole || shown.size() < whole ||
               !std::equal(alone.begin(), alone.begin() + long(whole), shown.begin())) {
        why = "another text on air";
    }
    std::string stamp = "0";
    if (!e.seconds.empty()) {
        const __time64_t t = _atoi64(e.seconds.c_str());
        struct tm u;
        _gmtime64_s(&u, &t);
        stamp = std::to_string(LocalStampOfUtc(u.tm_year + 1900, u.tm_mon + 1, u.tm_mday, u.tm_hour, u.tm_min, u.tm_sec));
    }
    const std::string lastUpdate = SavedValue(saved, "LastUpdate");
    if (lastUpdate != stamp) why += (why.empty() ? "" : "; ") + std::string("LastUpdate ") + lastUpdate + ", expected " + stamp;
    if (!why.empty() && log.find("successfull.") == std::string::npos) why += " (download: " + log + ")";
    return why;
}

TEST(RealFeeds, EveryFeedShowsItsNewestItemFirst) {
    char list[MAX_PATH] = {};
    ASSERT_TRUE(GetEnvironmentVariableA("SKIMROW_REAL_FEEDS", list, MAX_PATH)) << "SKIMROW_REAL_FEEDS names the list";
    ASSERT_FALSE(FeedServer().empty());
    const std::vector<Expected> feeds = ReadList(WinePath(list));
    ASSERT_FALSE(feeds.empty());
    int passed = 0;
    for (const Expected& e : feeds) {
        const std::string why = Check(e);
        if (why.empty()) ++passed;
        else std::printf("FAIL %s: %s\n", e.file.c_str(), why.c_str());
        std::fflush(stdout);
    }
    DeleteFileA(Plugin::IniPath().c_str());
    std::printf("%d of %d real feeds\n", passed, int(feeds.size()));
    EXPECT_EQ(passed, int(feeds.size()));
}

}  // namespace
