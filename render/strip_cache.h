// Each message's strip, its shadow and text composed on the band's
// background, drawn once and copied into the band wherever the message
// stands. Text drawn at an integer position looks the same wherever it is
// drawn, so a copied band equals a band drawn directly, byte for byte, and
// the text renderer runs only when a message, the font or the colours change.
//
// A run too long for one strip (a whole text file on one line) is cached as
// a tile: the part the band shows and the kTileStep pixels that follow.
// Whatever the cache cannot reproduce exactly it declines, and the caller
// draws the band directly: runs whose ink would touch, fonts so tall that a
// tile cannot cover the band, a failed allocation.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "render/band_composer.h"
#include "render/band_layout.h"

class StripCache final : public BandPainter {
public:
    static constexpr int32_t kMaxStripWidth = 4096;
    static constexpr int32_t kMaxStripPixels = 1 << 20;  // 4 MB: tall fonts get shorter strips
    static constexpr int32_t kTileStep = 1024;
    static constexpr int32_t kStrips = 8;

    StripCache(TextRenderer& renderer, SurfaceAllocator& allocator);

    // Composes the band into slot 0 of `band`, as ComposeBand would; false
    // (band untouched or partly drawn) when the caller must draw it directly.
    // Deferred: only the layout is made, and its painter paints the band
    // where it is read (see BandLayout).
    bool Compose(DibSurface& band, const BandStyle& style, const BandRuns* runs, bool deferred = false);
    void PaintColumns(int32_t from, int32_t to) const override;
    // Where the last band that Compose took got its pixels; null after one it
    // declined. Valid until the next call of Compose or Invalidate.
    const BandLayout* Layout() const { return layoutValid_ ? &layout_ : nullptr; }
    // The font changed: every strip is stale.
    void Invalidate();

    // Strips drawn and buffers grown so far (for tests and benchmarks).
    int64_t StripsDrawn() const { return stripsDrawn_; }
    int64_t Growths() const { return growths_ + scratch_.Allocations(); }

private:
    struct Strip {
        std::u16string text;
        uint64_t textKey = 0;  // the last run found to have this text
        bool ownColors = false;  // drawn in a run's own colours
        RunColors colors;
        uint64_t layoutId = 0;  // the layout it was drawn from; 0: the plain path
        bool valid = false;
        uint64_t serial = 0;  // new for every drawing
        int32_t origin = 0;  // the run's column (from its left edge) at the strip's first
        int32_t width = 0, height = 0;
        int32_t inkLeft = 0, inkRight = 0;  // the columns that differ from the background
        uint64_t lastUse = 0;
        std::vector<uint32_t> pixels;  // top-down rows of `width`
    };

    bool SameStyle(const BandStyle& s) const;
    bool PrepareStyle(const BandStyle& style);
    // Where the run's strip starts (relative to the run) and how wide it is.
    bool Place(const BandRun& run, int32_t bandWidth, int32_t* origin, int32_t* width) const;
    const Strip* StripFor(const BandRun& run, int32_t bandWidth);
    bool Draw(Strip& strip, const BandRun& run, int32_t origin, int32_t width);

    TextRenderer& renderer_;
    DibSurface scratch_;
    BandStyle style_;
    bool styleValid_ = false;
    uint32_t background_ = 0;
    int32_t margin_ = 0;  // room left and right of the text for overhangs and the shadow
    Strip strips_[kStrips];
    uint64_t clock_ = 0, serials_ = 0;
    uint64_t composeStart_ = 0;  // strips used since then are on the band being composed
    int64_t stripsDrawn_ = 0, growths_ = 0;
    std::vector<PlacedStrip> placed_;
    std::vector<const Strip*> placedFrom_;
    BandLayout layout_;
    bool layoutValid_ = false;
    const DibSurface* target_ = nullptr;  // the band the layout is painted into
    int32_t targetWidth_ = 0;
};
