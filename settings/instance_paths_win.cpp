// Windows side of instance paths: version query, registry switch, folders
// and the command line.
#include <windows.h>
#include <shlobj.h>

#include "settings/ini_store.h"
#include "settings/instance_paths.h"

static bool IsNtFamily(bool& known) {
    OSVERSIONINFOEXA ex = {};
    ex.dwOSVersionInfoSize = sizeof(ex);  // 156 bytes
    if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&ex))) {
        known = true;
        return ex.dwPlatformId == VER_PLATFORM_WIN32_NT;
    }
    OSVERSIONINFOA basic = {};
    basic.dwOSVersionInfoSize = sizeof(basic);  // 148 bytes
    if (GetVersionExA(&basic)) {
        known = true;
        return basic.dwPlatformId == VER_PLATFORM_WIN32_NT;
    }
    known = false;
    return false;
}

static DWORD StoreInUsersFolder() {
    HKEY key = nullptr;
    DWORD value = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vantrex", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD type = 0, size = sizeof(value);
        if (RegQueryValueExA(key, "StoreInUsersFolder", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
                ERROR_SUCCESS ||
            type != REG_DWORD)
            value = 0;
        RegCloseKey(key);
    }
    return value;
}

static std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

static std::string ModuleBaseName(HMODULE module) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    std::string name = path;
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name = name.substr(0, dot);
    return name;
}

namespace {
bool ReplaceWithMoveFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}
}  // namespace

SettingsLocation ResolveSettingsLocation(void* moduleHandle) {
    bool known = false;
    const bool nt = IsNtFamily(known);
    if (!known) return SettingsLocation();  // no paths: every setting keeps its default, nothing is saved

    IniStore::SetFileReplacer(ReplaceWithMoveFile);  // the settings file is replaced in one step
    const DWORD inUsersFolder = StoreInUsersFolder();
    std::string base;
    char buffer[MAX_PATH] = {};
    if (nt && inUsersFolder != 0 && SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_APPDATA, FALSE)) {
        base = std::string(buffer) + "\\Vantrex\\";
    } else {
        GetModuleFileNameA(nullptr, buffer, MAX_PATH);
        base = FolderOf(buffer);
    }

    std::string commandLine = GetCommandLineA();
    if (!commandLine.empty()) CharLowerBuffA(&commandLine[0], static_cast<DWORD>(commandLine.size()));
    const std::string instanceId = ParseInstanceId(commandLine);

    const std::string folder = ComposePluginFolder(base, instanceId);
    CreateDirectoryA(folder.c_str(), nullptr);  // one level; existing or failing is fine
    return LocationIn(folder, ModuleBaseName(static_cast<HMODULE>(moduleHandle)), instanceId);
}
