// The date of a feed item, whatever its format: RFC 822 (RSS 2.0),
// ISO 8601 / RFC 3339 (RSS 1.0's dc:date, Atom) or the numbers some feeds
// write without a zone, as seconds since 1970-01-01 00:00:00 UTC.
#pragma once
#include <cstdint>
#include <string>

#include "feed/rfc822_date.h"

// Dates written in numbers: ISO 8601 / RFC 3339 ("2026-12-08T10:15:00+03:00",
// "...Z", fractions of a second, no seconds, a blank for the 'T', one-digit
// month, day or hour, a date alone), and the forms feeds write without a
// zone: "2021/3/5 09:07:00", "05.03.2021 9:07" (day first). A zone (as ISO
// writes it, or "UTC"/"GMT" before it) makes the moment; without one the
// date and time are `zone`'s wall clock (a date alone its midnight). `text`
// is ASCII/UTF-8. False, `seconds` untouched, for anything else, for fields
// out of range and for moments before kEarliestFeedDate.
bool ParseNumericDate(const std::string& text, const TimeZoneInfo& zone, int64_t* seconds);

// A date as a feed gives it: in numbers when it starts as one of those
// ("2021-", "2021/", "05.03"), else RFC 822 with its deviations (month names
// compared without regard to case, Latin and Cyrillic letters alike).
bool ParseFeedDate(const std::u16string& text, const TimeZoneInfo& zone, int64_t* seconds);
