// The RSS road through the DLL: items on the band, the log beside the
// settings, unloading with a stalled download, a counted run.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/win/plugin_harness.h"

namespace {

// A frame whose band rows differ from the input once the feed is on air.
bool BandShown(Plugin& p, int frames) {
    for (int i = 0; i < frames; ++i) {
        std::vector<uint8_t> f(320 * 240 * 3, 40);
        FrameInfo info = {f.data()};
        p->ProcessFrame(&info);
        for (uint8_t b : f)
            if (b != 40) return true;
        Sleep(20);
    }
    return false;
}

TEST(FeedThroughThePlugin, ItemsAreShownAndTheStepsLogged) {
    const std::string base = FeedServer();
    ASSERT_FALSE(base.empty());
    WriteFileBytes(Plugin::IniPath(), "[PluginSettings]\r\nLineOn=1\r\nStringSource=2\r\nLatestNews=1\r\nURL_000=" +
                                          base + "/feeds/cp1251.xml\r\n");
    {
        Plugin p;
        p->Init(nullptr);
        StartInfo start = {320, 240, 0, 1, 6};
        p->Start(&start);
        EXPECT_TRUE(BandShown(p, 1));
        // the feed arrives on the worker; frames keep coming meanwhile
        const std::string logPath = ExeFolder() + "Plugins\\Mivra_Skimrow.log";
        for (int i = 0; i < 300 && ReadFileBytes(logPath).find("Internet session closed.") == std::string::npos; ++i)
            BandShown(p, 1);
        BandShown(p, 5);
        p->Stop();
        p->Shutdown();
    }
    const std::string saved = ReadFileBytes(Plugin::IniPath());
    EXPECT_NE(saved.find("LastURL=" + base + "/feeds/cp1251.xml\r\n"), std::string::npos);
    EXPECT_EQ(saved.find("LastUpdate=0\r\n"), std::string::npos);  // the newest item's stamp
    const std::string log = ReadFileBytes(ExeFolder() + "Plugins\\Mivra_Skimrow.log");
    EXPECT_NE(log.find(" - Open internet session.\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" - URL opened successfully.\r\n"), std::string::npos);
    EXPECT_NE(log.find(" - Internet session closed.\r\n"), std::string::npos);
    DeleteFileA(Plugin::IniPath().c_str());
}

// Starts the plug-in on a feed whose server stalls after the headers; the
// worker is then waiting for a body that never comes.
void StartOnStalledFeed(Plugin& p) {
    WriteFileBytes(Plugin::IniPath(),
                   "[PluginSettings]\r\nLineOn=1\r\nStringSource=2\r\nURL_000=" + FeedServer() + "/stall\r\n");
    p->Init(nullptr);
    StartInfo start = {320, 240, 0, 1, 6};
    p->Start(&start);
    Sleep(500);
}

TEST(FeedThroughThePlugin, UnloadingWithAStalledDownloadReturnsPromptly) {
    ASSERT_FALSE(FeedServer().empty());
    DWORD took = 0;
    {
        Plugin p;
        StartOnStalledFeed(p);
        p->Stop();
        const DWORD begin = GetTickCount();
        p->Shutdown();
        EXPECT_LT(GetTickCount() - begin, 2100u);
        took = GetTickCount();  // ~Plugin unloads the module here
    }
    const DWORD unloaded = GetTickCount() - took;
    EXPECT_LT(unloaded, 2100u);
    for (int i = 0; i < 40 && GetModuleHandleA("Mivra_Skimrow.dll"); ++i) Sleep(50);
    EXPECT_EQ(GetModuleHandleA("Mivra_Skimrow.dll"), nullptr) << "the worker still holds the module";
    // the process goes on; a fresh load works
    Plugin again;
    ASSERT_TRUE(again.loaded());
    EXPECT_EQ(again.Version(), 3);
    DeleteFileA(Plugin::IniPath().c_str());
}

TEST(FeedThroughThePlugin, UnloadingWithoutShutdownNeverCrashes) {
    ASSERT_FALSE(FeedServer().empty());
    DWORD took = 0;
    {
        Plugin p;
        StartOnStalledFeed(p);
        took = GetTickCount();
    }
    EXPECT_LT(GetTickCount() - took, 2100u);
    Sleep(1000);  // the worker still runs our code: the module must still be there
    EXPECT_NE(GetModuleHandleA("Mivra_Skimrow.dll"), nullptr);
    DeleteFileA(Plugin::IniPath().c_str());
}
}  // namespace

namespace {
// A counted run through the DLL: Start begins an automatic feed run, the
// feed's items pass twice, the line stops and is saved stopped.
TEST(FeedThroughThePlugin, CountedRunStopsAfterItsPassesAndIsSavedStopped) {
    const std::string base = FeedServer();
    ASSERT_FALSE(base.empty());
    WriteFileBytes(Plugin::IniPath(), "[PluginSettings]\r\nStringSource=2\r\nAutoUpdate=1\r\nRepeat=2\r\nSpeed=40\r\n"
                                      "URL_000=" + base + "/feeds/utf8.xml\r\n");
    {
        Plugin p;
        p->Init(nullptr);
        StartInfo start = {768, 576, 0, 1, 6};
        p->Start(&start);
        std::vector<uint8_t> f(768 * 576 * 3);
        int framesWithBand = 0, afterStop = 0;
        for (int i = 0; i < 3000 && afterStop < 20; ++i) {
            std::fill(f.begin(), f.end(), uint8_t(40));
            FrameInfo info = {f.data()};
            p->ProcessFrame(&info);
            const bool band = std::any_of(f.begin(), f.end(), [](uint8_t b) { return b != 40; });
            framesWithBand += band;
            if (framesWithBand > 0 && !band) ++afterStop;
            if (framesWithBand == 0) Sleep(5);  // the feed is still on its way
        }
        EXPECT_GT(framesWithBand, 40);
        EXPECT_EQ(afterStop, 20) << "the line never stopped";
        p->Stop();
        p->Shutdown();
    }
    const std::string saved = ReadFileBytes(Plugin::IniPath());
    EXPECT_NE(saved.find("\r\nLineOn=0\r\n"), std::string::npos);
    DeleteFileA(Plugin::IniPath().c_str());
}
// A site's address whose page names no feed, or names another page, is a
// bad feed: one hop only.
TEST(FeedThroughThePlugin, APageWithoutAFeedOrLeadingToAnotherPageIsABadFeed) {
    const std::string base = FeedServer();
    ASSERT_FALSE(base.empty());
    const std::string logPath = ExeFolder() + "Plugins\\Mivra_Skimrow.log";
    const struct {
        const char* page;
        const char* found;  // the page it leads to, if any
    } cases[] = {{"nofeed.html", nullptr}, {"twohops.html", "site.html"}};
    for (const auto& c : cases) {
        WriteFileBytes(Plugin::IniPath(),
                       "[PluginSettings]\r\nLineOn=1\r\nStringSource=2\r\nURL_000=" + base + "/pages/" + c.page + "\r\n");
        {
            Plugin p;
            p->Init(nullptr);
            StartInfo start = {320, 240, 0, 1, 6};
            p->Start(&start);
            for (int i = 0; i < 300 && ReadFileBytes(logPath).find("Internet session closed.") == std::string::npos; ++i) {
                BandShown(p, 1);
                Sleep(20);
            }
            p->Stop();
            p->Shutdown();
        }
        const std::string log = ReadFileBytes(logPath);
        EXPECT_NE(log.find(" - Feed ERROR: Not a readable feed.\r\n"), std::string::npos) << log;
        const size_t found = log.find(" - Feed found at ");
        if (c.found) EXPECT_NE(log.find(" - Feed found at " + base + "/pages/" + c.found + ".\r\n"), std::string::npos) << log;
        else EXPECT_EQ(found, std::string::npos) << log;
        EXPECT_EQ(log.find(" - Feed found at ", found == std::string::npos ? 0 : found + 1), std::string::npos)
            << "one hop only";
    }
    DeleteFileA(Plugin::IniPath().c_str());
}

}  // namespace
