// AVX2 row kernels: lane for lane the arithmetic of the other paths (16-bit
// wrapping sums do not depend on the order of their terms, and zero weights
// add exactly 0), on twice the width, with a horizontal table of its own.
// Chosen at run time when the processor and the system support AVX2.
#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
// Each function of the wide kernels, so that GCC and clang alike compile
// just these for AVX2.
#define AVX2_KERNEL __attribute__((target("avx2")))
#endif

#include <cstdint>
#include <cstring>

#include "render/blend_math.h"
#include "render/frame_blender.h"

namespace blend_rows {

// The AVX2 horizontal table: the destination columns in groups of four, each
// group over the union of its columns' source windows:
//   int32 start (bytes into the 16-bit line), int32 count (source pixels),
//   count x { 4 x int16 weight of each of the four columns }.
// A column's weight is 0 for the pixels outside its own window, which adds
// exactly 0; every pixel is loaded once and given to all four columns.
size_t Avx2TableBytes(const uint8_t* hTable, int32_t columns) {
    const uint8_t* cursor = hTable;
    size_t bytes = 0;
    for (int32_t i = 0; i < columns; i += 4) {
        int32_t first = INT32_MAX, end = INT32_MIN;
        for (int32_t k = i; k < i + 4 && k < columns; ++k) {
            const FilterEntry e = ReadEntry(cursor);
            first = e.offset / 4 < first ? e.offset / 4 : first;
            end = e.offset / 4 + e.count > end ? e.offset / 4 + e.count : end;
        }
        bytes += 8 + 32 * size_t(end - first);
    }
    return bytes;
}

void BuildAvx2Table(const uint8_t* hTable, int32_t columns, uint8_t* out) {
    const uint8_t* cursor = hTable;
    for (int32_t i = 0; i < columns; i += 4) {
        FilterEntry e[4];
        const int32_t n = columns - i < 4 ? columns - i : 4;
        int32_t first = INT32_MAX, end = INT32_MIN;
        for (int32_t k = 0; k < n; ++k) {
            e[k] = ReadEntry(cursor);
            first = e[k].offset / 4 < first ? e[k].offset / 4 : first;
            end = e[k].offset / 4 + e[k].count > end ? e[k].offset / 4 + e[k].count : end;
        }
        const int32_t header[2] = {first * 8, end - first};
        std::memcpy(out, header, 8);
        int16_t* w = reinterpret_cast<int16_t*>(out + 8);
        std::memset(w, 0, 32 * size_t(end - first));
        for (int32_t k = 0; k < n; ++k)
            for (int32_t t = 0; t < e[k].count; ++t)
                std::memcpy(w + 16 * (e[k].offset / 4 + t - first) + 4 * k, e[k].weights + 4 * t, 8);
        out += 8 + 32 * size_t(end - first);
    }
}

#if defined(__i386__) || defined(__x86_64__)

namespace {

AVX2_KERNEL inline __m128i Load8(const uint8_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }
// One line pixel (four 16-bit lanes) in all four quarters: one load.
AVX2_KERNEL inline __m256i Broadcast8(const uint8_t* p) { return _mm256_broadcastq_epi64(Load8(p)); }

// p * 128 for four BGRA pixels, in order, as sixteen 16-bit lanes.
AVX2_KERNEL inline __m256i Widen4(const uint8_t* p) {
    return _mm256_slli_epi16(_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))), 7);
}

// Finish(sum) * 128: the sum floor-shifted by 5, saturated to a byte, times 128.
AVX2_KERNEL inline __m256i FinishTimes128(__m256i sum) {
    const __m256i v = _mm256_min_epi16(_mm256_max_epi16(_mm256_srai_epi16(sum, 5), _mm256_setzero_si256()),
                                       _mm256_set1_epi16(255));
    return _mm256_slli_epi16(v, 7);
}

