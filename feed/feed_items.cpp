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

bool BuildItemMessage(const FeedItemTexts& item, const FeedItemOptions& o, uint64_t nowStamp, const TimeZoneInfo& zone,
                     const DateFormatter& formatter, TickerMessage& work) {
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

    const bool taken = work.stamp == 0 || (work.stamp <= nowStamp && (!o.latestNews || work.stamp > o.lastUpdate));
    if (!taken) return false;

    work.titleText = CleanFeedText(item.title);
    work.descriptionText = CleanFeedText(item.description);
    work.displayText.Clear();
    if (o.date) {
        work.displayText.Append(work.dateText);
        work.displayText.Append(u"  ");
    }
    if (o.time) {
        work.displayText.Append(work.timeText);
        work.displayText.Append(u"  ");
    }
    const size_t label = size_t(work.displayText.Length());
    if (o.title) {
        // Without a title, the description takes its place rather than leave a blank on air.
        work.displayText.Append(work.titleText.IsEmpty() && !o.description ? work.descriptionText : work.titleText);
        work.displayText.Append(u"  ");
    }
    if (o.description) {
        if (!work.descriptionText.IsEmpty()) work.displayText.Append(work.descriptionText);
        else if (!o.title) work.displayText.Append(work.titleText);
    }
    // The line reads in the direction of its news; the label stays before
    // the news (at the right end of a right-to-left line) and, when it reads
    // the other way, as one piece in its own direction.
    const char16_t* text = work.displayText.Raw();
    const BaseDirection news = FirstStrongDirection(text, label, size_t(work.displayText.Length()));
    const BaseDirection own = FirstStrongDirection(text, 0, label);
    work.direction = news;
    if (news != BaseDirection::FromText && own != BaseDirection::FromText && own != news)
        work.displayText = (own == BaseDirection::RightToLeft ? kRightToLeftMark : kLeftToRightMark) + work.displayText.Str();
    // An item with nothing to show (no title, no description, no date shown)
    // would only be a gap on air.
    for (const char16_t* c = work.displayText.Raw(); *c; ++c)
        if (*c != u' ') return true;
    return false;
}

void OrderNewestFirst(const MessageList& built, MessageList& out) {
    std::vector<int32_t> order(size_t(built.Count()));
    for (int32_t i = 0; i < built.Count(); ++i) order[size_t(i)] = i;
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) { return built[a].stamp > built[b].stamp; });
    out.RemoveAll();
    out.Reserve(built.Count());
    for (int32_t i : order) out.Add(built[i]);
}
