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

std::u16string FeedLabel(const std::u16string& channelTitle, const std::u16string& address) {
    if (!channelTitle.empty()) return channelTitle;
    // scheme://[user@]host[:port]/...
    const size_t scheme = address.find(u"://");
    if (scheme == std::u16string::npos) return std::u16string();
    size_t from = scheme + 3;
    size_t to = address.find_first_of(u"/?#", from);
    if (to == std::u16string::npos) to = address.size();
    const size_t at = address.rfind(u'@', to);
    if (at != std::u16string::npos && at >= from) from = at + 1;
    std::u16string host = address.substr(from, to - from);
    if (!host.empty() && host[0] == u'[') {  // an IPv6 literal keeps its colons
        const size_t close = host.find(u']');
        return close == std::u16string::npos ? host : host.substr(0, close + 1);
    }
    const size_t colon = host.find(u':');
    if (colon != std::u16string::npos) host.resize(colon);
    return host;
}

bool BulletinOfFeed(const FeedResult& feed, int32_t index, uint32_t run, const StopSignal& stop, Bulletin& out) {
    out = Bulletin();
    out.from = Bulletin::From::Feed;
    out.feed = index;
    out.run = run;
    switch (feed.kind) {
    case FeedResult::Failed:
        out.kind = Bulletin::Kind::Failed;
        out.text = feed.notice;
        return true;
    case FeedResult::NotModified:
        out.kind = Bulletin::Kind::Unchanged;
        return true;
    case FeedResult::Items: break;
    }
    out.kind = Bulletin::Kind::News;
    out.label = FeedLabel(feed.channelTitle, feed.address);
    // Items come with their source's zone (FeedResult::Read); an empty feed may have none.
    if (!feed.zone || !feed.formatter) return true;
    // Room for every item at once: a big feed is not copied again and again as it grows.
    out.messages.Reserve(int32_t(std::min<size_t>(feed.items.size(), size_t(1) << 24)));
    TickerMessage work;
    // What an item without a web link of its own opens, worked out once.
    const std::u16string fallback = ChannelFallback(feed.channelLink, feed.address);
    for (const FeedItemTexts& item : feed.items) {
        if (stop.Requested()) return false;
        ArticleOfItem(item, *feed.zone, *feed.formatter, work);
        work.link = WebLinkOf(feed.address, item.link);
        if (work.link.empty()) work.link = fallback;
        out.messages.Add(work);
    }
    return !stop.Requested();
}
