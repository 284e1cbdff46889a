// The band as the font shapes it: the ticker font, its measurements and the
// two surface slots that the band is composed into. Every operation expects
// the ticker lock held; the state has no lock of its own.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "render/dib_surface.h"
#include "render/strip_cache.h"
#include "plugin/ticker_control.h"
#include "render/text_renderer.h"
#include "settings/ticker_settings.h"
#include "text/message_list.h"

// A message's width on the band and, where it needs one, its layout.
struct MeasuredText {
    int32_t width = 0;
    std::shared_ptr<const TextLayout> layout;
};

// Names a message of one revision of a list on air.
inline uint64_t MessageKey(uint64_t revision, int32_t index) { return (revision << 32) | uint64_t(uint32_t(index)); }

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
    // Lays the message out once (kept by `key`, see MessageKey) where the
    // plain path cannot draw it.
    MeasuredText MeasureMessageLocked(const TickerMessage& message, uint64_t key);
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
    LayoutCache layouts_;
    bool useStrips_ = true;
    bool fromStrips_ = false;
    BandMetrics metrics_;
};
