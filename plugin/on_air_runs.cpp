// The runs on the band and the passes they make: which message enters
// next (an urgent line at the next gap, an announcement after every N
// items, the crawl's next item young enough), the end of a pass, and the
// lists that take over there.
#include "plugin/on_air.h"

#include <algorithm>

#include "base/saturate.h"
#include "feed/feed_items.h"
#include "settings/band_geometry.h"

namespace {

constexpr uint64_t kStampsPerHour = 3600ull * 10000000ull;

}  // namespace

// The runs as the band composer reads them. A list's text is the same for
// its whole revision: the key tells the strip cache so.
class OnAir::RunsView final : public BandRuns {
public:
    explicit RunsView(const OnAir& air) : air_(air) {}
    int32_t Count() const override { return int32_t(air_.runs_.size()); }
    bool Run(int32_t i, BandRun* out) const override {
        // The composer reads leftmost first; moving right, the first to enter is rightmost.
        const size_t at = air_.rightward_ ? air_.runs_.size() - 1 - size_t(i) : size_t(i);
        const OnAir::Run& r = air_.runs_[at];
        const WideString* text = air_.TextOf(r);
        if (!text) return false;
        out->x = r.x;
        out->text = text;
        out->width = r.width;
        out->textKey = MessageKey(air_.RevisionOf(r), r.index);
        out->colors = r.kind == Kind::Urgent ? &air_.urgentColors_ : nullptr;
        out->layout = r.layout.get();
        return true;
    }

private:
    const OnAir& air_;
};

OnAir::OnAir(TickerLock& lock, SettingsStore& store, BandState& band, EngineServices& services,
             const DialogLink& dialog)
    : lock_(lock), store_(store), band_(band), services_(services), dialog_(dialog), view_(new RunsView(*this)) {
    runs_.reserve(64);
    TickerMessage notice;
    notice.displayText = kNoticeNoNews;
    noNews_.Add(notice);
    noNewsRevision_ = ++revisions_;
}

OnAir::~OnAir() = default;

uint64_t OnAir::RevisionOf(const Run& r) const {
    switch (r.kind) {
    case Kind::Item: return crawlRevision_;
    case Kind::Announcement: return r.leaving ? leavingRevision_ : announcementsRevision_;
    case Kind::Urgent: return urgent_[r.index].revision;
    case Kind::Notice: return noNewsRevision_;
    }
    return 0;
}

const TickerMessage* OnAir::MessageOf(const Run& r) const {
    const MessageList* list = nullptr;
    switch (r.kind) {
    case Kind::Item: list = &crawl_; break;
    case Kind::Announcement: list = r.leaving ? &leaving_ : &announcements_; break;
    case Kind::Urgent: return r.index >= 0 && r.index < kUrgentSlots && urgent_[r.index].message.Count() == 1
                                  ? &urgent_[r.index].message[0]
                                  : nullptr;
    case Kind::Notice: list = &noNews_; break;
    }
    return r.index >= 0 && r.index < list->Count() ? &(*list)[r.index] : nullptr;
}

const WideString* OnAir::TextOf(const Run& r) const {
    const TickerMessage* m = MessageOf(r);
    return m ? &m->displayText : nullptr;
}

// A message is laid out once for its list's revision (see BandState).
void OnAir::MeasureLocked(Run& r) {
    const TickerMessage* m = MessageOf(r);
    MeasuredText measured;
    if (m) measured = band_.MeasureMessageLocked(*m, MessageKey(RevisionOf(r), r.index));
    r.width = measured.width;
    r.layout = std::move(measured.layout);
}

// ---- what the frame draws ----

bool OnAir::BandShownLocked() const {
    return urgentOnly_ ||
           (LineOnLocked() && (userRun_ || contentReady_ || !runs_.empty() || UrgentPendingLocked()));
}

