// Publication dates of RSS items ("Mon, 07 Nov 2011 10:30:00 GMT") read by a
// small scanner into seconds since 1970-01-01 00:00:00 UTC (64-bit), with
// the deviations real feeds use: other languages' and full month names, a
// day name without its comma, zones such as MSK, UTC or GMT+3, a zone glued
// to the clock, and JavaScript's Date.toString()
// ("Sat Oct 06 2018 00:00:00 GMT+0000 (Coordinated Universal Time)").
#pragma once
#include <cstdint>
#include <ctime>
#include <string>

// 1980-01-01 00:00:00 UTC. A feed's date that reads as earlier is a
// misreading (a two-digit year, a field out of place), not a date: its item
// is undated, and never shown or saved as LastUpdate with a 1970 stamp.
constexpr int64_t kEarliestFeedDate = 315532800;

struct CalendarFields {
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Between the fields and the C runtime's calendar record (tm_isdst = -1:
// the runtime decides on daylight saving).
std::tm ToTm(const CalendarFields& f, int32_t weekday = 0);
CalendarFields FromTm(const std::tm& t);

// Seconds from 1970-01-01 00:00:00 to the fields read as UTC; months and
// days outside their ranges carry over as a calendar would (month 0 is the
// December before).
int64_t UtcSecondsOfFields(const CalendarFields& f);

// The system's time zone, as the feed reader needs it.
class TimeZoneInfo {
public:
    virtual ~TimeZoneInfo() = default;
    // The local wall-clock fields of a UTC moment; false when not representable.
    virtual bool UtcToLocal(int64_t seconds, CalendarFields* local, int32_t* weekday) const = 0;
};

// The C runtime's view of the zone (TZ on Linux); used by the native build.
class RuntimeTimeZone final : public TimeZoneInfo {
public:
    bool UtcToLocal(int64_t seconds, CalendarFields* local, int32_t* weekday) const override;
};

// Seconds since 1970 of the fields read as the zone's wall clock; false when
// the zone cannot say. A wall clock that a change of offset skips or repeats
// gets one of the moments around it.
bool LocalSecondsOfFields(const TimeZoneInfo& zone, const CalendarFields& f, int64_t* seconds);

// Month numbers of month names in English (full or abbreviated), German,
// French, Italian, Spanish, Portuguese and Russian, in lower case UTF-8 (a
// trailing '.' allowed); 0 when the token names no month.
int32_t MonthOfName(const std::string& token);

// `text` is UTF-8 (ASCII in the usual case). False, with `seconds` untouched,
// when a separator is missing, the month's name is not one of those above,
// or the moment lies before kEarliestFeedDate (a year below 1900, two-digit
// years included, reads as the moment 0). The time is read as UTC and the
// zone applied, so daylight saving on this system never shifts it.
bool ParseRfc822Date(const std::string& text, int64_t* seconds);
