// Lanczos-3 resampling tables in 2.14 fixed point.
//
// Layout, one entry per destination pixel, packed back to back:
//   int32 offset   byte offset of the first sample from the source origin
//   int32 count    number of samples n (consecutive samples are `step` bytes apart)
//   n x 8 bytes    one int16 weight (16384 = 1.0) repeated for the four lanes
#pragma once
#include <cstdint>

#include "render/aligned_buffer.h"

struct FilterKey {
    int32_t srcLength = 0, dstLength = 0, first = 0, count = 0, step = 0;
    bool operator==(const FilterKey& o) const {
        return srcLength == o.srcLength && dstLength == o.dstLength && first == o.first && count == o.count &&
               step == o.step;
    }
};

struct FilterEntry {
    int32_t offset;
    int32_t count;
    const int16_t* weights;  // 4 copies per tap
};

inline FilterEntry ReadEntry(const uint8_t*& cursor) {
    FilterEntry e;
    e.offset = *reinterpret_cast<const int32_t*>(cursor);
    e.count = *reinterpret_cast<const int32_t*>(cursor + 4);
    e.weights = reinterpret_cast<const int16_t*>(cursor + 8);
    cursor += 8 + 8 * size_t(e.count);
    return e;
}

double LanczosKernel(double x);

// Taps per entry for a source of srcLength mapped onto dstLength pixels.
int32_t FilterTaps(int32_t srcLength, int32_t dstLength);

// Fills `table` for destination indices key.first .. key.first + key.count - 1.
// The same bits come out on every build and whatever floating-point state
// the host process left behind. False when memory ran out.
bool BuildFilterTable(const FilterKey& key, AlignedBuffer& table);
