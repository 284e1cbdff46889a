// A TickerEngine with fake surroundings: a settable clock, recorded
// downloads, a dialog that records its refresh posts, a lock that knows who
// holds it, and the block text renderer.
#pragma once
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine_probe.h"

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
    std::vector<std::string> downloads;
    std::vector<bool> userRuns;  // per download: started by the user
    int stops = 0;
    int callsUnderLock = 0;  // downloader calls made while the ticker lock was held
    int64_t NowSeconds() override { return now; }
    void StartDownload(const std::string& url, bool userRun) override {
        callsUnderLock += lock.HeldHere();
        downloads.push_back(url);
        userRuns.push_back(userRun);
    }
    void StopDownload() override {
        callsUnderLock += lock.HeldHere();
        ++stops;
    }
    // The watched file and where its new lists go (null once the watch ends).
    std::string watched;
    FileReceiver* fileReceiver = nullptr;
    void WatchFile(const std::string& path, FileReceiver& receiver) override {
        callsUnderLock += lock.HeldHere();
        watched = path;
        fileReceiver = &receiver;
    }
    void StopWatchingFile() override {
        callsUnderLock += lock.HeldHere();
        watched.clear();
        fileReceiver = nullptr;
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
    // What no operation sets up: the settings as a file would hold them
    // (written before Start), and playback's parts.
    SettingsStore& store = EngineProbe::Store(engine);
    PlaybackControl& playback = EngineProbe::Playback(engine);
    uint32_t tick = 0;

    // Defaults, as a host without a settings file gets them.
    BasicEngineFixture() { engine.Init(SettingsLocation()); }
    void Start(int32_t w = 768, int32_t h = 576, PixelFormat format = kFormatRgb24) {
        FrameGeometry g;
        g.frameWidth = w, g.frameHeight = h, g.pixelFormat = format, g.cpuLevel = 6;
        engine.Start(g);
    }
    // A frame as the host hands it, a millisecond after the last one.
    int32_t ProcessFrame(uint8_t* pixels) { return engine.ProcessFrame(pixels, ++tick); }
    void ComposeBand() { EngineProbe::ComposeBand(engine); }
    BandState& Band() { return EngineProbe::Band(engine); }
    FrameRoad& Frames() { return EngineProbe::Frames(engine); }
    void OpenDialog(bool open) { engine.ConnectDialog(open ? &dialog : nullptr); }
    const SegmentList& Segments() const { return playback.Segments(); }
    const BandMetrics& Metrics() { return Band().Metrics(); }
    std::vector<int32_t> Xs() const {
        std::vector<int32_t> xs;
        for (int32_t i = 0; i < int32_t(Segments().size()); ++i) xs.push_back(Segments()[i].x);
        return xs;
    }
};

using EngineFixture = BasicEngineFixture<CountingRenderer, HeapSurfaceAllocator>;
