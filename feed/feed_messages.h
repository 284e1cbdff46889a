// What one fetch of a feed comes to, the one way it reaches the engine, and
// the messages it becomes there (newest first, or one notice), built
// without any lock.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/stop_signal.h"
#include "text/message_list.h"
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
    // Items: the channel's own link as written, and the address the feed
    // came from (after redirects) that relative links are read against.
    std::u16string channelLink, address;

    // The result keeps `zone` and `formatter` by address: they outlive it.
    static FeedResult Read(std::vector<FeedItemTexts> items, const TimeZoneInfo& zone, const DateFormatter& formatter);
    static FeedResult Read(std::vector<FeedItemTexts>, const TimeZoneInfo&&, const DateFormatter&) = delete;
    static FeedResult Read(std::vector<FeedItemTexts>, const TimeZoneInfo&, const DateFormatter&&) = delete;
    static FeedResult Failure(std::u16string notice);
    static FeedResult Unchanged();
};

// The engine's end of a feed source. On the source's worker; false when it
// gave up because `stop` was raised, in which case nothing was published.
class FeedReceiver {
public:
    virtual bool OnFeed(const FeedResult& feed, const StopSignal& stop) = 0;

protected:
    ~FeedReceiver() = default;
};

// The page a message opens: its item's link, else the channel's, else the
// feed's own address, each made absolute against `address`; only a web link
// counts (a javascript: or file: link falls through to the next). Empty
// when none is one.
std::u16string MessageLink(const std::u16string& itemLink, const std::u16string& channelLink,
                           const std::u16string& address);

struct FeedMessages {
    MessageList list;
    bool fromItems = false;  // the list holds items (their newest stamp is the new LastUpdate)
};

// `userRun` shows "Нет новых сообщений" when no item passes the filter, and
// the notice of a failure. A run of the refresh timer shows a failure only
// while no news is on air (`newsOnAir` false: there is nothing for it to
// replace); otherwise a failed or unchanged refresh leaves the list empty,
// as one with no new items does, and the news on air stays (the failure is
// in the log).
// Looks at `stop` between items; false when it was raised.
bool BuildFeedMessages(const FeedResult& feed, const FeedItemOptions& options, bool userRun, bool newsOnAir,
                       int64_t nowSeconds, const StopSignal& stop, FeedMessages& out);
