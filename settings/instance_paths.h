// Where the settings file lives and how the host's windows are named.
#pragma once
#include <string>

class IniStore;

// The instance id from an already lower-cased command line: the character
// after "-inst:", overridden by the one after "/inst:"; empty when absent or
// when the switch ends the line.
std::string ParseInstanceId(const std::string& lowerCommandLine);

// base folder (ending in a backslash) + "Instances\<id>\" when id is set + "Plugins\".
std::string ComposePluginFolder(const std::string& baseFolder, const std::string& instanceId);

// Fills module name, file name and full path from the plug-in folder and module name.
void SetSettingsFileNames(IniStore& ini, const std::string& pluginFolder, const std::string& moduleName);

struct HostWindowTitles {
    std::string mainTitle;   // class "TMain"
    std::string videoTitle;  // class "TVideoFrame"
};
HostWindowTitles HostTitlesFor(const std::string& instanceId);

constexpr const char* kMainWindowClass = "TMain";
constexpr const char* kVideoFrameClass = "TVideoFrame";
constexpr const char* kVideoChildTitle = "ActiveMovie Window";
constexpr unsigned kHostQueryMessage = 0x0400 + 200;
constexpr unsigned kHostQueryParam = 1309;

// Platform side: registry, folders, command line, window lookup.
void ResolvePaths(IniStore& ini, void* moduleHandle);
void FindHostWindows(IniStore& ini);
