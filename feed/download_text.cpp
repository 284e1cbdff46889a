#include "feed/download_text.h"

#include <cstdio>

std::string ExtensionOfPath(const std::string& objectPath) {
    std::string path = objectPath.substr(0, objectPath.find('?'));
    const size_t dot = path.find_last_of('.');
    return dot == std::string::npos ? std::string() : path.substr(dot);
}

std::string LogPrefix(int hour, int minute, int second, int millisecond) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d - ", hour, minute, second, millisecond);
    return buf;
}
