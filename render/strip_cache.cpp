#include "render/strip_cache.h"

#include <algorithm>
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

// Eight bytes at a time: a long line without a text key is compared at
// every lookup, and the C runtime's memcmp may go byte by byte.
bool SameText(const char16_t* a, const char16_t* b, size_t length) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b);
    size_t n = length * sizeof(char16_t), i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, p + i, 8);
        std::memcpy(&y, q + i, 8);
        if (x != y) return false;
    }
    for (; i < n; ++i)
        if (p[i] != q[i]) return false;
    return true;
}

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
    layoutValid_ = false;
    target_ = nullptr;
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

bool StripCache::Place(const BandRun& run, int32_t bandWidth, int32_t* origin, int32_t* width) const {
    if (run.width < 0) return false;
    const int64_t whole = int64_t(run.width) + 2 * margin_;
    const int64_t most = std::min<int64_t>(kMaxStripWidth, kMaxStripPixels / style_.height);
    if (whole <= most) {
        *origin = -margin_;
        *width = int32_t(whole);
        return true;
    }
    // A tile: the visible part of the run and what lies up to kTileStep
    // beyond it, on a grid that starts at the run's left margin, so that the
    // tile serves the frames that follow until the text has moved on.
    if (most < int64_t(bandWidth) + kTileStep) return false;
    const int64_t visible = std::max<int64_t>(-margin_, -int64_t(run.x));
    const int64_t start = visible - (visible + margin_) % kTileStep;
    *origin = int32_t(start);
    *width = int32_t(std::min<int64_t>(most, int64_t(run.width) + margin_ - start));
    return true;
}

bool StripCache::Draw(Strip& strip, const BandRun& run, int32_t origin, int32_t width) {
    strip.valid = false;
    const int32_t height = style_.height;
    BandStyle s = style_;
    s.width = width;
    BandRun at = run;
    at.x = -origin;
    const OneRun one(at);
    // Wide enough for every strip so far: the scratch bitmap is made again only when a strip outgrows it.
    ComposeBand(renderer_, scratch_, s, &one, 100);
    const SurfaceSlot& slot = scratch_.Slot(0);
    if (!slot.pixels || slot.allocWidth < width || slot.allocHeight < height) return false;

    const size_t need = size_t(width) * size_t(height);
    if (strip.pixels.capacity() < need) ++growths_;
    if (strip.text.capacity() < size_t(run.text->Length())) ++growths_;
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
    // Ink at the margin's outer edge may go on beyond it: not a faithful
    // strip. (A tile's inner edges are cut inside the text, which is drawn
    // clipped there exactly as in the band.)
    const bool leftEnd = origin == -margin_, rightEnd = origin + width == run.width + margin_;
    if (inkLeft < inkRight && ((leftEnd && inkLeft == 0) || (rightEnd && inkRight == width))) return false;
    strip.text = run.text->Str();
    strip.textKey = run.textKey;
    strip.ownColors = run.colors != nullptr;
    strip.colors = run.colors ? *run.colors : RunColors();
    strip.layoutId = run.layout ? run.layout->id : 0;
    strip.origin = origin;
    strip.width = width;
    strip.height = height;
    strip.inkLeft = inkLeft < inkRight ? inkLeft : 0;
    strip.inkRight = inkLeft < inkRight ? inkRight : 0;
    strip.valid = true;
    strip.serial = ++serials_;
    ++stripsDrawn_;
    return true;
}

const StripCache::Strip* StripCache::StripFor(const BandRun& run, int32_t bandWidth) {
    int32_t origin, width;
    if (!Place(run, bandWidth, &origin, &width)) return nullptr;
    // The first free strip, else the least recently used one that the band
    // being composed does not show; of each, one whose buffer already holds
    // the new strip first. After a change of colours the same messages land
    // in the same buffers, and once the buffers have grown to the widest
    // messages on air, drawing one allocates nothing.
    const size_t need = size_t(width) * size_t(style_.height);
    const auto rank = [&](const Strip& s) {
        const bool fits = s.pixels.capacity() >= need;
        if (!s.valid) return fits ? 0 : 1;
        if (s.lastUse > composeStart_) return 4;  // on the band now
        return fits ? 2 : 3;
    };
    Strip* victim = nullptr;
    int victimRank = 5;
    for (Strip& s : strips_) {
        if (s.valid && s.origin == origin && s.width == width && s.text.size() == size_t(run.text->Length()) &&
            s.ownColors == (run.colors != nullptr) && (!run.colors || s.colors == *run.colors) &&
            s.layoutId == (run.layout ? run.layout->id : 0) &&
            ((run.textKey != 0 && s.textKey == run.textKey) ||
             SameText(s.text.data(), run.text->Raw(), size_t(run.text->Length())))) {
            s.textKey = run.textKey;
            s.lastUse = ++clock_;
            return &s;
        }
        const int r = rank(s);
        if (r < victimRank || (r == victimRank && s.valid && s.lastUse < victim->lastUse)) {
            victim = &s;
            victimRank = r;
        }
    }
    if (!Draw(*victim, run, origin, width)) return nullptr;
    victim->lastUse = ++clock_;
    return victim;
}

