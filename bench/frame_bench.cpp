// Whole frames natively: the engine's ProcessFrame (both fields' composition
// and blend, the runs' upkeep) with the block text renderer, the default
// band and a scrolling message, for YUY2 and RGB at three frame sizes, a
// line of 100,000 characters, and a crawl of one feed or of 64 feeds of 500
// items each (the frame's cost must not grow with the lists).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_engine.h"
#include "feed/feed_messages.h"

namespace {

// The frames measured, apart from the warm-up (callgrind counts calls of this).
__attribute__((noinline)) void MeasuredFrame(TickerEngine& engine, uint8_t* frame) { engine.ProcessFrame(frame, 1); }

void Frame(benchmark::State& state, int32_t width, int32_t height, PixelFormat format, int32_t lineLength) {
    PlainLock lock;
    NoServices services;
    BlockTextRenderer renderer;
    HeapSurfaceAllocator allocator;
    TickerEngine engine(lock, services, renderer, allocator);
    engine.Init(SettingsLocation());
    std::string text = "\xC1\xE5\xE3\xF3\xF9\xE0\xFF \xF1\xF2\xF0\xEE\xEA\xE0: news of the hour";
    while (int32_t(text.size()) < lineLength) text += " \xE8 \xE5\xF9\xB8 \xED\xEE\xE2\xEE\xF1\xF2\xE8";
    engine.SetList(ContentList::Strings, {text, ""});
    FrameGeometry g;
    g.frameWidth = width, g.frameHeight = height, g.pixelFormat = format, g.cpuLevel = 6;
    engine.Start(g);
    engine.StartLine();
    std::vector<uint8_t> frame(size_t(width) * height * (format == kFormatYuy2 ? 2 : 3), 100);
    for (int i = 0; i < 200; ++i) engine.ProcessFrame(frame.data(), 1);  // the band full of text
    for (auto _ : state) {
        MeasuredFrame(engine, frame.data());
        benchmark::DoNotOptimize(frame.data());
    }
}

struct NumberFormatter final : DateFormatter {
    std::u16string Format(const char*, const CalendarFields& f, int32_t) const override {
        const std::string s = std::to_string(f.day) + "." + std::to_string(f.month);
        return std::u16string(s.begin(), s.end());
    }
};

// A crawl of `feeds` feeds of `items` items, dated, every headline its own.
void Crawl(benchmark::State& state, int feeds, int items) {
    PlainLock lock;
    NoServices services;
    BlockTextRenderer renderer;
    HeapSurfaceAllocator allocator;
    TickerEngine engine(lock, services, renderer, allocator);
    engine.Init(SettingsLocation());
    StringList urls;
    for (int f = 0; f < feeds; ++f) urls.push_back("http://127.0.0.1/feed" + std::to_string(f) + ".xml");
    urls.push_back("");
    engine.SetList(ContentList::Urls, urls);
    engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Feed));
    engine.Set(&TickerSettings::AllFeeds, feeds > 1 ? 1 : 0);
    FrameGeometry g;
    g.frameWidth = 720, g.frameHeight = 576, g.pixelFormat = kFormatYuy2, g.cpuLevel = 6;
    engine.Start(g);
    engine.StartLine();
    static const RuntimeTimeZone zone;
    static const NumberFormatter formatter;
    for (const FeedFetch& fetch : services.fetches) {
        std::vector<FeedItemTexts> texts;
        for (int i = 0; i < items; ++i) {
            char date[64], title[64];
            std::snprintf(date, sizeof date, "%02d Nov 2011 %02d:%02d:00 GMT", 1 + i % 28, i % 24, (i + fetch.feed) % 60);
            std::snprintf(title, sizeof title, "Feed %d, story %d", int(fetch.feed), i);
            texts.push_back({std::u16string(date, date + std::strlen(date)), std::u16string(title, title + std::strlen(title)), u""});
        }
        Bulletin b;
        BulletinOfFeed(FeedResult::Read(texts, zone, formatter), fetch.feed, fetch.run, StopSignal::Never(), b);
        engine.Desk().Offer(b, StopSignal::Never());
    }
    std::vector<uint8_t> frame(size_t(720) * 576 * 2, 100);
    // The first feed went on air alone; the others join where its pass ends.
    engine.Set(&TickerSettings::Speed, 30000);
    for (int i = 0; i < 10 && engine.Status().items < feeds * items; ++i) engine.ProcessFrame(frame.data(), 1);
    engine.Set(&TickerSettings::Speed, 4);
    for (int i = 0; i < 200; ++i) engine.ProcessFrame(frame.data(), 1);
    state.counters["items"] = double(engine.Status().items);
    for (auto _ : state) {
        MeasuredFrame(engine, frame.data());
        benchmark::DoNotOptimize(frame.data());
    }
}
BENCHMARK_CAPTURE(Crawl, one_feed_500_yuy2_720x576, 1, 500)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Crawl, feeds_64x500_yuy2_720x576, 64, 500)->Unit(benchmark::kMicrosecond);

#define FRAME(W, H)                                                                                     \
    BENCHMARK_CAPTURE(Frame, yuy2_##W##x##H, W, H, kFormatYuy2, 0)->Unit(benchmark::kMicrosecond);   \
    BENCHMARK_CAPTURE(Frame, rgb24_##W##x##H, W, H, kFormatRgb24, 0)->Unit(benchmark::kMicrosecond);

FRAME(720, 576)
FRAME(1920, 1080)
FRAME(3840, 2160)
// A text file whose one line has 100,000 characters.
BENCHMARK_CAPTURE(Frame, long_line_yuy2_720x576, 720, 576, kFormatYuy2, 100000)->Unit(benchmark::kMicrosecond);

}  // namespace
