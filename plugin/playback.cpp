// Starting and stopping runs, scrolling the segments, feeding messages in,
// counting passes and the automatic feed refresh.
#include "plugin/ticker_engine.h"

void TickerEngine::StartPlayback(int32_t manual) {
    TickerSettings& s = store.live;
    // The file is read before the lock is taken: frames keep coming meanwhile.
    const int32_t source = s.StringSource;
    MessageList fresh;
    if (source == 0) BuildStringMessages(store.strings, s.StrIdx, fresh);
    else if (source == 1) BuildFileMessages(store.files, s.FileIdx, fresh);
    {
        LockGuard guard(lock_);
        playback.manualStart = manual;
        segments.RemoveAll();
        s.LineOn = 1;
        playback.repeatCounter = s.Repeat;
        playback.contentReady = 0;
        playback.nextMessage = 0;
        if (source == 0 || source == 1) PublishMessages(fresh);
    }
    if (source == 2) StartFeed();
    if (services_.DialogHasWindow()) services_.PostDialogUpdate(UPDATE_RUNSTATE);
}

void TickerEngine::StopPlayback(int32_t stopDownloader) {
    if (stopDownloader) services_.StopDownload();
    {
        LockGuard guard(lock_);
        store.live.LineOn = 0;
        playback.contentReady = 0;
        playback.repeatCounter = 0;
    }
    if (services_.DialogHasWindow()) services_.PostDialogUpdate(UPDATE_RUNSTATE);
}

int32_t TickerEngine::StartFeed() {
    std::string url;
    {
        LockGuard guard(lock_);
        const std::string* entry = ListEntry(store.urls, store.live.URLIdx);
        url = entry ? *entry : std::string();
        if (store.live.LastURL != url) {
            store.live.LastUpdate = 0;
            store.live.LastURL = url;
        }
    }
    return services_.StartDownload(url);
}

void TickerEngine::AdvanceSegments(int32_t step) {
    LockGuard guard(lock_);
    if (!playback.contentReady) return;
    for (int32_t i = 0; i < segments.Count(); ++i) {
        int64_t x = int64_t(segments[i].x) - step;
        if (x < INT32_MIN / 2) x = INT32_MIN / 2;  // far out on the left either way
        if (x > INT32_MAX / 2) x = INT32_MAX / 2;
        segments[i].x = int32_t(x);
    }
}

void TickerEngine::UpdateSegments() {
    LockGuard guard(lock_);
    if (!playback.contentReady) return;
    for (int32_t i = segments.Count() - 1; i >= 0; --i)
        if (int64_t(segments[i].x) + segments[i].width <= 0) segments.RemoveAt(i);
    if (segments.Count() == 0) {
        --playback.repeatCounter;
        if (playback.repeatCounter < 0 && !IsAutoUpdateDue()) {
            playback.repeatCounter = store.live.Repeat;
            playback.nextMessage = 0;
            AppendSegment();
        } else if (playback.repeatCounter > 0) {
            playback.nextMessage = 0;
            AppendSegment();
        } else {
            StopPlayback(0);
        }
        return;
    }
    const TickerSegment& last = segments[segments.Count() - 1];
    if (last.messageIndex == messages.Count() - 1) return;  // the pass's last message is under way
    if (int64_t(last.x) + last.width + metrics.gapWidth >= store.live.LineSize) return;
    ++playback.nextMessage;
    AppendSegment();
}

void TickerEngine::ArmAutoUpdate() {
    if (store.live.AutoUpdate != 0)
        playback.autoUpdateDeadline = services_.NowSeconds() + int64_t(store.live.AutoUpdate) * 60;
}

bool TickerEngine::IsAutoUpdateDue() {
    const TickerSettings& s = store.live;
    return s.StringSource == 2 && s.AutoUpdate != 0 && !services_.DialogHasWindow() &&
           services_.NowSeconds() >= playback.autoUpdateDeadline;
}
