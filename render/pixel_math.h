// The colour arithmetic every layer of the renderer uses, over the one
// MulDiv, so that native and DLL builds round alike.
#pragma once
#include <cstdint>

#include "base/mul_div.h"

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
