// Text pieces of the downloader that need no platform.
#pragma once
#include <cstdint>
#include <string>

// The object path's extension with its dot, after cutting any query:
// "/news/rss.xml?x=1" gives ".xml", "/feed" gives "".
std::string ExtensionOfPath(const std::string& objectPath);

// "%02d:%02d:%02d.%03d - "
std::string LogPrefix(int hour, int minute, int second, int millisecond);
