// Starting and stopping runs, the segments that scroll across the band, the
// messages on air, the pass count and the automatic feed refresh.
//
// Lock discipline: functions ending in Locked expect the ticker lock held and
// never wait on another thread; the others take the lock for their changes
// and make their downloader calls after releasing it.
#pragma once
#include <cstdint>

#include "plugin/band_state.h"
#include "plugin/dialog_link.h"
#include "plugin/engine_services.h"
#include "plugin/ticker_lock.h"
#include "settings/ticker_settings.h"
#include "text/message_list.h"

// Who started a run: the user (the dialog, the hot key, a line left running)
// sees a failed feed's notice; the refresh timer's runs keep the news on air.
enum class RunBy : int32_t { Timer, User };

struct PlaybackState {
    bool userRun = false;       // the run was started by the user
    bool contentReady = false;  // the message list holds the run's content
    int32_t nextMessage = 0;   // the message the next appended segment shows
    int32_t repeatCounter = 0;
    int64_t autoUpdateDeadline = 0;  // calendar seconds
};

class PlaybackControl {
public:
    PlaybackControl(TickerLock& lock, SettingsStore& store, BandState& band, EngineServices& services,
                    const DialogLink& dialog)
        : lock_(lock), store_(store), band_(band), services_(services), dialog_(dialog) {}

    // Reads the string or file source before taking the lock; a feed's
    // download starts after it is released.
    void StartPlayback(RunBy by);
    // `stopDownload`: a running download ends too (bounded wait).
    void StopPlayback(bool stopDownload);
    void StartFeed();
    void ArmAutoUpdate();

    void StopPlaybackLocked();  // leaves a running download alone
    // A feed source with a refresh interval whose deadline has passed, and no dialog open.
    bool AutoUpdateDueLocked() const;
    void AdvanceSegmentsLocked(int32_t step);
    void UpdateSegmentsLocked();
    void AppendSegmentLocked();
    // Puts a freshly built list on air (the old one leaves with `fresh`) and
    // its first message on the band.
    void PublishLocked(MessageList& fresh);
    // The messages on air start again from the first one.
    void RestartMessagesLocked();
    void ClearMessagesLocked() {
        messages_.RemoveAll();
        ++messagesRevision_;
    }
    // After a font change: the runs keep the first one's place and take their new widths.
    void RemeasureSegmentsLocked();

    const PlaybackState& State() const { return state_; }
    const SegmentList& Segments() const { return segments_; }
    SegmentList& Segments() { return segments_; }
    const MessageList& Messages() const { return messages_; }
    // Changes whenever the messages on air do; between changes every
    // message keeps its text.
    uint64_t MessagesRevision() const { return messagesRevision_; }

private:
    TickerLock& lock_;
    SettingsStore& store_;
    BandState& band_;
    EngineServices& services_;
    const DialogLink& dialog_;
    PlaybackState state_;
    SegmentList segments_;
    MessageList messages_;
    uint64_t messagesRevision_ = 1;
};
