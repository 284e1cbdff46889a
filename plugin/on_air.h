// What is on air and everything waiting to go on air, in one owner: the
// list the crawl runs through, the runs on the band and the passes they
// make, the list held for the pass's end, each feed's last articles, the
// station's announcements and the urgent lines. Every producer offers what
// it has through the news desk (Offer); the frame takes what it composes as
// one view of the runs.
//
// Lock discipline: functions ending in Locked expect the ticker lock held
// and never wait on another thread. Offer takes the lock itself, briefly,
// and builds whatever it brings off-lock.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "feed/crawl.h"
#include "plugin/band_state.h"
#include "plugin/dialog_link.h"
#include "plugin/engine_services.h"
#include "plugin/ticker_control.h"
#include "plugin/ticker_lock.h"
#include "settings/ticker_settings.h"
#include "text/message_list.h"
#include "text/news_desk.h"

// Who started a run: the user (the dialog, the hot key, a line left running)
// sees a failed feed's notice; the refresh timer's runs keep the news on air.
enum class RunBy : int32_t { Timer, User };

// What is on air, copied: for tests and the control endpoint.
struct AirView {
    enum class Kind : int32_t { Item, Announcement, Urgent, Notice };
    struct RunView {
        Kind kind;
        int32_t index;  // in its list
        int32_t x, width;
        std::u16string text;
    };
    bool shown = false;         // the band is drawn
    bool contentReady = false;  // the run's list is on air
    bool userRun = false;
    std::vector<RunView> runs;  // leftmost first
    std::vector<std::u16string> crawl;  // the list on air, when asked for
};

class OnAir final : public NewsDesk {
public:
    OnAir(TickerLock& lock, SettingsStore& store, BandState& band, EngineServices& services, const DialogLink& dialog);
    ~OnAir();

    // ---- the news desk (any thread) ----
    bool Offer(Bulletin& bulletin, const StopSignal& stop) override;

    // ---- runs ----
    // A run starts: the strings or a file go on air with `messages`; a feed
    // run waits for its feeds, whose fetches it adds to `fetches`. What was
    // waiting for an earlier run is forgotten (into `spent`, to be freed
    // after the lock); the urgent lines stay.
    void BeginRunLocked(RunBy by, ContentSource source, MessageList& messages, std::vector<FeedFetch>* fetches,
                        MessageList& spent);
    // The line stops; urgent lines go on alone. A list held for the pass's
    // end leaves with `spent`, to be freed after the lock.
    void EndRunLocked(MessageList& spent);
    // The announcements between the news (their old list leaves with `fresh`).
    void SetAnnouncementsLocked(MessageList& fresh);
    // The list on air is dropped (a source that changes to the feeds).
    void ClearCrawlLocked();
    // The automatic refresh: due AutoUpdate minutes from now.
    void ArmAutoUpdateLocked();
    // A feed source with a refresh interval whose deadline has passed, and no dialog open.
    bool AutoUpdateDueLocked() const;
    // A running line's refreshes that are due; they download while the pass
    // goes on, and each feed counts as fetching until its bulletin comes.
    bool RefreshAheadDueLocked() const;
    void TakeDueRefreshesLocked(std::vector<FeedFetch>* fetches);

    // ---- frames (video thread) ----
    bool BandShownLocked() const;
    // Moves the runs by `step` (to the left, or to the right with Direction
    // 1) and gives what the field composes.
    const BandRuns* FieldLocked(int32_t step);
    // After the frame's fields: runs that have left, runs that enter, passes.
    void UpdateLocked();
    // After a font change: the runs keep the first one's place and take their new widths.
    void RemeasureLocked();

    // ---- urgent lines ----
    // A line built off-lock into `bulletin` (one message); its id, 0 when no
    // slot was free.
    uint32_t QueueUrgentLocked(Bulletin& bulletin);

    // ---- reading ----
    bool LineOnLocked() const { return store_.live.LineOn != 0; }
    std::u16string LinkAtLocked(int64_t onBand) const;
    void StatusLocked(LineStatus& out) const;
    void ViewLocked(AirView& out, bool withTexts) const;

private:
    using Kind = AirView::Kind;
    struct Run {
        Kind kind;
        int32_t index;  // in its kind's list (an urgent line's slot)
        int32_t x;      // left edge relative to the band's left edge
        int32_t width;  // measured width of its text
        std::shared_ptr<const TextLayout> layout;  // what it was measured from; none: the plain path
        bool leaving = false;  // an announcement whose list has changed: its message is in leaving_
    };
    enum class Outcome : uint8_t { None, News, NothingNew, Unchanged, Failed };
    struct FeedRecord {
        int32_t feed = -1;  // index in the feed list
        std::string address;
        std::shared_ptr<const FeedArticles> articles;  // the last good ones
        bool unsaved = false;  // its articles' stamp is saved once they are on air
        Outcome outcome = Outcome::None;  // in this run
        std::u16string notice;            // Failed
        int64_t time = 0;                 // calendar seconds of the last outcome; 0: none yet
        bool fetching = false;
        int64_t deadline = 0;  // its next refresh
    };
    struct UrgentSlot {
        MessageList message;  // one message
        uint64_t revision = 0;
        uint32_t id = 0;  // 0: free
        int32_t showings = 0;  // still to enter the band
    };
    class RunsView;