const BandRuns* OnAir::FieldLocked(int32_t step) {
    TurnLocked();
    const int64_t move = rightward_ ? int64_t(step) : -int64_t(step);
    for (Run& r : runs_) {
        int64_t x = int64_t(r.x) + move;
        if (x < INT32_MIN / 2) x = INT32_MIN / 2;  // far out either way
        if (x > INT32_MAX / 2) x = INT32_MAX / 2;
        r.x = int32_t(x);
    }
    const TickerSettings& s = store_.live;
    urgentColors_.back = s.UrgentBackColor;
    urgentColors_.text = s.UrgentTextColor;
    return view_.get();
}

// Both directions keep the runs in the order they entered, so the first
// run is the one to leave first and the last is where the next one follows.
void OnAir::TurnLocked() {
    const bool rightward = store_.live.Direction == 1;
    if (rightward == rightward_) return;
    rightward_ = rightward;
    // Each run takes its mirror place: what was about to leave on one side
    // is about to leave on the other, and the gaps stay as they were.
    const int64_t size = store_.live.LineSize;
    for (Run& r : runs_) r.x = SaturateInt32(size - int64_t(r.x) - r.width);
}

bool OnAir::HasLeftLocked(const Run& r) const {
    return rightward_ ? r.x >= store_.live.LineSize : int64_t(r.x) + r.width <= 0;
}

bool OnAir::RoomForNextLocked() const {
    const Run& last = runs_.back();
    const int64_t gap = band_.Metrics().gapWidth;
    if (rightward_) return last.x > gap;
    return int64_t(last.x) + last.width + gap < store_.live.LineSize;
}

void OnAir::UpdateLocked() {
    TurnLocked();
    for (int32_t i = int32_t(runs_.size()) - 1; i >= 0; --i)
        if (HasLeftLocked(runs_[size_t(i)])) DropRunLocked(i);
    if (runs_.empty()) {
        if (contentReady_ && LineOnLocked() && (passRuns_ > 0 || !HasNextLocked())) {
            EndOfPassLocked();
            return;
        }
        if (HasNextLocked()) AppendNextLocked();
        else if (urgentOnly_) urgentOnly_ = false;  // the urgent line has passed: the band goes off
        return;
    }
    if (RoomForNextLocked()) AppendNextLocked();
}

void OnAir::EndOfPassLocked() {
    --repeatCounter_;
    const int32_t repeat = store_.live.Repeat;
    // With Repeat 0 a refresh no longer ends the pass: it downloads while the
    // pass goes on, and what it brings is held for here.
    if (repeatCounter_ < 0 && (repeat == 0 || !AutoUpdateDueLocked())) {
        repeatCounter_ = repeat;
    } else if (repeatCounter_ <= 0) {
        StopLineLocked();
        if (HasNextLocked()) AppendNextLocked();  // an urgent line goes on alone
        return;
    }
    TakeHeldLocked();
    PassStartLocked();
    AppendNextLocked();
}

// ---- which run enters next ----

bool OnAir::UrgentPendingLocked() const {
    return urgentWaiting_ >= 0 || (urgentShowing_ >= 0 && urgent_[urgentShowing_].showings > 0);
}

bool OnAir::HasNextLocked() const {
    if (UrgentPendingLocked()) return true;
    return contentReady_ && LineOnLocked() && (nextItem_ >= 0 || noticePending_);
}

void OnAir::AppendNextLocked() {
    if (UrgentPendingLocked()) {
        if (urgentWaiting_ >= 0) {
            // A newer line takes over from one whose showings are not all
            // on screen yet; that one has been seen.
            if (urgentShowing_ >= 0) urgent_[urgentShowing_].showings = 0;
            urgentShowing_ = urgentWaiting_;
            urgentWaiting_ = -1;
            NoteUrgentLocked(urgent_[urgentShowing_].id, UrgentState::OnAir);
        }
        UrgentSlot& slot = urgent_[urgentShowing_];
        --slot.showings;
        AppendLocked(Kind::Urgent, urgentShowing_);
        if (slot.showings == 0) urgentShowing_ = -1;
        return;
    }
    if (!contentReady_ || !LineOnLocked()) return;
    if (noticePending_) {
        noticePending_ = false;
        AppendLocked(Kind::Notice, 0);
        ++passRuns_;
        return;
    }
    if (nextItem_ < 0) return;  // the pass's last item is under way
    const int32_t every = store_.live.AnnounceEvery;
    if (crawlIsNews_ && every > 0 && announcements_.Count() > 0 && itemsSinceAnnouncement_ >= every) {
        itemsSinceAnnouncement_ = 0;
        AppendLocked(Kind::Announcement, announcementTurn_ % announcements_.Count());
        announcementTurn_ = (announcementTurn_ + 1) % announcements_.Count();
        ++passRuns_;
        return;
    }
    AppendLocked(Kind::Item, nextItem_);
    ++passRuns_;
    if (crawlIsNews_) ++itemsSinceAnnouncement_;
    nextItem_ = NextItemLocked(nextItem_ + 1);
}

