#include "feed/time_win.h"

#include <windows.h>

#include <ctime>

#include "base/ansi_codec.h"

bool WinTimeZone::UtcToLocal(int64_t seconds, CalendarFields* local, int32_t* weekday) const {
    const __time64_t v = seconds;
    struct tm t = {};
    if (_localtime64_s(&t, &v) != 0) return false;
    *local = FromTm(t);
    if (weekday) *weekday = t.tm_wday;
    return true;
}

std::u16string WinDateFormatter::Format(const char* format, const CalendarFields& f, int32_t weekday) const {
    const struct tm t = ToTm(f, weekday);
    char buffer[128] = {};
    if (std::strftime(buffer, sizeof buffer, format, &t) == 0) return std::u16string();
    return SystemAnsiCodec().ToUtf16(buffer);
}
