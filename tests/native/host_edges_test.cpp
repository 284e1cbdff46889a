// The engine where the host's threads meet the plug-in's own: Shutdown's
// save against a download worker that is putting a feed on air, and frames
// against a Start that changes the processor level. The Stress cases run
// under ThreadSanitizer in the test command as well.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <chrono>
#include <map>
#include <thread>

#include "engine_fixture.h"
#include "plugin/std_ticker_lock.h"
#include "settings/instance_paths.h"
#include "test_files.h"

namespace {

void SpinMicros(int micros) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::microseconds(micros);
    while (std::chrono::steady_clock::now() < end) {
    }
}

struct NoDates : DateFormatter {
    std::u16string Format(const char*, const CalendarFields&, int32_t) const override { return u""; }
};

// A download worker as the real one meets the engine: it parses for a
// while, then hands its items over unless it has been told to stop;
// StopDownload tells it and waits for it.
struct WorkerServices : EngineServices {
    TickerEngine* engine = nullptr;
    RuntimeTimeZone zone;
    NoDates formatter;
    FeedResult feed = FeedResult::Read({}, zone, formatter);
    int parseMicros = 0;
    std::thread worker;
    StopFlag stop;

    ~WorkerServices() override { StopFeeds(); }
    int64_t NowSeconds() override { return 1'700'000'000; }
    uint64_t NowLocalStamp() override {
        CalendarFields f;
        return zone.UtcToLocal(NowSeconds(), &f, nullptr) ? StampFromFields(f) : 0;
    }
    void FetchFeed(const FeedFetch& fetch) override {
        StopFeeds();
        stop.Reset();
        worker = std::thread([this, fetch] {
            SpinMicros(parseMicros);
            Bulletin b;
            if (BulletinOfFeed(feed, fetch.feed, fetch.run, stop, b)) engine->Desk().Offer(b, stop);
        });
    }
    void StopFeeds() override {
        stop.Raise();
        if (worker.joinable()) worker.join();
    }
};

std::string SavedValue(const std::string& file, const std::string& key) {
    const size_t at = file.find("\r\n" + key + "=");
    if (at == std::string::npos) return "(none)";
    const size_t begin = at + key.size() + 3;
    return file.substr(begin, file.find("\r\n", begin) - begin);
}

// The worker publishes before the save, during it, or after the stop; for
// each timing the file must hold the old stamp or the new one, the same
// bytes for the same outcome, and what the engine holds once the worker is
// gone.
TEST(Stress, ShutdownSavesTheOldFeedStampOrTheNewOneNeverAChangingOne) {
    TempDir dir;
    const uint64_t kOld = 5;
    const std::string kNew = std::to_string(StampFromFields({2011, 11, 7, 11, 0, 0}));
    std::map<std::string, std::string> bytesOf;  // by saved LastUpdate
    std::map<std::string, int> outcomes;
    for (int i = 0; i < 300; ++i) {
        StdTickerLock lock;
        WorkerServices services;
        BlockTextRenderer renderer;
        HeapSurfaceAllocator allocator;
        TickerEngine engine(lock, services, renderer, allocator);
        services.engine = &engine;
        services.feed.items = {{u"07 Nov 2011 10:00:00 GMT", u"a", u""}, {u"07 Nov 2011 11:00:00 GMT", u"b", u""}};
        services.parseMicros = (i * 37) % 400;
        const SettingsLocation where = LocationIn(dir.path() + "/", "ticker");
        // Not the last round's save: the feed, its address and the old stamp.
        WriteBytes(where.fullPath, "[PluginSettings]\r\nStringSource=2\r\nDate=0\r\nTime=0\r\n"
                                   "LastURL=http://127.0.0.1/rss.xml\r\nLastUpdate=" + std::to_string(kOld) +
                                       "\r\nURL_000=http://127.0.0.1/rss.xml\r\n");
        engine.Init(where);
        FrameGeometry g;
        g.frameWidth = 720, g.frameHeight = 576, g.cpuLevel = 6;
        engine.Start(g);

        engine.StartLine();  // the worker starts
        SpinMicros((i * 53) % 1200);
        engine.Shutdown();
        const std::string saved = ReadBytes(engine.Location().fullPath);
        const std::string stamp = SavedValue(saved, "LastUpdate");
        ASSERT_TRUE(stamp == std::to_string(kOld) || stamp == kNew) << "round " << i << ": " << stamp;
        services.StopFeeds();
        EXPECT_EQ(std::to_string(engine.Settings().LastUpdate), stamp) << "round " << i << ": changed after the save";
        auto known = bytesOf.emplace(stamp, saved);
        EXPECT_EQ(known.first->second, saved) << "round " << i;
        ++outcomes[stamp];
    }
    std::printf("shutdown against the worker: old stamp saved %d times, new %d times\n", outcomes[std::to_string(kOld)],
                outcomes[kNew]);
}

// Told to stop after the parse's last look: the worker that then gets the
// lock at once must still not publish, or a save that follows the stop
// would miss what it writes.
TEST(FeedWorker, ToldToStopOnItsWayToTheLockPublishesNothing) {
    EngineFixture f;
    f.InitFrom("StringSource=2\r\nLastURL=http://127.0.0.1/rss.xml\r\nLastUpdate=5\r\n"
               "URL_000=http://127.0.0.1/rss.xml\r\n");
    f.services.now = 1'400'000'000;  // 2014: the items are in the past
    f.Start();
    f.engine.StartLine();
    RuntimeTimeZone zone;
    NoDates formatter;
    const FeedResult feed = FeedResult::Read(
        {{u"07 Nov 2011 10:00:00 GMT", u"a", u""}, {u"07 Nov 2011 11:00:00 GMT", u"b", u""}}, zone, formatter);
    // Two looks between the items and one after them; the stop comes next.
    struct StopsAfterTheParse final : StopSignal {
        mutable int asked = 0;
        bool Requested() const override { return ++asked > 3; }
    } stop;
    EXPECT_FALSE(f.Answer(feed, -1, stop));
    EXPECT_EQ(f.S().LastUpdate, 5u);
    EXPECT_TRUE(f.Shown().empty());
    stop.asked = -100;  // never told: the same feed goes on air
    EXPECT_TRUE(f.Answer(feed, -1, stop));
    EXPECT_EQ(f.Shown().size(), 2u);
}

TEST(Stress, FramesMeetAStartThatChangesTheProcessorLevel) {
    EngineFixture f;
    f.engine.SetList(ContentList::Strings, {"frames and starts", ""});
    f.Start(720, 576, kFormatYuy2);
    f.engine.StartLine();
    std::atomic<bool> stop{false};
    std::atomic<long> drawn{0};
    std::thread video([&] {
        std::vector<uint8_t> frame(720 * 576 * 2, 0x80);
        for (uint32_t tick = 1; !stop; ++tick) drawn += f.engine.ProcessFrame(frame.data(), tick);
    });
    for (int i = 0; i < 200; ++i) {
        FrameGeometry g;
        g.frameWidth = 720, g.frameHeight = 576, g.pixelFormat = kFormatYuy2, g.cpuLevel = i % 2 ? 2 : 6;
        f.engine.Start(g);
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    stop = true;
    video.join();
    EXPECT_GT(drawn.load(), 0);
}

TEST(Frames, AProcessorBelowTheLevelGetsNoFrameDrawnOrNoted) {
    const struct {
        int32_t cpuLevel;
        int32_t result;
    } cases[] = {{0, 1}, {1, 0}, {2, 0}, {3, 1}, {6, 1}, {-1, 1}};
    for (const auto& c : cases) {
        EngineFixture f;
        FrameGeometry g;
        g.frameWidth = 768, g.frameHeight = 576, g.pixelFormat = kFormatRgb24, g.cpuLevel = c.cpuLevel;
        f.engine.Start(g);
        std::vector<uint8_t> frame(768 * 576 * 3);
        EXPECT_EQ(f.engine.ProcessFrame(frame.data(), 4321), c.result) << "level " << c.cpuLevel;
        EXPECT_EQ(f.engine.LastFrameTick(), c.result ? 4321u : 0u) << "level " << c.cpuLevel;
        EXPECT_EQ(f.engine.ProcessFrame(nullptr, 99), 0);
        EXPECT_EQ(f.engine.LastFrameTick(), c.result ? 4321u : 0u) << "no frame, no tick";
    }
}

}  // namespace
