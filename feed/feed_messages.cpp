#include "feed/feed_messages.h"

#include <algorithm>
#include <utility>

#include "feed/feed_text.h"
#include "feed/url_reference.h"
#include "feed/web_link.h"

namespace {

// `link` made absolute, when that is a web link; else empty. A blank link
// is none (resolved, it would be the address itself).
std::u16string WebLinkOf(const std::u16string& address, const std::u16string& link) {
    if (std::all_of(link.begin(), link.end(), IsFeedSpace)) return std::u16string();
    std::u16string resolved = ResolveUrl(address, link);
    return IsOpenableWebLink(resolved) ? resolved : std::u16string();
}

std::u16string ChannelFallback(const std::u16string& channelLink, const std::u16string& address) {
    std::u16string link = WebLinkOf(address, channelLink);
    return link.empty() ? WebLinkOf(address, address) : link;
}

void AddNotice(MessageList& list, std::u16string text) {
    TickerMessage m;
    m.displayText = std::move(text);
    list.Add(m);
}

}  // namespace

FeedResult FeedResult::Read(std::vector<FeedItemTexts> items, const TimeZoneInfo& zone, const DateFormatter& formatter) {
    FeedResult r;
    r.items = std::move(items);
    r.zone = &zone;
    r.formatter = &formatter;
    return r;
}

FeedResult FeedResult::Failure(std::u16string notice) {
    FeedResult r;
    r.kind = Failed;
    r.notice = std::move(notice);
    return r;
}

FeedResult FeedResult::Unchanged() {
    FeedResult r;
    r.kind = NotModified;
    return r;
}

std::u16string MessageLink(const std::u16string& itemLink, const std::u16string& channelLink,
                           const std::u16string& address) {
    std::u16string link = WebLinkOf(address, itemLink);
    return link.empty() ? ChannelFallback(channelLink, address) : link;
}

bool BuildFeedMessages(const FeedResult& feed, const FeedItemOptions& options, bool userRun, bool newsOnAir,
                       int64_t nowSeconds, const StopSignal& stop, FeedMessages& out) {
    out.list.RemoveAll();
    out.fromItems = false;
    const bool showFailure = userRun || !newsOnAir;
    switch (feed.kind) {
    case FeedResult::Failed:
        if (showFailure) AddNotice(out.list, feed.notice);
        break;
    case FeedResult::NotModified:
        if (userRun) AddNotice(out.list, kNoticeNoNews);
        break;
    case FeedResult::Items: {
        CalendarFields now;
        uint64_t nowStamp = ~uint64_t(0);
        // Items come with their source's zone (FeedResult::Read); an empty feed may have none.
        if (feed.zone && feed.zone->UtcToLocal(nowSeconds, &now, nullptr)) nowStamp = StampFromFields(now);
        // Room for every item at once: a big feed is not copied again and again as it grows.
        MessageList built;
        built.Reserve(int32_t(std::min<size_t>(feed.items.size(), size_t(1) << 24)));
        TickerMessage work;
        // What an item without a web link of its own opens, worked out once.
        const std::u16string fallback = ChannelFallback(feed.channelLink, feed.address);
        for (const FeedItemTexts& item : feed.items) {
            if (stop.Requested()) return false;
            if (!BuildItemMessage(item, options, nowStamp, *feed.zone, *feed.formatter, work)) continue;
            work.link = WebLinkOf(feed.address, item.link);
            if (work.link.empty()) work.link = fallback;
            built.Add(work);
        }
        if (stop.Requested()) return false;
        OrderNewestFirst(built, out.list);
        if (out.list.Count() > 0) out.fromItems = true;
        else if (userRun) AddNotice(out.list, kNoticeNoNews);
        break;
    }
    }
    return true;
}
