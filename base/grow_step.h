// The automatic growth step of the plug-in's arrays.
#pragma once
#include <cstdint>

// count / 8, within 4..1024.
inline int32_t AutoGrowStep(int32_t count) {
    int32_t step = count / 8;
    if (step < 4) step = 4;
    if (step > 1024) step = 1024;
    return step;
}
