// Loading and saving the settings file: defaults, exact bytes, the INI
// syntax rules and damaged files.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <fstream>

#include "base/text.h"
#include "settings/ini_store.h"
#include "settings/instance_paths.h"
#include "settings/ticker_settings.h"
#include "test_files.h"

namespace {

const char kDefaultFile[] =
    "[PluginSettings]\r\nDlgWndPosX=-100\r\nDlgWndPosY=-100\r\nLineOn=0\r\nLinePosX=384\r\nLinePosY=557\r\n"
    "LineSize=768\r\nFontName=Arial\r\nFontSize=-31\r\nFontWeight=700\r\nFontItalic=0\r\nFontUnderline=0\r\n"
    "FontStrikeOut=0\r\nFontCharSet=1\r\nFontQuality=4\r\nTextColor=12632256\r\nBackColor=6316128\r\n"
    "TextOpacity=90\r\nBackOpacity=80\r\nStrIdx=0\r\nFileIdx=0\r\nURLIdx=0\r\nShadowOffset=5\r\nInterlace=1\r\n"
    "Speed=4\r\nRepeat=0\r\nStartHotKey=0\r\nStringSource=0\r\nDate=1\r\nTime=1\r\nTitle=1\r\nDescription=0\r\n"
    "LatestNews=0\r\nAutoUpdate=0\r\nLastUpdate=0\r\nLastURL=\r\nAllFeeds=0\r\nSourceLabel=0\r\nMaxAge=0\r\n"
    "AnnounceEvery=0\r\nUrgentTextColor=16777215\r\nUrgentBackColor=192\r\nUrgentRepeat=3\r\nControlPort=0\r\n"
    "ControlKey=\r\nControlLan=0\r\nDirection=0\r\n";

struct Fixture : ::testing::Test {
    TempDir dir;
    IniStore ini;
    SettingsStore store;
    void SetUp() override { ini.fullPath = dir.File("Mivra_Skimrow.ini"); }
    void Load(const std::string& bytes) {
        WriteBytes(ini.fullPath, bytes);
        LoadSettings(ini, store);
    }
    std::string Save() {
        SaveSettings(ini, store);
        return ReadBytes(ini.fullPath);
    }
};

using SettingsFile = Fixture;

TEST_F(SettingsFile, MissingFileIsCreatedAndLoadsDefaults) {
    LoadSettings(ini, store);
    EXPECT_EQ(ReadBytes(ini.fullPath), "");  // created empty, never emptied on reading
    EXPECT_EQ(store.live.DlgWndPosX, -100);
    EXPECT_EQ(store.live.DlgWndPosY, -100);
    EXPECT_EQ(store.live.FontName, "Arial");
    EXPECT_EQ(store.live.FontSize, -31);
    EXPECT_EQ(store.live.TextColor, 0xC0C0C0u);
    EXPECT_EQ(store.live.LinePosY, 557);
    EXPECT_EQ(store.live.Interlace, 1u);
    EXPECT_EQ(store.strings, StringList{""});
    EXPECT_EQ(store.files, StringList{""});
    EXPECT_EQ(store.urls, StringList{""});
}

TEST_F(SettingsFile, DefaultsSaveToExactBytes) {
    LoadSettings(ini, store);
    EXPECT_EQ(Save(), kDefaultFile);
    store.strings = {"the text", ""};
    EXPECT_EQ(Save(), std::string(kDefaultFile) + "Str_000=the text\r\n");
}

TEST_F(SettingsFile, SavedFileLoadsBackIdentically) {
    Load("[PluginSettings]\r\nFontSize=-31\r\nLastUpdate=18446744073709551615\r\nTextColor=16711680\r\n"
         "StartHotKey=4294967295\r\nFontName=Times New Roman\r\nLastURL=http://x/rss?a=b\r\n"
         "Str_000=\xC0\xE1\xE2\r\nFile_000=C:\\news.txt\r\nURL_000=http://127.0.0.1/feed\r\n");
    EXPECT_EQ(store.live.LastUpdate, 18446744073709551615ull);
    EXPECT_EQ(store.live.TextColor, 0xFF0000u);  // blue in 0x00BBGGRR
    EXPECT_EQ(store.live.StartHotKey, 4294967295u);
    EXPECT_EQ(store.live.LastURL, "http://x/rss?a=b");
    const std::string first = Save();
    EXPECT_NE(first.find("TextColor=16711680\r\n"), std::string::npos);
    EXPECT_NE(first.find("FontSize=-31\r\n"), std::string::npos);
    EXPECT_NE(first.find("LastUpdate=18446744073709551615\r\n"), std::string::npos);
    SettingsStore again;
    LoadSettings(ini, again);
    store = SettingsStore();
    LoadSettings(ini, store);
    EXPECT_EQ(Save(), first);
    EXPECT_EQ(again.strings, (StringList{"\xC0\xE1\xE2", ""}));
}

TEST_F(SettingsFile, EveryKeyOffItsDefaultSavesBackToTheSameBytes) {
    // Each key once, in the order of the file, none at its default; some
    // outside what the dialog allows, and negative where the member is unsigned.
    const std::string file =
        "[PluginSettings]\r\nDlgWndPosX=12\r\nDlgWndPosY=-7\r\nLineOn=1\r\nLinePosX=-20\r\nLinePosY=600\r\n"
        "LineSize=5\r\nFontName=Times New Roman\r\nFontSize=-200\r\nFontWeight=400\r\nFontItalic=1\r\n"
        "FontUnderline=1\r\nFontStrikeOut=1\r\nFontCharSet=204\r\nFontQuality=3\r\nTextColor=4294967295\r\n"
        "BackColor=255\r\nTextOpacity=150\r\nBackOpacity=-1\r\nStrIdx=2\r\nFileIdx=-3\r\nURLIdx=1000\r\n"
        "ShadowOffset=101\r\nInterlace=0\r\nSpeed=-9\r\nRepeat=1000\r\nStartHotKey=629\r\nStringSource=7\r\n"
        "Date=0\r\nTime=0\r\nTitle=0\r\nDescription=1\r\nLatestNews=1\r\nAutoUpdate=-5\r\n"
        "LastUpdate=18446744073709551615\r\nLastURL=http://127.0.0.1/a?b=c\r\nAllFeeds=1\r\nSourceLabel=1\r\n"
        "MaxAge=9000\r\nAnnounceEvery=-1\r\nUrgentTextColor=0\r\nUrgentBackColor=65535\r\nUrgentRepeat=0\r\n"
        "ControlPort=99999\r\nControlKey= k=\xEA y \r\nControlLan=2\r\nDirection=1\r\n"
        "Str_000=one\r\nStr_001=two\r\nFile_000=C:\\news.txt\r\nURL_000=http://127.0.0.1/feed\r\n"
        "LastUpdate_000=130000000000000000\r\nURL_001=http://127.0.0.1/other\r\n";
    Load(file);
    EXPECT_EQ(Save(), file);
    // The values as the engine reads them: loaded as they stand, not clamped.
    EXPECT_EQ(store.live.LineSize, 5);
    EXPECT_EQ(store.live.FontSize, -200);
    EXPECT_EQ(store.live.StringSource, 7);
    EXPECT_EQ(store.live.AutoUpdate, -5);
    EXPECT_EQ(store.live.FontCharSet, 204);
    EXPECT_EQ(StampOf(store, 0), 130000000000000000ull);
    EXPECT_EQ(StampOf(store, 1), 0u);
}

// Each feed's own stamp stays with its address as the list is edited, and
// a stamp that has lost its address is not saved.
TEST_F(SettingsFile, FeedStampsFollowTheirAddresses) {
    Load("[PluginSettings]\r\nURL_000=http://a/\r\nLastUpdate_000=11\r\nURL_001=http://b/\r\n"
         "LastUpdate_001=22\r\nLastUpdate_005=55\r\n");
    EXPECT_EQ(StampOf(store, 0), 11u);
    EXPECT_EQ(StampOf(store, 1), 22u);
    EXPECT_EQ(StampOf(store, 5), 0u) << "no address, no stamp";
    ReplaceUrls(store, {"http://new/", "http://b/", "http://a/", ""});
    EXPECT_EQ(StampOf(store, 0), 0u);
    EXPECT_EQ(StampOf(store, 1), 22u);
    EXPECT_EQ(StampOf(store, 2), 11u);
    SetStampOf(store, 0, 33);
    SetStampOf(store, 3, 44);  // the empty last entry takes none
    ReplaceUrls(store, {"http://new/", "http://a/", ""});
    const std::string saved = Save();
    EXPECT_NE(saved.find("URL_000=http://new/\r\nLastUpdate_000=33\r\nURL_001=http://a/\r\nLastUpdate_001=11\r\n"),
              std::string::npos)
        << saved;
    EXPECT_EQ(saved.find("=22"), std::string::npos);
    EXPECT_EQ(saved.find("=44"), std::string::npos);
}

TEST_F(SettingsFile, ListsEndAtTheFirstMissingOrEmptyKey) {
    Load("[PluginSettings]\nStr_000=a\nStr_001=b\nStr_003=d\nFile_000=\nFile_001=x\nURL_001=y\n");
    EXPECT_EQ(store.strings, (StringList{"a", "b", ""}));
    EXPECT_EQ(store.files, StringList{""});
    EXPECT_EQ(store.urls, StringList{""});
}

TEST_F(SettingsFile, AtMostAThousandListEntriesAreSaved) {
    LoadSettings(ini, store);
    store.strings.clear();
    for (int i = 0; i < 1200; ++i) store.strings.push_back("s" + std::to_string(i));
    store.strings.push_back("");
    const std::string saved = Save();
    EXPECT_NE(saved.find("Str_999=s999\r\n"), std::string::npos);
    EXPECT_EQ(saved.find("Str_1000"), std::string::npos);
    SettingsStore reread;
    LoadSettings(ini, reread);
    EXPECT_EQ(reread.strings.size(), 1001u);
}

TEST_F(SettingsFile, OtherSectionsAreIgnoredAndDroppedOnSave) {
    Load("[DEFAULT]\nLinePosX=1\nStr_000=no\n[PluginSettings]\nLinePosY=2\n[Other]\nLineSize=3\n");
    EXPECT_EQ(store.live.LinePosX, 384);
    EXPECT_EQ(store.live.LinePosY, 2);
    EXPECT_EQ(store.live.LineSize, 768);  // the next header ends the section
    EXPECT_EQ(store.strings, StringList{""});
    const std::string saved = Save();
    EXPECT_EQ(saved.find("DEFAULT"), std::string::npos);
    EXPECT_EQ(saved.find("[Other]"), std::string::npos);
}

TEST_F(SettingsFile, EmptyValuesMeanDefaultAndTheFirstKeyDecides) {
    Load("[PluginSettings]\nFontName=\nFontName=Courier\nSpeed=9\nSpeed=1\nLastURL=\n");
    EXPECT_EQ(store.live.FontName, "Arial");
    EXPECT_EQ(store.live.Speed, 9);
    EXPECT_EQ(store.live.LastURL, "");
}

TEST_F(SettingsFile, DuplicateSectionsUseTheFirstOneFound) {
    Load("[PluginSettings]\nSpeed=7\n[PluginSettings]\nSpeed=8\nRepeat=3\n");
    EXPECT_EQ(store.live.Speed, 7);
    EXPECT_EQ(store.live.Repeat, 0);  // only in the second copy
}

TEST_F(SettingsFile, ValuesKeepTheirLowBitsAndNumbersReadLikeAtoi) {
    Load("[PluginSettings]\nFontItalic=300\nLinePosX=  42abc\nLinePosY=abc\nSpeed=-5\nLineOn=-1\n"
         "Repeat=99999999999\nDlgWndPosX=+17\n");
    EXPECT_EQ(store.live.FontItalic, 44);
    EXPECT_EQ(store.live.LinePosX, 42);
    EXPECT_EQ(store.live.LinePosY, 0);
    EXPECT_EQ(store.live.Speed, -5);
    EXPECT_EQ(store.live.LineOn, 0xFFFFFFFFu);
    EXPECT_EQ(store.live.Repeat, int32_t(uint32_t(99999999999ull)));
    EXPECT_EQ(store.live.DlgWndPosX, 17);
}

TEST_F(SettingsFile, DamagedFilesLoadWithoutHarm) {
    std::string binary;
    for (int i = 0; i < 70000; ++i) binary.push_back(char((i * 7919) & 0xFF));
    Load(binary);
    EXPECT_EQ(store.live.LineSize, 768);
    Load("[PluginSettings]\n" + std::string(5000, 'x') + "\nStr_000=" + std::string(5000, 'y') + "\nSpeed=6");
    EXPECT_EQ(store.strings[0].size(), 5000u);
    EXPECT_EQ(store.live.Speed, 6);  // last line without a line end
    std::string huge = "[PluginSettings]\n";
    for (int i = 0; i < 20000; ++i) huge += "Junk" + std::to_string(i) + "=value\n";
    huge += "Speed=3\n";
    Load(huge);
    EXPECT_EQ(store.live.Speed, 3);
}

TEST_F(SettingsFile, UnwritableFolderSavesNothing) {
    ini.fullPath = dir.File("missing-folder/Mivra_Skimrow.ini");
    LoadSettings(ini, store);
    EXPECT_EQ(store.live.LineSize, 768);
    SaveSettings(ini, store);
    EXPECT_EQ(ReadBytes(ini.fullPath), "");
}

using IniSyntax = Fixture;

TEST_F(IniSyntax, HeadersKeysAndValuesFollowTheTrimmingRules) {
    WriteBytes(ini.fullPath,
               "  [Sec]  \r\n"
               "   Key   = value with = sign \r\n"
               "OnlyKey\r\n"
               "=orphan\r\n"
               "[ Sec ]\r\n"
               "Hidden=1\r\n"
               "[Last]\r\n"
               "Tail=end");
    ASSERT_TRUE(ini.Open(IniStore::Access::Read));
    std::string v;
    ASSERT_TRUE(ini.ReadValue("Sec", "Key", v));
    EXPECT_EQ(v, " value with = sign ");
    EXPECT_FALSE(ini.ReadValue("Sec", "OnlyKey", v));
    EXPECT_FALSE(ini.ReadValue("Sec", "orphan", v));
    EXPECT_FALSE(ini.ReadValue("Sec", "Hidden", v));  // "[ Sec ]" is another section
    EXPECT_TRUE(ini.FindSection(" Sec "));            // the name asked for is trimmed, the header is not
    ASSERT_TRUE(ini.ReadValue("Last", "Tail", v));
    EXPECT_EQ(v, "end");
    // the scan wraps around from the cursor to earlier sections
    ASSERT_TRUE(ini.ReadValue("Sec", "Key", v));
    EXPECT_FALSE(ini.FindSection("Nowhere"));
    ASSERT_TRUE(ini.ReadValue("Last", "Tail", v));
    ini.Close();
}

TEST_F(IniSyntax, CaseMattersAndEmptyFilesFindNothing) {
    WriteBytes(ini.fullPath, "[pluginsettings]\nspeed=1\n");
    ASSERT_TRUE(ini.Open(IniStore::Access::Read));
    std::string v;
    EXPECT_FALSE(ini.ReadValue("PluginSettings", "speed", v));
    EXPECT_TRUE(ini.ReadValue("pluginsettings", "speed", v));
    EXPECT_FALSE(ini.ReadValue("pluginsettings", "Speed", v));
    ini.Close();
    WriteBytes(ini.fullPath, "");
    ASSERT_TRUE(ini.Open(IniStore::Access::Read));
    EXPECT_FALSE(ini.FindSection("pluginsettings"));
    ini.Close();
}

TEST_F(IniSyntax, WritingEmptiesTheFileAndEndsLinesWithCrLf) {
    WriteBytes(ini.fullPath, "old content\n");
    ASSERT_TRUE(ini.Open(IniStore::Access::Write));
    ini.WriteSection("  S  ");
    ini.WriteValue(" K ", " v ");
    ini.Close();
    EXPECT_EQ(ReadBytes(ini.fullPath), "[S]\r\nK= v \r\n");
}

TEST(ParseDecimal, FollowsTheRuntimeConversion) {
    EXPECT_EQ(ParseDecimal(" \t-12x"), uint64_t(-12));
    EXPECT_EQ(ParseDecimal("+7"), 7u);
    EXPECT_EQ(ParseDecimal("x7"), 0u);
    EXPECT_EQ(ParseDecimal("18446744073709551615"), ~uint64_t(0));
    EXPECT_EQ(ParseDecimal(""), 0u);
}

}  // namespace


