// The system time zone and the C runtime's date formatting, for the feed reader.
#pragma once
#include <cstdint>

#include "feed/rfc822_date.h"
#include "feed/feed_items.h"

class WinTimeZone final : public TimeZoneInfo {
public:
    bool UtcToLocal(int64_t seconds, CalendarFields* local, int32_t* weekday) const override;
};

// strftime under the LC_TIME locale that Init selected, converted from the ANSI code page.
class WinDateFormatter final : public DateFormatter {
public:
    std::u16string Format(const char* format, const CalendarFields& local, int32_t weekday) const override;
};
