// The downloader over HTTPS and what every transfer now carries, against the
// local server: certificates checked (each problem with its notice and log
// line), redirects between http and https, compressed bodies, the request's
// headers, no cache entry, conditional requests and slow servers.
#include "tests/win/download_fixture.h"

#include <wininet.h>

#include <algorithm>

namespace {

std::string FeedBytes(const char* name) { return ReadFileBytes(ExeFolder() + "..\\..\\tests\\http\\feeds\\" + name); }

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The value of header `name` in the first request the server saw under `key`.
std::string HeaderSeen(const std::string& key, const std::string& name, int request = 0) {
    const std::string seen = ServerSaw(key);
    size_t at = 0;
    for (int i = 0; i < request && at != std::string::npos; ++i) at = seen.find("\n\n", at) + 2;
    const size_t end = seen.find("\n\n", at);
    const std::string block = "\n" + seen.substr(at, end == std::string::npos ? std::string::npos : end - at) + "\n";
    const size_t h = block.find("\n" + name + ": ");
    if (h == std::string::npos) return std::string();
    const size_t value = h + name.size() + 3;
    return block.substr(value, block.find('\n', value) - value);
}

TEST_F(Downloads, AGoodCertificateDownloadsLikePlainHttp) {
    const std::string secure = SecureFeedServer("good");
    ASSERT_FALSE(secure.empty()) << "the HTTPS listeners are not running";
    const std::string url = secure + "/feeds/cp1251.xml";
    Fetch(url);
    ASSERT_EQ(record.completions.size(), 1u);
    EXPECT_EQ(record.bodies[0], FeedBytes("cp1251.xml"));
    EXPECT_FALSE(TempFilesLeft());
    const std::string size = std::to_string(FeedBytes("cp1251.xml").size());
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Open internet session.", "Open URL " + url + "...",
                                                       "URL opened successfully.", "Download " + size + " bytes successfull.",
                                                       "URL closed.", "Internet session closed."}));
}

TEST_F(Downloads, EachCertificateProblemHasItsNoticeAndLogLine) {
    ASSERT_FALSE(SecureFeedServer("good").empty());
    const struct {
        const char* certificate;
        const char* line;
    } cases[] = {
        {"untrusted", "Open URL ERROR: Server certificate is not trusted."},
        {"untrusted_chain", "Open URL ERROR: Server certificate is not trusted."},
        {"wronghost", "Open URL ERROR: Server certificate does not match the host name."},
        {"expired", "Open URL ERROR: Server certificate has expired."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.certificate);
        record.completions.clear();
        downloader.OpenLog(log);
        Fetch(SecureFeedServer(c.certificate) + "/feeds/utf8.xml");
        ASSERT_EQ(record.completions, std::vector<std::string>{""});
        EXPECT_EQ(record.notices.back(), u"Ошибка сертификата сервера");
        const auto messages = LogMessages();
        ASSERT_GE(messages.size(), 3u);
        EXPECT_EQ(messages[2], c.line);
        EXPECT_EQ(messages.back(), "Internet session closed.");
        EXPECT_FALSE(TempFilesLeft());
    }
    // Not TLS at all on the other end: a failed secure connection, an open error.
    record.completions.clear();
    downloader.OpenLog(log);
    Fetch("https" + base.substr(4) + "/feeds/utf8.xml");
    ASSERT_EQ(record.completions, std::vector<std::string>{""});
    EXPECT_EQ(record.notices.back(), u"Ошибка при открытии URL.");
    EXPECT_TRUE(Has(LogMessages(), "Open URL ERROR: Secure connection failed.")) << ReadFileBytes(log);
}

TEST_F(Downloads, RedirectsBetweenHttpAndHttpsAreFollowedAndTheFinalAddressLogged) {
    const std::string secure = SecureFeedServer("good");
    ASSERT_FALSE(secure.empty());
    const struct {
        std::string from, to;
    } cases[] = {{base + "/to-https/utf8.xml", secure + "/feeds/utf8.xml"},
                 {secure + "/to-http/utf8.xml", base + "/feeds/utf8.xml"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from);
        record.completions.clear();
        record.bodies.clear();
        downloader.OpenLog(log);
        Fetch(c.from);
        ASSERT_EQ(record.bodies.size(), 1u);
        EXPECT_EQ(record.bodies[0], FeedBytes("utf8.xml"));
        const auto messages = LogMessages();
        ASSERT_GE(messages.size(), 4u);
        EXPECT_EQ(messages[1], "Open URL " + c.from + "...");
        EXPECT_EQ(messages[2], "Redirected to " + c.to + ".");
        EXPECT_EQ(messages[3], "URL opened successfully.");
    }
}

