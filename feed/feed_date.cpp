#include "feed/feed_date.h"

#include "base/text.h"
#include "feed/rfc822_date.h"
#include "text/unicode_text.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Up to `most` digits at `at` (at least `least`); false when there are fewer.
bool ReadNumber(const std::string& s, size_t& at, size_t least, size_t most, int32_t* value) {
    size_t n = 0;
    int32_t v = 0;
    while (at < s.size() && IsDigit(s[at]) && n < most) v = v * 10 + (s[at++] - '0'), ++n;
    *value = v;
    return n >= least && !(at < s.size() && IsDigit(s[at]));
}

int32_t ParseInt(const std::string& digits) {
    int32_t v = 0;
    for (char c : digits) v = v * 10 + (c - '0');
    return v;
}
int32_t Atoi2(const std::string& digits, size_t at) { return ParseInt(digits.substr(at, 2)); }

bool IsLeap(int32_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int32_t DaysInMonth(int32_t y, int32_t m) {
    static const int32_t days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Year-month-day with '-' or '/' (the same twice), or day.month.year.
bool ReadCalendarDate(const std::string& s, size_t& at, CalendarFields* f) {
    int32_t first = 0, middle = 0, last = 0;
    if (!ReadNumber(s, at, 1, 4, &first) || at >= s.size()) return false;
    const char separator = s[at];
    const bool yearFirst = at == 4 && (separator == '-' || separator == '/');
    if (!yearFirst && !(at <= 2 && separator == '.')) return false;
    ++at;
    if (!ReadNumber(s, at, 1, 2, &middle) || at >= s.size() || s[at++] != separator) return false;
    if (!ReadNumber(s, at, yearFirst ? 1 : 4, yearFirst ? 2 : 4, &last)) return false;
    f->year = yearFirst ? first : last;
    f->month = middle;
    f->day = yearFirst ? last : first;
    return f->month >= 1 && f->month <= 12 && f->day >= 1 && f->day <= DaysInMonth(f->year, f->month);
}

// "+03:00", "+0300", "+03", "+3" (after "UTC" or "GMT", if any): minutes east.
bool ReadZone(const std::string& zone, int32_t* east) {
    if (zone[0] != '+' && zone[0] != '-') return false;
    std::string digits = zone.substr(1);
    if (digits.size() == 5 && digits[2] == ':') digits.erase(2, 1);
    for (char c : digits)
        if (!IsDigit(c)) return false;
    if (digits.size() != 1 && digits.size() != 2 && digits.size() != 4) return false;
    const int32_t hours = digits.size() == 4 ? Atoi2(digits, 0) : ParseInt(digits);
    const int32_t minutes = digits.size() == 4 ? Atoi2(digits, 2) : 0;
    if (hours > 23 || minutes > 59) return false;
    *east = (zone[0] == '-' ? -1 : 1) * (hours * 60 + minutes);
    return true;
}

// Lower case for the Latin-1 and Cyrillic capitals, so that month names
// match whatever their case.
char16_t Fold(char16_t c) {
    if (c >= u'A' && c <= u'Z') return char16_t(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return char16_t(c + 32);
    if (c >= 0x0410 && c <= 0x042F) return char16_t(c + 32);
    if (c == 0x0401) return 0x0451;
    return c;
}

}  // namespace

bool ParseNumericDate(const std::string& input, const TimeZoneInfo& zone, int64_t* seconds) {
    const std::string s = TrimCopy(input);
    CalendarFields f;
    size_t at = 0;
    if (!ReadCalendarDate(s, at, &f)) return false;
    bool zoned = false;
    int32_t east = 0;
    if (at < s.size()) {
        if (s[at] == 'T' || s[at] == 't') ++at;
        else if (s[at] == ' ') at = s.find_first_not_of(' ', at);
        else return false;
        if (!ReadNumber(s, at, 1, 2, &f.hour) || at >= s.size() || s[at++] != ':') return false;
        if (!ReadNumber(s, at, 2, 2, &f.minute)) return false;
        if (at < s.size() && s[at] == ':') {
            ++at;
            if (!ReadNumber(s, at, 2, 2, &f.second)) return false;
            if (at < s.size() && (s[at] == '.' || s[at] == ',')) {
                const size_t digits = ++at;
                while (at < s.size() && IsDigit(s[at])) ++at;
                if (at == digits) return false;
            }
        }
        if (f.hour > 24 || f.minute > 59 || f.second > 60 || (f.hour == 24 && (f.minute || f.second))) return false;
        while (at < s.size() && s[at] == ' ') ++at;
        std::string zoneText = s.substr(at);
        zoned = !zoneText.empty();
        for (const char* utc : {"UTC", "GMT", "utc", "gmt"})
            if (zoneText.compare(0, 3, utc) == 0) zoneText.erase(0, 3);
        if (zoneText == "Z" || zoneText == "z") zoneText.clear();
        if (!zoneText.empty() && !ReadZone(zoneText, &east)) return false;
    }
    int64_t value = 0;
    if (zoned) value = UtcSecondsOfFields(f) - int64_t(east) * 60;
    else if (!LocalSecondsOfFields(zone, f, &value)) return false;
    if (value < kEarliestFeedDate) return false;
    *seconds = value;
    return true;
}

bool ParseFeedDate(const std::u16string& text, const TimeZoneInfo& zone, int64_t* seconds) {
    std::u16string folded(text);
    for (char16_t& c : folded) c = Fold(c);
    const std::string s = TrimCopy(ToUtf8(folded.data(), folded.size()));
    size_t digits = 0;
    while (digits < s.size() && IsDigit(s[digits])) ++digits;
    const char next = digits < s.size() ? s[digits] : '\0';
    const bool yearFirst = digits == 4 && (next == '-' || next == '/');
    // "05.03.2021", not an RFC 822 day written "07." before its month's name
    const bool dayFirst =
        (digits == 1 || digits == 2) && next == '.' && digits + 1 < s.size() && IsDigit(s[digits + 1]);
    if (yearFirst || dayFirst) return ParseNumericDate(s, zone, seconds);
    return ParseRfc822Date(s, seconds);
}
