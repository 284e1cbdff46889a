// The C runtime's time zone (TZ), for the native build and its tests.
#include <ctime>

#include "feed/rfc822_date.h"

bool RuntimeTimeZone::UtcToLocal(int64_t seconds, CalendarFields* local, int32_t* weekday) const {
    const std::time_t v = std::time_t(seconds);
    std::tm t = {};
    if (!localtime_r(&v, &t)) return false;
    *local = FromTm(t);
    if (weekday) *weekday = t.tm_wday;
    return true;
}
