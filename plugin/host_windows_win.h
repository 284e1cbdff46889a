// Finding the host's windows (see host_windows.h); null handles for those
// that are not there.
#pragma once
#include <string>

#include "plugin/host_windows.h"

HostWindows FindHostWindows(const std::string& instanceId);
