#include "plugin/playback_control.h"

#include "base/saturate.h"
#include "plugin/source_messages.h"

void PlaybackControl::StartPlayback(RunBy by) {
    ContentSource source;
    {
        LockGuard guard(lock_);
        source = store_.live.Source();
    }
    // A file's watch begins before it is read, so that a save in between is seen.
    if (source == ContentSource::TextFile) services_.WatchFile(SourceFile(lock_, store_), *this);
    else services_.StopWatchingFile();
    // The file is read before the lock is taken: frames keep coming meanwhile.
    MessageList fresh, spent;
    LoadSourceMessages(lock_, store_, source, fresh);
    {
        LockGuard guard(lock_);
        ForgetHeldListLocked();
        spent.Swap(held_);  // freed after the lock
        state_.userRun = by == RunBy::User;
        segments_.clear();
        store_.live.LineOn = 1;
        state_.repeatCounter = store_.live.Repeat;
        state_.contentReady = false;
        state_.nextMessage = 0;
        if (source == ContentSource::Strings || source == ContentSource::TextFile) PublishLocked(fresh);
    }
    if (source == ContentSource::Feed) StartFeed();
    dialog_.Post(UPDATE_RUNSTATE);
}

void PlaybackControl::StopPlayback(bool stopDownload) {
    if (stopDownload) services_.StopDownload();
    services_.StopWatchingFile();
    LockGuard guard(lock_);
    StopPlaybackLocked();
}

void PlaybackControl::StopPlaybackLocked() {
    ForgetHeldListLocked();
    store_.live.LineOn = 0;
    state_.contentReady = false;
    state_.repeatCounter = 0;
    dialog_.Post(UPDATE_RUNSTATE);
}

std::string PlaybackControl::FeedAddressLocked() {
    const std::string* entry = ListEntry(store_.urls, store_.live.URLIdx);
    std::string url = entry ? *entry : std::string();
    if (store_.live.LastURL != url) {
        store_.live.LastUpdate = 0;
        store_.live.LastURL = url;
    }
    return url;
}

void PlaybackControl::StartFeed() {
    std::string url;
    bool userRun;
    {
        LockGuard guard(lock_);
        userRun = state_.userRun;
        url = FeedAddressLocked();
    }
    services_.StartDownload(url, userRun);
}

bool PlaybackControl::RefreshAheadDueLocked() const {
    // Cheap tests first: every frame of a running line asks.
    const TickerSettings& s = store_.live;
    if (!s.LineOn || s.Repeat != 0 || s.AutoUpdate == 0 || s.Source() != ContentSource::Feed) return false;
    if (!state_.contentReady || state_.refreshing || state_.listWaiting) return false;
    return AutoUpdateDueLocked();
}

void PlaybackControl::StartRefreshAhead() {
    std::string url;
    {
        LockGuard guard(lock_);
        if (!RefreshAheadDueLocked()) return;
        state_.refreshing = true;
        ++state_.refreshSerial;
        url = FeedAddressLocked();
    }
    services_.StartDownload(url, false);
    ArmAutoUpdate();
}

bool PlaybackControl::OnFileRead(MessageList& fresh, const StopSignal& stop) {
    // Nobody waits for the watcher while holding the lock: it may wait here.
    LockGuard guard(lock_);
    if (stop.Requested()) return false;
    const TickerSettings& s = store_.live;
    if (s.LineOn && s.Source() == ContentSource::TextFile && state_.contentReady) HoldLocked(fresh, std::nullopt);
    return true;
}

void PlaybackControl::AdvanceSegmentsLocked(int32_t step) {
    if (!state_.contentReady) return;
    for (int32_t i = 0; i < int32_t(segments_.size()); ++i) {
        int64_t x = int64_t(segments_[i].x) - step;
        if (x < INT32_MIN / 2) x = INT32_MIN / 2;  // far out on the left either way
        if (x > INT32_MAX / 2) x = INT32_MAX / 2;
        segments_[i].x = int32_t(x);
    }
}

