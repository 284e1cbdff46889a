// The date of a feed item, whatever its format: RFC 822 (RSS 2.0) or
// ISO 8601 / RFC 3339 (RSS 1.0's dc:date, Atom), as seconds since
// 1970-01-01 00:00:00 UTC.
#pragma once
#include <cstdint>
#include <string>

// "2026-12-08T10:15:00+03:00", "...Z", fractions of a second, no seconds,
// a blank for the 'T', one-digit month, day or hour, a date alone
// (midnight); without a zone the time is UTC. `text` is ASCII/UTF-8. False,
// `seconds` untouched, for anything else, for fields out of range and for
// moments before 1970.
bool ParseIso8601Date(const std::string& text, int64_t* seconds);

// A date as a feed gives it: ISO 8601 when it starts with a four-digit year
// and '-', else RFC 822 with its deviations (month names compared without
// regard to case, Latin and Cyrillic letters alike).
bool ParseFeedDate(const std::u16string& text, int64_t* seconds);
