// The downloader against a real HTTP server on 127.0.0.1: failures' notices,
// log records, the handler's contract, the temporary file and Stop's bound.
#include "tests/win/download_fixture.h"

#include <algorithm>

namespace {

TEST_F(Downloads, SuccessHandsTheFileLogsEveryStepAndRemovesTheFile) {
    const std::string url = base + "/feeds/utf8.xml";
    Fetch(url);
    ASSERT_EQ(record.completions.size(), 1u);
    EXPECT_NE(record.completions[0].find("Tmp_"), std::string::npos);
    EXPECT_EQ(record.completions[0].substr(record.completions[0].size() - 4), ".xml");
    EXPECT_TRUE(record.tempExistedAtCompletion);
    EXPECT_NE(record.completionThread, GetCurrentThreadId());
    EXPECT_FALSE(TempFilesLeft());
    const size_t size = ReadFileBytes(ExeFolder() + "..\\..\\tests\\http\\feeds\\utf8.xml").size();
    ASSERT_GT(size, 0u);
    EXPECT_EQ(record.bodies[0].size(), size);
    EXPECT_TRUE(record.notices.empty());
    const auto messages = LogMessages();
    ASSERT_EQ(messages.size(), 6u);
    EXPECT_EQ(messages[0], "Open internet session.");
    EXPECT_EQ(messages[1], "Open URL " + url + "...");
    EXPECT_EQ(messages[2], "URL opened successfully.");
    EXPECT_EQ(messages[3].substr(0, 9), "Download ");
    EXPECT_EQ(messages[3], "Download " + std::to_string(size) + " bytes successfull.");
    EXPECT_EQ(messages[4], "URL closed.");
    EXPECT_EQ(messages[5], "Internet session closed.");
}

TEST_F(Downloads, NotFoundAndRedirects) {
    Fetch(base + "/missing");
    ASSERT_EQ(record.completions, std::vector<std::string>{""});
    EXPECT_EQ(record.notices, std::vector<std::u16string>{u"Файл не найден."});
    const auto messages = LogMessages();
    EXPECT_EQ(messages[3], "File " + base + "/missing not found.");
    record.completions.clear();
    downloader.OpenLog(log);
    Fetch(base + "/redirect/cp1251.xml");
    ASSERT_EQ(record.completions.size(), 1u);
    EXPECT_FALSE(record.completions[0].empty());
    EXPECT_FALSE(TempFilesLeft());
}

TEST_F(Downloads, RefusedAddressesCompleteAtOnceWithoutAThread) {
    for (const std::string& url : {std::string("ftp://127.0.0.1/feed.xml"), std::string("file:///C:/feed.xml"),
                                  std::string("not a url"), std::string("")}) {
        record.completions.clear();
        downloader.OpenLog(log);
        downloader.Download(url, true);
        ASSERT_EQ(record.completions, std::vector<std::string>{""}) << url;  // before Download returned
        EXPECT_EQ(record.completionThread, GetCurrentThreadId());
        EXPECT_EQ(record.notices.back(), u"Неправильный URL");
        EXPECT_EQ(LogMessages(), std::vector<std::string>{"Open URL ERROR: Invalid URL."});
    }
}

TEST_F(Downloads, ConnectionRefused) {
    Fetch("http://127.0.0.1:1/feed.xml");
    ASSERT_EQ(record.completions, std::vector<std::string>{""});
    EXPECT_EQ(record.notices, std::vector<std::u16string>{u"Ошибка при открытии URL."});
    const auto messages = LogMessages();
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(messages[2].substr(0, 16), "Open URL ERROR: ");
    EXPECT_EQ(messages[messages.size() - 1], "Internet session closed.");
}

TEST_F(Downloads, StopAgainstAStalledServerIsBounded) {
    downloader.Download(base + "/stall", true);
    Sleep(500);
    const DWORD start = GetTickCount();
    downloader.Stop();
    const DWORD took = GetTickCount() - start;
    std::printf("Stop against a stalled server took %lu ms\n", took);
    EXPECT_LT(took, 2100u);
    Sleep(300);
    EXPECT_FALSE(TempFilesLeft());
    // a new download stops the stalled one first
    downloader.Download(base + "/stall", true);
    Sleep(300);
    const DWORD again = GetTickCount();
    record.completions.clear();
    Fetch(base + "/feeds/utf8.xml");
    EXPECT_LT(GetTickCount() - again, 5000u);
    ASSERT_FALSE(record.completions.empty());
    EXPECT_FALSE(record.completions.back().empty());
}

TEST_F(Downloads, BodiesWithoutLengthShortAndLarge) {
    Fetch(base + "/nolength/utf8.xml");
    ASSERT_EQ(record.completions.size(), 1u);
    EXPECT_FALSE(record.completions[0].empty());
    EXPECT_EQ(record.bodies[0], ReadFileBytes(ExeFolder() + "..\\..\\tests\\http\\feeds\\utf8.xml"));

    // A body cut off by the server is a failure, noticed at the latest when
    // the connection has been silent for the stall limit.
    record.completions.clear();
    const DWORD stall = Downloader::stallTimeoutMs;
    Downloader::stallTimeoutMs = 3000;
    Fetch(base + "/reset");
    ASSERT_EQ(record.completions, std::vector<std::string>{""});
    EXPECT_EQ(record.notices.back(), u"Ошибка загрузки файла");
    EXPECT_FALSE(TempFilesLeft());
    // A server that sends its headers and then nothing fails the same way,
    // so that the ticker shows why and a later refresh can try again.
    record.completions.clear();
    Fetch(base + "/stall");
    Downloader::stallTimeoutMs = stall;
    ASSERT_EQ(record.completions, std::vector<std::string>{""});
    EXPECT_EQ(record.notices.back(), u"Ошибка загрузки файла");
    EXPECT_FALSE(TempFilesLeft());

    record.completions.clear();
    Fetch(base + "/empty");
    ASSERT_EQ(record.completions.size(), 1u);
    EXPECT_FALSE(record.completions[0].empty());
    EXPECT_EQ(record.bodies.back(), "");

    record.completions.clear();
    Fetch(base + "/big");
    ASSERT_EQ(record.completions.size(), 1u);
    EXPECT_EQ(record.bodies.back().size(), 20971520u);
    EXPECT_FALSE(TempFilesLeft());
}

// A download that fails after it began but before any body arrived shows
// its own notice, not what the transfer was doing when it failed.
TEST_F(Downloads, AFailureWithoutATemporaryFileShowsItsOwnNotice) {
    char saved[MAX_PATH] = {};
    const DWORD had = GetEnvironmentVariableA("TMP", saved, MAX_PATH);
    SetEnvironmentVariableA("TMP", "C:\\no such folder\\");
    Record nowhere;
    Downloader unwritable(nowhere);
    SetEnvironmentVariableA("TMP", had ? saved : nullptr);
    ASSERT_EQ(unwritable.tempDir(), "C:\\no such folder\\");
    unwritable.OpenLog(log);
    unwritable.Download(base + "/feeds/utf8.xml", true);
    for (int i = 0; i < 200; ++i) {
        {
            std::lock_guard<std::mutex> l(nowhere.lock);
            if (!nowhere.completions.empty()) break;
        }
        Sleep(50);
    }
    unwritable.Stop();
    ASSERT_EQ(nowhere.completions, std::vector<std::string>{""});
    EXPECT_EQ(nowhere.notices, std::vector<std::u16string>{u"Ошибка загрузки файла"});
    const auto messages = LogMessages();
    EXPECT_NE(std::find(messages.begin(), messages.end(), "Couldn't open TMP file."), messages.end());
}

TEST_F(Downloads, TemporaryNamesDifferBetweenDownloadsAndKeepTheExtension) {
    const std::string a = downloader.TempFileFor(".php");
    EXPECT_EQ(a.substr(0, downloader.tempDir().size() + 4), downloader.tempDir() + "Tmp_");
    EXPECT_EQ(a.size(), downloader.tempDir().size() + 4 + 8 + 4);
    EXPECT_EQ(downloader.TempFileFor("").size(), downloader.tempDir().size() + 12);
}

TEST_F(Downloads, WithoutALogPathNothingIsWritten) {
    DeleteFileA(log.c_str());
    downloader.OpenLog("");
    Fetch(base + "/missing");
    EXPECT_FALSE(FileExists(log));
}

// The reader takes the charset from the Content-Type the server sent.
TEST_F(Downloads, TheServersContentTypeIsKeptForTheReader) {
    Fetch(base + "/feeds/utf8.xml?charset=KOI8-R");
    ASSERT_EQ(record.completions.size(), 1u);
    EXPECT_FALSE(record.completions[0].empty());
    EXPECT_EQ(record.contentType, "text/xml; charset=KOI8-R");
    Fetch(base + "/feeds/utf8.xml");
    EXPECT_EQ(record.contentType, "text/xml");
}

}  // namespace
