// What the feed tests share: the C runtime's zone for a block, UTC seconds
// of a calendar time, and a date formatter that writes plain numbers.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "feed/feed_items.h"

// Runs a block with the C runtime in the given zone.
struct Zone {
    explicit Zone(const char* tz) {
        setenv("TZ", tz, 1);
        tzset();
    }
    ~Zone() {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};

inline int64_t Utc(int y, int mo, int d, int h, int mi, int s) {
    std::tm t = {};
    t.tm_year = y - 1900, t.tm_mon = mo - 1, t.tm_mday = d, t.tm_hour = h, t.tm_min = mi, t.tm_sec = s;
    return int64_t(timegm(&t));
}

struct PlainFormatter : DateFormatter {
    std::u16string Format(const char* format, const CalendarFields& f, int32_t) const override {
        char buf[64];
        if (std::string(format) == "%H:%M") std::snprintf(buf, sizeof buf, "%02d:%02d", f.hour, f.minute);
        else std::snprintf(buf, sizeof buf, "%02d %02d %04d", f.day, f.month, f.year);
        std::u16string out;
        for (const char* p = buf; *p; ++p) out.push_back(char16_t(*p));
        return out;
    }
};
