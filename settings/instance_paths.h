// Where the settings file lives: the host instance's plug-in folder, the
// module's name, and the settings file and log named after it.
#pragma once
#include <string>

struct SettingsLocation {
    std::string instanceId;    // from the host's command line; empty for the first instance
    std::string pluginFolder;  // ends in a backslash; empty when the paths could not be resolved
    std::string moduleName;
    std::string fileName;  // moduleName + ".ini"
    std::string fullPath;  // pluginFolder + fileName; empty: no settings file, defaults only
    // pluginFolder + moduleName + ".log"; empty without a folder, and then nothing is logged.
    std::string LogPath() const;
};

// The instance id from an already lower-cased command line: the character
// after "-inst:", overridden by the one after "/inst:"; empty when absent or
// when the switch ends the line.
std::string ParseInstanceId(const std::string& lowerCommandLine);

// base folder (ending in a backslash) + "Instances\<id>\" when id is set + "Plugins\".
std::string ComposePluginFolder(const std::string& baseFolder, const std::string& instanceId);

// The file names in a plug-in folder.
SettingsLocation LocationIn(const std::string& pluginFolder, const std::string& moduleName,
                            const std::string& instanceId = std::string());

// Platform side: the system's version and the registry switch, the folders
// and the command line. Creates the plug-in folder (one level).
SettingsLocation ResolveSettingsLocation(void* moduleHandle);
