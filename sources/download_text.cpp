#include "sources/download_text.h"

#include <cstdio>

#include "base/text.h"

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

std::u16string ProgressText(uint64_t total, uint64_t contentLength, bool lengthKnown) {
    char buf[64];
    if (lengthKnown && contentLength > 0) {
        const uint64_t percent = (100 * total + contentLength / 2) / contentLength;  // rounded, as MulDiv
        std::snprintf(buf, sizeof buf, "Download file... %llu%%", static_cast<unsigned long long>(percent));
    } else {
        std::snprintf(buf, sizeof buf, "Download file... %llu bytes", static_cast<unsigned long long>(total));
    }
    return WidenBytes(buf);
}
