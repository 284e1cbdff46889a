// What one fetch of a feed comes to, and the bulletin it becomes for the
// news desk (its articles, or a failure's notice), built without any lock.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/stop_signal.h"
#include "text/message_list.h"
#include "text/news_desk.h"
#include "feed/feed_items.h"

// The items of a feed, a failure's notice, or "nothing new" (a 304 to an
// automatic refresh). Items carry the zone and the date format of the
// source that read them.
struct FeedResult {
    enum Kind { Items, Failed, NotModified } kind = Items;
    std::vector<FeedItemTexts> items;
    std::u16string notice;  // Failed: what the band shows
    const TimeZoneInfo* zone = nullptr;
    const DateFormatter* formatter = nullptr;
    // Items: the channel's own link as written and its title cleaned, and the
    // address the feed came from (after redirects) that relative links are
    // read against.
    std::u16string channelLink, channelTitle, address;

    // The result keeps `zone` and `formatter` by address: they outlive it.
    static FeedResult Read(std::vector<FeedItemTexts> items, const TimeZoneInfo& zone, const DateFormatter& formatter);
    static FeedResult Read(std::vector<FeedItemTexts>, const TimeZoneInfo&&, const DateFormatter&) = delete;
    static FeedResult Read(std::vector<FeedItemTexts>, const TimeZoneInfo&, const DateFormatter&&) = delete;
    static FeedResult Failure(std::u16string notice);
    static FeedResult Unchanged();
};

// The page a message opens: its item's link, else the channel's, else the
// feed's own address, each made absolute against `address`; only a web link
// counts (a javascript: or file: link falls through to the next). Empty
// when none is one.
std::u16string MessageLink(const std::u16string& itemLink, const std::u16string& channelLink,
                           const std::u16string& address);

// The bulletin of feed `feed` for `run`: its articles in document order,
// each with the page it opens (MessageLink) and its display text left to
// the desk, labelled with the channel's title (cleaned) or else its site's
// host name; a failure's notice; or "unchanged". Looks at `stop` between
// items; false when it was raised.
bool BulletinOfFeed(const FeedResult& feed, int32_t index, uint32_t run, const StopSignal& stop, Bulletin& out);

// What labels a feed's items: its channel's title (as the reader cleaned
// it), else the host name of the address it came from.
std::u16string FeedLabel(const std::u16string& channelTitle, const std::u16string& address);