TEST_F(Downloads, CompressedBodiesArriveDecoded) {
    const std::string key = FreshKey("compressed");
    // gzip is served only to a request that accepts it; deflate in both of its
    // forms (the zlib stream, and the bare one some servers send).
    for (const char* path : {"/gzip/cp1251.xml", "/deflate/cp1251.xml", "/deflate-raw/cp1251.xml"}) {
        SCOPED_TRACE(path);
        record.bodies.clear();
        Fetch(base + "/k/" + key + path);
        ASSERT_EQ(record.bodies.size(), 1u);
        EXPECT_EQ(record.bodies[0], FeedBytes("cp1251.xml"));
    }
    EXPECT_EQ(HeaderSeen(key, "Accept-Encoding"), "gzip, deflate");
    // A compressed body cut off in the middle is a failed download.
    record.completions.clear();
    const DWORD stall = Downloader::stallTimeoutMs;
    Downloader::stallTimeoutMs = 3000;
    Fetch(base + "/gzip-cut/utf8.xml");
    Downloader::stallTimeoutMs = stall;
    ASSERT_EQ(record.completions, std::vector<std::string>{""});
    EXPECT_EQ(record.notices.back(), u"Ошибка загрузки файла");
    EXPECT_FALSE(TempFilesLeft());
}

// The version resource of the DLL, "1.03".
std::string DllVersion() {
    const std::string dll = Plugin::DllPath();
    std::vector<char> data(GetFileVersionInfoSizeA(dll.c_str(), nullptr));
    if (data.empty() || !GetFileVersionInfoA(dll.c_str(), 0, DWORD(data.size()), data.data())) return std::string();
    char* text = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(data.data(), "\\StringFileInfo\\041904e3\\FileVersion", reinterpret_cast<void**>(&text), &size))
        return std::string();
    return std::string(text);
}

TEST_F(Downloads, RequestsNameThePlugInAndLeaveNoCacheEntry) {
    for (const std::string& server : {base, SecureFeedServer("good")}) {
        SCOPED_TRACE(server);
        const std::string key = FreshKey("identity");
        const std::string url = server + "/k/" + key + "/feeds/utf8.xml";
        Fetch(url);
        ASSERT_FALSE(record.bodies.empty());
        EXPECT_EQ(record.bodies.back(), FeedBytes("utf8.xml"));
        const std::string version = DllVersion();
        ASSERT_FALSE(version.empty());
        EXPECT_EQ(HeaderSeen(key, "User-Agent"), "Mivra_Skimrow/" + version);
        DWORD size = 0;
        EXPECT_FALSE(GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size)) << "the feed went into the WinInet cache";
        EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    }
}

TEST_F(Downloads, TimerRunsAskOnlyIfChangedUserRunsAskInFull) {
    const std::string key = FreshKey("conditional");
    const std::string url = base + "/k/" + key + "/cond/utf8.xml";
    Fetch(url, true);  // a user run: the document and its validators
    ASSERT_EQ(record.bodies.size(), 1u);
    EXPECT_EQ(record.bodies[0], FeedBytes("utf8.xml"));
    EXPECT_EQ(HeaderSeen(key, "If-None-Match", 0), "");

    downloader.OpenLog(log);
    Fetch(url, false);  // the refresh timer: "only if changed", and it has not
    ASSERT_EQ(record.completions.size(), 2u);
    EXPECT_EQ(record.completions[1], "");
    EXPECT_TRUE(record.notModified[1]);
    EXPECT_FALSE(HeaderSeen(key, "If-None-Match", 1).empty());
    EXPECT_EQ(HeaderSeen(key, "If-Modified-Since", 1), "Mon, 07 Nov 2011 12:00:00 GMT");
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Open internet session.", "Open URL " + url + "...",
                                                       "URL opened successfully.", "Not modified.", "URL closed.",
                                                       "Internet session closed."}));
    Fetch(url, false);  // unchanged still: the validators stay
    EXPECT_TRUE(record.notModified[2]);

    Fetch(url, true);  // the user asks: in full, never conditionally
    EXPECT_EQ(HeaderSeen(key, "If-None-Match", 3), "");
    EXPECT_EQ(HeaderSeen(key, "If-Modified-Since", 3), "");
    EXPECT_FALSE(record.notModified[3]);
    EXPECT_EQ(record.bodies[3], FeedBytes("utf8.xml"));

    // After a download of another address the next refresh asks in full.
    Fetch(base + "/feeds/cp1251.xml", true);
    Fetch(url, false);
    EXPECT_EQ(HeaderSeen(key, "If-None-Match", 4), "");
    EXPECT_FALSE(record.notModified.back());
    EXPECT_EQ(record.bodies.back(), FeedBytes("utf8.xml"));
}

