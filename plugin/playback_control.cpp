#include "plugin/playback_control.h"

#include <vector>

#include "plugin/source_messages.h"

void PlaybackControl::StartPlayback(RunBy by) {
    ContentSource source;
    {
        LockGuard guard(lock_);
        source = store_.live.Source();
    }
    // A file's watch begins before it is read, so that a save in between is seen.
    if (source == ContentSource::TextFile) services_.WatchFile(SourceFile(lock_, store_), onAir_);
    else services_.StopWatchingFile();
    // The file is read before the lock is taken: frames keep coming meanwhile.
    MessageList fresh, spent;
    LoadSourceMessages(lock_, store_, source, fresh);
    std::vector<FeedFetch> fetches;
    {
        LockGuard guard(lock_);
        onAir_.BeginRunLocked(by, source, fresh, &fetches, spent);
    }
    if (source == ContentSource::Feed) RefreshAnnouncements();
    for (const FeedFetch& f : fetches) services_.FetchFeed(f);
    dialog_.Post(UPDATE_RUNSTATE);
}

void PlaybackControl::StopPlayback(bool stopDownloads) {
    if (stopDownloads) services_.StopFeeds();
    services_.StopWatchingFile();
    MessageList spent;  // freed after the lock
    LockGuard guard(lock_);
    onAir_.EndRunLocked(spent);
}

void PlaybackControl::ArmAutoUpdate() {
    LockGuard guard(lock_);
    onAir_.ArmAutoUpdateLocked();
}

void PlaybackControl::StartRefreshAhead() {
    std::vector<FeedFetch> fetches;
    {
        LockGuard guard(lock_);
        onAir_.TakeDueRefreshesLocked(&fetches);
    }
    if (fetches.empty()) return;
    for (const FeedFetch& f : fetches) services_.FetchFeed(f);
    ArmAutoUpdate();
}

void PlaybackControl::RefreshAnnouncements() {
    MessageList announcements;
    LoadAnnouncements(lock_, store_, announcements);
    LockGuard guard(lock_);
    onAir_.SetAnnouncementsLocked(announcements);
}
