// Sums and differences of 32-bit values worked in 64 bits, then kept inside
// the 32-bit range rather than wrapped.
#pragma once
#include <cstdint>

constexpr int32_t SaturateInt32(int64_t v) {
    return int32_t(v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : v));
}
