// Resamples the composed band (32-bit, premultiplied colour, coverage in
// alpha, bottom-up) onto its rectangle in the host's frame and blends it in
// place, into YUY2 or 24-bit RGB, all rows or one field. Fixed point on
// 16-bit lanes, bit-exact between the scalar and the SIMD implementation.
//
// A band composed from cached strips (a BandLayout) is not filtered again
// every field: each strip is resampled to the frame's scale once per
// horizontal phase of its position (in chunks, as they come into view), the
// background once, and a field becomes the blend of those prepared values.
// Columns whose filter reaches two strips' inks or the band's edges, where
// the filter's taps are cut, are filtered directly from the band, so the
// result is the same, bit for bit.
#pragma once
#include <cstdint>
#include <vector>

#include "base/geometry.h"
#include "render/aligned_buffer.h"
#include "render/band_layout.h"
#include "render/blend_rows.h"
#include "render/filter_table.h"

enum FieldMode : int32_t { kOddRows = 0, kEvenRows = 1, kAllRows = 2 };

struct BandSource {
    const uint8_t* pixels = nullptr;  // bottom-up, stride allocWidth * 4
    int32_t allocWidth = 0;
    int32_t allocHeight = 0;
    Rect rect;  // the part to draw, top-down coordinates
    const BandLayout* layout = nullptr;  // how the band was composed, when from strips
};

class FrameBlender {
public:
    // The resampled strips' memory, for frames up to 1920 x 1080 pixels;
    // larger frames get proportionally more, up to four times as much.
    static constexpr size_t kCacheBudget = size_t(16) << 20;
    // Horizontal phases (reference pixels until the resampling repeats) above
    // which strips are not resampled ahead: odd frame widths, odd band widths.
    static constexpr int32_t kMaxPhases = 64;

    FrameBlender();

    void SetFrameFormat(int32_t width, int32_t height, PixelFormat format);
    Rect MapRect(const Rect& reference) const;
    void BlendBand(uint8_t* frame, const Rect& dest, const BandSource& source, int32_t opacityPercent,
                   int32_t fieldMode);

    // The widest SIMD path the processor supports is chosen at construction;
    // tests and benchmarks may force any (one the processor lacks falls back
    // to the next narrower).
    void SetPath(BlendPath path);
    BlendPath Path() const { return path_; }
    static bool CpuHasSse2();
    static bool CpuHasAvx2();
    // Off: every column is filtered from the band (for tests and benchmarks).
    void UseStripCache(bool on) { useCache_ = on; }

    struct CacheStats {
        int64_t setups = 0;          // geometries the cache was laid out for
        int64_t fields = 0;          // fields drawn from it
        int64_t chunkFills = 0;      // chunks resampled (one field's rows of one chunk each)
        int64_t directColumns = 0;   // columns filtered from the band in those fields
        size_t bytes = 0;            // memory held now
        int32_t chunks = 0;          // in the pool
    };
    const CacheStats& Stats() const { return stats_; }

    int64_t TableBuilds() const { return tableBuilds_; }
    int64_t BufferRemakes() const;
    int32_t frameWidth() const { return width_; }
    int32_t frameHeight() const { return height_; }

private:
    // Frame columns [x0, x1), from a block of prepared values or (block null)
    // filtered directly. A block holds, per row, the prepared values of
    // `span` frame bytes: `span` coverages, then `span` values q (see
    // blend_rows::Prepare*); the piece starts `offset` frame bytes in.
    struct Piece {
        int32_t x0, x1;
        const uint8_t* block;
        int32_t span, offset;
        blend_rows::GroupSpan groups;  // without a block: the row table's groups that filter it
    };
    struct Chunk {
        uint64_t serial = 0;
        int32_t phase = -1, index = 0;
        uint64_t lastUse = 0;
        uint32_t rowsReady = 0;  // bit 0: even frame rows, bit 1: odd
    };
    struct Run {
        int32_t x0, x1;
    };
    struct CacheKey {
        PixelFormat format = kFormatYuy2;
        BlendPath path = BlendPath::Scalar;
        Rect R, D;
        int32_t srcWidth = 0, srcHeight = 0;
        uint32_t background = 0;
        bool operator==(const CacheKey& o) const;
    };

    bool PrepareTables(const Rect& R, const Rect& D, const BandSource& source);
    void PaintDirectSources(const BandPainter& painter, int32_t width, const Piece* pieces, int32_t count);
    void BlendRows(uint8_t* frame, const Rect& D, const blend_rows::Source& src, const Piece* pieces, int32_t count,
                   int32_t opacity, int32_t fieldMode);

    // The strip cache (frame_blender_strips.cpp).
    bool PlanFromStrips(const Rect& R, const Rect& D, const BandSource& s, int32_t fieldMode);
    bool SetUpCache(const CacheKey& key);
    bool FindPeriod(const CacheKey& key);
    bool LayChunkTable();
    bool SizePool(const CacheKey& key);
    bool FillBackground(const CacheKey& key);
    bool FindInkRanges(const BandLayout& layout);
    bool AddRun(const BandLayout& layout, int32_t from, int32_t x0, int32_t x1, uint32_t rows);
    bool AddStripPieces(const PlacedStrip& strip, int32_t x0, int32_t x1, uint32_t rows);
    const uint8_t* ChunkFor(const PlacedStrip& strip, int32_t phase, int32_t index, uint32_t rows);
    void FillChunk(const PlacedStrip& strip, int32_t phase, int32_t index, uint32_t rows, uint8_t* out);
    bool AddPiece(int32_t x0, int32_t x1, const uint8_t* block, int32_t span, int32_t offset);
    void JoinSlivers();
    FilterEntry RowEntry(const FilterEntry& v, int32_t sourceStep) const;

    int32_t width_ = 0, height_ = 0;
    PixelFormat format_ = kFormatYuy2;
    BlendPath path_ = BlendPath::Scalar;
    AlignedBuffer vTable_, lineBuffer_, rowBuffer_;
    blend_rows::RowTable hTable_;
    FilterKey vKey_, hKey_;
    int64_t tableBuilds_ = 0;

    // The strip cache: the geometry it is laid out for, whether it serves it.
    bool useCache_ = true;
    CacheKey cacheKey_;
    bool cacheValid_ = false, cacheServes_ = false;
    int32_t bpp_ = 2;
    int32_t periodSource_ = 0, periodFrame_ = 0;  // the resampling repeats every these columns
    int32_t periodStart_ = 0;                     // the frame column where a whole period starts
    int32_t chunkColumns_ = 0, chunkSourceWidth_ = 0, chunkStep_ = 0;
    int32_t firstWindow_ = 0;                     // the least band column the period's entries start at
    int32_t backLeft_ = 0, backRight_ = 0;        // frame columns of the prepared background
    size_t chunkBytes_ = 0;
    AlignedBuffer columnInfo_;  // per D column: periodic, window low, window high (non-zero taps)
    AlignedBuffer background_, pool_, scratch_, chunkLine_, chunkRow_, pieceBuffer_, inkBuffer_;
    std::vector<Run> uneven_;  // frame columns whose weights are not the period's
    int32_t inkCount_ = 0;
    blend_rows::RowTable chunkTable_;
    std::vector<Chunk> chunks_;
    uint64_t clock_ = 0;
    int32_t pieceCount_ = 0, pieceCapacity_ = 0;
    CacheStats stats_;
};
