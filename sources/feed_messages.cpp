#include "sources/feed_messages.h"

#include <algorithm>
#include <utility>

namespace {

void AddNotice(MessageList& list, std::u16string text) {
    TickerMessage m;
    m.displayText = std::move(text);
    list.Add(m);
}

}  // namespace

bool BuildFeedMessages(const FeedParseResult& feed, const RssOptions& options, bool userRun, bool newsOnAir,
                       int64_t nowSeconds,
                       const TimeZoneInfo& zone, const DateFormatter& formatter, bool (*stopping)(void*),
                       void* context, FeedMessages& out) {
    out.list.RemoveAll();
    out.fromItems = false;
    const bool showFailure = userRun || !newsOnAir;
    switch (feed.kind) {
    case FeedParseResult::DownloadFailed:
        if (showFailure) AddNotice(out.list, feed.statusText);
        break;
    case FeedParseResult::NoMsxml:
        if (showFailure) AddNotice(out.list, kNoticeNoMsxml);
        break;
    case FeedParseResult::BadFeed:
        if (showFailure) AddNotice(out.list, kNoticeBadFeed);
        break;
    case FeedParseResult::NotModified:
        if (userRun) AddNotice(out.list, kNoticeNoNews);
        break;
    case FeedParseResult::Items: {
        CalendarFields now;
        uint64_t nowStamp = ~uint64_t(0);
        if (zone.UtcToLocal(nowSeconds, &now, nullptr)) nowStamp = StampFromFields(now);
        // Room for every item at once: a big feed is not copied again and again as it grows.
        MessageList built;
        built.SetSize(0, int32_t(std::min<size_t>(feed.items.size(), size_t(1) << 24)));
        TickerMessage work;
        for (const RssItemTexts& item : feed.items) {
            if (stopping && stopping(context)) return false;
            if (BuildRssMessage(item, options, nowStamp, zone, formatter, work)) built.Add(work);
        }
        if (stopping && stopping(context)) return false;
        OrderNewestFirst(built, out.list);
        if (out.list.Count() > 0) out.fromItems = true;
        else if (userRun) AddNotice(out.list, kNoticeNoNews);
        break;
    }
    }
    return true;
}
