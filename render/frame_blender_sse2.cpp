// SSE2 row kernels: the scalar arithmetic, lane for lane. Chosen at run time;
// nothing else in the plug-in needs more than the Pentium III.
#if defined(__i386__) || defined(__x86_64__)
#pragma GCC push_options
#pragma GCC target("sse2")
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>

#include "render/blend_math.h"
#include "render/blend_rows.h"

namespace blend_rows {

// The SIMD horizontal table: the destination columns in pairs, every entry
// padded with zero weights to `taps`, weights of the two columns side by side:
//   int32 offsetA, int32 offsetB (bytes into the 16-bit line),
//   int32 first, int32 end: the taps with a non-zero weight in either column,
//   taps x { 4 x int16 weight of A, 4 x int16 weight of B }.
// A zero weight adds exactly 0, so padding does not change the sums and the
// taps outside [first, end) can be skipped.
size_t Sse2TableBytes(int32_t columns, int32_t taps) { return size_t((columns + 1) / 2) * (16 + 16 * size_t(taps)); }

void BuildSse2Table(const uint8_t* entries, int32_t columns, int32_t taps, uint8_t* out, int32_t* index) {
    const uint8_t* cursor = entries;
    const size_t entryBytes = 16 + 16 * size_t(taps);
    for (int32_t i = 0; i < columns; i += 2, out += entryBytes, index += 3) {
        const FilterEntry a = ReadEntry(cursor);
        const FilterEntry b = (i + 1 < columns) ? ReadEntry(cursor) : a;
        int16_t* w = reinterpret_cast<int16_t*>(out + 16);
        std::memset(w, 0, 16 * size_t(taps));
        for (int32_t k = 0; k < a.count && k < taps; ++k) std::memcpy(w + 8 * k, a.weights + 4 * k, 8);
        for (int32_t k = 0; k < b.count && k < taps; ++k) std::memcpy(w + 8 * k + 4, b.weights + 4 * k, 8);
        int32_t first = 0, end = taps;
        while (first < end && w[8 * first] == 0 && w[8 * first + 4] == 0) ++first;
        while (end > first && w[8 * (end - 1)] == 0 && w[8 * (end - 1) + 4] == 0) --end;
        const int32_t header[4] = {a.offset * 2, b.offset * 2, first, end};  // 4-byte pixels become 8-byte pixels
        std::memcpy(out, header, 16);
        index[0] = int32_t(size_t(i / 2) * entryBytes);
        index[1] = std::min(a.offset, b.offset) / 4 + first;
        index[2] = first < end ? std::max(a.offset, b.offset) / 4 + end : index[1];
    }
}

#if defined(__i386__) || defined(__x86_64__)

namespace {

inline __m128i Weight4(const int16_t* w) {  // one tap's four copies, twice
    const __m128i x = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(w));
    return _mm_unpacklo_epi64(x, x);
}

}  // namespace

namespace {

// Four source columns from `col` on.
inline void VerticalBlock(const Source& s, const FilterEntry& v, int32_t col, int16_t* line) {
    const __m128i zero = _mm_setzero_si128();
    const uint8_t* origin = s.top + size_t(col) * 4 + v.offset;
    __m128i low = zero, high = zero;
    for (int32_t k = 0; k < v.count; ++k) {
        if (v.weights[4 * k] == 0) continue;  // adds exactly 0 (most taps when the height is unchanged)
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(origin + ptrdiff_t(k) * s.step));
        const __m128i w = Weight4(v.weights + 4 * k);
        low = _mm_add_epi16(low, _mm_mulhi_epi16(_mm_slli_epi16(_mm_unpacklo_epi8(px, zero), 7), w));
        high = _mm_add_epi16(high, _mm_mulhi_epi16(_mm_slli_epi16(_mm_unpackhi_epi8(px, zero), 7), w));
    }
    const __m128i bytes = _mm_packus_epi16(_mm_srai_epi16(low, 5), _mm_srai_epi16(high, 5));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(line + 4 * col), _mm_slli_epi16(_mm_unpacklo_epi8(bytes, zero), 7));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(line + 4 * col + 8), _mm_slli_epi16(_mm_unpackhi_epi8(bytes, zero), 7));
}

}  // namespace

