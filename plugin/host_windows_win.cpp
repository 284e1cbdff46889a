#include "plugin/host_windows_win.h"

#include <windows.h>

HostWindows FindHostWindows(const std::string& instanceId) {
    const HostWindowTitles titles = HostTitlesFor(instanceId);
    HWND main = FindWindowA(kMainWindowClass, titles.mainTitle.c_str());
    HWND frame = FindWindowA(kVideoFrameClass, titles.videoTitle.c_str());
    HWND video = frame ? FindWindowExA(frame, nullptr, nullptr, kVideoChildTitle) : nullptr;
    HostWindows found;
    found.main = main;
    found.video = video ? video : frame;
    if (main) SendMessageA(main, kHostQueryMessage, kHostQueryParam, 0);
    return found;
}
