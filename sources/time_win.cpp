#include "sources/time_win.h"

#include <windows.h>

#include <ctime>

#include "sources/ansi_codec.h"

bool WinTimeZone::LocalToUtcSeconds(const CalendarFields& f, int64_t* seconds) const {
    struct tm t = ToTm(f);
    const __time64_t v = _mktime64(&t);
    if (v == -1) return false;
    *seconds = int64_t(v);
    return true;
}

int32_t WinTimeZone::StandardBiasMinutes() const {
    TIME_ZONE_INFORMATION tzi = {};
    if (GetTimeZoneInformation(&tzi) == TIME_ZONE_ID_INVALID) return 0;
    return int32_t(tzi.Bias + tzi.StandardBias);
}

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
