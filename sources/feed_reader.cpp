// The RSS reader after its XML walk: messages newest first, the notices,
// LastUpdate, and the publish with its three cases.
#include <chrono>
#include <thread>

#include "plugin/ticker_engine.h"

namespace {

TickerMessage Notice(const char16_t* text) {
    TickerMessage m;
    m.displayText = text;
    return m;
}

// Takes the lock unless the worker is told to stop first.
bool EnterUnlessStopping(TickerLock& lock, bool (*stopping)(void*), void* context) {
    for (;;) {
        if (lock.TryEnter()) return true;
        if (stopping && stopping(context)) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace

bool TickerEngine::OnFeedParsed(const FeedParseResult& feed, const TimeZoneInfo& zone, const DateFormatter& formatter,
                                bool (*stopping)(void*), void* context) {
    MessageList fresh;
    TickerSettings& s = store.live;
    switch (feed.kind) {
    case FeedParseResult::DownloadFailed: fresh.Add(Notice(feed.statusText.c_str())); break;
    case FeedParseResult::NoMsxml: fresh.Add(Notice(kNoticeNoMsxml)); break;
    case FeedParseResult::BadFeed: fresh.Add(Notice(kNoticeBadFeed)); break;
    case FeedParseResult::Items: {
        RssOptions options;
        options.date = s.Date != 0;
        options.time = s.Time != 0;
        options.title = s.Title != 0;
        options.description = s.Description != 0;
        options.latestNews = s.LatestNews != 0;
        options.lastUpdate = s.LastUpdate;
        CalendarFields now;
        uint64_t nowStamp = ~uint64_t(0);
        if (zone.UtcToLocal(services_.NowSeconds(), &now, nullptr)) nowStamp = StampFromFields(now);
        TickerMessage work;
        for (const RssItemTexts& item : feed.items) {
            if (stopping && stopping(context)) return false;
            if (BuildRssMessage(item, options, nowStamp, zone, formatter, work)) InsertNewestFirst(fresh, work);
        }
        if (fresh.Count() > 0) s.LastUpdate = fresh[0].stamp;
        else if (playback.manualStart) fresh.Add(Notice(kNoticeNoNews));
        break;
    }
    }

    if (!EnterUnlessStopping(lock_, stopping, context)) return false;
    if (fresh.Count() > 0) {
        messages.Swap(fresh);
        playback.contentReady = 1;
        playback.nextMessage = 0;
        AppendSegment();
    } else if (messages.Count() == 0 || s.Repeat != 0) {
        StopPlayback(0);
    } else {
        // Nothing new from the timer: the previous messages run once more.
        playback.contentReady = 1;
        playback.nextMessage = 0;
        AppendSegment();
    }
    lock_.Leave();
    return true;
}
