#include "settings/instance_paths.h"

#include "settings/ini_store.h"

static std::string CharAfter(const std::string& line, const char* marker) {
    const size_t at = line.find(marker);
    if (at == std::string::npos) return std::string();
    const size_t pos = at + std::char_traits<char>::length(marker);
    if (pos >= line.size()) return std::string();
    return line.substr(pos, 1);
}

std::string ParseInstanceId(const std::string& lowerCommandLine) {
    std::string id;
    if (lowerCommandLine.find("-inst:") != std::string::npos) id = CharAfter(lowerCommandLine, "-inst:");
    if (lowerCommandLine.find("/inst:") != std::string::npos) id = CharAfter(lowerCommandLine, "/inst:");
    return id;
}

std::string ComposePluginFolder(const std::string& baseFolder, const std::string& instanceId) {
    std::string folder = baseFolder;
    if (!instanceId.empty()) folder += "Instances\\" + instanceId + "\\";
    return folder + "Plugins\\";
}

void SetSettingsFileNames(IniStore& ini, const std::string& pluginFolder, const std::string& moduleName) {
    ini.pluginFolder = pluginFolder;
    ini.moduleName = moduleName;
    ini.fileName = moduleName + ".ini";
    ini.fullPath = pluginFolder + ini.fileName;
}

HostWindowTitles HostTitlesFor(const std::string& instanceId) {
    if (instanceId.empty()) return {"Vantrex", "Video window"};
    return {"Vantrex.Inst" + instanceId, "Video window.Inst" + instanceId};
}
