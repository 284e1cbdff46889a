// The stand-in host with the plug-in: instance folders, the registry switch
// and the host windows the plug-in finds.
#include <gtest/gtest.h>

#include "tests/win/plugin_harness.h"

namespace {

std::string Host() { return "\"" + ExeFolder() + "vantrex_host.exe\" --headless --frames 3 --size 64x48"; }

void DeleteTree(const std::string& folder) {
    RunProcess("cmd /c rmdir /s /q \"" + folder + "\"");
}

TEST(HostInstances, EachInstanceKeepsItsOwnSettingsFolder) {
    DeleteTree(ExeFolder() + "Instances");
    std::string out;
    ASSERT_EQ(RunProcess(Host() + " /INST:B", &out), 0) << out;
    EXPECT_TRUE(FileExists(ExeFolder() + "Instances\\b\\Plugins\\Mivra_Skimrow.ini")) << out;
    ASSERT_EQ(RunProcess(Host() + " -inst:12", &out), 0) << out;
    EXPECT_TRUE(FileExists(ExeFolder() + "Instances\\1\\Plugins\\Mivra_Skimrow.ini"));
    EXPECT_NE(out.find("host query 1309 answered"), std::string::npos) << out;
    DeleteTree(ExeFolder() + "Instances");
}

TEST(HostInstances, RegistrySwitchMovesSettingsToTheUsersFolder) {
    ASSERT_EQ(RunProcess("reg add HKLM\\SOFTWARE\\Vantrex /v StoreInUsersFolder /t REG_DWORD /d 1 /f"), 0);
    char appData[MAX_PATH] = {};
    GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    const std::string base = std::string(appData) + "\\Vantrex\\";
    DeleteTree(base);
    std::string out;
    EXPECT_EQ(RunProcess(Host() + " /inst:3", &out), 0) << out;
    RunProcess("reg delete HKLM\\SOFTWARE\\Vantrex /v StoreInUsersFolder /f");
    EXPECT_TRUE(FileExists(base + "Instances\\3\\Plugins\\Mivra_Skimrow.ini")) << out;
    EXPECT_FALSE(FileExists(ExeFolder() + "Instances\\3"));
    DeleteTree(base);
}

}  // namespace