// Through a site's page: each address with its own validators, and a page
// found unchanged still leads to its feed, which may have changed.
TEST_F(Downloads, TimerRunsAskAPageAndItsFeedEachWithItsOwnValidators) {
    const std::string key = FreshKey("page");
    const std::string page = base + "/k/" + key + "/cond-page/cond_page.html";
    record.pageLeadsTo = base + "/k/" + key + "/cond-file/page_feed.xml";
    const std::string before = FeedBytes("utf8.xml"), after = FeedBytes("cp1251.xml");
    ServeFile("page_feed.xml", before);
    Fetch(page, true);  // a user run: both in full
    ASSERT_EQ(record.bodies, std::vector<std::string>{before});
    EXPECT_EQ(HeaderSeen(key, "If-None-Match", 0) + HeaderSeen(key, "If-None-Match", 1), "");

    downloader.OpenLog(log);
    Fetch(page, false);  // the page unchanged, its feed too
    ASSERT_EQ(record.completions.size(), 2u);
    EXPECT_TRUE(record.notModified[1]);
    const std::string pageTag = HeaderSeen(key, "If-None-Match", 2), feedTag = HeaderSeen(key, "If-None-Match", 3);
    EXPECT_FALSE(pageTag.empty());
    EXPECT_FALSE(feedTag.empty());
    EXPECT_NE(pageTag, feedTag);
    const auto messages = LogMessages();
    EXPECT_TRUE(Has(messages, "Page not modified; its feed is at " + record.pageLeadsTo + "."));
    EXPECT_TRUE(Has(messages, "Not modified."));

    ServeFile("page_feed.xml", after);
    Fetch(page, false);  // the page unchanged, its feed not: the new feed arrives
    ASSERT_EQ(record.completions.size(), 3u);
    EXPECT_FALSE(record.notModified[2]);
    EXPECT_EQ(record.bodies[2], after);
    EXPECT_EQ(HeaderSeen(key, "If-None-Match", 4), pageTag);
    EXPECT_EQ(HeaderSeen(key, "If-None-Match", 5), feedTag);

    Fetch(page, false);  // and that feed's validators are the ones asked with next
    EXPECT_TRUE(record.notModified.back());
    EXPECT_NE(HeaderSeen(key, "If-None-Match", 7), feedTag);
    EXPECT_FALSE(HeaderSeen(key, "If-None-Match", 7).empty());
}

TEST_F(Downloads, ASlowServerIsNotTakenForAStalledOneAndABigBodyArrivesWhole) {
    // 6 KB in 100-byte pieces over 3 s: never silent for the stall limit,
    // though slower than one block in that time.
    const DWORD stall = Downloader::stallTimeoutMs;
    Downloader::stallTimeoutMs = 1500;
    Fetch(base + "/trickle");
    Downloader::stallTimeoutMs = stall;
    ASSERT_EQ(record.completions.size(), 1u);
    ASSERT_FALSE(record.completions[0].empty()) << "the slow server was taken for a stalled one";
    EXPECT_EQ(record.bodies[0].size(), 6024u);
    record.bodies.clear();
    Fetch(base + "/big");
    ASSERT_EQ(record.bodies.size(), 1u);
    EXPECT_EQ(record.bodies[0].size(), 20971520u);
}

}  // namespace
