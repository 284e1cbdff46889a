// Shared integer arithmetic of the renderer: the one MulDiv and the colour
// helpers every layer uses, so that native and DLL builds round alike.
#pragma once
#include <cstdint>

// Multiply, then divide rounding half away from zero; -1 on a zero divisor
// or a result outside 32 bits, exactly as the Windows function does.
inline int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    if (c < 0) { a = -a; c = -c; }
    int64_t p = int64_t(a) * b;
    int64_t r = (p >= 0) ? (p + c / 2) / c : (p - c / 2) / c;
    if (r > 2147483647LL || r < -2147483647LL) return -1;
    return int32_t(r);
}

// Colours are 0x00BBGGRR.
inline uint32_t ScaleColor(uint32_t color, int32_t percent) {
    uint32_t r = uint32_t(MulDiv(int32_t(color & 0xFF), percent, 100)) & 0xFF;
    uint32_t g = uint32_t(MulDiv(int32_t((color >> 8) & 0xFF), percent, 100)) & 0xFF;
    uint32_t b = uint32_t(MulDiv(int32_t((color >> 16) & 0xFF), percent, 100)) & 0xFF;
    return r | (g << 8) | (b << 16);
}

inline uint32_t GrayLevel(uint32_t level) { return (level & 0xFF) * 0x010101u; }

inline uint32_t OpacityLevel(int32_t percent) {
    return uint32_t(MulDiv(percent, 255, 100)) & 0xFF;
}
