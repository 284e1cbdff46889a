// Publication dates of RSS items ("Mon, 07 Nov 2011 10:30:00 GMT") read by a
// small scanner into seconds since 1970-01-01 00:00:00 UTC (64-bit).
#pragma once
#include <cstdint>
#include <ctime>
#include <string>

struct CalendarFields {
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Between the fields and the C runtime's calendar record (tm_isdst = -1:
// the runtime decides on daylight saving).
std::tm ToTm(const CalendarFields& f, int32_t weekday = 0);
CalendarFields FromTm(const std::tm& t);

// The system's time zone, as the parser and the feed reader need it.
class TimeZoneInfo {
public:
    virtual ~TimeZoneInfo() = default;
    // The fields as a local date and time, the system deciding on daylight
    // saving; false when the moment cannot be represented.
    virtual bool LocalToUtcSeconds(const CalendarFields& f, int64_t* seconds) const = 0;
    // Minutes to add to local standard time to get UTC.
    virtual int32_t StandardBiasMinutes() const = 0;
    // The local wall-clock fields of a UTC moment; false when not representable.
    virtual bool UtcToLocal(int64_t seconds, CalendarFields* local, int32_t* weekday) const = 0;
};

// The C runtime's view of the zone (TZ on Linux); used by the native build.
class RuntimeTimeZone final : public TimeZoneInfo {
public:
    bool LocalToUtcSeconds(const CalendarFields& f, int64_t* seconds) const override;
    int32_t StandardBiasMinutes() const override;
    bool UtcToLocal(int64_t seconds, CalendarFields* local, int32_t* weekday) const override;
};

// `text` is in the system's ANSI code page. False, with `seconds` untouched,
// when a separator is missing or the moment is not representable (before 1970).
bool ParseRfc822Date(const std::string& text, const TimeZoneInfo& zone, int64_t* seconds);
