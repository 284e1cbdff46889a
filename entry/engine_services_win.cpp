#include "entry/engine_services_win.h"

#include <ctime>

int64_t WinEngineServices::NowSeconds() { return static_cast<int64_t>(_time64(nullptr)); }
