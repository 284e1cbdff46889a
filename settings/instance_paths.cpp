#include "settings/instance_paths.h"

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

SettingsLocation LocationIn(const std::string& pluginFolder, const std::string& moduleName,
                            const std::string& instanceId) {
    SettingsLocation l;
    l.instanceId = instanceId;
    l.pluginFolder = pluginFolder;
    l.moduleName = moduleName;
    l.fileName = moduleName + ".ini";
    l.fullPath = pluginFolder + l.fileName;
    return l;
}

std::string SettingsLocation::LogPath() const {
    return pluginFolder.empty() ? std::string() : pluginFolder + moduleName + ".log";
}
