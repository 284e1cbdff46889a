// The feed reader after its XML walk: what the walk found, and the messages
// it becomes (newest first, or one notice), built without any lock.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sources/message_list.h"
#include "sources/rss_items.h"

struct FeedParseResult {
    enum Kind { Items, DownloadFailed, NoMsxml, BadFeed } kind = Items;
    std::vector<RssItemTexts> items;
    std::u16string statusText;  // the downloader's last status, for DownloadFailed
};

struct FeedMessages {
    MessageList list;
    bool fromItems = false;  // the list holds items (their newest stamp is the new LastUpdate)
};

// `userRun` shows "Нет новых сообщений" when no item passes the filter.
// Checks `stopping` between items; false when it said so.
bool BuildFeedMessages(const FeedParseResult& feed, const RssOptions& options, bool userRun, int64_t nowSeconds,
                       const TimeZoneInfo& zone, const DateFormatter& formatter, bool (*stopping)(void*),
                       void* context, FeedMessages& out);
