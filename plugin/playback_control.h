// Starting and stopping runs, the segments that scroll across the band, the
// messages on air, the pass count and the automatic feed refresh.
//
// Lock discipline: functions ending in Locked expect the ticker lock held and
// never wait on another thread; the others take the lock for their changes
// and make their downloader calls after releasing it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "plugin/band_state.h"
#include "plugin/dialog_link.h"
#include "plugin/engine_services.h"
#include "plugin/ticker_lock.h"
#include "settings/ticker_settings.h"
#include "sources/text_sources.h"
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
    // A refresh downloads while the pass goes on; `refreshSerial` tells its
    // result from one of an earlier refresh.
    bool refreshing = false;
    uint32_t refreshSerial = 0;
    bool listWaiting = false;  // a new list takes over where the pass ends
};

class PlaybackControl final : public FileReceiver {
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
    // A running line's refresh, due while news is on air with Repeat 0: it
    // downloads while the pass goes on (the video thread asks under the
    // lock and starts it once the lock is released).
    bool RefreshAheadDueLocked() const;
    void StartRefreshAhead();
    // Its result has come (held or not).
    void EndRefreshLocked() { state_.refreshing = false; }

    // FileReceiver: a running line's text file, read again on the watcher's
    // thread; it takes over where the pass ends.
    bool OnFileRead(MessageList& fresh, const StopSignal& stop) override;

    void StopPlaybackLocked();  // leaves a running download alone
    // A feed source with a refresh interval whose deadline has passed, and no dialog open.
    bool AutoUpdateDueLocked() const;
    void AdvanceSegmentsLocked(int32_t step);
    void UpdateSegmentsLocked();
    void AppendSegmentLocked();
    // Puts a freshly built list on air (the old one leaves with `fresh`) and
    // its first message on the band.
    void PublishLocked(MessageList& fresh);
    // Keeps a list to take over where the pass ends (the one kept before
    // leaves with `fresh`); `lastUpdate`, when given, is saved once it is on air.
    void HoldLocked(MessageList& fresh, std::optional<uint64_t> lastUpdate);
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
    // At a pass's end: a list held for it goes on air (the one it replaces
    // stays in its place, freed off the video thread when the next arrives).
    void TakeHeldListLocked();
    // Whatever a refresh or the watcher may still bring belongs to the run
    // that ends.
    void ForgetHeldListLocked();
    // The feed's address, with LastUpdate forgotten when it is another one.
    std::string FeedAddressLocked();

    TickerLock& lock_;
    SettingsStore& store_;
    BandState& band_;
    EngineServices& services_;
    const DialogLink& dialog_;
    PlaybackState state_;
    SegmentList segments_;
    MessageList messages_;
    MessageList held_;
    std::optional<uint64_t> heldLastUpdate_;
    uint64_t messagesRevision_ = 1;
};
