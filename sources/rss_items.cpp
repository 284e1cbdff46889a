#include "sources/rss_items.h"

#include "sources/ansi_codec.h"

#include <algorithm>
#include <vector>

const char16_t kNoticeNoMsxml[] = u"Библиотека MSXML не найдена";
const char16_t kNoticeBadFeed[] = u"Ошибка на странице RSS-ленты";
const char16_t kNoticeNoNews[] = u"Нет новых сообщений";

uint64_t StampFromFields(const CalendarFields& f) {
    // days from 1601-01-01 to the date (proleptic Gregorian)
    int64_t y = f.year, m = f.month;
    if (m <= 2) y -= 1, m += 12;
    const int64_t days = 365 * y + y / 4 - y / 100 + y / 400 + (153 * (m - 3) + 2) / 5 + f.day - 1 -
                         (365 * 1600 + 1600 / 4 - 1600 / 100 + 1600 / 400 + (153 * 10 + 2) / 5);
    const int64_t secs = days * 86400 + int64_t(f.hour) * 3600 + int64_t(f.minute) * 60 + f.second;
    return secs < 0 ? 0 : uint64_t(secs) * 10000000u;
}

bool BuildRssMessage(const RssItemTexts& item, const RssOptions& o, uint64_t nowStamp, const TimeZoneInfo& zone,
                     const DateFormatter& formatter, TickerMessage& work) {
    work.dateText = item.pubDate.c_str();
    work.titleText = item.title.c_str();
    work.descriptionText = item.description.c_str();
    work.timeText.Clear();

    int64_t seconds = 0;
    CalendarFields local;
    int32_t weekday = 0;
    const std::string ansiDate = SystemAnsiCodec().FromUtf16(item.pubDate.c_str());
    if (ParseRfc822Date(ansiDate, zone, &seconds) && zone.UtcToLocal(seconds, &local, &weekday)) {
        work.stamp = StampFromFields(local);
        std::u16string date = formatter.Format("%d %b %Y", local, weekday);
        date += u" г.";
        work.dateText = date.c_str();
        work.timeText = formatter.Format("%H:%M", local, weekday).c_str();
    } else {
        work.stamp = 0;
        work.dateText.Clear();
        work.timeText.Clear();
    }

    const bool taken = work.stamp == 0 || (work.stamp <= nowStamp && (!o.latestNews || work.stamp > o.lastUpdate));
    if (!taken) return false;

    work.descriptionText.StripTags(u'<', u'>');
    work.displayText.Clear();
    if (o.date) {
        work.displayText.Append(work.dateText);
        work.displayText.Append(u"  ");
    }
    if (o.time) {
        work.displayText.Append(work.timeText);
        work.displayText.Append(u"  ");
    }
    if (o.title) {
        work.displayText.Append(work.titleText);
        work.displayText.Append(u"  ");
    }
    if (o.description) {
        if (!work.descriptionText.IsEmpty()) work.displayText.Append(work.descriptionText);
        else if (!o.title) work.displayText.Append(work.titleText);
    }
    return true;
}

void InsertNewestFirst(MessageList& list, const TickerMessage& message) {
    // The list is kept sorted, newest first, so the first message with a
    // smaller stamp is found from the end as well: right away for the usual
    // feeds, which come newest first.
    int32_t at = list.Count();
    while (at > 0 && list[at - 1].stamp < message.stamp) --at;
    list.InsertAt(at, message);
}

void OrderNewestFirst(const MessageList& built, MessageList& out) {
    std::vector<int32_t> order(size_t(built.Count()));
    for (int32_t i = 0; i < built.Count(); ++i) order[size_t(i)] = i;
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) { return built[a].stamp > built[b].stamp; });
    out.SetSize(0, built.Count() > 0 ? built.Count() : -1);
    for (int32_t i : order) out.Add(built[i]);
}
