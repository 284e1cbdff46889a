// The feed source on Windows: on the download's worker the body is decoded
// and parsed, and one result (items or a notice) is handed to the receiver.
// A site's page in place of a feed names its feed, which the same worker
// fetches next.
// The zone and the date format its items are shown in are given here, once.
#pragma once
#include "feed/downloader_win.h"
#include "feed/feed_messages.h"
#include "feed/feed_source.h"

class WinFeedSource final : public FeedSource, private DownloadHandler {
public:
    WinFeedSource(const TimeZoneInfo& zone, const DateFormatter& formatter) : zone_(zone), formatter_(formatter) {}

    // Where results go; set before the first fetch.
    void DeliverTo(FeedReceiver& receiver) { receiver_ = &receiver; }

    void Fetch(const std::string& url, bool userRun) override { downloader_.Download(url, userRun); }
    void Stop() override { downloader_.Stop(); }
    void OpenLog(const std::string& path) override { downloader_.OpenLog(path); }

private:
    void OnDownloaded(const DownloadOutcome& outcome) override;
    // False when the body was a page whose feed is fetched next.
    bool Read(const DownloadOutcome& body, FeedResult& result) const;

    const TimeZoneInfo& zone_;
    const DateFormatter& formatter_;
    FeedReceiver* receiver_ = nullptr;
    Downloader downloader_{*this};
};