void VerticalSse2(const Source& s, const FilterEntry& v, int32_t lo, int32_t hi, int16_t* line) {
    int32_t col = lo;
    for (; col < hi && col + 4 <= s.width; col += 4) VerticalBlock(s, v, col, line);
    if (col >= hi) return;
    // The last columns: a block that ends at the source's last column (a
    // 16-byte load must not run past the bitmap), or one by one.
    if (s.width >= 4) VerticalBlock(s, v, s.width - 4, line);
    else VerticalTail(s, v, col, hi, line);
}

void HorizontalSse2(const uint8_t* laid, const int32_t* index, int32_t taps, int32_t g0, int32_t g1,
                    const uint8_t* line, uint8_t* row) {
    const size_t entryBytes = 16 + 16 * size_t(taps);
    const uint8_t* entry = laid + size_t(g0) * entryBytes;
    (void)index;
    row += size_t(g0) * 8;
    for (int32_t g = g0; g < g1; ++g, entry += entryBytes, row += 8) {
        const int32_t* header = reinterpret_cast<const int32_t*>(entry);
        const uint8_t* a = line + header[0];
        const uint8_t* b = line + header[1];
        const __m128i* w = reinterpret_cast<const __m128i*>(entry + 16);
        __m128i sum = _mm_setzero_si128();
        for (int32_t k = header[2]; k < header[3]; ++k) {
            const __m128i pa = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(a + 8 * k));
            const __m128i pb = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b + 8 * k));
            sum = _mm_add_epi16(sum, _mm_mulhi_epi16(_mm_unpacklo_epi64(pa, pb), _mm_load_si128(w + k)));
        }
        const __m128i bytes = _mm_packus_epi16(_mm_srai_epi16(sum, 5), sum);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(row), bytes);
    }
}

namespace {

// Two YUY2 pairs from four saturated BGRA pixels.
inline void BlendTwoPairs(uint8_t* frame, const uint8_t* src, __m128i opacity16) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i lo = _mm_unpacklo_epi8(px, zero);  // B0 G0 R0 A0 B1 G1 R1 A1
    const __m128i hi = _mm_unpackhi_epi8(px, zero);  // B2 G2 R2 A2 B3 G3 R3 A3

    const __m128i cy = _mm_setr_epi16(3735, 19235, 9798, 0, 3735, 19235, 9798, 0);
    __m128i yl = _mm_madd_epi16(lo, cy);
    __m128i yh = _mm_madd_epi16(hi, cy);
    yl = _mm_srli_epi32(_mm_add_epi32(yl, _mm_srli_epi64(yl, 32)), 15);  // lanes 0, 2
    yh = _mm_srli_epi32(_mm_add_epi32(yh, _mm_srli_epi64(yh, 32)), 15);
    const __m128i yAll = _mm_unpacklo_epi64(_mm_shuffle_epi32(yl, _MM_SHUFFLE(3, 1, 2, 0)),
                                            _mm_shuffle_epi32(yh, _MM_SHUFFLE(3, 1, 2, 0)));

    const __m128i m01 = _mm_avg_epu16(lo, _mm_shuffle_epi32(lo, _MM_SHUFFLE(1, 0, 3, 2)));
    const __m128i m23 = _mm_avg_epu16(hi, _mm_shuffle_epi32(hi, _MM_SHUFFLE(1, 0, 3, 2)));
    const __m128i mm = _mm_unpacklo_epi64(m01, m23);
    const __m128i cb = _mm_setr_epi16(16384, -10855, -5529, 0, 16384, -10855, -5529, 0);
    const __m128i cr = _mm_setr_epi16(-2664, -13720, 16384, 0, -2664, -13720, 16384, 0);
    __m128i b32 = _mm_madd_epi16(mm, cb);
    __m128i r32 = _mm_madd_epi16(mm, cr);
    b32 = _mm_srai_epi32(_mm_add_epi32(b32, _mm_srli_epi64(b32, 32)), 15);
    r32 = _mm_srai_epi32(_mm_add_epi32(r32, _mm_srli_epi64(r32, 32)), 15);
    const __m128i cAll = _mm_unpacklo_epi32(_mm_shuffle_epi32(b32, _MM_SHUFFLE(3, 1, 2, 0)),
                                            _mm_shuffle_epi32(r32, _MM_SHUFFLE(3, 1, 2, 0)));
    const __m128i q = _mm_or_si128(_mm_and_si128(yAll, _mm_set1_epi32(0xFFFF)), _mm_slli_epi32(cAll, 16));

