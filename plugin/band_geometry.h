// The band's rectangle in the 768 x 576 reference frame.
#pragma once
#include <cstdint>

struct TickerSettings;

constexpr int32_t kRefWidth = 768;
constexpr int32_t kRefHeight = 576;

struct BandRect {
    int32_t left, top, right, bottom;
};

// Keeps the band inside the reference frame by moving it; stores LineSize
// clamped to 10..768. The band height itself is never changed.
void ClampBand(TickerSettings& s);

BandRect ReferenceBandRect(const TickerSettings& s);