namespace {

// A save that cannot be written whole (here: the disk is full after 200
// bytes) leaves the previous settings file exactly as it was.
TEST(SettingsSave, AFailedWriteLeavesThePreviousFileAndNoTemporaryFile) {
    TempDir dir;
    IniStore ini;
    ini.fullPath = LocationIn(dir.path() + "/", "Mivra_Skimrow").fullPath;
    const std::string before = "[PluginSettings]\r\nSpeed=7\r\nStr_000=keep me\r\n";
    WriteBytes(ini.fullPath, before);
    SettingsStore store;
    LoadSettings(ini, store);
    for (int i = 0; i < 200; ++i) store.strings.insert(store.strings.begin(), "entry " + std::to_string(i));

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit tiny = old;
    tiny.rlim_cur = 200;
    setrlimit(RLIMIT_FSIZE, &tiny);
    SaveSettings(ini, store);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(ReadBytes(ini.fullPath), before);
    EXPECT_FALSE(std::ifstream(ini.fullPath + ".tmp").good());

    SaveSettings(ini, store);  // with room it is written, and only then replaces the file
    const std::string after = ReadBytes(ini.fullPath);
    EXPECT_NE(after.find("Str_000=entry 199\r\n"), std::string::npos);
    EXPECT_NE(after.find("Speed=7\r\n"), std::string::npos);
    EXPECT_FALSE(std::ifstream(ini.fullPath + ".tmp").good());
}

}  // namespace
