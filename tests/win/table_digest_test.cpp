// The DLL's build computes the same resampling tables as the native build,
// even when the host has changed the floating-point rounding.
#include <gtest/gtest.h>

#include <float.h>

#include "tests/filter_table_golden.h"

namespace {

TEST(WindowsTables, SameBitsAsTheNativeBuild) {
    EXPECT_EQ(TableDigest(), kGoldenTableDigest);
    unsigned int saved = 0;
    _controlfp_s(&saved, 0, 0);
    for (unsigned int rounding : {unsigned(_RC_DOWN), unsigned(_RC_CHOP), unsigned(_RC_UP)}) {
        unsigned int ignored = 0;
        _controlfp_s(&ignored, rounding, _MCW_RC);
#if defined(_M_IX86) || defined(__i386__)
        _controlfp_s(&ignored, _PC_24, _MCW_PC);
#endif
        EXPECT_EQ(TableDigest(), kGoldenTableDigest) << std::hex << rounding;
    }
    unsigned int ignored = 0;
    _controlfp_s(&ignored, saved, _MCW_RC);
}

}  // namespace
