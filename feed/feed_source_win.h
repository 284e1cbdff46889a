// The feed source on Windows: each feed of the list has its own download
// (its worker, its validators, its log lines); on that worker the body is
// decoded and parsed, and one bulletin (articles, a failure's notice, or
// "unchanged") is offered at the news desk. A site's page in place of a feed
// names its feed, which the same worker fetches next.
//
// Several feeds read together share four download slots and parse one at
// a time; each is cut off at 8 MB and 2,000 items, and its log lines name
// its address.
// The zone and the date format its items are shown in are given here, once.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "base/srw_lock_win.h"
#include "feed/downloader_win.h"
#include "feed/feed_messages.h"
#include "feed/feed_source.h"
#include "text/news_desk.h"

class WinFeedSource final : public FeedSource {
public:
    static constexpr LONG kSlots = 4;
    static constexpr uint64_t kCrawlMaxBytes = 8ull << 20;
    static constexpr int32_t kCrawlMaxItems = 2000;

    WinFeedSource(const TimeZoneInfo& zone, const DateFormatter& formatter);
    ~WinFeedSource() override;
    WinFeedSource(const WinFeedSource&) = delete;
    WinFeedSource& operator=(const WinFeedSource&) = delete;

    // Where bulletins go; set before the first fetch.
    void DeliverTo(NewsDesk& desk) { desk_ = &desk; }

    void Fetch(const FeedFetch& fetch) override;
    void Stop() override;
    void OpenLog(const std::string& path) override;

private:
    class Feed;
    Feed& FeedAt(int32_t index);  // made at its first fetch; under lock_
    void Deliver(const Feed& feed, const DownloadOutcome& outcome);
    // False when the body was a page whose feed is fetched next.
    bool Read(const DownloadOutcome& body, FeedResult& result) const;

    const TimeZoneInfo& zone_;
    const DateFormatter& formatter_;
    NewsDesk* desk_ = nullptr;
    HANDLE slots_;  // downloads of several feeds at once
    HANDLE parse_;  // one parse at a time
    SrwLock lock_;  // the feeds' table and the calls into their downloaders
    std::map<int32_t, std::unique_ptr<Feed>> feeds_;
    std::string logPath_;
};
