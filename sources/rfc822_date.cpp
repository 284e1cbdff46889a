#include "sources/rfc822_date.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

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

bool SameText(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct ZoneName {
    const char* name;
    int32_t hours;
};
const ZoneName kZones[] = {
    {"UT", 0},  {"GMT", 0}, {"Z", 0},   {"EST", 5}, {"EDT", 4}, {"CST", 6}, {"CDT", 5}, {"MST", 7}, {"MDT", 6},
    {"PST", 8}, {"PDT", 7}, {"A", 1},   {"B", 2},   {"C", 3},   {"D", 4},   {"E", 5},   {"F", 6},   {"G", 7},
    {"H", 8},   {"I", 9},   {"K", 10},  {"L", 11},  {"M", 12},  {"N", -1},  {"O", -2},  {"P", -3},  {"Q", -4},
    {"R", -5},  {"S", -6},  {"T", -7},  {"U", -8},  {"V", -9},  {"W", -10}, {"X", -11}, {"Y", -12},
};

// The record's fields are 16 bits wide.
int32_t Field16(int32_t v) { return int32_t(uint16_t(v)); }

}  // namespace

bool ParseRfc822Date(const std::string& input, const TimeZoneInfo& zone, int64_t* seconds) {
    std::string s = input;
    CalendarFields f;

    const size_t comma = s.find(',');
    if (comma != std::string::npos) s.erase(0, comma + 1);
    s = TrimCopy(s);

    size_t p = s.find(' ');
    if (p == std::string::npos) return false;
    f.day = Field16(Atoi(s.substr(0, p)));
    CutBefore(s, p);

    p = s.find(' ');
    if (p == std::string::npos) return false;
    const std::string monthToken = s.substr(0, p);
    for (int i = 0; i < 12; ++i)
        if (SameText(monthToken, kMonths[i])) f.month = i + 1;
    CutBefore(s, p);

    p = s.find(' ');
    if (p == std::string::npos) return false;
    f.year = Field16(Atoi(s.substr(0, p)));
    CutBefore(s, p);

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
    std::string zoneText = s;

    int64_t value = 0;
    if (f.year >= 1900 && !zone.LocalToUtcSeconds(f, &value)) return false;
    value -= int64_t(zone.StandardBiasMinutes()) * 60;

    bool named = false;
    for (const ZoneName& z : kZones)
        if (SameText(zoneText, z.name)) {
            value += int64_t(z.hours) * 3600;
            named = true;
            break;
        }
    if (!named) {
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
        value -= int64_t(minutes) * 60 + int64_t(hours) * 3600;
    }
    // A moment before 1970 has no place on the ticker's clock: treat it as undated.
    if (value < 0) return false;
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
