// A TickerEngine with fake surroundings: a settable clock, recorded
// downloads, a dialog that records its refresh posts, a lock that knows who
// holds it, and the block text renderer. The tests drive the engine's
// operations and read what is on air through its views.
#pragma once
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "feed/feed_items.h"
#include "feed/feed_messages.h"
#include "feed/rfc822_date.h"
#include "plugin/ticker_engine.h"
#include <fstream>

// The re-entrant lock, counting entries and telling whether this thread holds it.
struct TrackedLock : TickerLock {
    std::recursive_mutex mutex;
    std::atomic<std::thread::id> owner{};
    int depth = 0;  // touched only by the owner
    std::atomic<long> enters{0};
    void Enter() override {
        mutex.lock();
        Took();
    }
    bool TryEnter() override {
        if (!mutex.try_lock()) return false;
        Took();
        return true;
    }
    void Leave() override {
        if (--depth == 0) owner = std::thread::id();
        mutex.unlock();
    }
    bool HeldHere() const { return owner.load() == std::this_thread::get_id(); }

private:
    void Took() {
        ++depth;
        owner = std::this_thread::get_id();
        ++enters;
    }
};

struct FakeServices : EngineServices {
    explicit FakeServices(const TrackedLock& l) : lock(l) {}
    const TrackedLock& lock;
    int64_t now = 1'000'000;
    std::mutex fetchesMutex;  // a test's producer thread may read them
    std::vector<FeedFetch> fetches;
    std::vector<std::string> downloads;
    std::vector<bool> userRuns;  // per download: started by the user
    int stops = 0;
    int callsUnderLock = 0;  // download and watch calls made while the ticker lock was held
    int64_t NowSeconds() override { return now; }
    // The runtime's zone, as the feed tests date their items (the Windows
    // tests that use the fixture date none: UTC).
    uint64_t NowLocalStamp() override {
#ifdef _WIN32
        return uint64_t(now + 11644473600) * 10000000u;
#else
        CalendarFields f;
        return RuntimeTimeZone().UtcToLocal(now, &f, nullptr) ? StampFromFields(f) : 0;
#endif
    }
    void FetchFeed(const FeedFetch& f) override {
        callsUnderLock += lock.HeldHere();
        std::lock_guard<std::mutex> guard(fetchesMutex);
        fetches.push_back(f);
        downloads.push_back(f.url);
        userRuns.push_back(f.userRun);
    }
    void StopFeeds() override {
        callsUnderLock += lock.HeldHere();
        ++stops;
    }
    // The watched file and where its new lists go (null once the watch ends).
    std::string watched;
    NewsDesk* fileDesk = nullptr;
    void WatchFile(const std::string& path, NewsDesk& desk) override {
        callsUnderLock += lock.HeldHere();
        watched = path;
        fileDesk = &desk;
    }
    void StopWatchingFile() override {
        callsUnderLock += lock.HeldHere();
        watched.clear();
        fileDesk = nullptr;
    }
    int controlChanges = 0;  // the endpoint told to listen again
    void ControlSettingsChanged() override {
        callsUnderLock += lock.HeldHere();
        ++controlChanges;
    }
};

struct FakeDialog : UpdateSink {
    std::vector<int32_t> posts;
    void PostUpdate(UpdatePart part) override { posts.push_back(part); }
};

struct CountingRenderer : BlockTextRenderer {
    int draws = 0, texts = 0;
    void BeginDraw() override { ++draws; }
    void DrawRun(int32_t x, int32_t y, const WideString& text) override {
        ++texts;
        BlockTextRenderer::DrawRun(x, y, text);
    }
};

template <class Renderer, class Allocator>
struct BasicEngineFixture {
    TrackedLock lock;
    FakeServices services{lock};
    FakeDialog dialog;
    Renderer renderer;
    Allocator allocator;
    TickerEngine engine{lock, services, renderer, allocator};
    uint32_t tick = 0;

    // Defaults, as a host without a settings file gets them.
    BasicEngineFixture() { engine.Init(SettingsLocation()); }
    // The settings as a file holds them ("Key=value" lines), read by Init.
    void InitFrom(const std::string& lines) {
        static std::atomic<int> count{0};
        SettingsLocation where;
        where.fullPath = "skimrow_fixture_" + std::to_string(++count) + "_" +
                         std::to_string(reinterpret_cast<uintptr_t>(this)) + ".ini";
        std::ofstream(where.fullPath, std::ios::binary) << "[PluginSettings]\r\n" << lines;
        engine.Init(where);
        std::remove(where.fullPath.c_str());
    }
    void Start(int32_t w = 768, int32_t h = 576, PixelFormat format = kFormatRgb24) {
        FrameGeometry g;
        g.frameWidth = w, g.frameHeight = h, g.pixelFormat = format, g.cpuLevel = 6;
        engine.Start(g);
    }
    // A frame as the host hands it, a millisecond after the last one.
    int32_t ProcessFrame(uint8_t* pixels) { return engine.ProcessFrame(pixels, ++tick); }
    void OpenDialog(bool open) { engine.ConnectDialog(open ? &dialog : nullptr); }
    TickerSettings S() { return engine.Settings(); }
    AirView Now() { return engine.Now(); }
    std::vector<AirView::RunView> Runs() { return engine.Now().runs; }
    std::vector<int32_t> Xs() {
        std::vector<int32_t> xs;
        for (const auto& r : Runs()) xs.push_back(r.x);
        return xs;
    }
    // The display texts of the list on air.
    std::vector<std::u16string> Shown() { return engine.Now(true).crawl; }
    const BandMetrics& Metrics() { return engine.Metrics(); }

    // A feed's result, as the feed source offers it for the last fetch of
    // that feed (of the selected one when none is named).
    bool Answer(const FeedResult& r, int32_t feed = -1, const StopSignal& stop = StopSignal::Never()) {
        const FeedFetch* fetch = nullptr;
        for (const FeedFetch& f : services.fetches)
            if (feed < 0 || f.feed == feed) fetch = &f;
        Bulletin b;
        if (!BulletinOfFeed(r, fetch ? fetch->feed : feed, fetch ? fetch->run : 0, stop, b)) return false;
        return engine.Desk().Offer(b, stop);
    }
};

using EngineFixture = BasicEngineFixture<CountingRenderer, HeapSurfaceAllocator>;
