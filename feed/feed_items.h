// From the texts of one RSS item to a ticker message: date and time in local
// time, the filter, the display text, and the newest-first order.
#pragma once
#include <cstdint>
#include <string>

#include "text/message_list.h"
#include "feed/rfc822_date.h"

// An item's texts as the feed gives them (any format): the date as written,
// title and description with whatever markup and references they hold.
struct FeedItemTexts {
    std::u16string pubDate, title, description;
    std::u16string link = {};  // as written (relative or not, any scheme); empty when none
    bool plainTitle = false;   // the title is plain text (Atom's type text), not markup
};

struct FeedItemOptions {
    bool date = true, time = true, title = true, description = false, latestNews = false;
    uint64_t lastUpdate = 0;
};

// strftime in the user's locale (LC_TIME), giving UTF-16.
class DateFormatter {
public:
    virtual ~DateFormatter() = default;
    virtual std::u16string Format(const char* format, const CalendarFields& local, int32_t weekday) const = 0;
};

// FILETIME units (100 ns since 1601-01-01) of a wall-clock date and time.
uint64_t StampFromFields(const CalendarFields& f);

// Fills `work` from the item; true when the item passes the filter and has
// something to show. Title and description go on air cleaned (see
// feed_text.h; a plain title as plain text); without a title, the
// description takes its place.
bool BuildItemMessage(const FeedItemTexts& item, const FeedItemOptions& options, uint64_t nowStamp, const TimeZoneInfo& zone,
                     const DateFormatter& formatter, TickerMessage& work);

// The newest-first order for a whole list at once, in O(n log n): `out`
// receives the messages of `built` (in document order) newest first, equal
// stamps in document order, undated items last.
void OrderNewestFirst(const MessageList& built, MessageList& out);

// The notices the feed reader shows in place of items.
extern const char16_t kNoticeNoMsxml[];
extern const char16_t kNoticeBadFeed[];
extern const char16_t kNoticeNoNews[];
