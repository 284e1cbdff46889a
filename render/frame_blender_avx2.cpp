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
#include "render/blend_rows.h"

namespace blend_rows {

// The AVX2 horizontal table: the destination columns in groups of four, each
// group over the union of its columns' source windows:
//   int32 start (bytes into the 16-bit line), int32 count (source pixels),
//   count x { 4 x int16 weight of each of the four columns }.
// A column's weight is 0 for the pixels outside its own window, which adds
// exactly 0; every pixel is loaded once and given to all four columns.
size_t Avx2TableBytes(const uint8_t* entries, int32_t columns) {
    const uint8_t* cursor = entries;
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

void BuildAvx2Table(const uint8_t* entries, int32_t columns, uint8_t* out, int32_t* index) {
    const uint8_t* cursor = entries;
    const uint8_t* start = out;
    for (int32_t i = 0; i < columns; i += 4, index += 3) {
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
        index[0] = int32_t(out - start);
        index[1] = first;
        index[2] = end;
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

}  // namespace

namespace {

// Eight source columns from `col` on.
AVX2_KERNEL inline void VerticalBlock(const Source& s, const FilterEntry& v, int32_t col, int16_t* line) {
    const uint8_t* origin = s.top + size_t(col) * 4 + v.offset;
    __m256i low = _mm256_setzero_si256(), high = _mm256_setzero_si256();
    for (int32_t k = 0; k < v.count; ++k) {
        if (v.weights[4 * k] == 0) continue;  // adds exactly 0
        const uint8_t* p = origin + ptrdiff_t(k) * s.step;
        const __m256i w = Broadcast8(reinterpret_cast<const uint8_t*>(v.weights + 4 * k));
        low = _mm256_add_epi16(low, _mm256_mulhi_epi16(Widen4(p), w));
        high = _mm256_add_epi16(high, _mm256_mulhi_epi16(Widen4(p + 16), w));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(line + 4 * col), FinishTimes128(low));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(line + 4 * col + 16), FinishTimes128(high));
}

}  // namespace

AVX2_KERNEL void VerticalAvx2(const Source& s, const FilterEntry& v, int32_t lo, int32_t hi, int16_t* line) {
    int32_t col = lo;
    for (; col < hi && col + 8 <= s.width; col += 8) VerticalBlock(s, v, col, line);
    if (col >= hi) return;
    // The last columns: a block that ends at the source's last column (a
    // wide load must not run past the bitmap), or one by one.
    if (s.width >= 8) VerticalBlock(s, v, s.width - 8, line);
    else VerticalTail(s, v, col, hi, line);
}

AVX2_KERNEL void HorizontalAvx2(const uint8_t* laid, const int32_t* index, int32_t g0, int32_t g1,
                                const uint8_t* line, uint8_t* row) {
    row += size_t(g0) * 16;
    for (int32_t g = g0; g < g1; ++g, row += 16) {
        const uint8_t* entry = laid + index[3 * g];
        int32_t header[2];
        std::memcpy(header, entry, 8);
        const uint8_t* p = line + header[0];
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

namespace {

// Eight RGB pixels (24 frame bytes) from eight saturated BGRA pixels: the
// frame's pixels spread to four bytes each, blended as in the SSE2 kernel,
// and packed back.
AVX2_KERNEL inline void BlendEightRgb(uint8_t* frame, const uint8_t* src, __m256i opacity16) {
    const __m256i zero = _mm256_setzero_si256();
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frame));      // bytes 0-15
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frame + 8));  // bytes 8-23
    const __m256i packed = _mm256_inserti128_si256(_mm256_castsi128_si256(first), second, 1);
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                            4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
    const __m256i f = _mm256_shuffle_epi8(packed, spread);  // pixels 0-3 | 4-7, one per four bytes
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    __m256i out[2];
    for (int half = 0; half < 2; ++half) {
        const __m256i sh = half ? _mm256_unpackhi_epi8(s, zero) : _mm256_unpacklo_epi8(s, zero);
        const __m256i fh = half ? _mm256_unpackhi_epi8(f, zero) : _mm256_unpacklo_epi8(f, zero);
        const __m256i w = _mm256_add_epi16(sh, _mm256_srli_epi16(sh, 7));
        const __m256i a =
            _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(w, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
        const __m256i t = _mm256_mulhi_epi16(_mm256_slli_epi16(a, 6), _mm256_slli_epi16(fh, 2));
        const __m256i v = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(sh, t), 4), opacity16);
        out[half] = _mm256_add_epi16(fh, v);
    }
    const __m256i gather = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                            0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i bytes = _mm256_shuffle_epi8(_mm256_packus_epi16(out[0], out[1]), gather);
    const __m256i joined = _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(frame), _mm256_castsi256_si128(joined));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(frame + 16), _mm256_extracti128_si256(joined, 1));
}

// Sixteen frame bytes (16-bit lanes) over their prepared values.
template <bool kOpaque>
AVX2_KERNEL inline __m256i OverPrepared(__m256i f, __m256i q, __m256i centre, __m256i coverage, __m256i opacity16) {
    const __m256i fc = _mm256_sub_epi16(f, centre);
    const __m256i a6 = _mm256_slli_epi16(_mm256_add_epi16(coverage, _mm256_srli_epi16(coverage, 7)), 6);
    const __m256i t = _mm256_mulhi_epi16(a6, _mm256_slli_epi16(fc, 2));
    if (kOpaque) return _mm256_sub_epi16(_mm256_add_epi16(fc, q), t);  // f + (q - c - t)
    const __m256i u = _mm256_sub_epi16(_mm256_sub_epi16(q, centre), t);
    return _mm256_add_epi16(f, _mm256_mulhi_epi16(_mm256_slli_epi16(u, 4), opacity16));
}

