// The instance id taken from the command line, and the folders and files
// named after it.
#include <gtest/gtest.h>

#include "settings/instance_paths.h"

namespace {

TEST(InstanceId, ComesFromTheSwitchesWithTheSlashFormWinning) {
    const struct {
        const char* commandLine;
        const char* id;
    } cases[] = {
        {"vantrex.exe /inst:b", "b"},          {"vantrex.exe -inst:1 /inst:2", "2"},
        {"vantrex.exe /inst:2 -inst:1", "2"},  {"vantrex.exe -inst:12", "1"},
        {"vantrex.exe -inst:", ""},            {"vantrex.exe -inst:3 /inst:", ""},
        {"vantrex.exe inst:3", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseInstanceId(c.commandLine), c.id) << c.commandLine;
}

TEST(InstanceId, SelectsTheFoldersAndTheFilesInThem) {
    EXPECT_EQ(ComposePluginFolder("C:\\V\\", ""), "C:\\V\\Plugins\\");
    EXPECT_EQ(ComposePluginFolder("C:\\Users\\u\\AppData\\Roaming\\Vantrex\\", "3"),
              "C:\\Users\\u\\AppData\\Roaming\\Vantrex\\Instances\\3\\Plugins\\");
    const SettingsLocation l = LocationIn("C:\\V\\Plugins\\", "Mivra_Skimrow");
    EXPECT_EQ(l.fullPath, "C:\\V\\Plugins\\Mivra_Skimrow.ini");
    EXPECT_EQ(l.LogPath(), "C:\\V\\Plugins\\Mivra_Skimrow.log");
    EXPECT_EQ(SettingsLocation().LogPath(), "") << "no folder, no log";
}

}  // namespace
