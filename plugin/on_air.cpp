// The news desk and the runs' start: what each producer's bulletin does to
// what is on air, the feeds of a run with their last articles, and what the
// line reports of itself.
#include "plugin/on_air.h"

#include <algorithm>

#include "feed/feed_items.h"

namespace {

// Takes the lock unless the producer is told to stop first.
bool EnterUnlessStopping(TickerLock& lock, const StopSignal& stop) {
    for (;;) {
        if (lock.TryEnterWithin(1)) return true;
        if (stop.Requested()) return false;
    }
}

// At most this many addresses of the list are read together.
constexpr int32_t kMostFeeds = 64;

}  // namespace

// ---- the desk ----

bool OnAir::Offer(Bulletin& b, const StopSignal& stop) {
    if (b.from == Bulletin::From::Feed) return OfferFeed(b, stop);
    if (b.kind == Bulletin::Kind::Urgent) {
        // The line's one message is made here, before the lock.
        TickerMessage line;
        line.displayText = b.text.c_str();
        b.messages.RemoveAll();
        b.messages.Add(line);
        if (!EnterUnlessStopping(lock_, stop)) return false;
        b.id = stop.Requested() ? 0 : QueueUrgentLocked(b);
        lock_.Leave();
        return b.id != 0 || !stop.Requested();
    }
    // A running line's text file or strings, changed: from where the pass ends.
    if (!EnterUnlessStopping(lock_, stop)) return false;
    if (stop.Requested()) {
        lock_.Leave();
        return false;
    }
    const ContentSource wanted =
        b.from == Bulletin::From::TextFile ? ContentSource::TextFile : ContentSource::Strings;
    if (b.kind == Bulletin::Kind::News && LineOnLocked() && source_ == wanted && contentReady_ &&
        store_.live.Source() == wanted)
        HoldLocked(b.messages, false);
    lock_.Leave();
    return true;
}

OnAir::FeedRecord* OnAir::RecordOf(int32_t feed) {
    for (FeedRecord& r : records_)
        if (r.feed == feed) return &r;
    return nullptr;
}

CrawlOptions OnAir::CrawlOptionsLocked() const {
    const TickerSettings& s = store_.live;
    CrawlOptions o;
    o.display.date = s.Date != 0;
    o.display.time = s.Time != 0;
    o.display.title = s.Title != 0;
    o.display.description = s.Description != 0;
    o.sourceLabel = s.SourceLabel != 0;
    o.oldest = OldestLocked();
    return o;
}

// A feed's bulletin: its articles are filtered and the crawl of every feed
// of the run is built off-lock, then put on air, held for the pass's end,
// or, once every feed has answered with nothing, the run's notice or end.
// Should another feed's articles change meanwhile, the crawl is built again.
bool OnAir::OfferFeed(Bulletin& b, const StopSignal& stop) {
    std::shared_ptr<FeedArticles> taken;
    bool filtered = false;
    for (;;) {
        if (!EnterUnlessStopping(lock_, stop)) return false;
        FeedRecord* record = RecordOf(b.feed);
        if (stop.Requested() || b.run != run_ || !record || source_ != ContentSource::Feed || !LineOnLocked()) {
            lock_.Leave();
            return !stop.Requested();  // a bulletin for a run that has ended is not wanted
        }
        const TickerSettings& s = store_.live;
        const bool latestNews = s.LatestNews != 0;
        const uint64_t lastUpdate = allFeeds_ ? StampOf(store_, record->feed) : s.LastUpdate;
        const CrawlOptions options = CrawlOptionsLocked();
        const uint64_t now = services_.NowLocalStamp();
        const uint64_t version = recordsVersion_;
        std::vector<std::shared_ptr<const FeedArticles>> feeds;
        feeds.reserve(records_.size());
        for (const FeedRecord& r : records_) feeds.push_back(r.articles);
        const size_t self = size_t(record - records_.data());
        lock_.Leave();

        if (b.kind == Bulletin::Kind::News && !filtered) {
            taken = std::make_shared<FeedArticles>();
            if (!TakeArticles(b.messages, now, latestNews, lastUpdate, options.display, SystemCaseFolder(), stop,
                              *taken))
                return false;
            taken->label = b.label;
            filtered = true;
        }
        const bool fresh = taken && taken->articles.Count() > 0;
        if (fresh) feeds[self] = taken;
        MessageList crawl;
        std::vector<const FeedArticles*> order;
        for (const auto& f : feeds) order.push_back(f.get());
        if (!BuildCrawl(order, options, stop, crawl)) return false;

        if (!EnterUnlessStopping(lock_, stop)) return false;
        record = RecordOf(b.feed);
        if (stop.Requested() || b.run != run_ || !record || !LineOnLocked()) {
            lock_.Leave();
            return !stop.Requested();
        }
        if (recordsVersion_ != version) {  // another feed came meanwhile
            lock_.Leave();
            continue;
        }
        if (fresh) {
            record->articles = taken;
            record->unsaved = true;
            ++recordsVersion_;
        }
        record->fetching = false;
        record->time = services_.NowSeconds();
        record->notice.clear();
        switch (b.kind) {
        case Bulletin::Kind::News: record->outcome = fresh ? Outcome::News : Outcome::NothingNew; break;
        case Bulletin::Kind::Unchanged: record->outcome = Outcome::Unchanged; break;
        default:
            record->outcome = Outcome::Failed;
            record->notice = b.text;
            break;
        }
        AfterFeedLocked(fresh, crawl);
        lock_.Leave();
        return true;  // what `crawl` holds now (a list replaced) is freed here, after the lock
    }
}

