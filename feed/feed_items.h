// From the texts of one feed item to an article (date and time in local
// time, clean texts), the filter an article passes when it arrives, its
// text on air, and the newest-first order.
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

// Which of an article's texts go on air.
struct DisplayOptions {
    bool date = true, time = true, title = true, description = false;
};

// strftime in the user's locale (LC_TIME), giving UTF-16.
class DateFormatter {
public:
    virtual ~DateFormatter() = default;
    virtual std::u16string Format(const char* format, const CalendarFields& local, int32_t weekday) const = 0;
};

// FILETIME units (100 ns since 1601-01-01) of a wall-clock date and time.
uint64_t StampFromFields(const CalendarFields& f);

// An item as an article: dated when its date reads (the stamp, and the date
// and time texts in local time), title and description cleaned (see
// feed_text.h; a plain title as plain text). Its display text is left for
// ComposeArticle.
void ArticleOfItem(const FeedItemTexts& item, const TimeZoneInfo& zone, const DateFormatter& formatter,
                   TickerMessage& work);

// Whether an article is taken when its feed arrives: undated, or not after
// `nowStamp` and, with `latestNews`, newer than `lastUpdate`.
bool TakesArticle(uint64_t stamp, uint64_t nowStamp, bool latestNews, uint64_t lastUpdate);

// The article's text on air from the flags, after its source's `label` when
// one is given; false when it would show nothing but blanks. Without a
// title, the description takes its place.
bool ComposeArticle(const DisplayOptions& o, const std::u16string* label, TickerMessage& article);

// The notices the feed reader shows in place of items.
extern const char16_t kNoticeNoMsxml[];
extern const char16_t kNoticeBadFeed[];
extern const char16_t kNoticeNoNews[];
