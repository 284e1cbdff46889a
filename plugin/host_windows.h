// The host's windows as the plug-in finds them at every Start: the main
// window, on whose thread the hooks run, and the window that shows the
// video, where clicks on the band land. The host names them by class and
// title, the titles marked with the instance id when there is one.
#pragma once
#include <string>

struct HostWindows {
    void* main = nullptr;
    // The video frame's child "ActiveMovie Window", else the video frame itself.
    void* video = nullptr;
};

constexpr const char* kMainWindowClass = "TMain";
constexpr const char* kVideoFrameClass = "TVideoFrame";
constexpr const char* kVideoChildTitle = "ActiveMovie Window";
// Sent to the main window once it is found; the reply is not used.
constexpr unsigned kHostQueryMessage = 0x0400 + 200;
constexpr unsigned kHostQueryParam = 1309;

struct HostWindowTitles {
    std::string mainTitle;   // class "TMain"
    std::string videoTitle;  // class "TVideoFrame"
};
HostWindowTitles HostTitlesFor(const std::string& instanceId);