AVX2_KERNEL void VerticalAvx2(const RowContext& c, const FilterEntry& v, int16_t* line) {
    int32_t col = 0;
    for (; col + 8 <= c.srcWidth; col += 8) {
        const uint8_t* origin = c.srcTop + size_t(col) * 4 + v.offset;
        __m256i lo = _mm256_setzero_si256(), hi = _mm256_setzero_si256();
        for (int32_t k = 0; k < v.count; ++k) {
            if (v.weights[4 * k] == 0) continue;  // adds exactly 0
            const uint8_t* p = origin + ptrdiff_t(k) * c.srcStep;
            const __m256i w = Broadcast8(reinterpret_cast<const uint8_t*>(v.weights + 4 * k));
            lo = _mm256_add_epi16(lo, _mm256_mulhi_epi16(Widen4(p), w));
            hi = _mm256_add_epi16(hi, _mm256_mulhi_epi16(Widen4(p + 16), w));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(line + 4 * col), FinishTimes128(lo));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(line + 4 * col + 16), FinishTimes128(hi));
    }
    // The last columns one by one: a wide load could run past the bitmap.
    VerticalTail(c, v, col, line);
}


}  // namespace

AVX2_KERNEL void FilterRowAvx2(const RowContext& c, const uint8_t* vEntry, const uint8_t* avx2Table, int32_t taps,
                   uint8_t* lineBytes, uint8_t* row) {
    const uint8_t* cursor = vEntry;
    const FilterEntry v = ReadEntry(cursor);
    int16_t* line = reinterpret_cast<int16_t*>(lineBytes);
    VerticalAvx2(c, v, line);
    std::memset(line + 4 * size_t(c.srcWidth), 0, (size_t(taps) + 4) * 8);

    const uint8_t* entry = avx2Table;
    for (int32_t i = 0; i < c.columns; i += 4, row += 16) {
        int32_t header[2];
        std::memcpy(header, entry, 8);
        const uint8_t* p = lineBytes + header[0];
        const uint8_t* w = entry + 8;
        __m256i sum0 = _mm256_setzero_si256(), sum1 = _mm256_setzero_si256();
        int32_t k = 0;
        for (; k + 2 <= header[1]; k += 2, p += 16, w += 64) {
            sum0 = _mm256_add_epi16(sum0, _mm256_mulhi_epi16(Broadcast8(p),
                                                             _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w))));
            sum1 = _mm256_add_epi16(sum1, _mm256_mulhi_epi16(Broadcast8(p + 8),
                                                             _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + 32))));
        }
        if (k < header[1])
            sum0 = _mm256_add_epi16(sum0, _mm256_mulhi_epi16(Broadcast8(p),
                                                             _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w))));
        entry += 8 + 32 * size_t(header[1]);
        const __m256i sum = _mm256_add_epi16(sum0, sum1);
        const __m256i bytes = _mm256_packus_epi16(_mm256_srai_epi16(sum, 5), sum);
        const __m256i ordered = _mm256_permute4x64_epi64(bytes, _MM_SHUFFLE(3, 1, 2, 0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row), _mm256_castsi256_si128(ordered));
    }
}

namespace {

// Four YUY2 pairs from eight saturated BGRA pixels: BlendTwoPairs of the SSE2
// kernels in each 128-bit lane (pixels 0-3 in the low lane, 4-7 in the high).
AVX2_KERNEL inline void BlendFourPairs(uint8_t* frame, const uint8_t* src, __m256i opacity16) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i px = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    const __m256i lo = _mm256_unpacklo_epi8(px, zero);
    const __m256i hi = _mm256_unpackhi_epi8(px, zero);

    const __m256i cy = _mm256_setr_epi16(3735, 19235, 9798, 0, 3735, 19235, 9798, 0, 3735, 19235, 9798, 0, 3735,
                                         19235, 9798, 0);
    __m256i yl = _mm256_madd_epi16(lo, cy);
    __m256i yh = _mm256_madd_epi16(hi, cy);
    yl = _mm256_srli_epi32(_mm256_add_epi32(yl, _mm256_srli_epi64(yl, 32)), 15);
    yh = _mm256_srli_epi32(_mm256_add_epi32(yh, _mm256_srli_epi64(yh, 32)), 15);
    const __m256i yAll = _mm256_unpacklo_epi64(_mm256_shuffle_epi32(yl, _MM_SHUFFLE(3, 1, 2, 0)),
                                               _mm256_shuffle_epi32(yh, _MM_SHUFFLE(3, 1, 2, 0)));