void OnAir::AppendLocked(Kind kind, int32_t index) {
    TurnLocked();
    Run r{kind, index, store_.live.LineSize, 0, nullptr};
    if (!MessageOf(r)) return;
    MeasureLocked(r);
    if (rightward_) r.x = SaturateInt32(-int64_t(r.width));  // its right edge at the band's left edge
    runs_.push_back(std::move(r));
}

int32_t OnAir::NextItemLocked(int32_t from) const {
    for (int32_t i = std::max(from, 0); i < crawl_.Count(); ++i)
        if (!crawlIsNews_ || oldest_ == 0 || crawl_[i].stamp == 0 || crawl_[i].stamp >= oldest_) return i;
    return -1;
}

uint64_t OnAir::OldestLocked() const {
    const int32_t hours = store_.live.MaxAge;
    if (hours <= 0) return 0;
    const uint64_t now = services_.NowLocalStamp(), age = uint64_t(hours) * kStampsPerHour;
    return now > age ? now - age : 0;
}

void OnAir::PassStartLocked() {
    oldest_ = crawlIsNews_ ? OldestLocked() : 0;
    nextItem_ = NextItemLocked(0);
    noticePending_ = nextItem_ < 0 && crawlIsNews_ && crawl_.Count() > 0;
    passRuns_ = 0;
}

void OnAir::DropRunLocked(int32_t i) {
    const Kind kind = runs_[size_t(i)].kind;
    const int32_t index = runs_[size_t(i)].index;
    runs_.erase(runs_.begin() + i);
    const Run gone{kind, index, 0, 0, nullptr};
    if (gone.kind != Kind::Urgent) return;
    UrgentSlot& slot = urgent_[gone.index];
    if (slot.showings > 0 || gone.index == urgentWaiting_ || gone.index == urgentShowing_) return;
    for (const Run& r : runs_)
        if (r.kind == Kind::Urgent && r.index == gone.index) return;
    NoteUrgentLocked(slot.id, UrgentState::Done);
    slot.id = 0;  // free; its message is freed by the line that takes the slot next
}

void OnAir::RemeasureLocked() {
    TurnLocked();
    if (runs_.empty()) return;
    const int64_t gap = band_.Metrics().gapWidth;
    if (!rightward_) {
        int64_t x = runs_[0].x;
        for (Run& r : runs_) {
            r.x = int32_t(x);
            MeasureLocked(r);
            x = SaturateInt32(x + int64_t(r.width) + gap);
        }
        return;
    }
    // Moving right, the first run keeps its right edge and the others follow on its left.
    int64_t right = int64_t(runs_[0].x) + runs_[0].width;
    for (Run& r : runs_) {
        MeasureLocked(r);
        r.x = SaturateInt32(right - r.width);
        right = int64_t(r.x) - gap;
    }
}

// ---- lists going on air ----

void OnAir::PublishLocked(MessageList& fresh, bool news) {
    crawl_.Swap(fresh);
    crawlRevision_ = ++revisions_;
    crawlIsNews_ = news;
    RestartLocked();
}

void OnAir::HoldLocked(MessageList& fresh, bool news) {
    held_.Swap(fresh);
    heldIsNews_ = news;
    listWaiting_ = true;
}

void OnAir::TakeHeldLocked() {
    if (!listWaiting_) return;
    crawl_.Swap(held_);
    crawlRevision_ = ++revisions_;
    crawlIsNews_ = heldIsNews_;
    SaveStampsLocked(heldStamps_);
    heldStamps_.clear();
    listWaiting_ = false;
}

