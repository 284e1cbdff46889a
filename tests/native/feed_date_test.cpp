// Dates as feeds write them (RFC 822, ISO 8601, numbers without a zone), in
// any zone of the system.
#include <gtest/gtest.h>

#include <cstring>

#include "feed_fixtures.h"
#include "feed/feed_date.h"
#include "feed/rfc822_date.h"
#include "text/unicode_text.h"

namespace {

bool Parse(const char* text, int64_t* out) { return ParseRfc822Date(text, out); }

TEST(Rfc822, ZonesNamedAndNumeric) {
    Zone z("UTC");
    int64_t v = 0;
    ASSERT_TRUE(Parse("Mon, 07 Nov 2011 10:30:00 GMT", &v));
    EXPECT_EQ(v, Utc(2011, 11, 7, 10, 30, 0));
    ASSERT_TRUE(Parse("07 Nov 2011 10:30 +0300", &v));
    EXPECT_EQ(v, Utc(2011, 11, 7, 7, 30, 0));
    ASSERT_TRUE(Parse("Mon, 07 Nov 2011 10:30:00 -0530", &v));
    EXPECT_EQ(v, Utc(2011, 11, 7, 16, 0, 0));
    const struct {
        const char* zone;
        int hour, minute;
    } named[] = {{"EST", 15, 30}, {"PDT", 17, 30}, {"A", 11, 30}, {"N", 9, 30}, {"Z", 10, 30},
                 {"MSK", 7, 30},  {"J", 10, 30},   {"ut", 10, 30}, {"m", 22, 30}, {"Y", 22 - 24 + 0, 30}};
    for (const auto& n : named) {
        const std::string text = std::string("Mon, 07 Nov 2011 10:30:00 ") + n.zone;
        ASSERT_TRUE(Parse(text.c_str(), &v)) << n.zone;
        const int64_t expected = std::string(n.zone) == "Y" ? Utc(2011, 11, 6, 22, 30, 0) : Utc(2011, 11, 7, n.hour, n.minute, 0);
        EXPECT_EQ(v, expected) << n.zone;
    }
    ASSERT_TRUE(Parse("mon, 07 NOV 2011 10:30:00 gmt", &v));
    EXPECT_EQ(v, Utc(2011, 11, 7, 10, 30, 0));
    ASSERT_TRUE(Parse("Tue, 08 Nov 2011 01:00:00 ++03:00", &v));  // doubled sign with a colon
    EXPECT_EQ(v, Utc(2011, 11, 7, 22, 0, 0));
    ASSERT_TRUE(Parse("  Tue,   8 Nov 2011  1:5:9   --01:30  ", &v));
    EXPECT_EQ(v, Utc(2011, 11, 8, 2, 35, 9));
    ASSERT_TRUE(Parse("Tue, 8 Nov 2011 1:5:9 --0130", &v));  // without the colon a digit is lost: -01 and -0
    EXPECT_EQ(v, Utc(2011, 11, 8, 2, 5, 9));
}

TEST(Rfc822, MissingSeparatorsFail) {
    Zone z("UTC");
    int64_t v = 12345;
    EXPECT_FALSE(Parse("Mon, 07 Nov 2011 10:30:00", &v));  // no zone
    EXPECT_FALSE(Parse("Mon, 07 Nov 2011 10", &v));
    EXPECT_FALSE(Parse("Mon, 07", &v));
    EXPECT_FALSE(Parse("", &v));
    EXPECT_FALSE(Parse("Mon, 07 Nov 2011 10:30", &v));
    EXPECT_EQ(v, 12345);
}

TEST(Rfc822, ShortAndLongZoneTextsStayInRange) {
    Zone z("UTC");
    int64_t v = 0;
    for (const char* zone : {"+", "++", "--", "-", "+1", "++1", "--12", "+123"}) {
        const std::string text = std::string("07 Nov 2011 10:30:00 ") + zone;
        EXPECT_TRUE(Parse(text.c_str(), &v)) << zone;
    }
    ASSERT_TRUE(Parse("07 Nov 2011 10:30:00 +1", &v));
    EXPECT_EQ(v, Utc(2011, 11, 7, 9, 30, 0));
    // Hours and then any number of minutes (the fuzzer's find): 99 hours and
    // 2^31 - 1 minutes east is before 1970, as far west is far ahead.
    EXPECT_FALSE(Parse("07 Nov 2011 10:30:00 +992147483647", &v));
    ASSERT_TRUE(Parse("07 Nov 2011 10:30:00 -992147483647", &v));
    EXPECT_GT(v, Utc(2011, 11, 7, 10, 30, 0));
}

TEST(Rfc822, OddFieldsReadAsNumbersAndDatesBefore1980AreUndated) {
    Zone z("UTC");
    int64_t v = 12345;
    // A two-digit year is below 1900 and reads as the moment 0: 1970 would
    // be a wrong date on air and in LastUpdate, so the item is undated.
    for (const char* text : {"07 Nov 11 10:30:00 GMT", "07 Nov 11 10:30:00 -0100", "07 Nov 11 10:30:00 +0100",
                             "07 Nov 1960 10:30:00 GMT", "31 Dec 1979 23:59:59 GMT", "01 Jan 1980 00:30:00 +0100"})
        EXPECT_FALSE(Parse(text, &v)) << text;
    EXPECT_EQ(v, 12345);
    ASSERT_TRUE(Parse("31 Dec 1979 23:30:00 -0100", &v));  // 1980 in UT
    EXPECT_EQ(v, Utc(1980, 1, 1, 0, 30, 0));
    ASSERT_TRUE(Parse("01 Jan 2100 00:00:00 GMT", &v));  // no year-2038 limit
    EXPECT_EQ(v, Utc(2100, 1, 1, 0, 0, 0));
}

TEST(Rfc822, AsServersWriteIt) {
    Zone z("JST-9");  // the system's zone plays no part
    const int64_t t = Utc(2005, 12, 27, 4, 30, 33), noSeconds = t - 33;
    int64_t v = 0;
    const struct {
        const char* text;
        int64_t utc;
    } cases[] = {
        {"Tue, 27 Dec 2005 13:30:33+0900", t},  // the zone glued to the clock
        {"Tue, 27 Dec 2005 13:30+0900", noSeconds},
        {"Tue, 27 Dec 2005 04:30:33GMT", t},
        {"Tue,  27 Dec  2005 13:30:33  +0900", t},  // two blanks
        {"Tue, 27 Dec 2005 13:30 +0900", noSeconds},
        {"Tue, 27 Dec 2005 13:30:33.250 +0900", t},  // a fraction of a second
        // JavaScript's Date.toString(), with and without the zone's name
        {"Tue Dec 27 2005 07:30:33 GMT+0300 (Москва, стандартное время)", t},
        {"Dec 27 2005 04:30:33 GMT", t},
        {"Mar 27 Dic 2005 04:30:33 GMT", t},  // a day name that is also a month's (Spanish "martes")
    };
    for (const auto& c : cases) {
        v = -1;
        EXPECT_TRUE(Parse(c.text, &v)) << c.text;
        EXPECT_EQ(v, c.utc) << c.text;
    }
    // Still no zone, still undated; a month first without a year after its day is no date.
    for (const char* text : {"Tue Dec 27 2005 13:30:33", "Tue, 27 Dec 2005 13:30:33", "Dec 27 13:30:33 GMT"})
        EXPECT_FALSE(Parse(text, &v)) << text;
}

TEST(Rfc822, TheSystemsZoneAndDaylightSavingNeverShiftTheMoment) {
    Zone z("MSK-3");  // three hours east, no daylight saving
    int64_t v = 0;
    ASSERT_TRUE(Parse("Mon, 07 Nov 2011 10:30:00 GMT", &v));
    EXPECT_EQ(v, Utc(2011, 11, 7, 10, 30, 0));
    Zone ny("EST5EDT");
    ASSERT_TRUE(Parse("Mon, 07 Nov 2011 10:30:00 GMT", &v));  // standard time there
    EXPECT_EQ(v, Utc(2011, 11, 7, 10, 30, 0));
    ASSERT_TRUE(Parse("Thu, 07 Jul 2011 10:30:00 GMT", &v));  // daylight saving there
    EXPECT_EQ(v, Utc(2011, 7, 7, 10, 30, 0));
    Zone berlin("CET-1CEST,M3.5.0,M10.5.0/3");
    ASSERT_TRUE(Parse("Thu, 07 Jul 2011 12:30:00 +0200", &v));
    EXPECT_EQ(v, Utc(2011, 7, 7, 10, 30, 0));
}

struct DateCase {
    const char16_t* text;
    bool parses;
    int64_t utc;
};

void ExpectDates(const std::vector<DateCase>& cases, const TimeZoneInfo& zone = RuntimeTimeZone()) {
    for (const DateCase& c : cases) {
        int64_t v = -1;
        const std::string shown = ToUtf8(c.text, std::char_traits<char16_t>::length(c.text));
        EXPECT_EQ(ParseFeedDate(c.text, zone, &v), c.parses) << shown;
        if (c.parses) {
            EXPECT_EQ(v, c.utc) << shown;
        } else {
            EXPECT_EQ(v, -1) << shown;
        }
    }
}

TEST(FeedDates, Iso8601AndRfc3339WithTheirZones) {
    Zone z("EST5EDT");  // the system's zone plays no part
    const int64_t t = Utc(2026, 12, 8, 7, 15, 0);
    ExpectDates({
        {u"2026-12-08T10:15:00+03:00", true, t},
        {u"2026-12-08T07:15:00Z", true, t},
        {u"2026-12-08t07:15:00z", true, t},
        {u"2026-12-08T07:15:00.123456Z", true, t},
        {u"2026-12-08T07:15:00,5Z", true, t},
        {u"2026-12-08T07:15Z", true, t},
        {u"2026-12-08T02:15:00-05:00", true, t},
        {u"2026-12-08T10:15:00+0300", true, t},
        {u"2026-12-08T10:15+03", true, t},
        {u"  2026-12-08T07:15:00 UTC ", true, t},
        {u"2005-05-25T9:51:45+08:00", true, Utc(2005, 5, 25, 1, 51, 45)},
        {u"2024-02-29T00:00:00Z", true, Utc(2024, 2, 29, 0, 0, 0)},
        {u"2026-12-31T24:00:00Z", true, Utc(2027, 1, 1, 0, 0, 0)},
        {u"2023-02-29T00:00:00Z", false, 0},
        {u"2026-13-08T07:15:00Z", false, 0},
        {u"2026-12-32", false, 0},
        {u"2026-12-08T25:00:00Z", false, 0},
        {u"2026-12-08T07:60:00Z", false, 0},
        {u"2026-12-08T07:15:00+25:00", false, 0},
        {u"2026-12-08T07:15:00 MSK", false, 0},
        {u"2026-12-08T07:15:00Zjunk", false, 0},
        {u"2026-12", false, 0},
        {u"1969-12-31T23:59:59Z", false, 0},
        {u"1979-12-31T23:59:59Z", false, 0},
        {u"1980-01-01T00:00:00Z", true, 315532800},
        {u"20261208T071500Z", false, 0},
    });
}

TEST(FeedDates, Rfc822AsRealFeedsWriteIt) {
    Zone z("UTC");
    const int64_t t = Utc(2011, 11, 7, 7, 30, 0);
    ExpectDates({
        {u"Monday, 07 November 2011 10:30:00 +0300", true, t},
        {u"Mon 07 Nov 2011 07:30:00 GMT", true, t},
        {u"7 Nov 2011 7:30 GMT", true, t},
        {u"Mon, 07 Nov 2011 10:30:00 MSK", true, t},
        {u"Mon, 07 Nov 2011 07:30:00 UTC", true, t},
        {u"Mon, 07 Nov 2011 10:30:00 GMT+3", true, t},
        {u"Mon, 07 Nov 2011 10:30:00 GMT+03:00", true, t},
        {u"Mon, 07 Nov 2011 04:30:00 UTC-0300", true, t},
        {u"Mon, 07 Nov 2011 13:00:00 +05:30", true, t},
        {u"Mon, 07 Nov 2011 08:30:00 CET", true, t},
        {u"Seg, 07 Nov 2011 04:30:00 -0300", true, t},
        {u"Seg, 24 Set 2018 19:42:40 -0300", true, Utc(2018, 9, 24, 22, 42, 40)},
        {u"Qui, 04 Out 2018 10:00:00 -0300", true, Utc(2018, 10, 4, 13, 0, 0)},
        {u"mer, 16 nov 2022 00:38:15 +0100", true, Utc(2022, 11, 15, 23, 38, 15)},
        {u"lun, 03 gen 2022 10:00:00 +0100", true, Utc(2022, 1, 3, 9, 0, 0)},
        {u"Mo, 07 Mär 2011 10:30:00 +0100", true, Utc(2011, 3, 7, 9, 30, 0)},
        {u"lun., 7 févr. 2011 10:30:00 +0100", true, Utc(2011, 2, 7, 9, 30, 0)},
        {u"7 Dez 2011 10:30:00 GMT", true, Utc(2011, 12, 7, 10, 30, 0)},
        {u"Пн, 07 ноября 2011 10:30:00 +0300", true, t},
        {u"07 Мая 2011 10:30:00 +0300", true, Utc(2011, 5, 7, 7, 30, 0)},
        {u"Tue, 3 Jan 2006 19:57:00 +0300", true, Utc(2006, 1, 3, 16, 57, 0)},
        {u"Mon, 07 Nov 2011 10:30:00", false, 0},  // still no zone, still undated
        {u"SAT OCT 06 2018 00:00:00 GMT+0000 (COORDINATED UNIVERSAL TIME)", true, Utc(2018, 10, 6, 0, 0, 0)},
    });
}

TEST(FeedDates, AMonthNameNotKnownLeavesTheItemUndated) {
    Zone z("UTC");
    int64_t v = -1;
    for (const char* text : {"07 Foo 2011 10:30:00 GMT", "Κυρ, 07 Νοε 2011 10:30:00 +0200", "07 พ.ย. 2011 10:30:00 +0700",
                             "07 11 2011 10:30:00 GMT", "Mon, 07 No 2011 10:30:00 GMT"}) {
        std::u16string wide;
        AppendUtf8(text, std::strlen(text), wide);
        EXPECT_FALSE(ParseRfc822Date(text, &v) || ParseFeedDate(wide, RuntimeTimeZone(), &v)) << text;
    }
    EXPECT_EQ(v, -1);
}

// A system whose zone cannot say.
struct NoZone : TimeZoneInfo {
    bool UtcToLocal(int64_t, CalendarFields*, int32_t*) const override { return false; }
};

TEST(FeedDates, NumbersWithoutAZoneAreTheSystemsWallClock) {
    Zone z("MSK-3");
    const int64_t t = Utc(2021, 3, 5, 6, 7, 0), midnight = Utc(2021, 3, 4, 21, 0, 0);  // 09:07 and 00:00 in Moscow
    ExpectDates({
        {u"2021/3/5 09:07:00", true, t}, {u"2021/03/05 9:07", true, t}, {u"2021-03-05 09:07:00", true, t},
        {u"2021-03-05T09:07:00", true, t}, {u"05.03.2021 9:07", true, t}, {u" 5.3.2021  09:07:00.250 ", true, t},
        {u"2021-03-05", true, midnight}, {u"05.03.2021", true, midnight},
        // with a zone the system's plays no part, whatever the form
        {u"2021/03/05 09:07:00 +01:00", true, t + 2 * 3600}, {u"05.03.2021 09:07 GMT", true, t + 3 * 3600},
        {u"1970-01-01 02:59:59", false, 0}, {u"2021/13/05 09:07", false, 0}, {u"31.04.2021 09:07", false, 0},
        {u"29.02.2021", false, 0}, {u"2021/3-5 09:07", false, 0}, {u"05.03.21 09:07", false, 0},
        {u"05.03.2021 9:7", false, 0}, {u"05.03.2021, 9:07", false, 0}, {u"2021/03/05 09:07 MSK", false, 0},
        {u"05/03/2021 09:07", false, 0},  // day or month first: nobody can tell
    });
    // A zone that cannot say leaves only the dates that carry their own.
    ExpectDates({{u"2021-03-05 09:07:00", false, 0}, {u"2021-03-05T09:07:00+03:00", true, t}}, NoZone());
    // Daylight saving: the offset in force at that wall clock, on either side of a change.
    Zone ny("EST5EDT,M3.2.0,M11.1.0");
    ExpectDates({{u"2021-07-05 09:07:00", true, Utc(2021, 7, 5, 13, 7, 0)},
                 {u"05.01.2021 09:07", true, Utc(2021, 1, 5, 14, 7, 0)},
                 {u"2021/3/14 01:59:59", true, Utc(2021, 3, 14, 6, 59, 59)},
                 {u"2021/3/14 03:00:00", true, Utc(2021, 3, 14, 7, 0, 0)},
                 {u"2021/11/7 00:30", true, Utc(2021, 11, 7, 4, 30, 0)},
                 {u"2021/11/7 02:30", true, Utc(2021, 11, 7, 7, 30, 0)}});
}

}  // namespace
