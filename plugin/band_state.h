// The band as the font shapes it: the ticker font, its measurements and the
// two surface slots that the band is composed into. Every operation expects
// the ticker lock held; the state has no lock of its own.
#pragma once
#include <cstdint>

#include "render/dib_surface.h"
#include "render/strip_cache.h"
#include "plugin/ticker_control.h"
#include "render/text_renderer.h"
#include "settings/ticker_settings.h"

struct BandMetrics {
    int32_t gapWidth = 0;  // eight blanks: the space between two runs
    int32_t textHeight = 0;
    int32_t shadowOffset = 0;
};

class BandState {
public:
    BandState(TextRenderer& renderer, SurfaceAllocator& allocator)
        : renderer_(renderer), surface_(allocator), strips_(renderer, allocator) {}

    // Creates the font from the settings and measures the band with it.
    void RebuildFontLocked(TickerSettings& s);
    // Shadow offset, gap and band height (stored as BandHeight) from the current font.
    void MeasureBandLocked(TickerSettings& s);
    int32_t MeasureTextLocked(const WideString& text);
    // Only slots 0 and 1 are drawn; a later Start reuses them.
    void AddSlotsLocked();
    // The runs on the band's background (null: the background only); the
    // result is in slot 0. forBlend: the band may be left for the blender to
    // paint where it reads it (see Layout()).
    void ComposeLocked(const TickerSettings& s, const BandRuns* runs, bool forBlend = false);

    const BandMetrics& Metrics() const { return metrics_; }
    const DibSurface& Surface() const { return surface_; }
    const StripCache& Strips() const { return strips_; }
    // How the last composed band got its pixels, when from strips.
    const BandLayout* Layout() const { return fromStrips_ ? strips_.Layout() : nullptr; }
    // Off: every band is drawn directly (for equality tests and benchmarks).
    void UseStripsLocked(bool on) { useStrips_ = on; }

private:
    TextRenderer& renderer_;
    DibSurface surface_;
    StripCache strips_;
    bool useStrips_ = true;
    bool fromStrips_ = false;
    BandMetrics metrics_;
};