void OnAir::RestartLocked() {
    contentReady_ = true;
    PassStartLocked();
    // Runs still on the band (an urgent line) keep their place: the list
    // follows them where there is room.
    if (runs_.empty()) AppendNextLocked();
}

void OnAir::StopLineLocked() {
    listWaiting_ = false;
    heldStamps_.clear();
    store_.live.LineOn = 0;
    contentReady_ = false;
    repeatCounter_ = 0;
    for (FeedRecord& r : records_) r.fetching = false;
    // Only an urgent line stays on the band.
    runs_.erase(std::remove_if(runs_.begin(), runs_.end(), [](const Run& r) { return r.kind != Kind::Urgent; }),
                runs_.end());
    urgentOnly_ = !runs_.empty() || UrgentPendingLocked();
    dialog_.Post(UPDATE_RUNSTATE);
}

void OnAir::EndRunLocked(MessageList& spent) {
    StopLineLocked();
    spent.Swap(held_);
}

// ---- urgent lines ----

uint32_t OnAir::QueueUrgentLocked(Bulletin& b) {
    int32_t free = -1;
    for (int32_t i = 0; i < kUrgentSlots && free < 0; ++i) {
        if (urgent_[i].id != 0) continue;
        bool onBand = false;
        for (const Run& r : runs_) onBand = onBand || (r.kind == Kind::Urgent && r.index == i);
        if (!onBand) free = i;
    }
    if (free < 0 || b.messages.Count() != 1) return 0;
    UrgentSlot& slot = urgent_[free];
    slot.message.Swap(b.messages);  // the slot's last line leaves with the bulletin
    slot.revision = ++revisions_;
    slot.id = ++urgentIds_ == 0 ? ++urgentIds_ : urgentIds_;
    const int32_t repeat = b.repeat > 0 ? b.repeat : store_.live.UrgentRepeat;
    slot.showings = ClampTo(&TickerSettings::UrgentRepeat, repeat);
    if (urgentWaiting_ >= 0) {
        NoteUrgentLocked(urgent_[urgentWaiting_].id, UrgentState::Replaced);
        urgent_[urgentWaiting_].id = 0;
    }
    urgentWaiting_ = free;
    NoteUrgentLocked(slot.id, UrgentState::Waiting);
    if (!LineOnLocked()) urgentOnly_ = true;
    return slot.id;
}

void OnAir::NoteUrgentLocked(uint32_t id, UrgentState state) {
    for (UrgentStatus& u : urgentHistory_)
        if (u.id == id) {
            u.state = state;
            return;
        }
    constexpr size_t kKept = 16;
    if (urgentHistory_.size() == kKept) urgentHistory_.pop_back();
    urgentHistory_.insert(urgentHistory_.begin(), UrgentStatus{id, state});
}

// ---- reading ----

std::u16string OnAir::LinkAtLocked(int64_t onBand) const {
    if (!LineOnLocked() || !contentReady_) return std::u16string();
    for (const Run& r : runs_) {
        if (onBand < r.x || onBand >= int64_t(r.x) + r.width) continue;
        if (r.kind != Kind::Item || r.index < 0 || r.index >= crawl_.Count()) break;
        return crawl_[r.index].link;
    }
    return std::u16string();
}

void OnAir::ViewLocked(AirView& out, bool withTexts) const {
    out.shown = BandShownLocked();
    out.contentReady = contentReady_;
    out.userRun = userRun_;
    out.runs.clear();
    for (size_t i = 0; i < runs_.size(); ++i) {
        const Run& r = runs_[rightward_ ? runs_.size() - 1 - i : i];
        const WideString* text = TextOf(r);
        out.runs.push_back({r.kind, r.index, r.x, r.width, text ? text->Str() : std::u16string()});
    }
    out.crawl.clear();
    if (withTexts)
        for (int32_t i = 0; i < crawl_.Count(); ++i) out.crawl.push_back(crawl_[i].displayText.Str());
}
