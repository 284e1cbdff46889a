// The blender's row kernels, scalar, SSE2 and AVX2, all bit-identical:
// the vertical filter of a range of source columns into a line, the
// horizontal filter of a range of destination columns from it, the blend of
// filtered pixels into YUY2 or RGB, and the blend of prepared values (see
// BlendPrepared*).
#pragma once
#include <cstddef>
#include <cstdint>

#include "render/aligned_buffer.h"
#include "render/filter_table.h"

enum class BlendPath { Scalar, Sse2, Avx2 };

namespace blend_rows {

// Rows of BGRA pixels: `top` is the first pixel of the top row, `step` the
// bytes from one row to the next one down (negative for bottom-up images).
struct Source {
    const uint8_t* top = nullptr;
    int32_t width = 0;
    int32_t step = 0;
};

// Destination groups [g0, g1) of a row table and the source columns
// [lo, hi) they read (lo >= hi: none).
struct GroupSpan {
    int32_t g0 = 0, g1 = 0, lo = 0, hi = 0;
};

// A horizontal filter table laid out for one path, in groups of destination
// columns (1 scalar, 2 SSE2, 4 AVX2), each group with the source columns its
// kernel reads, so that a range of groups can be filtered on its own.
class RowTable {
public:
    // Builds the table for `key` (step 4), or lays out `count` entries given in
    // the FilterTable format. False when memory ran out.
    bool Build(const FilterKey& key, BlendPath path);
    bool BuildFrom(const uint8_t* entries, int32_t count, int32_t taps, BlendPath path);

    BlendPath Path() const { return path_; }
    int32_t Columns() const { return columns_; }
    int32_t Taps() const { return taps_; }
    int32_t GroupSize() const { return group_; }
    int32_t Groups() const { return (columns_ + group_ - 1) / group_; }
    // The FilterTable entries, one per column.
    const uint8_t* Entries() const { return entries_.data(); }
    // Source columns [Low(g), High(g)) are read by group g; High may pass the
    // source's width on the SIMD paths (the line is zero there).
    int32_t Low(int32_t g) const { return Index(g)[1]; }
    int32_t High(int32_t g) const { return Index(g)[2]; }
    // Bytes the line needs for a source `width` columns wide.
    size_t LineBytes(int32_t width) const;
    int64_t Remakes() const { return entries_.remakes() + laid_.remakes() + index_.remakes(); }

    // The groups that hold destination columns [c0, c1), and the source
    // columns whose values they use. (The SIMD vertical passes may read a
    // few more, whose results are not used.)
    GroupSpan Span(int32_t c0, int32_t c1) const;
    // Filters the span's groups of one row: the vertical pass with `v` over
    // the source columns they read into `line`, then the horizontal pass;
    // writes one saturated BGRA pixel per column at row + 4 * column.
    void Filter(const Source& s, const FilterEntry& v, const GroupSpan& span, uint8_t* line, uint8_t* row) const;

private:
    bool Lay(BlendPath path);
    const int32_t* Index(int32_t g) const { return reinterpret_cast<const int32_t*>(index_.data()) + 3 * size_t(g); }

    AlignedBuffer entries_, laid_, index_;  // index: per group the laid-out byte offset, Low, High
    BlendPath path_ = BlendPath::Scalar;
    int32_t columns_ = 0, taps_ = 0, group_ = 1;
};

// Vertical pass over source columns [lo, hi): scalar lines hold bytes, the
// SIMD lines 16-bit p * 128. The SIMD passes may fill columns up to the
// source's width beyond hi, a whole block at a time.
void VerticalScalar(const Source& s, const FilterEntry& v, int32_t lo, int32_t hi, uint8_t* line);
void VerticalTail(const Source& s, const FilterEntry& v, int32_t col, int32_t hi, int16_t* line);
void VerticalSse2(const Source& s, const FilterEntry& v, int32_t lo, int32_t hi, int16_t* line);
void VerticalAvx2(const Source& s, const FilterEntry& v, int32_t lo, int32_t hi, int16_t* line);

// Horizontal pass over groups [g0, g1) of a laid-out table.
void HorizontalScalar(const uint8_t* entries, const int32_t* index, int32_t g0, int32_t g1, const uint8_t* line,
                      uint8_t* row);
void HorizontalSse2(const uint8_t* laid, const int32_t* index, int32_t taps, int32_t g0, int32_t g1,
                    const uint8_t* line, uint8_t* row);
void HorizontalAvx2(const uint8_t* laid, const int32_t* index, int32_t g0, int32_t g1, const uint8_t* line,
                    uint8_t* row);

// The SIMD layouts (frame_blender_sse2.cpp, frame_blender_avx2.cpp).
size_t Sse2TableBytes(int32_t columns, int32_t taps);
void BuildSse2Table(const uint8_t* entries, int32_t columns, int32_t taps, uint8_t* laid, int32_t* index);
size_t Avx2TableBytes(const uint8_t* entries, int32_t columns);
void BuildAvx2Table(const uint8_t* entries, int32_t columns, uint8_t* laid, int32_t* index);

// Blends `columns` filtered pixels (saturated BGRA) into a frame row from
// frame column `left` (YUY2: an odd left is a lone right half of its pair).
void BlendYuy2Scalar(uint8_t* frameRow, int32_t frameWidth, int32_t left, const uint8_t* row, int32_t columns,
                     int32_t opacity);
void BlendYuy2Sse2(uint8_t* frameRow, int32_t frameWidth, int32_t left, const uint8_t* row, int32_t columns,
                   int32_t opacity);
void BlendYuy2Avx2(uint8_t* frameRow, int32_t frameWidth, int32_t left, const uint8_t* row, int32_t columns,
                   int32_t opacity);
// frameRow points at the first pixel to blend.
void BlendRgbScalar(uint8_t* frameRow, const uint8_t* row, int32_t columns, int32_t opacity);
void BlendRgbSse2(uint8_t* frameRow, const uint8_t* row, int32_t columns, int32_t opacity);
void BlendRgbAvx2(uint8_t* frameRow, const uint8_t* row, int32_t columns, int32_t opacity);

// Prepared values: the part of the blend that depends on the band alone,
// per frame byte: the coverage A of the band pixel it takes its weight from
// (the frame byte keeps a = A + (A >> 7) out of 256), and q, the value the
// band brings plus c (Y, Cb or Cr centred on 0, or a colour; c = 128 for
// chroma bytes, 0 otherwise). With the frame byte f:
//   f' = sat(f + floor((q - c - floor(a * (f - c) / 256)) * opacity / 256)),
// exactly what BlendPair, BlendLone and BlendRgbPixel compute.
// YUY2 pairs convert two filtered pixels; `pixels` is even.
void PrepareYuy2(const uint8_t* row, int32_t pixels, uint8_t* a, uint8_t* q);
void PrepareRgb(const uint8_t* row, int32_t pixels, uint8_t* a, uint8_t* q);
// Blends `bytes` frame bytes; chroma: the bytes are whole YUY2 pairs.
void BlendPreparedScalar(uint8_t* frame, const uint8_t* a, const uint8_t* q, int32_t bytes, bool chroma,
                         int32_t opacity);
void BlendPreparedSse2(uint8_t* frame, const uint8_t* a, const uint8_t* q, int32_t bytes, bool chroma,
                       int32_t opacity);
void BlendPreparedAvx2(uint8_t* frame, const uint8_t* a, const uint8_t* q, int32_t bytes, bool chroma,
                       int32_t opacity);

}  // namespace blend_rows
