// Hostile feeds, settings files and text files through the real DLL, as a
// user's sources would deliver them. For each: the host survives, nothing is
// written outside the frame, the band shows what a user would expect (the
// same pixels as that text given as a plain string), and the log tells what
// happened in its usual words.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/win/band_session.h"

namespace {

std::string Hostile(const std::string& name) { return ExeFolder() + "..\\..\\tests\\hostile\\" + name; }

TEST(HostileFeeds, DocumentsThatDoNotParseShowTheBadFeedNotice) {
    ASSERT_FALSE(FeedServer().empty());
    for (const char* name : {"truncated.xml", "doctype_entities.xml", "invalid_utf8.xml", "lying_encoding.xml"}) {
        const std::string log = ExpectFeedShows(std::string("/hostile/") + name, u"Ошибка на странице RSS-ленты");
        EXPECT_TRUE(Has(log, "Internet session closed.")) << name << "\n" << log;
    }
    // 100,000 nested elements: the parser's depth limit refuses the document.
    ExpectFeedShows("/gen/deep.xml", u"Ошибка на странице RSS-ленты");
}

TEST(HostileFeeds, ServerFaultsShowTheirStatusAndAreLogged) {
    ASSERT_FALSE(FeedServer().empty());
    std::string log = ExpectFeedShows("/status500", u"Файл не найден.");
    EXPECT_TRUE(Has(log, "File " + FeedServer() + "/status500 not found.")) << log;
    // Headers, then silence: the transfer gives up after 30 s without a byte.
    log = ExpectFeedShows("/stall", u"Ошибка загрузки файла", 60000);
    EXPECT_NE(log.find(" - Download file ERROR: "), std::string::npos) << log;
}

TEST(HostileFeeds, BigAndOddFeedsGoOnAir) {
    ASSERT_FALSE(FeedServer().empty());
    // 200,000 items, newest first: the newest is on air once the feed is in.
    std::string log = ExpectFeedShows("/gen/items.xml", u"Item 200000", 100000);
    EXPECT_TRUE(Has(log, "Download 17488993 bytes successfull.")) << log;
    // A 1 MB title: its beginning enters the band like any text.
    std::u16string title;
    while (title.size() < 400) title += u"Длинный заголовок ";
    ExpectFeedShows("/gen/title.xml", title, 30000);
    // Items without a title: the newest shows its description after the
    // title's empty place.
    ExpectFeedShows("/hostile/no_titles.xml", u"  Только описание", 20000, "Description=1\r\n");
}

// Acts as a host that exits while the plug-in is still parsing a 50 MB feed:
// run as a child process of the test below.
void ExitDuringTheParse() {
    {
        Session s(FeedIni("/gen/huge.xml"));
        const DWORD begin = GetTickCount();
        while (ReadFileBytes(LogPath()).find("successfull.") == std::string::npos && GetTickCount() - begin < 100000) {
            s.Frame();
            Sleep(20);
        }
        for (int i = 0; i < 10; ++i) s.Frame();
        s.Close();  // the host's Stop and Shutdown; the parse goes on
    }
    ExitProcess(0);  // the host exits with the worker still inside the parse
}

TEST(HostileFeeds, AHostThatExitsDuringTheParseLeavesNoFile) {
    ASSERT_FALSE(FeedServer().empty());
    if (GetEnvironmentVariableA("SKIMROW_HOSTILE_CHILD", nullptr, 0)) ExitDuringTheParse();
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    GetLongPathNameA(temp, temp, MAX_PATH);
    auto tempFeeds = [&] {
        int n = 0;
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA((std::string(temp) + "Tmp_*.xml").c_str(), &d);
        if (h != INVALID_HANDLE_VALUE) {
            do ++n;
            while (FindNextFileA(h, &d));
            FindClose(h);
        }
        return n;
    };
    const int before = tempFeeds();
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    SetEnvironmentVariableA("SKIMROW_HOSTILE_CHILD", "1");
    std::string output;
    const int code = RunProcess(std::string("\"") + self + "\" --gtest_filter=HostileFeeds.AHostThatExitsDuringTheParseLeavesNoFile",
                                &output, 110000);
    SetEnvironmentVariableA("SKIMROW_HOSTILE_CHILD", nullptr);
    EXPECT_EQ(code, 0) << output;
    EXPECT_EQ(tempFeeds(), before) << "a temporary feed file survived the host";
    const std::string log = ReadFileBytes(LogPath());
    const size_t done = log.find("successfull.\r\n");
    ASSERT_NE(done, std::string::npos) << log;
    // The worker was still parsing when Shutdown's bounded wait ran out: the
    // log says the session was stopped (a machine that parses 50 MB within
    // that wait ends the usual way instead).
    const std::string tail = log.substr(done);
    EXPECT_TRUE(Has(tail, "Session terminated.") || Has(tail, "Internet session closed.")) << tail;
    std::printf("log after the download: %s", tail.c_str());
    DeleteFileA(Plugin::IniPath().c_str());
}

// The settings file as the plug-in saved it after a session on `bytes`.
std::string SavedAfter(const std::string& bytes) {
    {
        Session s(bytes);
        for (int i = 0; i < 10; ++i) s.Frame();
        HWND owner = nullptr;
        s.plugin()->ShowSettings(reinterpret_cast<void**>(&owner));  // the dialog opens on whatever was loaded
        Pump(100);
    }
    return ReadFileBytes(Plugin::IniPath());
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(HostileSettings, AnyFileLoadsAndSavesAWellFormedFileThatLoadsBackTheSame) {
    std::string longLine(1 << 20, '\xC6');  // 1 MB of "Ж"
    const std::string longLines = "[PluginSettings]\r\nLineOn=1\r\nFontName=" + longLine + "\r\nStr_000=" + longLine +
                                  "\r\nURL_000=http://" + longLine + "\r\n";
    const char* files[] = {"garbage.ini", "numbers.ini", "repeated.ini", "gaps.ini", "nosection.ini"};
    std::vector<std::pair<std::string, std::string>> inputs;
    for (const char* f : files) inputs.emplace_back(f, ReadFileBytes(Hostile(std::string("settings\\") + f)));
    inputs.emplace_back("1 MB lines", longLines);
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.first);
        const std::string saved = SavedAfter(input.second);
        ASSERT_EQ(saved.compare(0, 18, "[PluginSettings]\r\n"), 0) << saved.substr(0, 200);
        EXPECT_EQ(Count(saved, "\r\nSpeed="), 1);
        EXPECT_EQ(Count(saved, "[PluginSettings]"), 1);
        EXPECT_EQ(SavedAfter(saved), saved) << "a second session changed the file";
        if (input.first == "repeated.ini") {
            EXPECT_NE(saved.find("\r\nSpeed=3\r\n"), std::string::npos);  // the first of a repeated key holds
            EXPECT_NE(saved.find("\r\nStr_000=first\r\n"), std::string::npos);
        } else if (input.first == "gaps.ini") {
            // A list ends at its first missing entry.
            EXPECT_NE(saved.find("\r\nStr_000=zero\r\nStr_001=one\r\n"), std::string::npos);
            EXPECT_EQ(saved.find("three"), std::string::npos);
        } else if (input.first == "1 MB lines") {
            EXPECT_NE(saved.find("\r\nStr_000=" + longLine + "\r\n"), std::string::npos) << "the long string was lost";
            EXPECT_NE(saved.find("\r\nURL_000=http://" + longLine + "\r\n"), std::string::npos);
        }
    }
    DeleteFileA(Plugin::IniPath().c_str());
}

