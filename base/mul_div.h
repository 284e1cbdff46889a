// The one MulDiv, so that native and DLL builds round alike.
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