    const __m256i m01 = _mm256_avg_epu16(lo, _mm256_shuffle_epi32(lo, _MM_SHUFFLE(1, 0, 3, 2)));
    const __m256i m23 = _mm256_avg_epu16(hi, _mm256_shuffle_epi32(hi, _MM_SHUFFLE(1, 0, 3, 2)));
    const __m256i mm = _mm256_unpacklo_epi64(m01, m23);
    const __m256i cb = _mm256_setr_epi16(16384, -10855, -5529, 0, 16384, -10855, -5529, 0, 16384, -10855, -5529, 0,
                                         16384, -10855, -5529, 0);
    const __m256i cr = _mm256_setr_epi16(-2664, -13720, 16384, 0, -2664, -13720, 16384, 0, -2664, -13720, 16384, 0,
                                         -2664, -13720, 16384, 0);
    __m256i b32 = _mm256_madd_epi16(mm, cb);
    __m256i r32 = _mm256_madd_epi16(mm, cr);
    b32 = _mm256_srai_epi32(_mm256_add_epi32(b32, _mm256_srli_epi64(b32, 32)), 15);
    r32 = _mm256_srai_epi32(_mm256_add_epi32(r32, _mm256_srli_epi64(r32, 32)), 15);
    const __m256i cAll = _mm256_unpacklo_epi32(_mm256_shuffle_epi32(b32, _MM_SHUFFLE(3, 1, 2, 0)),
                                               _mm256_shuffle_epi32(r32, _MM_SHUFFLE(3, 1, 2, 0)));
    const __m256i q = _mm256_or_si256(_mm256_and_si256(yAll, _mm256_set1_epi32(0xFFFF)), _mm256_slli_epi32(cAll, 16));

    const __m256i wl = _mm256_add_epi16(lo, _mm256_srli_epi16(lo, 7));
    const __m256i wh = _mm256_add_epi16(hi, _mm256_srli_epi16(hi, 7));
    const __m256i il =
        _mm256_shufflehi_epi16(_mm256_unpacklo_epi16(wl, _mm256_unpackhi_epi64(wl, wl)), _MM_SHUFFLE(2, 3, 2, 2));
    const __m256i ih =
        _mm256_shufflehi_epi16(_mm256_unpacklo_epi16(wh, _mm256_unpackhi_epi64(wh, wh)), _MM_SHUFFLE(2, 3, 2, 2));
    const __m256i a = _mm256_unpackhi_epi64(il, ih);

    const __m256i f = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(frame)));
    const __m256i centred = _mm256_sub_epi16(f, _mm256_setr_epi16(0, 128, 0, 128, 0, 128, 0, 128, 0, 128, 0, 128, 0,
                                                                  128, 0, 128));
    const __m256i t = _mm256_mulhi_epi16(_mm256_slli_epi16(a, 6), _mm256_slli_epi16(centred, 2));
    const __m256i u = _mm256_sub_epi16(q, t);
    const __m256i v = _mm256_mulhi_epi16(_mm256_slli_epi16(u, 4), opacity16);
    const __m256i out = _mm256_permute4x64_epi64(_mm256_packus_epi16(_mm256_add_epi16(f, v), zero), _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(frame), _mm256_castsi256_si128(out));
}

}  // namespace

AVX2_KERNEL void BlendYuy2Avx2(uint8_t* frameRow, int32_t frameWidth, int32_t left, const uint8_t* row, int32_t columns,
                   int32_t o) {
    int32_t x = left;
    if (x & 1) {
        blend_math::BlendLone(frameRow + size_t(x - 1) * 2, row, true, true, o);
        ++x, row += 4, --columns;
    }
    const __m256i opacity16 = _mm256_set1_epi16(int16_t(o << 4));
    for (; columns >= 8; x += 8, row += 32, columns -= 8) BlendFourPairs(frameRow + size_t(x) * 2, row, opacity16);
    // The rest as the SSE2 kernel does it.
    BlendYuy2Sse2(frameRow, frameWidth, x, row, columns, o);
}

#else

void FilterRowAvx2(const RowContext& c, const uint8_t* vEntry, const uint8_t*, int32_t, uint8_t* line, uint8_t* row) {
    FilterRowScalar(c, vEntry, line, row);
}
void BlendYuy2Avx2(uint8_t* f, int32_t w, int32_t l, const uint8_t* r, int32_t n, int32_t o) {
    BlendYuy2Sse2(f, w, l, r, n, o);
}

#endif

}  // namespace blend_rows
