// The system time zone and the C runtime's date formatting, for the feed reader.
#pragma once
#include <atomic>
#include <cstdint>

#include "sources/rfc822_date.h"
#include "sources/rss_items.h"

class WinTimeZone final : public TimeZoneInfo {
public:
    bool LocalToUtcSeconds(const CalendarFields& f, int64_t* seconds) const override;
    // Asked once per feed date; the system's answer is kept for a second
    // (asking costs microseconds, 200,000 dates make that a second).
    int32_t StandardBiasMinutes() const override;
    bool UtcToLocal(int64_t seconds, CalendarFields* local, int32_t* weekday) const override;

private:
    mutable std::atomic<int32_t> bias_{0};
    mutable std::atomic<uint32_t> biasTick_{0};
    mutable std::atomic<bool> biasKnown_{false};
};

// strftime under the LC_TIME locale that Init selected, converted from the ANSI code page.
class WinDateFormatter final : public DateFormatter {
public:
    std::u16string Format(const char* format, const CalendarFields& local, int32_t weekday) const override;
};
