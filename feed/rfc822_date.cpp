#include "feed/rfc822_date.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/ascii.h"
#include "base/text.h"

namespace {

int32_t Atoi(const std::string& s) { return int32_t(uint32_t(ParseDecimal(s.c_str()))); }

// Delete the characters before p, then the white space that starts the rest.
void CutBefore(std::string& s, size_t p) {
    s.erase(0, p);
    s = TrimLeft(s);
}

void EraseLeadingColons(std::string& s) {
    size_t i = 0;
    while (i < s.size() && s[i] == ':') ++i;
    s.erase(0, i);
}

bool StartsWithText(const std::string& s, const char* prefix) {
    const size_t n = std::strlen(prefix);
    return s.size() >= n && SameIgnoringAsciiCase(s.substr(0, n), prefix);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Month stems: a token that starts with one names its month.
struct MonthStem {
    const char* stem;
    int32_t month;
};
const MonthStem kMonthStems[] = {
    {"jan", 1}, {"feb", 2}, {"mar", 3}, {"apr", 4}, {"may", 5}, {"jun", 6}, {"jul", 7}, {"aug", 8}, {"sep", 9},
    {"oct", 10}, {"nov", 11}, {"dec", 12},
    // German, French, Italian, Spanish, Portuguese
    {"m\xC3\xA4r", 3}, {"mrz", 3}, {"mai", 5}, {"okt", 10}, {"dez", 12},
    {"f\xC3\xA9v", 2}, {"fev", 2}, {"avr", 4}, {"juin", 6}, {"juil", 7}, {"ao\xC3\xBB", 8}, {"aou", 8},
    {"d\xC3\xA9" "c", 12},
    {"gen", 1}, {"mag", 5}, {"giu", 6}, {"lug", 7}, {"ago", 8}, {"set", 9}, {"ott", 10}, {"dic", 12},
    {"ene", 1}, {"abr", 4}, {"out", 10},
    // Russian: "\xD1\x8F\xD0\xBD\xD0\xB2" is "янв"
    {"\xD1\x8F\xD0\xBD\xD0\xB2", 1}, {"\xD1\x84\xD0\xB5\xD0\xB2", 2}, {"\xD0\xBC\xD0\xB0\xD1\x80", 3},
    {"\xD0\xB0\xD0\xBF\xD1\x80", 4}, {"\xD0\xBC\xD0\xB0\xD0\xB9", 5}, {"\xD0\xBC\xD0\xB0\xD1\x8F", 5},
    {"\xD0\xB8\xD1\x8E\xD0\xBD", 6}, {"\xD0\xB8\xD1\x8E\xD0\xBB", 7}, {"\xD0\xB0\xD0\xB2\xD0\xB3", 8},
    {"\xD1\x81\xD0\xB5\xD0\xBD", 9}, {"\xD0\xBE\xD0\xBA\xD1\x82", 10}, {"\xD0\xBD\xD0\xBE\xD1\x8F", 11},
    {"\xD0\xB4\xD0\xB5\xD0\xBA", 12},
};

// Zones by name, in minutes east of UT. The single letters are RFC 822's
// military zones with that standard's signs (A is one hour behind UT).
struct ZoneName {
    const char* name;
    int32_t east;
};
const ZoneName kZones[] = {
    {"UT", 0}, {"GMT", 0}, {"Z", 0}, {"UTC", 0}, {"EST", -300}, {"EDT", -240}, {"CST", -360}, {"CDT", -300},
    {"MST", -420}, {"MDT", -360}, {"PST", -480}, {"PDT", -420},
    {"A", -60}, {"B", -120}, {"C", -180}, {"D", -240}, {"E", -300}, {"F", -360}, {"G", -420}, {"H", -480},
    {"I", -540}, {"K", -600}, {"L", -660}, {"M", -720}, {"N", 60}, {"O", 120}, {"P", 180}, {"Q", 240},
    {"R", 300}, {"S", 360}, {"T", 420}, {"U", 480}, {"V", 540}, {"W", 600}, {"X", 660}, {"Y", 720},
    // zones real feeds name
    {"WET", 0}, {"WEST", 60}, {"BST", 60}, {"CET", 60}, {"MET", 60}, {"CEST", 120}, {"MEST", 120},
    {"EET", 120}, {"EEST", 180}, {"MSK", 180}, {"MSD", 240}, {"IST", 330}, {"HKT", 480}, {"SGT", 480},
    {"AWST", 480}, {"JST", 540}, {"KST", 540}, {"ACST", 570}, {"AEST", 600}, {"AEDT", 660}, {"NZST", 720},
    {"NZDT", 780}, {"AKST", -540}, {"AKDT", -480}, {"HST", -600}, {"AST", -240}, {"ADT", -180},
};

// The record's fields are 16 bits wide.
int32_t Field16(int32_t v) { return int32_t(uint16_t(v)); }

// "+hh:mm", or the offset after "GMT", "UTC" or "UT" ("GMT+3", "UTC-05:30",
// "GMT+0300"): minutes east. False when the text is neither.
bool ReadOffsetZone(std::string zone, int32_t* east) {
    bool prefixed = false;
    for (const char* prefix : {"GMT", "UTC", "UT"})
        if (StartsWithText(zone, prefix) && zone.size() > std::strlen(prefix) &&
            (zone[std::strlen(prefix)] == '+' || zone[std::strlen(prefix)] == '-')) {
            zone.erase(0, std::strlen(prefix));
            prefixed = true;
            break;
        }
    if (zone.empty() || (zone[0] != '+' && zone[0] != '-')) return false;
    size_t i = 1, hourDigits = 0, minuteDigits = 0;
    int32_t hours = 0, minutes = 0;
    while (i < zone.size() && IsDigit(zone[i]) && hourDigits < 4) hours = hours * 10 + (zone[i++] - '0'), ++hourDigits;
    const bool colon = i < zone.size() && zone[i] == ':';
    if (colon)
        for (++i; i < zone.size() && IsDigit(zone[i]) && minuteDigits < 2; ++i) minutes = minutes * 10 + (zone[i] - '0'), ++minuteDigits;
    if (colon ? (hourDigits < 1 || hourDigits > 2 || minuteDigits != 2) : !prefixed || hourDigits == 0 || hourDigits == 3)
        return false;
    if (!colon && hourDigits == 4) minutes = hours % 100, hours /= 100;
    *east = (zone[0] == '-' ? -1 : 1) * (hours * 60 + minutes);
    return true;
}

// The numeric zone as RFC 822's scanner reads it: the sign and two digits
// are the hours, what follows the minutes (with the same sign). The minutes
// may be any run of digits, so the sum is taken in 64 bits.
int64_t ReadNumericZone(std::string zoneText) {
    // "++03:00" and "--03:00" lose a sign and the colon. Short texts such as
    // "+" or "++" are read as far as they go, never past their end.
    if (zoneText.compare(0, 2, "++") == 0 || zoneText.compare(0, 2, "--") == 0) {
        zoneText.erase(0, 1);
        if (zoneText.size() > 3) zoneText.erase(3, 1);
    }
    const int32_t hours = Atoi(zoneText.substr(0, 3));
    if (zoneText.size() > 2) zoneText.erase(1, 2);
    else if (zoneText.size() > 1) zoneText.erase(1, 1);
    const int32_t minutes = Atoi(zoneText);
    return int64_t(hours) * 60 + minutes;
}

// RFC 822's comments, such as the zone's name that JavaScript's Date writes
// after its offset ("(Coordinated Universal Time)"): dropped, nested or not.
// Before anything else, since a comment may hold a comma.
std::string WithoutComments(const std::string& s) {
    if (s.find('(') == std::string::npos) return s;
    std::string out;
    int32_t depth = 0;
    for (char c : s) {
        if (c == '(') ++depth;
        else if (c == ')' && depth > 0) --depth;
        else if (depth == 0) out.push_back(c);
    }
    return out;
}

// The first `most` words of `s`, as [at, end) ranges.
struct Word {
    size_t at, end;
};
std::vector<Word> FirstWords(const std::string& s, size_t most) {
    std::vector<Word> words;
    size_t at = 0;
    while (words.size() < most) {
        while (at < s.size() && IsCSpace(static_cast<unsigned char>(s[at]))) ++at;
        if (at >= s.size()) break;
        size_t end = at;
        while (end < s.size() && !IsCSpace(static_cast<unsigned char>(s[end]))) ++end;
        words.push_back({at, end});
        at = end;
    }
    return words;
}

// The date's words in RFC 822's order, day before month: a day name without
// its comma goes ("Mon 07 Nov 2011"), and a month written before its day
// ("Oct 06 2018", as JavaScript's Date writes it after the day name) changes
// places with it. A month first needs a day and a year after it; otherwise
// the word is a day name ("Mar 05 Mar 2024": Spanish "martes").
void PutDayBeforeMonth(std::string& s) {
    const std::vector<Word> w = FirstWords(s, 4);
    const auto text = [&](size_t i) { return s.substr(w[i].at, w[i].end - w[i].at); };
    const auto digitAt = [&](size_t i) { return i < w.size() && IsDigit(s[w[i].at]); };
    const auto monthFirst = [&](size_t i) {
        return i + 2 < w.size() && MonthOfName(text(i)) != 0 && digitAt(i + 1) && digitAt(i + 2);
    };
    size_t first = 0;
    if (w.size() > 1 && text(0).find_first_of("0123456789") == std::string::npos && !monthFirst(0) &&
        (digitAt(1) || monthFirst(1)))
        first = 1;
    if (monthFirst(first)) s = text(first + 1) + " " + text(first) + s.substr(w[first + 1].end);
    else if (first == 1) s.erase(0, w[1].at);
}

// A zone glued to the clock ("13:30:33+0900", "13:30+0900", "13:30:33GMT")
// gets its blank; a fraction of a second ("13:30:33.250 +0000") goes.
void SeparateZoneFromClock(std::string& s) {
    size_t end = 0;
    while (end < s.size() && (IsDigit(s[end]) || s[end] == ':')) ++end;
    if (end < s.size() && s[end] == '.') {
        size_t digits = end + 1;
        while (digits < s.size() && IsDigit(s[digits])) ++digits;
        if (digits > end + 1) s.erase(end, digits - end);
    }
    if (end > 0 && end < s.size() && !IsCSpace(static_cast<unsigned char>(s[end]))) s.insert(end, 1, ' ');
}

}  // namespace

int32_t MonthOfName(const std::string& token) {
    std::string t = token;
    if (!t.empty() && t.back() == '.') t.pop_back();
    if (t.size() < 3) return 0;
    int32_t month = 0;
    size_t longest = 0;
    for (const MonthStem& m : kMonthStems) {
        const size_t n = std::strlen(m.stem);
        if (n > longest && StartsWithText(t, m.stem)) month = m.month, longest = n;
    }
    return month;
}

int64_t UtcSecondsOfFields(const CalendarFields& f) {
    // days from 1970-01-01 (proleptic Gregorian), months carried into years first
    int64_t y = f.year, m = int64_t(f.month) - 1;
    y += m >= 0 ? m / 12 : -((11 - m) / 12);
    m = ((m % 12) + 12) % 12 + 1;
    if (m <= 2) y -= 1;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t days = era * 146097 + doe - 719468 + int64_t(f.day) - 1;
    return days * 86400 + int64_t(f.hour) * 3600 + int64_t(f.minute) * 60 + f.second;
}

bool LocalSecondsOfFields(const TimeZoneInfo& zone, const CalendarFields& f, int64_t* seconds) {
    // The zone answers only from UTC to local: its offset is taken at the
    // wall clock read as UTC, then again at the moment that offset gives,
    // which settles on the offset in force then, daylight saving included.
    const auto eastAt = [&zone](int64_t moment, int64_t* east) {
        CalendarFields local;
        if (!zone.UtcToLocal(moment, &local, nullptr)) return false;
        *east = UtcSecondsOfFields(local) - moment;
        return true;
    };
    const int64_t wall = UtcSecondsOfFields(f);
    int64_t first = 0, second = 0;
    if (!eastAt(wall, &first) || !eastAt(wall - first, &second)) return false;
    *seconds = wall - second;
    return true;
}

bool ParseRfc822Date(const std::string& input, int64_t* seconds) {
    std::string s = WithoutComments(input);
    CalendarFields f;

    const size_t comma = s.find(',');
    if (comma != std::string::npos) s.erase(0, comma + 1);
    s = TrimCopy(s);
    PutDayBeforeMonth(s);

    size_t p = s.find(' ');
    if (p == std::string::npos) return false;
    f.day = Field16(Atoi(s.substr(0, p)));
    CutBefore(s, p);

    p = s.find(' ');
    if (p == std::string::npos) return false;
    f.month = MonthOfName(s.substr(0, p));
    // A name we do not know (Greek, Thai, a number) leaves the item undated:
    // month 0 would carry it back to the December before.
    if (f.month == 0) return false;
    CutBefore(s, p);

    p = s.find(' ');
    if (p == std::string::npos) return false;
    f.year = Field16(Atoi(s.substr(0, p)));
    CutBefore(s, p);
    SeparateZoneFromClock(s);

    p = s.find(':');
    if (p == std::string::npos) return false;
    f.hour = Field16(Atoi(s.substr(0, p)));
    s.erase(0, p);
    EraseLeadingColons(s);

    p = s.find_first_of(": ");
    if (p == std::string::npos) return false;
    f.minute = Field16(Atoi(s.substr(0, p)));
    if (s[p] == ':') {
        s.erase(0, p);
        EraseLeadingColons(s);
        p = s.find(' ');
        if (p == std::string::npos) return false;
        f.second = Field16(Atoi(s.substr(0, p)));
    }
    CutBefore(s, p);
    const std::string zoneText = TrimRight(s);

    int64_t value = f.year >= 1900 ? UtcSecondsOfFields(f) : 0;
    int64_t east = 0;
    bool named = false;
    for (const ZoneName& z : kZones)
        if (SameIgnoringAsciiCase(zoneText, z.name)) {
            east = z.east;
            named = true;
            break;
        }
    int32_t offset = 0;
    if (!named) east = ReadOffsetZone(zoneText, &offset) ? offset : ReadNumericZone(zoneText);
    value -= east * 60;
    if (value < kEarliestFeedDate) return false;
    *seconds = value;
    return true;
}

std::tm ToTm(const CalendarFields& f, int32_t weekday) {
    std::tm t = {};
    t.tm_year = f.year - 1900;
    t.tm_mon = f.month - 1;
    t.tm_mday = f.day;
    t.tm_hour = f.hour;
    t.tm_min = f.minute;
    t.tm_sec = f.second;
    t.tm_wday = weekday;
    t.tm_isdst = -1;
    return t;
}

CalendarFields FromTm(const std::tm& t) {
    CalendarFields f;
    f.year = t.tm_year + 1900;
    f.month = t.tm_mon + 1;
    f.day = t.tm_mday;
    f.hour = t.tm_hour;
    f.minute = t.tm_min;
    f.second = t.tm_sec;
    return f;
}
