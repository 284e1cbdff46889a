// Where the time of a frame goes, with GDI text as in the DLL: the whole
// frame (both fields), the band's composition per frame with and without the
// strip cache, and the blend of the composed band into both fields from the
// resampled strips and with every column filtered, for 720 x 576,
// 1920 x 1080 and 3840 x 2160 YUY2. Medians of 300 frames.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "settings/band_geometry.h"
#include "render/gdi_text_renderer_win.h"
#include "bench/bench_engine.h"

namespace {

using Clock = std::chrono::steady_clock;

// The runs a frame of the engine has on its band, composed by a band of
// the benchmark's own.
class RunsOf final : public BandRuns {
public:
    explicit RunsOf(const AirView& view) {
        for (const AirView::RunView& r : view.runs) runs_.push_back({r.x, r.width, WideString(r.text)});
    }
    int32_t Count() const override { return int32_t(runs_.size()); }
    bool Run(int32_t i, BandRun* out) const override {
        const Placed& p = runs_[size_t(i)];
        out->x = p.x, out->width = p.width, out->text = &p.text;
        out->textKey = uint64_t(i) + 1;
        return true;
    }

private:
    struct Placed {
        int32_t x, width;
        WideString text;
    };
    std::vector<Placed> runs_;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <class F>
double TimeMs(F&& f) {
    const auto t0 = Clock::now();
    f();
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

}  // namespace

int main() {
    const char* text = "\xC1\xE5\xE3\xF3\xF9\xE0\xFF \xF1\xF2\xF0\xEE\xEA\xE0: \xED\xEE\xE2\xEE\xF1\xF2\xE8 "
                       "\xF7\xE0\xF1\xE0  \xC2 \xCC\xEE\xF1\xEA\xE2\xE5 \xE1\xE5\xE7 \xEE\xF1\xE0\xE4\xEA\xEE\xE2";
    const int32_t sizes[3][2] = {{720, 576}, {1920, 1080}, {3840, 2160}};
    const BlendPath path = FrameBlender().Path();
    std::printf("blender path: %s\n", path == BlendPath::Avx2 ? "AVX2" : path == BlendPath::Sse2 ? "SSE2" : "scalar");
    std::printf("%-10s %10s %12s %12s %10s %14s\n", "size", "frame_ms", "compose_ms", "direct_ms", "blend_ms",
                "blend_all_ms");
    for (const auto& size : sizes) {
        PlainLock lock;
        NoServices services;
        GdiTextRenderer renderer;
        DibSectionAllocator allocator;
        TickerEngine engine(lock, services, renderer, allocator);
        engine.Init(SettingsLocation());
        engine.SetList(ContentList::Strings, {text, ""});
        FrameGeometry g;
        g.frameWidth = size[0], g.frameHeight = size[1], g.pixelFormat = kFormatYuy2, g.cpuLevel = 6;
        engine.Start(g);
        engine.StartLine();
        std::vector<uint8_t> frame(size_t(size[0]) * size[1] * 2, 100);
        for (int i = 0; i < 200; ++i) engine.ProcessFrame(frame.data(), 1);  // the band full of text

        // The same band, composed apart from the engine's frames.
        TickerSettings settings = engine.Settings();
        GdiTextRenderer bandRenderer;
        BandState band(bandRenderer, allocator);
        band.RebuildFontLocked(settings);
        band.AddSlotsLocked();
        const RunsOf runs(engine.Now());
        const auto composeBand = [&] { band.ComposeLocked(settings, &runs); };

        std::vector<double> whole, compose, direct, blend, every;
        FrameBlender blender, filtering;
        blender.SetFrameFormat(size[0], size[1], kFormatYuy2);
        filtering.SetFrameFormat(size[0], size[1], kFormatYuy2);
        filtering.UseStripCache(false);
        for (int i = 0; i < 300; ++i) {
            whole.push_back(TimeMs([&] { engine.ProcessFrame(frame.data(), 1); }));
            // two compositions per frame, one per field
            compose.push_back(TimeMs([&] {
                composeBand();
                composeBand();
            }));
            band.UseStripsLocked(false);
            direct.push_back(TimeMs([&] {
                composeBand();
                composeBand();
            }));
            band.UseStripsLocked(true);
            composeBand();
            const SurfaceSlot& slot = band.Surface().Current();
            BandSource src;
            src.pixels = slot.pixels, src.allocWidth = slot.allocWidth, src.allocHeight = slot.allocHeight;
            src.rect = slot.used;
            src.layout = band.Layout();
            const Rect d = blender.MapRect(ReferenceBandRect(engine.Settings()));
            blend.push_back(TimeMs([&] {
                blender.BlendBand(frame.data(), d, src, 100, kEvenRows);
                blender.BlendBand(frame.data(), d, src, 100, kOddRows);
            }));
            every.push_back(TimeMs([&] {
                filtering.BlendBand(frame.data(), d, src, 100, kEvenRows);
                filtering.BlendBand(frame.data(), d, src, 100, kOddRows);
            }));
        }
        std::printf("%4dx%-5d %10.3f %12.3f %12.3f %10.3f %14.3f\n", size[0], size[1], Median(whole), Median(compose),
                    Median(direct), Median(blend), Median(every));
    }
    return 0;
}
