// The feed reader after its XML walk: what the walk found, and the messages
// it becomes (newest first, or one notice), built without any lock.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sources/message_list.h"
#include "sources/rss_items.h"

struct FeedParseResult {
    // NotModified: an automatic refresh that the server answered with 304.
    enum Kind { Items, DownloadFailed, NoMsxml, BadFeed, NotModified } kind = Items;
    std::vector<RssItemTexts> items;
    std::u16string statusText;  // the downloader's last status, for DownloadFailed
};

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
// Checks `stopping` between items; false when it said so.
bool BuildFeedMessages(const FeedParseResult& feed, const RssOptions& options, bool userRun, bool newsOnAir,
                       int64_t nowSeconds,
                       const TimeZoneInfo& zone, const DateFormatter& formatter, bool (*stopping)(void*),
                       void* context, FeedMessages& out);
