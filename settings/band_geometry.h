// The band's rectangle in the 768 x 576 reference frame.
#pragma once
#include <cstdint>

#include "base/geometry.h"

struct TickerSettings;


// Keeps the band inside the reference frame by moving it; stores LineSize
// clamped to its range (10..768). The band height itself is never changed.
void ClampBand(TickerSettings& s);

Rect ReferenceBandRect(const TickerSettings& s);
