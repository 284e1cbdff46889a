// Resamples the composed band (32-bit, premultiplied colour, coverage in
// alpha, bottom-up) onto its rectangle in the host's frame and blends it in
// place, into YUY2 or 24-bit RGB, all rows or one field. Fixed point on
// 16-bit lanes, bit-exact between the scalar and the SIMD implementation.
#pragma once
#include <cstdint>

#include "base/geometry.h"
#include "render/aligned_buffer.h"
#include "render/filter_table.h"

enum FieldMode : int32_t { kOddRows = 0, kEvenRows = 1, kAllRows = 2 };

struct BandSource {
    const uint8_t* pixels = nullptr;  // bottom-up, stride allocWidth * 4
    int32_t allocWidth = 0;
    int32_t allocHeight = 0;
    Rect rect;  // the part to draw, top-down coordinates
};

enum class BlendPath { Scalar, Sse2, Avx2 };

class FrameBlender {
public:
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

    int64_t TableBuilds() const { return tableBuilds_; }
    int64_t BufferRemakes() const {
        return vTable_.remakes() + hTable_.remakes() + lineBuffer_.remakes() + rowBuffer_.remakes() + simdTable_.remakes();
    }
    int32_t frameWidth() const { return width_; }
    int32_t frameHeight() const { return height_; }

private:
    bool PrepareTables(const Rect& R, const Rect& D, const BandSource& source);

    int32_t width_ = 0, height_ = 0;
    PixelFormat format_ = kFormatYuy2;
    BlendPath path_ = BlendPath::Scalar;
    AlignedBuffer vTable_, hTable_, lineBuffer_, rowBuffer_, simdTable_;
    FilterKey vKey_, hKey_;
    int32_t hTaps_ = 0;
    int64_t tableBuilds_ = 0;
};

// Row kernels shared by the two paths (defined in frame_blender_rows.cpp and
// frame_blender_sse2.cpp).
namespace blend_rows {

struct RowContext {
    const uint8_t* srcTop;  // the source rectangle's top-left pixel
    int32_t srcWidth;       // columns of the source rectangle
    int32_t srcStep;        // bytes from one source row to the next one down
    const uint8_t* hTable;  // horizontal entries, one per destination column of D
    int32_t columns;        // destination columns (D's width)
    int32_t opacity;        // O = percent * 256 / 100
};

// Vertical then horizontal filter: one saturated BGRA pixel per destination column.
void FilterRowScalar(const RowContext& c, const uint8_t* vEntry, uint8_t* line, uint8_t* row);
void BlendYuy2Scalar(uint8_t* frameRow, int32_t frameWidth, int32_t left, const uint8_t* row, int32_t columns,
                     int32_t opacity);
// The SIMD paths' vertical filter for the columns from `col` on, one by one,
// into their 16-bit line (p * 128).
void VerticalTail(const RowContext& c, const FilterEntry& v, int32_t col, int16_t* line);
void BlendRgbScalar(uint8_t* frameRow, const uint8_t* row, int32_t columns, int32_t opacity);

// SIMD versions; `simdTable` is the horizontal table padded to `taps` per
// entry and paired (see frame_blender_sse2.cpp).
size_t Sse2TableBytes(int32_t columns, int32_t taps);
void BuildSse2Table(const uint8_t* hTable, int32_t columns, int32_t taps, uint8_t* simdTable);
size_t Sse2LineBytes(int32_t srcWidth, int32_t taps);
void FilterRowSse2(const RowContext& c, const uint8_t* vEntry, const uint8_t* simdTable, int32_t taps,
                   uint8_t* line, uint8_t* row);
void BlendYuy2Sse2(uint8_t* frameRow, int32_t frameWidth, int32_t left, const uint8_t* row, int32_t columns,
                   int32_t opacity);
void BlendRgbSse2(uint8_t* frameRow, const uint8_t* row, int32_t columns, int32_t opacity);

// AVX2 versions over the SSE2 line and a table of their own (frame_blender_avx2.cpp).
size_t Avx2TableBytes(const uint8_t* hTable, int32_t columns);
void BuildAvx2Table(const uint8_t* hTable, int32_t columns, uint8_t* avx2Table);
void FilterRowAvx2(const RowContext& c, const uint8_t* vEntry, const uint8_t* avx2Table, int32_t taps,
                   uint8_t* line, uint8_t* row);
void BlendYuy2Avx2(uint8_t* frameRow, int32_t frameWidth, int32_t left, const uint8_t* row, int32_t columns,
                   int32_t opacity);

}  // namespace blend_rows
