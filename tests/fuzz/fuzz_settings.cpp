// Any bytes as a settings file: loading never fails, and what was loaded
// saves and loads back without losing or changing anything.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "settings/ini_store.h"
#include "settings/instance_paths.h"
#include "settings/ticker_settings.h"

namespace {

std::string Folder() {
    static std::string folder = [] {
        // tmpfs when there is one: the file writes of every input dominate the run.
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/skimrow_fuzz_XXXXXX" : "/tmp/skimrow_fuzz_XXXXXX";
        return std::string(mkdtemp(&pattern[0])) + "/";
    }();
    return folder;
}

std::string Read(const std::string& path) {
    std::string bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
        std::fclose(f);
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IniStore ini;
    ini.fullPath = LocationIn(Folder(), "Mivra_Skimrow").fullPath;
    if (std::FILE* f = std::fopen(ini.fullPath.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    SettingsStore first;
    LoadSettings(ini, first);
    SaveSettings(ini, first);
    const std::string saved = Read(ini.fullPath);
    SettingsStore second;
    LoadSettings(ini, second);
    SaveSettings(ini, second);
    if (Read(ini.fullPath) != saved) std::abort();  // the round trip changed something
    if (second.strings != first.strings || second.files != first.files || second.urls != first.urls) std::abort();
    if (second.live.FontName != first.live.FontName || second.live.LastUpdate != first.live.LastUpdate) std::abort();
    return 0;
}
