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
    const uint32_t now = GetTickCount();
    if (biasKnown_.load() && now - biasTick_.load() < 1000) return bias_.load();
    TIME_ZONE_INFORMATION tzi = {};
    const int32_t bias = GetTimeZoneInformation(&tzi) == TIME_ZONE_ID_INVALID ? 0 : int32_t(tzi.Bias + tzi.StandardBias);
    bias_.store(bias);
    biasTick_.store(now);
    biasKnown_.store(true);
    return bias;
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
