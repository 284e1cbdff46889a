#include "render/strip_cache.h"

#include <cstdint>
#include <cstring>

namespace {

class OneRun final : public BandRuns {
public:
    explicit OneRun(const BandRun& run) : run_(run) {}
    int32_t Count() const override { return 1; }
    bool Run(int32_t, BandRun* run) const override {
        *run = run_;
        return true;
    }

private:
    BandRun run_;
};

uint32_t PixelAt(const SurfaceSlot& slot, int32_t x, int32_t y) {
    uint32_t p;
    std::memcpy(&p, slot.At(x, y), 4);
    return p;
}

}  // namespace

StripCache::StripCache(TextRenderer& renderer, SurfaceAllocator& allocator) : renderer_(renderer), scratch_(allocator) {
    scratch_.AddSlot();
    scratch_.AddSlot();
}

void StripCache::Invalidate() {
    styleValid_ = false;
    for (Strip& s : strips_) s.valid = false;
}

bool StripCache::SameStyle(const BandStyle& s) const {
    return s.height == style_.height && s.backColor == style_.backColor && s.textColor == style_.textColor &&
           s.backOpacity == style_.backOpacity && s.textOpacity == style_.textOpacity &&
           s.shadowOffset == style_.shadowOffset;
}

bool StripCache::PrepareStyle(const BandStyle& style) {
    if (styleValid_ && SameStyle(style)) return true;
    Invalidate();
    if (style.height <= 0 || style.height > 4096) return false;
    style_ = style;
    const int32_t shadow = style.shadowOffset < 0 ? -style.shadowOffset : style.shadowOffset;
    if (shadow > 4096) return false;
    margin_ = style.height + shadow;
    // The background as the composer leaves it, alpha included.
    BandStyle plain = style;
    plain.width = 1;
    ComposeBand(renderer_, scratch_, plain, nullptr, 100);
    const SurfaceSlot& slot = scratch_.Slot(0);
    if (!slot.pixels) return false;
    background_ = PixelAt(slot, 0, 0);
    styleValid_ = true;
    return true;
}

bool StripCache::Fits(const BandRun& run) const {
    const int64_t width = int64_t(run.width) + 2 * margin_;
    return run.width >= 0 && width <= kMaxStripWidth && width * style_.height <= kMaxStripPixels;
}

bool StripCache::Draw(Strip& strip, const BandRun& run) {
    strip.valid = false;
    const int32_t width = run.width + 2 * margin_, height = style_.height;
    BandStyle s = style_;
    s.width = width;
    BandRun at = run;
    at.x = margin_;
    const OneRun one(at);
    // Wide enough for every strip so far: the scratch bitmap is made again only when a strip outgrows it.
    ComposeBand(renderer_, scratch_, s, &one, 100);
    const SurfaceSlot& slot = scratch_.Slot(0);
    if (!slot.pixels || slot.allocWidth < width || slot.allocHeight < height) return false;

    const size_t need = size_t(width) * size_t(height);
    if (strip.pixels.capacity() < need) ++growths_;
    if (strip.text.capacity() < size_t(run.length)) ++growths_;
    strip.pixels.resize(need);
    int32_t inkLeft = width, inkRight = 0;
    for (int32_t y = 0; y < height; ++y) {
        uint32_t* row = strip.pixels.data() + size_t(y) * size_t(width);
        std::memcpy(row, slot.At(0, y), size_t(width) * 4);
        int32_t x = 0;
        while (x < inkLeft && row[x] == background_) ++x;
        inkLeft = x < inkLeft ? x : inkLeft;
        x = width;
        while (x > inkRight && row[x - 1] == background_) --x;
        inkRight = x > inkRight ? x : inkRight;
    }
    // Ink at the strip's edge may have been cut off: not a faithful strip.
    if (inkLeft < inkRight && (inkLeft == 0 || inkRight == width)) return false;
    strip.text.assign(run.text, size_t(run.length));
    strip.width = width;
    strip.height = height;
    strip.inkLeft = inkLeft < inkRight ? inkLeft : 0;
    strip.inkRight = inkLeft < inkRight ? inkRight : 0;
    strip.valid = true;
    ++stripsDrawn_;
    return true;
}

const StripCache::Strip* StripCache::StripFor(const BandRun& run) {
    if (!Fits(run)) return nullptr;
    // The first free strip, else the least recently used one: after a change
    // of colours the same messages land in the same buffers.
    Strip* victim = nullptr;
    for (Strip& s : strips_) {
        if (s.valid && s.text.size() == size_t(run.length) &&
            std::memcmp(s.text.data(), run.text, size_t(run.length) * sizeof(char16_t)) == 0) {
            s.lastUse = ++clock_;
            return &s;
        }
        if (!victim || (victim->valid && (!s.valid || s.lastUse < victim->lastUse))) victim = &s;
    }
    if (!Draw(*victim, run)) return nullptr;
    victim->lastUse = ++clock_;
    return victim;
}

bool StripCache::Compose(DibSurface& band, const BandStyle& style, const BandRuns* runs) {
    if (style.width <= 0 || !PrepareStyle(style)) return false;
    // The direct composer may take over any frame: both slots keep its sizes.
    band.SelectSlot(1);
    band.EnsureSize(style.width, style.height, 25, 25);
    band.SelectSlot(0);
    band.EnsureSize(style.width, style.height, 25, 25);
    const SurfaceSlot& slot = band.Slot(0);
    if (!slot.pixels) return false;
    const int32_t width = style.width, height = style.height;
    for (int32_t y = 0; y < height; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(slot.At(0, y));
        for (int32_t x = 0; x < width; ++x) row[x] = background_;
    }
    if (!runs) return true;
    int64_t inkEnd = INT64_MIN;
    BandRun r;
    for (int32_t i = 0; i < runs->Count(); ++i) {
        if (!runs->Run(i, &r)) continue;
        if (r.width < 0) return false;
        const int64_t left = int64_t(r.x) - margin_, right = int64_t(r.x) + r.width + margin_;
        if (right <= 0 || left >= width) continue;  // nothing of it reaches the band
        const Strip* strip = StripFor(r);
        if (!strip) return false;
        if (strip->inkLeft == strip->inkRight) continue;  // blank
        const int64_t inkLeft = left + strip->inkLeft, inkRight = left + strip->inkRight;
        if (inkLeft < inkEnd) return false;  // touching ink blends: only direct drawing gets that right
        inkEnd = inkRight;
        const int32_t from = int32_t(inkLeft < 0 ? 0 : inkLeft), to = int32_t(inkRight > width ? width : inkRight);
        if (from >= to) continue;
        const int32_t offset = from - int32_t(left);
        for (int32_t y = 0; y < height; ++y)
            std::memcpy(slot.At(from, y), strip->pixels.data() + size_t(y) * size_t(strip->width) + size_t(offset),
                        size_t(to - from) * 4);
    }
    return true;
}