    // weights per frame byte: a0 a0 a1 a0 | a2 a2 a3 a2
    const __m128i wl = _mm_add_epi16(lo, _mm_srli_epi16(lo, 7));
    const __m128i wh = _mm_add_epi16(hi, _mm_srli_epi16(hi, 7));
    const __m128i il = _mm_shufflehi_epi16(_mm_unpacklo_epi16(wl, _mm_unpackhi_epi64(wl, wl)), _MM_SHUFFLE(2, 3, 2, 2));
    const __m128i ih = _mm_shufflehi_epi16(_mm_unpacklo_epi16(wh, _mm_unpackhi_epi64(wh, wh)), _MM_SHUFFLE(2, 3, 2, 2));
    const __m128i a = _mm_unpackhi_epi64(il, ih);

    const __m128i f = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(frame)), zero);
    const __m128i centred = _mm_sub_epi16(f, _mm_setr_epi16(0, 128, 0, 128, 0, 128, 0, 128));
    const __m128i t = _mm_mulhi_epi16(_mm_slli_epi16(a, 6), _mm_slli_epi16(centred, 2));
    const __m128i u = _mm_sub_epi16(q, t);
    const __m128i v = _mm_mulhi_epi16(_mm_slli_epi16(u, 4), opacity16);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(frame), _mm_packus_epi16(_mm_add_epi16(f, v), zero));
}

}  // namespace

void BlendYuy2Sse2(uint8_t* frameRow, int32_t frameWidth, int32_t left, const uint8_t* row, int32_t columns,
                   int32_t o) {
    int32_t x = left;
    if (x & 1) {
        blend_math::BlendLone(frameRow + size_t(x - 1) * 2, row, true, true, o);
        ++x, row += 4, --columns;
    }
    const __m128i opacity16 = _mm_set1_epi16(int16_t(o << 4));
    for (; columns >= 4; x += 4, row += 16, columns -= 4) BlendTwoPairs(frameRow + size_t(x) * 2, row, opacity16);
    for (; columns >= 2; x += 2, row += 8, columns -= 2)
        blend_math::BlendPair(frameRow + size_t(x) * 2, row, row + 4, o);
    if (columns == 1) blend_math::BlendLone(frameRow + size_t(x) * 2, row, false, x + 1 < frameWidth, o);
}

void BlendRgbSse2(uint8_t* frameRow, const uint8_t* row, int32_t columns, int32_t o) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i opacity16 = _mm_set1_epi16(int16_t(o << 4));
    int32_t i = 0;
    for (; i + 4 <= columns; i += 4) {
        uint8_t* d = frameRow + size_t(i) * 3;
        alignas(16) uint8_t expanded[16] = {d[0], d[1], d[2],  0, d[3], d[4],  d[5],  0,
                                            d[6], d[7], d[8],  0, d[9], d[10], d[11], 0};
        const __m128i f = _mm_load_si128(reinterpret_cast<const __m128i*>(expanded));
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + size_t(i) * 4));
        __m128i out[2];
        for (int half = 0; half < 2; ++half) {
            const __m128i sh = half ? _mm_unpackhi_epi8(s, zero) : _mm_unpacklo_epi8(s, zero);
            const __m128i fh = half ? _mm_unpackhi_epi8(f, zero) : _mm_unpacklo_epi8(f, zero);
            const __m128i w = _mm_add_epi16(sh, _mm_srli_epi16(sh, 7));
            const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(w, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
            const __m128i t = _mm_mulhi_epi16(_mm_slli_epi16(a, 6), _mm_slli_epi16(fh, 2));
            const __m128i v = _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(sh, t), 4), opacity16);
            out[half] = _mm_add_epi16(fh, v);
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(expanded), _mm_packus_epi16(out[0], out[1]));
        for (int p = 0; p < 4; ++p) std::memcpy(d + 3 * p, expanded + 4 * p, 3);
    }
    for (; i < columns; ++i) blend_math::BlendRgbPixel(frameRow + size_t(i) * 3, row + size_t(i) * 4, o);
}

