#include "feed/feed_source_win.h"

#include <cstdio>
#include <mutex>

#include "base/ansi_codec.h"
#include "feed/feed_page.h"
#include "feed/feed_reader_win.h"

// One feed of the list: its download, with the validators of its own last
// answer.
class WinFeedSource::Feed final : public DownloadHandler {
public:
    Feed(WinFeedSource& source, int32_t index) : source_(source), index_(index) {}
    int32_t Index() const { return index_; }
    void Fetch(const FeedFetch& f, HANDLE slots, const std::string& logPath) {
        DownloadRequest r;
        r.url = f.url;
        r.userRun = f.userRun;
        r.run = f.run;
        if (f.crawl) {
            r.slots = slots;
            r.maxBytes = kCrawlMaxBytes;
            r.maxItems = kCrawlMaxItems;
            r.logPrefix = f.url + ": ";
        }
        downloader_.SetLogPath(logPath);
        downloader_.Download(r);
    }
    Downloader& Downloads() { return downloader_; }

private:
    void OnDownloaded(const DownloadOutcome& outcome) override { source_.Deliver(*this, outcome); }

    WinFeedSource& source_;
    const int32_t index_;
    Downloader downloader_{*this};
};

namespace {

// Holds the one parse slot for as long as it lives, unless the download is
// told to stop while it waits for it.
class ParseTurn {
public:
    ParseTurn(HANDLE parse, HANDLE stopEvent) : parse_(parse) {
        HANDLE handles[2] = {parse, stopEvent};
        held_ = WaitForMultipleObjects(stopEvent ? 2 : 1, handles, FALSE, INFINITE) == WAIT_OBJECT_0;
    }
    ~ParseTurn() {
        if (held_) ReleaseSemaphore(parse_, 1, nullptr);
    }
    ParseTurn(const ParseTurn&) = delete;
    ParseTurn& operator=(const ParseTurn&) = delete;
    bool Held() const { return held_; }

private:
    HANDLE parse_;
    bool held_;
};

}  // namespace

WinFeedSource::WinFeedSource(const TimeZoneInfo& zone, const DateFormatter& formatter)
    : zone_(zone),
      formatter_(formatter),
      slots_(CreateSemaphoreA(nullptr, kSlots, kSlots, nullptr)),
      parse_(CreateSemaphoreA(nullptr, 1, 1, nullptr)) {}

WinFeedSource::~WinFeedSource() {
    Stop();
    feeds_.clear();
    CloseHandle(slots_);
    CloseHandle(parse_);
}

WinFeedSource::Feed& WinFeedSource::FeedAt(int32_t index) {
    std::unique_ptr<Feed>& feed = feeds_[index];
    if (!feed) feed.reset(new Feed(*this, index));
    return *feed;
}

void WinFeedSource::Fetch(const FeedFetch& fetch) {
    std::lock_guard<SrwLock> guard(lock_);
    FeedAt(fetch.feed).Fetch(fetch, slots_, logPath_);
}

void WinFeedSource::Stop() {
    std::lock_guard<SrwLock> guard(lock_);
    // Every worker is told first, so that the waits overlap.
    for (auto& f : feeds_) f.second->Downloads().RequestStop();
    for (auto& f : feeds_) f.second->Downloads().Stop();
}

void WinFeedSource::OpenLog(const std::string& path) {
    std::lock_guard<SrwLock> guard(lock_);
    logPath_ = path;
    if (std::FILE* f = std::fopen(path.c_str(), "w")) std::fclose(f);
    for (auto& f : feeds_) f.second->Downloads().SetLogPath(path);
}

void WinFeedSource::Deliver(const Feed& feed, const DownloadOutcome& outcome) {
    if (!desk_) return;
    const StopSignal& stop = outcome.stop ? *outcome.stop : StopSignal::Never();
    FeedResult result;
    switch (outcome.kind) {
    case DownloadOutcome::Stopped: return;  // whoever stopped it wants nothing from it
    case DownloadOutcome::NotModified: result = FeedResult::Unchanged(); break;
    case DownloadOutcome::Failed: result = FeedResult::Failure(outcome.notice); break;
    case DownloadOutcome::Body: break;
    }
    // Several feeds parse and offer one at a time.
    const ParseTurn turn(parse_, outcome.stopEvent);
    if (!turn.Held()) return;
    if (outcome.kind == DownloadOutcome::Body && !Read(outcome, result)) return;
    Bulletin bulletin;
    if (BulletinOfFeed(result, feed.Index(), outcome.run, stop, bulletin)) desk_->Offer(bulletin, stop);
}

// On the worker, where COM is ready.
bool WinFeedSource::Read(const DownloadOutcome& body, FeedResult& result) const {
    // The file goes before the parse, which a big feed makes long: a host
    // that exits meanwhile ends this thread and would leave it behind.
    FeedBytes bytes;
    const bool read = bytes.Load(body.path);
    DeleteFileA(body.path.c_str());
    FeedParseResult parsed;
    if (!read) {
        parsed.kind = FeedParseResult::BadFeed;
    } else if (IsHtmlPage(body.contentType, bytes.Data(), bytes.Size())) {
        // A site's address: its page may name the feed, followed once (a
        // page that leads to another page is no feed).
        const std::string address =
            body.follow ? FeedAddressOfPage(bytes.Data(), bytes.Size(), body.contentType, body.url, SystemAnsiCodec())
                        : std::string();
        if (!address.empty()) {
            body.Log(("Feed found at " + address + ".").c_str());
            *body.follow = address;
            return false;
        }
        parsed.kind = FeedParseResult::BadFeed;
    } else {
        FeedLimits limits;
        limits.truncated = body.truncated;
        limits.maxItems = body.maxItems;
        parsed = ParseFeed(bytes, body.contentType, limits);
    }
    // Logged, since an automatic refresh shows no notice for them.
    switch (parsed.kind) {
    case FeedParseResult::BadFeed:
        body.Log("Feed ERROR: Not a readable feed.");
        result = FeedResult::Failure(kNoticeBadFeed);
        return true;
    case FeedParseResult::NoMsxml:
        body.Log("Feed ERROR: MSXML not found.");
        result = FeedResult::Failure(kNoticeNoMsxml);
        return true;
    case FeedParseResult::Items: break;
    }
    if (parsed.itemsLeftOut > 0) {
        char line[96];
        std::snprintf(line, sizeof line, "Feed: %d items beyond the first %d left out.", int(parsed.itemsLeftOut),
                      int(body.maxItems));
        body.Log(line);
    }
    result = FeedResult::Read(std::move(parsed.items), zone_, formatter_);
    result.channelLink = std::move(parsed.channelLink);
    result.channelTitle = std::move(parsed.channelTitle);
    result.address = SystemAnsiCodec().ToUtf16(body.url.c_str());
    return true;
}
