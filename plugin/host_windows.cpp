#include "plugin/host_windows.h"

HostWindowTitles HostTitlesFor(const std::string& instanceId) {
    if (instanceId.empty()) return {"Vantrex", "Video window"};
    return {"Vantrex.Inst" + instanceId, "Video window.Inst" + instanceId};
}