namespace {

// Eight frame bytes (16-bit lanes) over their prepared values.
template <bool kOpaque>
inline __m128i OverPrepared(__m128i f, __m128i q, __m128i centre, __m128i coverage, __m128i opacity16) {
    const __m128i fc = _mm_sub_epi16(f, centre);
    const __m128i a6 = _mm_slli_epi16(_mm_add_epi16(coverage, _mm_srli_epi16(coverage, 7)), 6);
    const __m128i t = _mm_mulhi_epi16(a6, _mm_slli_epi16(fc, 2));
    if (kOpaque) return _mm_sub_epi16(_mm_add_epi16(fc, q), t);  // f + (q - c - t)
    const __m128i u = _mm_sub_epi16(_mm_sub_epi16(q, centre), t);
    return _mm_add_epi16(f, _mm_mulhi_epi16(_mm_slli_epi16(u, 4), opacity16));
}

template <bool kOpaque>
inline __m128i PreparedBlock(const uint8_t* frame, const uint8_t* a, const uint8_t* q, __m128i centre,
                             __m128i opacity16) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frame));
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    const __m128i r0 = OverPrepared<kOpaque>(_mm_unpacklo_epi8(f, zero), _mm_unpacklo_epi8(v, zero), centre,
                                             _mm_unpacklo_epi8(w, zero), opacity16);
    const __m128i r1 = OverPrepared<kOpaque>(_mm_unpackhi_epi8(f, zero), _mm_unpackhi_epi8(v, zero), centre,
                                             _mm_unpackhi_epi8(w, zero), opacity16);
    return _mm_packus_epi16(r0, r1);
}

template <bool kOpaque>
void BlendPreparedLoop(uint8_t* frame, const uint8_t* a, const uint8_t* q, int32_t bytes, bool chroma, int32_t o) {
    if (bytes < 16) {
        BlendPreparedScalar(frame, a, q, bytes, chroma, o);
        return;
    }
    const __m128i centre = chroma ? _mm_setr_epi16(0, 128, 0, 128, 0, 128, 0, 128) : _mm_setzero_si128();
    const __m128i opacity16 = _mm_set1_epi16(int16_t(o << 4));
    // The last 16 bytes first, from the frame as it is, stored last: the
    // blocks before may overlap them and write the same values. (Chroma
    // pieces are whole pairs, so `last` keeps the bytes' parity.)
    const int32_t last = bytes - 16;
    const __m128i tail = PreparedBlock<kOpaque>(frame + last, a + last, q + last, centre, opacity16);
    for (int32_t j = 0; j < last; j += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(frame + j),
                         PreparedBlock<kOpaque>(frame + j, a + j, q + j, centre, opacity16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(frame + last), tail);
}

}  // namespace

void BlendPreparedSse2(uint8_t* frame, const uint8_t* a, const uint8_t* q, int32_t bytes, bool chroma, int32_t o) {
    if (o == 256) BlendPreparedLoop<true>(frame, a, q, bytes, chroma, o);
    else BlendPreparedLoop<false>(frame, a, q, bytes, chroma, o);
}

#else

// Other processors never choose this path; the entry points exist for the link.
void VerticalSse2(const Source& s, const FilterEntry& v, int32_t lo, int32_t hi, int16_t* line) {
    VerticalTail(s, v, lo, hi, line);
}
void HorizontalSse2(const uint8_t* laid, const int32_t*, int32_t taps, int32_t g0, int32_t g1, const uint8_t* line,
                    uint8_t* row) {
    const size_t entryBytes = 16 + 16 * size_t(taps);
    for (int32_t g = g0; g < g1; ++g) {
        const uint8_t* entry = laid + size_t(g) * entryBytes;
        int32_t header[4];
        std::memcpy(header, entry, 16);
        for (int half = 0; half < 2; ++half)
            for (int lane = 0; lane < 4; ++lane) {
                int16_t sum = 0;
                for (int32_t k = header[2]; k < header[3]; ++k) {
                    int16_t p, w;
                    std::memcpy(&p, line + header[half] + 8 * k + 2 * lane, 2);
                    std::memcpy(&w, entry + 16 + 16 * size_t(k) + 8 * half + 2 * lane, 2);
                    sum = blend_math::Add16(sum, int16_t(blend_math::FloorShift(int32_t(p) * w, 16)));
                }
                row[8 * g + 4 * half + lane] = blend_math::Finish(sum);
            }
    }
}
void BlendYuy2Sse2(uint8_t* f, int32_t w, int32_t l, const uint8_t* r, int32_t n, int32_t o) {
    BlendYuy2Scalar(f, w, l, r, n, o);
}
void BlendRgbSse2(uint8_t* f, const uint8_t* r, int32_t n, int32_t o) { BlendRgbScalar(f, r, n, o); }
void BlendPreparedSse2(uint8_t* f, const uint8_t* a, const uint8_t* q, int32_t n, bool chroma, int32_t o) {
    BlendPreparedScalar(f, a, q, n, chroma, o);
}

#endif

}  // namespace blend_rows

#if defined(__i386__) || defined(__x86_64__)
#pragma GCC pop_options
#endif
