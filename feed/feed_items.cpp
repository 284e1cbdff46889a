#include "feed/feed_items.h"

#include "feed/feed_date.h"
#include "feed/feed_text.h"
#include "text/scripts.h"

#include <algorithm>
#include <utility>
#include <vector>

const char16_t kNoticeNoMsxml[] = u"Библиотека MSXML не найдена";
const char16_t kNoticeBadFeed[] = u"Ошибка на странице RSS-ленты";
const char16_t kNoticeNoNews[] = u"Нет новых сообщений";

uint64_t StampFromFields(const CalendarFields& f) {
    constexpr int64_t kSeconds1601To1970 = 11644473600;
    const int64_t secs = UtcSecondsOfFields(f) + kSeconds1601To1970;
    return secs < 0 ? 0 : uint64_t(secs) * 10000000u;
}

void ArticleOfItem(const FeedItemTexts& item, const TimeZoneInfo& zone, const DateFormatter& formatter,
                   TickerMessage& work) {
    int64_t seconds = 0;
    CalendarFields local;
    int32_t weekday = 0;
    if (ParseFeedDate(item.pubDate, zone, &seconds) && zone.UtcToLocal(seconds, &local, &weekday)) {
        work.stamp = StampFromFields(local);
        std::u16string date = formatter.Format("%d %b %Y", local, weekday);
        date += u" г.";
        work.dateText = std::move(date);
        work.timeText = formatter.Format("%H:%M", local, weekday);
    } else {
        work.stamp = 0;
        work.dateText.Clear();
        work.timeText.Clear();
    }
    work.titleText = item.plainTitle ? CleanPlainText(item.title) : CleanFeedText(item.title);
    work.descriptionText = CleanFeedText(item.description);
    work.displayText.Clear();
}

bool TakesArticle(uint64_t stamp, uint64_t nowStamp, bool latestNews, uint64_t lastUpdate) {
    return stamp == 0 || (stamp <= nowStamp && (!latestNews || stamp > lastUpdate));
}

bool ComposeArticle(const DisplayOptions& o, const std::u16string* label, TickerMessage& work) {
    work.displayText.Clear();
    if (label && !label->empty()) {
        work.displayText.Append(*label);
        work.displayText.Append(u"  ");
    }
    if (o.date) {
        work.displayText.Append(work.dateText);
        work.displayText.Append(u"  ");
    }
    if (o.time) {
        work.displayText.Append(work.timeText);
        work.displayText.Append(u"  ");
    }
    const size_t prefix = size_t(work.displayText.Length());  // the label, date and time
    if (o.title) {
        // Without a title, the description takes its place rather than leave a blank on air.
        work.displayText.Append(work.titleText.IsEmpty() && !o.description ? work.descriptionText : work.titleText);
        work.displayText.Append(u"  ");
    }
    if (o.description) {
        if (!work.descriptionText.IsEmpty()) work.displayText.Append(work.descriptionText);
        else if (!o.title) work.displayText.Append(work.titleText);
    }
    // An item with nothing to show (no title, no description, no date shown)
    // would only be a gap on air; a label alone is nothing either.
    const std::u16string& shown = work.displayText.Str();
    size_t i = label && !label->empty() ? label->size() + 2 : 0;
    while (i < shown.size() && shown[i] == u' ') ++i;
    if (i == shown.size()) return false;
    // The line reads in the direction of its news; the label, date and time
    // stay before the news (at the right end of a right-to-left line) and,
    // when they read the other way, as one piece in their own direction.
    const char16_t* text = work.displayText.Raw();
    const BaseDirection news = FirstStrongDirection(text, prefix, size_t(work.displayText.Length()));
    const BaseDirection own = FirstStrongDirection(text, 0, prefix);
    work.direction = news;
    if (news != BaseDirection::FromText && own != BaseDirection::FromText && own != news)
        work.displayText = (own == BaseDirection::RightToLeft ? kRightToLeftMark : kLeftToRightMark) + work.displayText.Str();
    return true;
}
