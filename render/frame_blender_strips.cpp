// The blender's strip cache. Both filters are linear and the vertical one
// does not depend on x, so a column of the frame depends only on the band
// columns its horizontal taps reach. Where those hold nothing but one strip's
// ink and the background, the column equals the same column of that strip
// alone on the background, wherever the strip stands, as long as the taps'
// weights are the same: and they repeat every periodSource_ band columns
// (periodFrame_ frame columns). So each strip is resampled once per phase of
// its position in that period, in chunks of whole periods, into prepared
// values (blend_rows::Prepare*), and so is the background; a field then
// blends those. Columns whose taps reach two inks, or whose weights are not
// the period's (the band's edges, where taps are cut), are filtered from the
// band as before. The result is the same, bit for bit.
#include <algorithm>
#include <climits>
#include <cstring>

#include "render/frame_blender.h"

namespace {

int32_t FloorDiv(int32_t a, int32_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

int32_t Gcd(int32_t a, int32_t b) {
    while (b) {
        const int32_t t = a % b;
        a = b, b = t;
    }
    return a;
}

// Per D column: the entry's weights are the period's, and the band columns
// its non-zero taps reach: from at least `low` (the least of this and every
// later column's) to below `high` (the most of this and every earlier
// column's). Both only grow from column to column.
struct ColumnInfo {
    int32_t periodic, low, high, unused;  // 16 bytes: the entries that follow stay aligned
};

constexpr int32_t kBackground = -1, kDirect = -2;
constexpr int32_t kInkRoom = 64;  // strips on the band before the ranges' buffer grows

// The frame columns [x0, x1) whose taps may reach strip `strip`'s ink.
struct InkRange {
    int32_t x0, x1, strip;
};

// Room for the ranges of `count` inks and their ends.
size_t InkBytes(int32_t count) { return size_t(count) * (sizeof(InkRange) + 2 * sizeof(int32_t)) + 16; }

bool SameWeights(const FilterEntry& a, const FilterEntry& b) {
    return a.count == b.count && std::memcmp(a.weights, b.weights, size_t(a.count) * 8) == 0;
}

}  // namespace

bool FrameBlender::CacheKey::operator==(const CacheKey& o) const {
    auto same = [](const Rect& a, const Rect& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    };
    return format == o.format && path == o.path && same(R, o.R) && same(D, o.D) && srcWidth == o.srcWidth &&
           srcHeight == o.srcHeight && background == o.background;
}

FilterEntry FrameBlender::RowEntry(const FilterEntry& v, int32_t sourceStep) const {
    FilterEntry e = v;
    e.offset = v.offset / vKey_.step * sourceStep;  // the first row, counted in rows of this source
    return e;
}

bool FrameBlender::SetUpCache(const CacheKey& key) {
    stats_.bytes = 0, stats_.chunks = 0;
    const int32_t L = key.srcWidth, N = key.R.Width();
    if (L <= 0 || N <= 0 || key.D.Empty()) return false;
    bpp_ = key.format == kFormatYuy2 ? 2 : 3;
    const int32_t g = Gcd(L, N);
    periodSource_ = L / g, periodFrame_ = N / g;
    if (key.format == kFormatYuy2 && (periodFrame_ & 1)) periodSource_ *= 2, periodFrame_ *= 2;  // whole pairs
    if (periodSource_ > kMaxPhases) return false;
    return FindPeriod(key) && LayChunkTable() && SizePool(key) && FillBackground(key);
}

// Which of the band's columns have the period's weights, and those weights.
bool FrameBlender::FindPeriod(const CacheKey& key) {
    const int32_t columns = key.D.Width(), pl = periodSource_, pn = periodFrame_, taps = hTable_.Taps();
    const size_t infoBytes = size_t(columns) * (sizeof(ColumnInfo) + sizeof(FilterEntry)) +
                             size_t(pn) * (sizeof(FilterEntry) + sizeof(int32_t));
    if (!columnInfo_.Ensure(infoBytes, 30, 30)) return false;
    ColumnInfo* info = reinterpret_cast<ColumnInfo*>(columnInfo_.data());
    FilterEntry* entries = reinterpret_cast<FilterEntry*>(info + columns);
    const uint8_t* cursor = hTable_.Entries();
    for (int32_t d = 0; d < columns; ++d) {
        const FilterEntry e = ReadEntry(cursor);
        entries[d] = e;
        int32_t first = 0, end = e.count;
        while (first < end && e.weights[4 * first] == 0) ++first;
        while (end > first && e.weights[4 * (end - 1)] == 0) --end;
        info[d] = first < end ? ColumnInfo{0, e.offset / 4 + first, e.offset / 4 + end, 0}
                              : ColumnInfo{0, INT32_MAX, INT32_MIN, 0};  // no tap: reaches nothing
    }
    for (int32_t d = 1; d < columns; ++d) info[d].high = std::max(info[d].high, info[d - 1].high);
    for (int32_t d = columns - 2; d >= 0; --d) info[d].low = std::min(info[d].low, info[d + 1].low);
    // The first whole period of uncut entries (on a pixel pair's first column).
    int32_t d0 = -1;
    for (int32_t d = 0; d + pn <= columns && d0 < 0; ++d) {
        if (key.format == kFormatYuy2 && ((key.D.left + d) & 1)) continue;
        int32_t k = 0;
        while (k < pn && entries[d + k].count == taps) ++k;
        if (k == pn) d0 = d;
    }
    if (d0 < 0) return false;
    // Each phase's weights as most of its columns have them (a majority
    // vote): where the filter's centre falls exactly on a pixel's edge,
    // rounding puts the taps one way in some periods and the other way in
    // the rest.
    FilterEntry* canon = entries + columns;
    int32_t* canonStart = reinterpret_cast<int32_t*>(canon + pn);
    auto start = [&](int32_t d) { return entries[d].offset / 4 - FloorDiv(d - d0, pn) * pl; };
    for (int32_t k = 0; k < pn; ++k) {
        int32_t votes = 0, chosen = d0 + k;
        for (int32_t d = (d0 + k) % pn; d < columns; d += pn) {
            if (entries[d].count != taps) continue;
            if (votes == 0) chosen = d, votes = 1;
            else votes += SameWeights(entries[d], entries[chosen]) && start(d) == start(chosen) ? 1 : -1;
        }
        canon[k] = entries[chosen];
        canonStart[k] = start(chosen);
    }
    int32_t periodic = 0;
    for (int32_t d = 0; d < columns; ++d) {
        const int32_t q = FloorDiv(d - d0, pn), k = d - d0 - q * pn;
        info[d].periodic = SameWeights(entries[d], canon[k]) && entries[d].offset / 4 == canonStart[k] + q * pl;
        periodic += info[d].periodic;
    }
    if (periodic < columns / 2) return false;  // not worth a cache
    // The runs of whole units (pixel pairs in YUY2) with a column whose weights are not the period's.
    uneven_.clear();
    for (int32_t d = 0; d < columns; ++d) {
        if (info[d].periodic) continue;
        const int32_t x = key.D.left + d, x0 = key.format == kFormatYuy2 ? (x & ~1) : x;
        const int32_t x1 = x0 + (key.format == kFormatYuy2 ? 2 : 1);
        if (!uneven_.empty() && uneven_.back().x1 >= x0) uneven_.back().x1 = std::max(uneven_.back().x1, x1);
        else uneven_.push_back(Run{x0, x1});
    }
    periodStart_ = key.D.left + d0;
    firstWindow_ = *std::min_element(canonStart, canonStart + pn);
    return true;
}

// One chunk's table: whole periods of the period's weights, a quarter of the
// band wide or 256 frame columns (few pieces a row, little waste at the
// strips' ends), its offsets from the chunk's first source column.
bool FrameBlender::LayChunkTable() {
    const int32_t columns = cacheKey_.D.Width(), pl = periodSource_, pn = periodFrame_, taps = hTable_.Taps();
    const FilterEntry* canon = reinterpret_cast<const FilterEntry*>(columnInfo_.data() +
                                                                    size_t(columns) * sizeof(ColumnInfo)) + columns;
    const int32_t* canonStart = reinterpret_cast<const int32_t*>(canon + pn);
    const int32_t wanted = std::max(256, columns / 4);
    chunkColumns_ = pn * std::max(1, (wanted + pn / 2) / pn);
    chunkStep_ = chunkColumns_ / pn * pl;
    AlignedBuffer entries;
    if (!entries.Ensure(size_t(chunkColumns_) * (8 + 8 * size_t(taps)), 0, 0)) return false;
    uint8_t* out = entries.data();
    chunkSourceWidth_ = 0;
    for (int32_t w = 0; w < chunkColumns_; ++w) {
        const FilterEntry& e = canon[w % pn];
        const int32_t at = canonStart[w % pn] - firstWindow_ + w / pn * pl, offset = at * 4;
        std::memcpy(out, &offset, 4);
        std::memcpy(out + 4, &e.count, 4);
        std::memcpy(out + 8, e.weights, size_t(e.count) * 8);
        out += 8 + 8 * size_t(e.count);
        chunkSourceWidth_ = std::max(chunkSourceWidth_, at + e.count);
    }
    return chunkTable_.BuildFrom(entries.data(), chunkColumns_, taps, path_);
}

// The background, and a pool of chunks for every phase over the band and a
// few strips' ends, all within the budget.
bool FrameBlender::SizePool(const CacheKey& key) {
    const int32_t columns = key.D.Width(), rows = key.D.Height();
    backLeft_ = key.D.left, backRight_ = key.D.right;
    if (key.format == kFormatYuy2) backLeft_ = (backLeft_ + 1) & ~1, backRight_ &= ~1;
    const size_t backBytes = size_t(rows) * size_t(std::max(0, backRight_ - backLeft_)) * size_t(bpp_) * 2;
    chunkBytes_ = size_t(rows) * size_t(chunkColumns_) * size_t(bpp_) * 2;
    const size_t scratchBytes = size_t(std::max(key.srcWidth, chunkSourceWidth_)) * size_t(key.srcHeight) * 4;
    const size_t fixedBytes = backBytes + scratchBytes + columnInfo_.capacity();
    const double area = double(width_) * double(height_) / (1920.0 * 1080.0);
    const size_t budget = size_t(double(kCacheBudget) * std::min(4.0, std::max(1.0, area)));
    const size_t perPhase = size_t(columns / chunkColumns_ + 4);
    if (fixedBytes + 2 * perPhase * chunkBytes_ > budget) return false;  // not even two phases
    const size_t pool = std::min(size_t(periodSource_) * perPhase, (budget - fixedBytes) / chunkBytes_);
    pieceCapacity_ = columns + 4;  // pieces are disjoint runs of whole units
    if (!background_.Ensure(backBytes, 0, 50) || !pool_.Ensure(pool * chunkBytes_, 0, 50) ||
        !scratch_.Ensure(scratchBytes, 30, 50) ||
        !chunkLine_.Ensure(chunkTable_.LineBytes(chunkSourceWidth_), 30, 50) ||
        !chunkRow_.Ensure(size_t(chunkColumns_) * 4 + 16, 30, 50) ||
        !pieceBuffer_.Ensure(size_t(pieceCapacity_) * sizeof(Piece), 30, 50) ||
        !inkBuffer_.Ensure(InkBytes(kInkRoom), 30, 100))
        return false;
    chunks_.assign(pool, Chunk());
    stats_.bytes = background_.capacity() + pool_.capacity() + scratch_.capacity() + columnInfo_.capacity();
    stats_.chunks = int32_t(pool);
    return true;
}

// The band without text, resampled once for the whole geometry.
bool FrameBlender::FillBackground(const CacheKey& key) {
    const int32_t L = key.srcWidth, H = key.srcHeight;
    uint32_t* pixels = reinterpret_cast<uint32_t*>(scratch_.data());
    std::fill(pixels, pixels + size_t(L) * size_t(H), key.background);
    blend_rows::Source s;
    s.top = scratch_.data(), s.width = L, s.step = L * 4;
    const int32_t backColumns = backRight_ - backLeft_;
    const size_t span = size_t(backColumns) * size_t(bpp_);
    const blend_rows::GroupSpan all = hTable_.Span(0, key.D.Width());
    const uint8_t* vCursor = vTable_.data();
    for (int32_t y = 0; y < key.D.Height(); ++y) {
        const FilterEntry v = RowEntry(ReadEntry(vCursor), s.step);
        if (backColumns <= 0) continue;
        hTable_.Filter(s, v, all, lineBuffer_.data(), rowBuffer_.data());
        uint8_t* a = background_.data() + size_t(y) * span * 2;
        const uint8_t* first = rowBuffer_.data() + size_t(backLeft_ - key.D.left) * 4;
        if (key.format == kFormatYuy2) blend_rows::PrepareYuy2(first, backColumns, a, a + span);
        else blend_rows::PrepareRgb(first, backColumns, a, a + span);
    }
    return true;
}

bool FrameBlender::PlanFromStrips(const Rect& R, const Rect& D, const BandSource& s, int32_t fieldMode) {
    const BandLayout& layout = *s.layout;
    if (s.rect.left != 0 || s.rect.top != 0) return false;
    CacheKey key;
    key.format = format_, key.path = path_, key.R = R, key.D = D;
    key.srcWidth = s.rect.Width(), key.srcHeight = s.rect.Height(), key.background = layout.background;
    if (!cacheValid_ || !(key == cacheKey_)) {
        cacheKey_ = key;
        cacheValid_ = true;
        cacheServes_ = SetUpCache(key);
        ++stats_.setups;
    }
    if (!cacheServes_) return false;
    for (int32_t i = 0; i < layout.count; ++i)
        if (!layout.strips[i].pixels || layout.strips[i].height != key.srcHeight || layout.strips[i].width <= 0)
            return false;
    if (!FindInkRanges(layout)) return false;

    ++clock_;
    const uint32_t rows = fieldMode == kEvenRows ? 1u : (fieldMode == kOddRows ? 2u : 3u);
    pieceCount_ = 0;
    if (D.left < backLeft_ && !AddPiece(D.left, backLeft_, nullptr, 0, 0)) return false;  // a lone right half
    // Between any two range ends, the columns take their values from one place.
    const InkRange* ranges = reinterpret_cast<const InkRange*>(inkBuffer_.data());
    int32_t* ends = reinterpret_cast<int32_t*>(const_cast<InkRange*>(ranges) + inkCount_);
    int32_t endCount = 0;
    ends[endCount++] = backLeft_;
    for (int32_t i = 0; i < inkCount_; ++i) ends[endCount++] = ranges[i].x0, ends[endCount++] = ranges[i].x1;
    ends[endCount++] = backRight_;
    std::sort(ends, ends + endCount);
    for (int32_t e = 0; e + 1 < endCount; ++e) {
        const int32_t x0 = ends[e], x1 = ends[e + 1];
        if (x0 >= x1) continue;
        int32_t from = kBackground;
        for (int32_t i = 0; i < inkCount_ && ranges[i].x0 < x1; ++i) {
            if (ranges[i].x1 <= x0) continue;
            from = from == kBackground ? ranges[i].strip : kDirect;  // two inks meet under the taps
        }
        if (!AddRun(layout, from, x0, x1, rows)) return false;
    }
    if (backRight_ < D.right && !AddPiece(backRight_, D.right, nullptr, 0, 0)) return false;  // a lone left half
    JoinSlivers();
    ++stats_.fields;
    return true;
}

// Prepared runs too short for a SIMD block, beside direct ones, cost more
// blended alone than filtered with their neighbours.
void FrameBlender::JoinSlivers() {
    Piece* pieces = reinterpret_cast<Piece*>(pieceBuffer_.data());
    int32_t kept = 0;
    for (int32_t i = 0; i < pieceCount_; ++i) {
        Piece p = pieces[i];
        if (p.block && (p.x1 - p.x0) * bpp_ < 16) {
            const bool directBefore = kept > 0 && !pieces[kept - 1].block && pieces[kept - 1].x1 == p.x0;
            const bool directAfter = i + 1 < pieceCount_ && !pieces[i + 1].block && pieces[i + 1].x0 == p.x1;
            if (directBefore || directAfter) p.block = nullptr;
        }
        if (!p.block) stats_.directColumns += p.x1 - p.x0;
        if (kept > 0 && !p.block && !pieces[kept - 1].block && pieces[kept - 1].x1 == p.x0) {
            pieces[kept - 1].x1 = p.x1;
            continue;
        }
        pieces[kept++] = p;
    }
    pieceCount_ = kept;
    for (int32_t i = 0; i < pieceCount_; ++i)
        if (!pieces[i].block)
            pieces[i].groups = hTable_.Span(pieces[i].x0 - cacheKey_.D.left, pieces[i].x1 - cacheKey_.D.left);
}

// The frame columns whose taps may reach each ink, in whole units.
bool FrameBlender::FindInkRanges(const BandLayout& layout) {
    if (!inkBuffer_.Ensure(InkBytes(std::max(layout.count, kInkRoom)), 30, 100)) return false;
    const ColumnInfo* info = reinterpret_cast<const ColumnInfo*>(columnInfo_.data());
    const int32_t columns = cacheKey_.D.Width(), left = cacheKey_.D.left;
    InkRange* ranges = reinterpret_cast<InkRange*>(inkBuffer_.data());
    inkCount_ = 0;
    for (int32_t i = 0; i < layout.count; ++i) {
        const PlacedStrip& p = layout.strips[i];
        if (p.inkLeft >= p.inkRight) continue;
        const int32_t a = int32_t(std::partition_point(info, info + columns,
                                                       [&](const ColumnInfo& c) { return c.high <= p.inkLeft; }) -
                                  info);
        const int32_t b = int32_t(std::partition_point(info, info + columns,
                                                       [&](const ColumnInfo& c) { return c.low < p.inkRight; }) -
                                  info);
        int32_t x0 = left + a, x1 = left + b;
        if (format_ == kFormatYuy2) x0 &= ~1, x1 = (x1 + 1) & ~1;
        x0 = std::max(x0, backLeft_), x1 = std::min(x1, backRight_);
        if (x0 < x1) ranges[inkCount_++] = InkRange{x0, x1, i};
    }
    return true;
}

// Columns [x0, x1) from one place: the background, the band (kDirect), or
// strip `from` wherever the period's weights hold.
bool FrameBlender::AddRun(const BandLayout& layout, int32_t from, int32_t x0, int32_t x1, uint32_t rows) {
    if (from == kDirect) return AddPiece(x0, x1, nullptr, 0, 0);
    if (from == kBackground)
        return AddPiece(x0, x1, background_.data(), (backRight_ - backLeft_) * bpp_, (x0 - backLeft_) * bpp_);
    for (const Run& u : uneven_) {
        if (u.x1 <= x0) continue;
        if (u.x0 >= x1) break;
        if (u.x0 > x0 && !AddStripPieces(layout.strips[from], x0, u.x0, rows)) return false;
        if (!AddPiece(std::max(x0, u.x0), std::min(x1, u.x1), nullptr, 0, 0)) return false;
        x0 = std::min(x1, u.x1);
    }
    return x0 >= x1 || AddStripPieces(layout.strips[from], x0, x1, rows);
}

bool FrameBlender::AddPiece(int32_t x0, int32_t x1, const uint8_t* block, int32_t span, int32_t offset) {
    Piece* pieces = reinterpret_cast<Piece*>(pieceBuffer_.data());
    if (pieceCount_ > 0) {
        // Neighbouring direct columns in one filter call, neighbouring prepared values in one blend.
        Piece& last = pieces[pieceCount_ - 1];
        const bool joins = last.x1 == x0 && last.block == block &&
                           (!block || (last.span == span && last.offset + (last.x1 - last.x0) * bpp_ == offset));
        if (joins) {
            last.x1 = x1;
            return true;
        }
    }
    if (pieceCount_ >= pieceCapacity_) return false;
    pieces[pieceCount_++] = Piece{x0, x1, block, span, offset, blend_rows::GroupSpan()};
    return true;
}

// A run of columns that strip `strip` alone decides, split at its chunks.
bool FrameBlender::AddStripPieces(const PlacedStrip& strip, int32_t x0, int32_t x1, uint32_t rows) {
    const int32_t m = FloorDiv(strip.left, periodSource_);
    const int32_t phase = strip.left - m * periodSource_;
    for (int32_t x = x0; x < x1;) {
        const int32_t v = x - periodStart_ - m * periodFrame_;  // the column in the strip's own frame
        const int32_t index = FloorDiv(v, chunkColumns_), w = v - index * chunkColumns_;
        const int32_t end = std::min(x1, x + chunkColumns_ - w);
        const uint8_t* block = ChunkFor(strip, phase, index, rows);
        const bool added = block ? AddPiece(x, end, block, chunkColumns_ * bpp_, w * bpp_) : AddPiece(x, end, nullptr, 0, 0);
        if (!added) return false;
        x = end;
    }
    return true;
}

const uint8_t* FrameBlender::ChunkFor(const PlacedStrip& strip, int32_t phase, int32_t index, uint32_t rows) {
    Chunk* victim = nullptr;
    for (Chunk& c : chunks_) {
        if (c.serial == strip.serial && c.phase == phase && c.index == index) {
            victim = &c;
            break;
        }
        if (c.lastUse != clock_ && (!victim || c.lastUse < victim->lastUse)) victim = &c;
    }
    if (!victim) return nullptr;  // every chunk serves this field already
    if (!(victim->serial == strip.serial && victim->phase == phase && victim->index == index)) {
        victim->serial = strip.serial, victim->phase = phase, victim->index = index;
        victim->rowsReady = 0;
    }
    uint8_t* data = pool_.data() + size_t(victim - chunks_.data()) * chunkBytes_;
    const uint32_t missing = rows & ~victim->rowsReady;
    if (missing) {
        FillChunk(strip, phase, index, missing, data);
        victim->rowsReady |= missing;
    }
    victim->lastUse = clock_;
    return data;
}

// Resamples one chunk of a strip standing at `phase`, for the rows asked:
// the strip's columns under the chunk's taps, the background beyond its ends.
void FrameBlender::FillChunk(const PlacedStrip& strip, int32_t phase, int32_t index, uint32_t rows, uint8_t* out) {
    const int32_t origin = firstWindow_ + index * chunkStep_ - phase;  // the strip column of the chunk's first tap
    const int32_t width = chunkSourceWidth_, height = cacheKey_.srcHeight;
    uint32_t* pixels = reinterpret_cast<uint32_t*>(scratch_.data());
    const int32_t from = std::clamp(-origin, 0, width), to = std::clamp(strip.width - origin, from, width);
    for (int32_t y = 0; y < height; ++y) {
        uint32_t* row = pixels + size_t(y) * size_t(width);
        std::fill(row, row + from, cacheKey_.background);
        if (to > from)
            std::memcpy(row + from, strip.pixels + size_t(y) * size_t(strip.width) + size_t(origin + from),
                        size_t(to - from) * 4);
        std::fill(row + to, row + width, cacheKey_.background);
    }
    blend_rows::Source s;
    s.top = scratch_.data(), s.width = width, s.step = width * 4;
    const size_t span = size_t(chunkColumns_) * size_t(bpp_);
    const blend_rows::GroupSpan all = chunkTable_.Span(0, chunkColumns_);
    const uint8_t* vCursor = vTable_.data();
    for (int32_t y = cacheKey_.D.top; y < cacheKey_.D.bottom; ++y) {
        const FilterEntry v = ReadEntry(vCursor);
        if (!(rows & ((y & 1) ? 2u : 1u))) continue;
        chunkTable_.Filter(s, RowEntry(v, s.step), all, chunkLine_.data(), chunkRow_.data());
        uint8_t* a = out + size_t(y - cacheKey_.D.top) * span * 2;
        if (format_ == kFormatYuy2) blend_rows::PrepareYuy2(chunkRow_.data(), chunkColumns_, a, a + span);
        else blend_rows::PrepareRgb(chunkRow_.data(), chunkColumns_, a, a + span);
    }
    ++stats_.chunkFills;
}