TEST(HostileTextFiles, OddFilesShowTheirText) {
    auto shows = [](const std::string& path, int count) {
        Session s(std::string("[PluginSettings]\r\n") + kBandStyle + "StringSource=1\r\nFile_000=" + path + "\r\n");
        return s.TextFrames(count, 1500);
    };
    // An empty file: one empty message, a band without text.
    EXPECT_TRUE(shows(Hostile("text\\empty.txt"), 1).empty());
    EXPECT_TRUE(shows(Hostile("text\\nuls.txt"), 25) == StringFrames(u"Нули NUL")) << "NUL bytes are dropped";
    EXPECT_TRUE(shows(Hostile("text\\utf16_bom.txt"), 25) == StringFrames(u"Привет, мир")) << "UTF-16 is read as such";
    // One 10 MB line.
    const std::string big = ExeFolder() + "hostile_long_line.txt";
    std::string line;
    while (line.size() < 10u << 20) line += "\xC4\xEB\xE8\xED\xED\xE0\xFF \xF1\xF2\xF0\xEE\xEA\xE0 ";  // "Длинная строка "
    WriteFileBytes(big, line);
    EXPECT_TRUE(shows(big, 25) == StringFrames(u"Длинная строка Длинная строка Длинная строка Длинная строка "));
    DeleteFileA(big.c_str());
    DeleteFileA(Plugin::IniPath().c_str());
}

}  // namespace
