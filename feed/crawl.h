// The crawl of one feed or of several: each feed's articles as the desk
// keeps them between fetches, composed for the air and merged newest first,
// a headline shown once.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/case_fold.h"
#include "base/stop_signal.h"
#include "feed/feed_items.h"
#include "text/message_list.h"

// What a feed last brought that passed the arrival filter, with the key of
// each article's headline, and the label of its channel.
struct FeedArticles {
    MessageList articles;  // document order; no display text yet
    std::vector<std::u16string> headlines;
    std::u16string label;
    uint64_t newest = 0;  // the newest article's stamp; 0 when none is dated
};

// What makes two headlines the same: the title (else the description) with
// every run of white space one blank, none at the ends, case folded. Empty
// for an article with neither.
std::u16string HeadlineKey(const TickerMessage& article, const CaseFolder& fold);

// Moves the articles of `incoming` that TakesArticle takes and that show
// something with `display` into `out`, with their headlines' keys. False
// when `stop` was raised.
bool TakeArticles(MessageList& incoming, uint64_t nowStamp, bool latestNews, uint64_t lastUpdate,
                  const DisplayOptions& display, const CaseFolder& fold, const StopSignal& stop, FeedArticles& out);

struct CrawlOptions {
    DisplayOptions display;
    bool sourceLabel = false;  // each article after its feed's label
    uint64_t oldest = 0;       // dated articles older than this stamp are left out; 0: no limit
};

// `feeds` in the order of the feed list (null entries skipped). The
// articles composed (ComposeArticle; those that would show nothing left
// out), a headline that comes again, in another feed or the same one, left
// out after its first coming in list and document order, then all ordered
// newest first: dated by stamp, equal stamps and the undated (last) in list
// and document order. False when `stop` was raised.
bool BuildCrawl(const std::vector<const FeedArticles*>& feeds, const CrawlOptions& o, const StopSignal& stop,
                MessageList& out);
