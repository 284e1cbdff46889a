// Whole frames natively: the engine's ProcessFrame (both fields' composition
// and blend, the segments' upkeep) with the block text renderer, the default
// band and a scrolling message, for YUY2 and RGB at three frame sizes, and
// a line of 100,000 characters.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_engine.h"

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

#define FRAME(W, H)                                                                                     \
    BENCHMARK_CAPTURE(Frame, yuy2_##W##x##H, W, H, kFormatYuy2, 0)->Unit(benchmark::kMicrosecond);   \
    BENCHMARK_CAPTURE(Frame, rgb24_##W##x##H, W, H, kFormatRgb24, 0)->Unit(benchmark::kMicrosecond);

FRAME(720, 576)
FRAME(1920, 1080)
FRAME(3840, 2160)
// A text file whose one line has 100,000 characters.
BENCHMARK_CAPTURE(Frame, long_line_yuy2_720x576, 720, 576, kFormatYuy2, 100000)->Unit(benchmark::kMicrosecond);

}  // namespace
