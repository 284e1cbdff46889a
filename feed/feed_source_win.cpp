#include "feed/feed_source_win.h"

#include "base/ansi_codec.h"
#include "feed/feed_page.h"
#include "feed/feed_reader_win.h"

void WinFeedSource::OnDownloaded(const DownloadOutcome& outcome) {
    if (!receiver_) return;
    const StopSignal& stop = outcome.stop ? *outcome.stop : StopSignal::Never();
    switch (outcome.kind) {
    case DownloadOutcome::Stopped: return;  // whoever stopped it wants nothing from it
    case DownloadOutcome::NotModified: receiver_->OnFeed(FeedResult::Unchanged(), stop); return;
    case DownloadOutcome::Failed: receiver_->OnFeed(FeedResult::Failure(outcome.notice), stop); return;
    case DownloadOutcome::Body: {
        FeedResult result;
        if (Read(outcome, result)) receiver_->OnFeed(result, stop);
        return;
    }
    }
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
        const std::string feed =
            body.follow ? FeedAddressOfPage(bytes.Data(), bytes.Size(), body.contentType, body.url, SystemAnsiCodec())
                        : std::string();
        if (!feed.empty()) {
            body.Log(("Feed found at " + feed + ".").c_str());
            *body.follow = feed;
            return false;
        }
        parsed.kind = FeedParseResult::BadFeed;
    } else {
        parsed = ParseFeed(bytes, body.contentType);
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
    result = FeedResult::Read(std::move(parsed.items), zone_, formatter_);
    result.channelLink = std::move(parsed.channelLink);
    result.address = SystemAnsiCodec().ToUtf16(body.url.c_str());
    return true;
}
