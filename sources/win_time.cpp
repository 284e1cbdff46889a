#include "sources/win_time.h"

#include <windows.h>

#include <ctime>

#include "sources/ansi_codec.h"

bool WinTimeZone::LocalToUtcSeconds(const CalendarFields& f, int64_t* seconds) const {
    struct tm t = {};
    t.tm_year = f.year - 1900;
    t.tm_mon = f.month - 1;
    t.tm_mday = f.day;
    t.tm_hour = f.hour;
    t.tm_min = f.minute;
    t.tm_sec = f.second;
    t.tm_isdst = -1;
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
    local->year = t.tm_year + 1900;
    local->month = t.tm_mon + 1;
    local->day = t.tm_mday;
    local->hour = t.tm_hour;
    local->minute = t.tm_min;
    local->second = t.tm_sec;
    if (weekday) *weekday = t.tm_wday;
    return true;
}

std::u16string WinDateFormatter::Format(const char* format, const CalendarFields& f, int32_t weekday) const {
    struct tm t = {};
    t.tm_year = f.year - 1900;
    t.tm_mon = f.month - 1;
    t.tm_mday = f.day;
    t.tm_hour = f.hour;
    t.tm_min = f.minute;
    t.tm_sec = f.second;
    t.tm_wday = weekday;
    char buffer[128] = {};
    if (std::strftime(buffer, sizeof buffer, format, &t) == 0) return std::u16string();
    return SystemAnsiCodec().ToUtf16(buffer);
}
