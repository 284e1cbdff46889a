#include "plugin/feed_publisher.h"

namespace {

// Takes the lock unless the worker is told to stop first.
bool EnterUnlessStopping(TickerLock& lock, const StopSignal& stop) {
    for (;;) {
        if (lock.TryEnterWithin(1)) return true;
        if (stop.Requested()) return false;
    }
}

}  // namespace

bool FeedPublisher::Publish(const FeedResult& feed, const StopSignal& stop) {
    FeedItemOptions options;
    bool userRun, newsOnAir, ahead;
    uint32_t serial;
    if (!EnterUnlessStopping(lock_, stop)) return false;
    {
        const TickerSettings& s = store_.live;
        options.date = s.Date != 0;
        options.time = s.Time != 0;
        options.title = s.Title != 0;
        options.description = s.Description != 0;
        options.latestNews = s.LatestNews != 0;
        options.lastUpdate = s.LastUpdate;
        // A running line's refresh is the timer's, with its news on air.
        ahead = playback_.State().refreshing;
        serial = playback_.State().refreshSerial;
        userRun = playback_.State().userRun && !ahead;
        newsOnAir = playback_.Messages().Count() > 0 || ahead;
        lock_.Leave();
    }
    FeedMessages fresh;
    if (!BuildFeedMessages(feed, options, userRun, newsOnAir, services_.NowSeconds(), stop, fresh))
        return false;

    if (!EnterUnlessStopping(lock_, stop)) return false;
    // Asked again under the lock: once whoever stops the worker holds the lock
    // after telling it, nothing more is published.
    if (stop.Requested()) {
        lock_.Leave();
        return false;
    }
    if (ahead) {
        // Held for the pass's end; nothing new, or a failure, lets the pass
        // run again. A run started since then wants nothing of it.
        const PlaybackState& state = playback_.State();
        if (state.refreshing && state.refreshSerial == serial) {
            playback_.EndRefreshLocked();
            if (fresh.list.Count() > 0)
                playback_.HoldLocked(fresh.list, fresh.fromItems ? std::optional<uint64_t>(fresh.list[0].stamp) : std::nullopt);
        }
        lock_.Leave();
        return true;
    }
    if (fresh.fromItems) store_.live.LastUpdate = fresh.list[0].stamp;
    if (fresh.list.Count() > 0) {
        playback_.PublishLocked(fresh.list);
    } else if (playback_.Messages().Count() == 0 || store_.live.Repeat != 0) {
        playback_.StopPlaybackLocked();
    } else {
        // Nothing new from the timer: the previous messages run once more.
        playback_.RestartMessagesLocked();
    }
    lock_.Leave();
    return true;
}
