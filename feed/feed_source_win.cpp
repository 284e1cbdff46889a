#include "feed/feed_source_win.h"

#include "feed/feed_reader_win.h"

void WinFeedSource::OnDownloaded(const DownloadOutcome& outcome) {
    if (!receiver_) return;
    const StopSignal& stop = outcome.stop ? *outcome.stop : StopSignal::Never();
    switch (outcome.kind) {
    case DownloadOutcome::Stopped: return;  // whoever stopped it wants nothing from it
    case DownloadOutcome::NotModified: receiver_->OnFeed(FeedResult::Unchanged(), stop); return;
    case DownloadOutcome::Failed: receiver_->OnFeed(FeedResult::Failure(outcome.notice), stop); return;
    case DownloadOutcome::Body: receiver_->OnFeed(Read(outcome), stop); return;
    }
}

// On the worker, where COM is ready.
FeedResult WinFeedSource::Read(const DownloadOutcome& body) const {
    // The file goes before the parse, which a big feed makes long: a host
    // that exits meanwhile ends this thread and would leave it behind.
    FeedBytes bytes;
    const bool read = bytes.Load(body.path);
    DeleteFileA(body.path.c_str());
    FeedParseResult parsed;
    if (read) parsed = ParseFeed(bytes, body.contentType);
    else parsed.kind = FeedParseResult::BadFeed;
    // Logged, since an automatic refresh shows no notice for them.
    switch (parsed.kind) {
    case FeedParseResult::BadFeed:
        body.Log("Feed ERROR: Not a readable feed.");
        return FeedResult::Failure(kNoticeBadFeed);
    case FeedParseResult::NoMsxml:
        body.Log("Feed ERROR: MSXML not found.");
        return FeedResult::Failure(kNoticeNoMsxml);
    case FeedParseResult::Items: break;
    }
    return FeedResult::Read(std::move(parsed.items), zone_, formatter_);
}