// 32 frame bytes over their prepared values, as they are in the frame now.
template <bool kOpaque>
AVX2_KERNEL inline __m256i PreparedBlock(const uint8_t* frame, const uint8_t* a, const uint8_t* q, __m256i centre,
                                         __m256i opacity16) {
    const __m128i* f = reinterpret_cast<const __m128i*>(frame);
    const __m128i* v = reinterpret_cast<const __m128i*>(q);
    const __m128i* w = reinterpret_cast<const __m128i*>(a);
    const __m256i r0 = OverPrepared<kOpaque>(_mm256_cvtepu8_epi16(_mm_loadu_si128(f)),
                                             _mm256_cvtepu8_epi16(_mm_loadu_si128(v)), centre,
                                             _mm256_cvtepu8_epi16(_mm_loadu_si128(w)), opacity16);
    const __m256i r1 = OverPrepared<kOpaque>(_mm256_cvtepu8_epi16(_mm_loadu_si128(f + 1)),
                                             _mm256_cvtepu8_epi16(_mm_loadu_si128(v + 1)), centre,
                                             _mm256_cvtepu8_epi16(_mm_loadu_si128(w + 1)), opacity16);
    return _mm256_permute4x64_epi64(_mm256_packus_epi16(r0, r1), _MM_SHUFFLE(3, 1, 2, 0));
}

template <bool kOpaque>
AVX2_KERNEL void BlendPreparedLoop(uint8_t* frame, const uint8_t* a, const uint8_t* q, int32_t bytes, bool chroma,
                                   int32_t o) {
    if (bytes < 32) {
        BlendPreparedSse2(frame, a, q, bytes, chroma, o);
        return;
    }
    const __m256i centre = chroma ? _mm256_set1_epi32(128 << 16) : _mm256_setzero_si256();
    const __m256i opacity16 = _mm256_set1_epi16(int16_t(o << 4));
    // As the SSE2 loop: the last block first, stored last.
    const int32_t last = bytes - 32;
    const __m256i tail = PreparedBlock<kOpaque>(frame + last, a + last, q + last, centre, opacity16);
    for (int32_t j = 0; j < last; j += 32)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(frame + j),
                            PreparedBlock<kOpaque>(frame + j, a + j, q + j, centre, opacity16));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(frame + last), tail);
}

}  // namespace

AVX2_KERNEL void BlendRgbAvx2(uint8_t* frameRow, const uint8_t* row, int32_t columns, int32_t o) {
    const __m256i opacity16 = _mm256_set1_epi16(int16_t(o << 4));
    int32_t i = 0;
    for (; i + 8 <= columns; i += 8) BlendEightRgb(frameRow + size_t(i) * 3, row + size_t(i) * 4, opacity16);
    BlendRgbSse2(frameRow + size_t(i) * 3, row + size_t(i) * 4, columns - i, o);
}

AVX2_KERNEL void BlendPreparedAvx2(uint8_t* frame, const uint8_t* a, const uint8_t* q, int32_t bytes, bool chroma,
                                   int32_t o) {
    if (o == 256) BlendPreparedLoop<true>(frame, a, q, bytes, chroma, o);
    else BlendPreparedLoop<false>(frame, a, q, bytes, chroma, o);
}

#else

// Other processors never choose this path; the entry points exist for the link.
void VerticalAvx2(const Source& s, const FilterEntry& v, int32_t lo, int32_t hi, int16_t* line) {
    VerticalTail(s, v, lo, hi, line);
}
void HorizontalAvx2(const uint8_t* laid, const int32_t* index, int32_t g0, int32_t g1, const uint8_t* line,
                    uint8_t* row) {
    for (int32_t g = g0; g < g1; ++g) {
        const uint8_t* entry = laid + index[3 * g];
        int32_t header[2];
        std::memcpy(header, entry, 8);
        for (int column = 0; column < 4; ++column)
            for (int lane = 0; lane < 4; ++lane) {
                int16_t sum = 0;
                for (int32_t k = 0; k < header[1]; ++k) {
                    int16_t p, w;
                    std::memcpy(&p, line + header[0] + 8 * k + 2 * lane, 2);
                    std::memcpy(&w, entry + 8 + 32 * size_t(k) + 8 * column + 2 * lane, 2);
                    sum = blend_math::Add16(sum, int16_t(blend_math::FloorShift(int32_t(p) * w, 16)));
                }
                row[16 * g + 4 * column + lane] = blend_math::Finish(sum);
            }
    }
}
void BlendYuy2Avx2(uint8_t* f, int32_t w, int32_t l, const uint8_t* r, int32_t n, int32_t o) {
    BlendYuy2Sse2(f, w, l, r, n, o);
}
void BlendRgbAvx2(uint8_t* f, const uint8_t* r, int32_t n, int32_t o) { BlendRgbSse2(f, r, n, o); }
void BlendPreparedAvx2(uint8_t* f, const uint8_t* a, const uint8_t* q, int32_t n, bool chroma, int32_t o) {
    BlendPreparedSse2(f, a, q, n, chroma, o);
}

#endif

}  // namespace blend_rows