void PlaybackControl::UpdateSegmentsLocked() {
    if (!state_.contentReady) return;
    for (int32_t i = int32_t(segments_.size()) - 1; i >= 0; --i)
        if (int64_t(segments_[i].x) + segments_[i].width <= 0) segments_.erase(segments_.begin() + i);
    if (int32_t(segments_.size()) == 0) {
        --state_.repeatCounter;
        // With Repeat 0 a refresh no longer ends the pass: it downloads while
        // the pass goes on (StartRefreshAhead), and what it brings is held.
        if (state_.repeatCounter < 0 && (store_.live.Repeat == 0 || !AutoUpdateDueLocked())) {
            state_.repeatCounter = store_.live.Repeat;
            TakeHeldListLocked();
            state_.nextMessage = 0;
            AppendSegmentLocked();
        } else if (state_.repeatCounter > 0) {
            TakeHeldListLocked();
            state_.nextMessage = 0;
            AppendSegmentLocked();
        } else {
            StopPlaybackLocked();
        }
        return;
    }
    const TickerSegment& last = segments_[int32_t(segments_.size()) - 1];
    if (last.messageIndex == messages_.Count() - 1) return;  // the pass's last message is under way
    if (int64_t(last.x) + last.width + band_.Metrics().gapWidth >= store_.live.LineSize) return;
    ++state_.nextMessage;
    AppendSegmentLocked();
}

void PlaybackControl::AppendSegmentLocked() {
    if (!state_.contentReady) return;
    const int32_t index = state_.nextMessage;
    if (index < 0 || index >= messages_.Count()) return;
    MeasuredText m = band_.MeasureMessageLocked(messages_[index], MessageKey(messagesRevision_, index));
    segments_.push_back(TickerSegment{index, store_.live.LineSize, m.width, std::move(m.layout)});
}

void PlaybackControl::PublishLocked(MessageList& fresh) {
    messages_.Swap(fresh);
    ++messagesRevision_;
    RestartMessagesLocked();
}

void PlaybackControl::HoldLocked(MessageList& fresh, std::optional<uint64_t> lastUpdate) {
    held_.Swap(fresh);
    heldLastUpdate_ = lastUpdate;
    state_.listWaiting = true;
}

void PlaybackControl::TakeHeldListLocked() {
    if (!state_.listWaiting) return;
    messages_.Swap(held_);
    ++messagesRevision_;
    if (heldLastUpdate_) store_.live.LastUpdate = *heldLastUpdate_;
    state_.listWaiting = false;
}

void PlaybackControl::ForgetHeldListLocked() {
    state_.refreshing = false;
    state_.listWaiting = false;
}

void PlaybackControl::RestartMessagesLocked() {
    state_.contentReady = true;
    state_.nextMessage = 0;
    AppendSegmentLocked();
}

void PlaybackControl::RemeasureSegmentsLocked() {
    if (!state_.contentReady || int32_t(segments_.size()) == 0) return;
    int64_t x = segments_[0].x;
    for (int32_t i = 0; i < int32_t(segments_.size()); ++i) {
        TickerSegment& seg = segments_[i];
        seg.x = int32_t(x);
        const int32_t index = seg.messageIndex;
        MeasuredText m;
        if (index >= 0 && index < messages_.Count())
            m = band_.MeasureMessageLocked(messages_[index], MessageKey(messagesRevision_, index));
        seg.width = m.width;
        seg.layout = std::move(m.layout);
        x += int64_t(seg.width) + band_.Metrics().gapWidth;
        x = SaturateInt32(x);
    }
}

void PlaybackControl::ArmAutoUpdate() {
    LockGuard guard(lock_);
    if (store_.live.AutoUpdate != 0)
        state_.autoUpdateDeadline = services_.NowSeconds() + int64_t(store_.live.AutoUpdate) * 60;
}

bool PlaybackControl::AutoUpdateDueLocked() const {
    const TickerSettings& s = store_.live;
    return s.Source() == ContentSource::Feed && s.AutoUpdate != 0 && !dialog_.IsOpen() &&
           services_.NowSeconds() >= state_.autoUpdateDeadline;
}