    // Runs and passes (on_air_runs.cpp).
    const TickerMessage* MessageOf(const Run& r) const;
    const WideString* TextOf(const Run& r) const;
    void MeasureLocked(Run& r);
    uint64_t RevisionOf(const Run& r) const;
    void AppendLocked(Kind kind, int32_t index);
    void AppendNextLocked();
    bool HasNextLocked() const;
    void PassStartLocked();
    int32_t NextItemLocked(int32_t from) const;
    void DropRunLocked(int32_t i);
    void TurnLocked();  // follows a changed Direction
    bool HasLeftLocked(const Run& r) const;
    bool RoomForNextLocked() const;
    void EndOfPassLocked();
    bool UrgentPendingLocked() const;
    void NoteUrgentLocked(uint32_t id, UrgentState state);
    // Lists going on air.
    void PublishLocked(MessageList& fresh, bool news);
    void HoldLocked(MessageList& fresh, bool news);
    void TakeHeldLocked();
    void RestartLocked();
    void StopLineLocked();
    void SaveStampsLocked(const std::vector<std::pair<int32_t, uint64_t>>& stamps);
    std::vector<std::pair<int32_t, uint64_t>> UnsavedStampsLocked();
    // Feeds (on_air.cpp).
    bool OfferFeed(Bulletin& b, const StopSignal& stop);
    void AfterFeedLocked(bool fresh, MessageList& crawl);
    FeedRecord* RecordOf(int32_t feed);
    CrawlOptions CrawlOptionsLocked() const;
    uint64_t OldestLocked() const;

    TickerLock& lock_;
    SettingsStore& store_;
    BandState& band_;
    EngineServices& services_;
    const DialogLink& dialog_;

    // The run.
    uint32_t run_ = 0;  // which run a bulletin answers
    ContentSource source_ = ContentSource::Strings;
    bool allFeeds_ = false;
    bool userRun_ = false;
    bool contentReady_ = false;  // the run's list is on air
    int32_t repeatCounter_ = 0;
    int64_t autoUpdateDeadline_ = 0;  // calendar seconds
    bool urgentOnly_ = false;  // the line is off and an urgent line runs alone
    // The pass.
    int32_t nextItem_ = -1;     // the crawl's item the next run shows; -1: none left in this pass
    uint64_t oldest_ = 0;       // this pass's age limit (a stamp; 0: none)
    bool noticePending_ = false;  // every item is too old: the pass shows that there is no news
    int32_t passRuns_ = 0;      // runs of the pass's own so far

    // The lists. A list's texts stay the same for its revision; revisions
    // come from one counter, so that no two lists share one.
    uint64_t revisions_ = 1;
    MessageList crawl_;
    uint64_t crawlRevision_ = 0;
    bool crawlIsNews_ = false;  // items, not a notice
    MessageList held_;          // for the pass's end; the list it replaces stays here until the next producer frees it
    bool heldIsNews_ = false;
    bool listWaiting_ = false;
    std::vector<std::pair<int32_t, uint64_t>> heldStamps_;  // feed, stamp: saved once the held list is on air
    MessageList announcements_;
    uint64_t announcementsRevision_ = 0;
    int32_t itemsSinceAnnouncement_ = 0;
    int32_t announcementTurn_ = 0;
    MessageList leaving_;  // copies of the announcements on the band when their list changed
    uint64_t leavingRevision_ = 0;
    MessageList noNews_;
    uint64_t noNewsRevision_ = 0;

    // The runs on the band in the order they entered (leftmost first when
    // moving left); room is kept so that appending never allocates on the
    // video thread.
    std::vector<Run> runs_;
    bool rightward_ = false;  // the direction the runs were placed for
    std::unique_ptr<RunsView> view_;
    RunColors urgentColors_;

    // The run's feeds, in list order.
    std::vector<FeedRecord> records_;
    uint64_t recordsVersion_ = 0;  // changes whenever a record's articles do

    // Urgent lines: slots; the one waiting for the next gap and the one
    // whose showings are entering the band.
    static constexpr int32_t kUrgentSlots = 4;
    UrgentSlot urgent_[kUrgentSlots];
    int32_t urgentWaiting_ = -1;
    int32_t urgentShowing_ = -1;
    uint32_t urgentIds_ = 0;
    std::vector<UrgentStatus> urgentHistory_;  // most recent first
};