void OnAir::AfterFeedLocked(bool fresh, MessageList& crawl) {
    if (contentReady_) {
        // On air already: the crawl takes it in where the pass ends.
        if (fresh) {
            HoldLocked(crawl, true);
            heldStamps_ = UnsavedStampsLocked();
        }
        return;
    }
    if (fresh && crawl.Count() > 0) {  // the run goes on air with the first feed that brings news
        const auto stamps = UnsavedStampsLocked();
        PublishLocked(crawl, true);
        SaveStampsLocked(stamps);
        return;
    }
    bool allFailed = true;
    const FeedRecord* firstFailure = nullptr;
    for (const FeedRecord& r : records_) {
        if (r.outcome == Outcome::None) return;  // a feed has yet to answer
        allFailed = allFailed && r.outcome == Outcome::Failed;
        if (r.outcome == Outcome::Failed && !firstFailure) firstFailure = &r;
    }
    // Every feed has answered, none with news: a run the user started is
    // told why; a refresh's run keeps what was on air, and a failure is told
    // only where there is nothing for it to replace.
    MessageList notice;
    TickerMessage m;
    if (userRun_ || (allFailed && crawl_.Count() == 0)) {
        m.displayText = allFailed && firstFailure ? firstFailure->notice.c_str() : kNoticeNoNews;
        notice.Add(m);
        crawl.Swap(notice);
        PublishLocked(crawl, false);
    } else if (crawl_.Count() > 0 && store_.live.Repeat == 0) {
        RestartLocked();  // the previous messages run once more
    } else {
        StopLineLocked();
    }
}

std::vector<std::pair<int32_t, uint64_t>> OnAir::UnsavedStampsLocked() {
    std::vector<std::pair<int32_t, uint64_t>> stamps;
    for (FeedRecord& r : records_)
        if (r.unsaved && r.articles) {
            stamps.emplace_back(r.feed, r.articles->newest);
            r.unsaved = false;
        }
    return stamps;
}

void OnAir::SaveStampsLocked(const std::vector<std::pair<int32_t, uint64_t>>& stamps) {
    for (const auto& s : stamps) {
        if (allFeeds_) SetStampOf(store_, s.first, s.second);
        else store_.live.LastUpdate = s.second;
    }
}

// ---- runs ----

void OnAir::BeginRunLocked(RunBy by, ContentSource source, MessageList& messages, std::vector<FeedFetch>* fetches,
                           MessageList& spent) {
    if (++run_ == 0) ++run_;
    spent.Swap(held_);
    listWaiting_ = false;
    heldStamps_.clear();
    userRun_ = by == RunBy::User;
    source_ = source;
    TickerSettings& s = store_.live;
    s.LineOn = 1;
    urgentOnly_ = false;
    repeatCounter_ = s.Repeat;
    contentReady_ = false;
    nextItem_ = -1;
    noticePending_ = false;
    passRuns_ = 0;
    itemsSinceAnnouncement_ = 0;
    runs_.erase(std::remove_if(runs_.begin(), runs_.end(), [](const Run& r) { return r.kind != Kind::Urgent; }),
                runs_.end());
    if (source == ContentSource::Strings || source == ContentSource::TextFile) {
        records_.clear();
        PublishLocked(messages, false);
        return;
    }
    if (source != ContentSource::Feed) return;
    // The run's feeds: the selected one, or the first addresses of the list.
    allFeeds_ = s.AllFeeds != 0;
    std::vector<FeedRecord> records;
    if (allFeeds_) {
        for (int32_t i = 0; i < int32_t(store_.urls.size()) && int32_t(records.size()) < kMostFeeds; ++i)
            if (!store_.urls[size_t(i)].empty()) {
                records.emplace_back();
                records.back().feed = i;
                records.back().address = store_.urls[size_t(i)];
            }
    }
    if (records.empty()) {
        // One feed: its LastUpdate belongs to its address.
        allFeeds_ = false;
        const std::string* entry = ListEntry(store_.urls, s.URLIdx);
        records.emplace_back();
        records.back().feed = s.URLIdx;
        records.back().address = entry ? *entry : std::string();
        if (s.LastURL != records.back().address) {
            s.LastUpdate = 0;
            s.LastURL = records.back().address;
        }
    }
    // A refresh's run keeps each feed's last articles; a run the user
    // started begins afresh.
    for (FeedRecord& r : records) {
        const FeedRecord* before = nullptr;
        for (const FeedRecord& old : records_)
            if (old.feed == r.feed && old.address == r.address) before = &old;
        if (before && !userRun_) {
            r.articles = before->articles;
            r.time = before->time;
        }
        // Each feed's next refresh is due that long after this fetch begins.
        r.fetching = true;
        r.deadline = services_.NowSeconds() + int64_t(s.AutoUpdate) * 60;
    }
    records_.swap(records);
    ++recordsVersion_;
    for (const FeedRecord& r : records_) fetches->push_back(FeedFetch{r.feed, r.address, run_, userRun_, allFeeds_});
}