bool StripCache::Compose(DibSurface& band, const BandStyle& style, const BandRuns* runs, bool deferred) {
    layoutValid_ = false;
    target_ = nullptr;
    placed_.clear();
    placedFrom_.clear();
    composeStart_ = clock_;
    if (style.width <= 0 || !PrepareStyle(style)) return false;
    // The direct composer may take over any frame: both slots keep its sizes.
    band.SelectSlot(1);
    band.EnsureSize(style.width, style.height, 25, 25);
    band.SelectSlot(0);
    band.EnsureSize(style.width, style.height, 25, 25);
    if (!band.Slot(0).pixels) return false;
    const int32_t width = style.width;
    int64_t inkEnd = INT64_MIN;
    BandRun r;
    for (int32_t i = 0; runs && i < runs->Count(); ++i) {
        if (!runs->Run(i, &r) || !r.text) continue;
        if (r.width < 0) return false;
        const int64_t left = int64_t(r.x) - margin_, right = int64_t(r.x) + r.width + margin_;
        if (right <= 0 || left >= width) continue;  // nothing of it reaches the band
        const Strip* strip = StripFor(r, width);
        if (!strip) return false;
        if (strip->inkLeft == strip->inkRight) continue;  // blank
        const int64_t stripLeft = int64_t(r.x) + strip->origin;  // the band column of the strip's first
        const int64_t inkLeft = stripLeft + strip->inkLeft, inkRight = stripLeft + strip->inkRight;
        if (inkLeft < inkEnd) return false;  // touching ink blends: only direct drawing gets that right
        inkEnd = inkRight;
        const int32_t from = int32_t(inkLeft < 0 ? 0 : inkLeft), to = int32_t(inkRight > width ? width : inkRight);
        if (from >= to) continue;
        if (placed_.size() == placed_.capacity() || placedFrom_.size() == placedFrom_.capacity()) ++growths_;
        PlacedStrip p;
        p.pixels = strip->pixels.data();
        p.width = strip->width, p.height = strip->height;
        p.serial = strip->serial;
        p.left = int32_t(stripLeft);
        p.inkLeft = from, p.inkRight = to;
        placed_.push_back(p);
        placedFrom_.push_back(strip);
    }
    // A strip drawn again for a later run no longer holds what an earlier one showed.
    for (size_t i = 0; i < placed_.size(); ++i)
        if (placedFrom_[i]->serial != placed_[i].serial) return false;
    layout_.background = background_;
    layout_.count = int32_t(placed_.size());
    layout_.strips = placed_.data();
    layout_.painter = deferred ? this : nullptr;
    layoutValid_ = true;
    target_ = &band;
    targetWidth_ = width;
    if (!deferred) PaintColumns(0, width);
    return true;
}

void StripCache::PaintColumns(int32_t from, int32_t to) const {
    if (!target_) return;
    from = std::max(from, 0), to = std::min(to, targetWidth_);
    if (from >= to) return;
    const SurfaceSlot& slot = target_->Slot(0);
    const int32_t height = style_.height;
    uint32_t* first = reinterpret_cast<uint32_t*>(slot.At(from, 0));
    std::fill(first, first + (to - from), background_);
    for (int32_t y = 1; y < height; ++y) std::memcpy(slot.At(from, y), first, size_t(to - from) * 4);
    for (const PlacedStrip& p : placed_) {
        const int32_t a = std::max(from, p.inkLeft), b = std::min(to, p.inkRight);
        if (a >= b) continue;
        for (int32_t y = 0; y < height; ++y)
            std::memcpy(slot.At(a, y), p.pixels + size_t(y) * size_t(p.width) + size_t(a - p.left), size_t(b - a) * 4);
    }
}
