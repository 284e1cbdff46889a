// The per-pixel fixed-point arithmetic of the blender, written once for the
// scalar path (the reference) and for the edge pixels of the SIMD path.
#pragma once
#include <cstdint>

namespace blend_math {

inline int32_t FloorShift(int32_t v, int n) { return v >= 0 ? (v >> n) : ~((~v) >> n); }
inline uint8_t Saturate8(int32_t v) { return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// One filter term: the high half of the signed 16 x 16-bit product of p * 128 and w.
inline int16_t Term(int32_t p, int16_t w) { return int16_t(FloorShift(p * 128 * int32_t(w), 16)); }
inline int16_t Add16(int16_t a, int16_t b) { return int16_t(uint16_t(uint16_t(a) + uint16_t(b))); }
inline uint8_t Finish(int16_t sum) { return Saturate8(FloorShift(sum, 5)); }

inline int32_t Weight(int32_t alpha) { return alpha + (alpha >> 7); }  // 0..255 -> 0..256

inline int32_t Luma(int32_t b, int32_t g, int32_t r) { return (3735 * b + 19235 * g + 9798 * r) >> 15; }
inline int32_t ChromaB(int32_t b, int32_t g, int32_t r) { return FloorShift(16384 * b - 10855 * g - 5529 * r, 15); }
inline int32_t ChromaR(int32_t b, int32_t g, int32_t r) { return FloorShift(-2664 * b - 13720 * g + 16384 * r, 15); }

// Premultiplied "over" of value q (weight a) into byte f, scaled by opacity o.
inline uint8_t OverLuma(int32_t f, int32_t q, int32_t a, int32_t o) {
    const int32_t u = q - ((a * f) >> 8);
    return Saturate8(f + FloorShift(u * o, 8));
}
inline uint8_t OverChroma(int32_t f, int32_t q, int32_t a, int32_t o) {
    const int32_t u = q - FloorShift(a * (f - 128), 8);
    return Saturate8(f + FloorShift(u * o, 8));
}

// A pixel pair of a YUY2 row: p0, p1 are saturated BGRA.
inline void BlendPair(uint8_t* pair, const uint8_t* p0, const uint8_t* p1, int32_t o) {
    const int32_t a0 = Weight(p0[3]), a1 = Weight(p1[3]);
    const int32_t mb = (p0[0] + p1[0] + 1) >> 1, mg = (p0[1] + p1[1] + 1) >> 1, mr = (p0[2] + p1[2] + 1) >> 1;
    const uint8_t y0 = OverLuma(pair[0], Luma(p0[0], p0[1], p0[2]), a0, o);
    const uint8_t u = OverChroma(pair[1], ChromaB(mb, mg, mr), a0, o);
    const uint8_t y1 = OverLuma(pair[2], Luma(p1[0], p1[1], p1[2]), a1, o);
    const uint8_t v = OverChroma(pair[3], ChromaR(mb, mg, mr), a0, o);
    pair[0] = y0, pair[1] = u, pair[2] = y1, pair[3] = v;
}

// A lone pixel p of a pair. rightHalf: it is the pair's second pixel and
// only Y1 changes; otherwise it is the first and Y0, U and V change, V only
// when the pair lies wholly inside the row (hasV).
inline void BlendLone(uint8_t* pair, const uint8_t* p, bool rightHalf, bool hasV, int32_t o) {
    const int32_t a = Weight(p[3]);
    const int32_t y = Luma(p[0], p[1], p[2]);
    if (rightHalf) {
        pair[2] = OverLuma(pair[2], y, a, o);
        return;
    }
    pair[0] = OverLuma(pair[0], y, a, o);
    pair[1] = OverChroma(pair[1], ChromaB(p[0], p[1], p[2]), a, o);
    if (hasV) pair[3] = OverChroma(pair[3], ChromaR(p[0], p[1], p[2]), a, o);
}

// One 24-bit RGB pixel; s is saturated BGRA.
inline void BlendRgbPixel(uint8_t* d, const uint8_t* s, int32_t o) {
    const int32_t a = Weight(s[3]);
    for (int c = 0; c < 3; ++c) d[c] = OverLuma(d[c], s[c], a, o);
}

}  // namespace blend_math