void OnAir::ClearCrawlLocked() {
    crawl_.RemoveAll();
    crawlRevision_ = ++revisions_;
    records_.clear();
    ++recordsVersion_;
}

void OnAir::SetAnnouncementsLocked(MessageList& fresh) {
    // An announcement on its way across finishes it as it was measured: its
    // message is copied (a few, at most one a gap) before the list goes.
    MessageList leaving;
    for (Run& r : runs_) {
        if (r.kind != Kind::Announcement) continue;
        const TickerMessage* m = MessageOf(r);
        if (!m) continue;
        leaving.Add(*m);
        r.leaving = true;
        r.index = leaving.Count() - 1;
    }
    leaving_.Swap(leaving);
    leavingRevision_ = ++revisions_;
    announcements_.Swap(fresh);
    announcementsRevision_ = ++revisions_;
    if (announcements_.Count() > 0) announcementTurn_ %= announcements_.Count();
    else announcementTurn_ = 0;
}

// ---- the automatic refresh ----

void OnAir::ArmAutoUpdateLocked() {
    const int32_t minutes = store_.live.AutoUpdate;
    if (minutes == 0) return;
    autoUpdateDeadline_ = services_.NowSeconds() + int64_t(minutes) * 60;
    if (!allFeeds_)
        for (FeedRecord& r : records_) r.deadline = autoUpdateDeadline_;
}

bool OnAir::AutoUpdateDueLocked() const {
    const TickerSettings& s = store_.live;
    return s.Source() == ContentSource::Feed && s.AutoUpdate != 0 && !dialog_.IsOpen() &&
           services_.NowSeconds() >= autoUpdateDeadline_;
}

bool OnAir::RefreshAheadDueLocked() const {
    // Cheap tests first: every frame of a running line asks.
    const TickerSettings& s = store_.live;
    if (!s.LineOn || s.Repeat != 0 || s.AutoUpdate == 0 || s.Source() != ContentSource::Feed || !contentReady_ ||
        source_ != ContentSource::Feed || dialog_.IsOpen())
        return false;
    const int64_t now = services_.NowSeconds();
    // One feed waits for a list still held for the pass's end; each of
    // several keeps its own time.
    if (!allFeeds_ && listWaiting_) return false;
    for (const FeedRecord& r : records_)
        if (!r.fetching && now >= r.deadline) return true;
    return false;
}

void OnAir::TakeDueRefreshesLocked(std::vector<FeedFetch>* fetches) {
    if (!RefreshAheadDueLocked()) return;
    const int64_t now = services_.NowSeconds();
    for (FeedRecord& r : records_) {
        if (r.fetching || now < r.deadline) continue;
        r.fetching = true;
        r.deadline = now + int64_t(store_.live.AutoUpdate) * 60;
        fetches->push_back(FeedFetch{r.feed, r.address, run_, false, allFeeds_});
    }
}

// ---- what the line reports ----

void OnAir::StatusLocked(LineStatus& out) const {
    const TickerSettings& s = store_.live;
    out.running = LineOnLocked();
    out.source = s.Source();
    out.allFeeds = s.AllFeeds != 0;
    out.onScreen.clear();
    if (!runs_.empty())
        if (const WideString* text = TextOf(runs_.back())) out.onScreen = text->Str();
    // Messages on air: a feed's items, a file's lines, the string; a notice is none.
    out.items = contentReady_ && (crawlIsNews_ || source_ != ContentSource::Feed) ? crawl_.Count() : 0;
    out.feeds.clear();
    for (const FeedRecord& r : records_) {
        FeedStatus f;
        f.address = r.address;
        f.time = r.time;
        switch (r.outcome) {
        case Outcome::None: f.result = r.fetching ? "fetching" : ""; break;
        case Outcome::News: f.result = "ok"; break;
        case Outcome::NothingNew: f.result = "nothing new"; break;
        case Outcome::Unchanged: f.result = "not modified"; break;
        case Outcome::Failed: f.result = "failed"; f.notice = r.notice; break;
        }
        out.feeds.push_back(std::move(f));
    }
    out.urgent = urgentHistory_;
}
