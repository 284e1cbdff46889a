// A TickerEngine with fake surroundings: a settable clock, a dialog flag,
// recorded downloads, and the block text renderer.
#pragma once
#include <string>
#include <vector>

#include "plugin/ticker_engine.h"

struct FakeServices : EngineServices {
    int64_t now = 1'000'000;
    bool dialog = false;
    std::vector<int32_t> posts;
    std::vector<std::string> downloads;
    int stops = 0;
    int64_t NowSeconds() override { return now; }
    bool DialogHasWindow() override { return dialog; }
    void PostDialogUpdate(int32_t part) override { posts.push_back(part); }
    int32_t StartDownload(const std::string& url) override {
        downloads.push_back(url);
        return 1;
    }
    void StopDownload() override { ++stops; }
};

struct CountingRenderer : BlockTextRenderer {
    int draws = 0, texts = 0;
    void BeginDraw() override { ++draws; }
    void DrawRun(int32_t x, int32_t y, const char16_t* t, int32_t n) override {
        ++texts;
        BlockTextRenderer::DrawRun(x, y, t, n);
    }
};

struct EngineFixture {
    StdTickerLock lock;
    FakeServices services;
    CountingRenderer renderer;
    HeapSurfaceAllocator allocator;
    TickerEngine engine{lock, services, renderer, allocator};

    // Defaults as a fresh settings file gives them.
    EngineFixture() {
        IniStore none;
        LoadSettings(none, engine.store);
    }
    void Start(int32_t w = 768, int32_t h = 576, int32_t format = kFormatRgb24) {
        FrameGeometry g;
        g.frameWidth = w, g.frameHeight = h, g.pixelFormat = format, g.cpuLevel = 6;
        engine.PrepareProcessing(g);
        engine.DecidePlayback();
    }
    std::vector<int32_t> Xs() const {
        std::vector<int32_t> xs;
        for (int32_t i = 0; i < engine.segments.Count(); ++i) xs.push_back(engine.segments[i].x);
        return xs;
    }
};
