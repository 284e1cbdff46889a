// Built with x87 arithmetic (as the 32-bit DLL computes doubles): the tables
// must match the SSE build's bits whatever precision and rounding the
// process left in the FPU control word.
#include <gtest/gtest.h>

#include "tests/filter_table_golden.h"

namespace {

unsigned short ControlWord() {
    unsigned short cw;
    __asm__ __volatile__("fnstcw %0" : "=m"(cw));
    return cw;
}
void SetControlWord(unsigned short cw) { __asm__ __volatile__("fldcw %0" : : "m"(cw)); }

TEST(X87Tables, SameBitsInEveryPrecisionAndRoundingMode) {
    const unsigned short saved = ControlWord();
    for (unsigned short precision : {0x0000, 0x0200, 0x0300})     // 24, 53, 64 bits
        for (unsigned short rounding : {0x0000, 0x0400, 0x0C00}) {  // nearest, down, toward zero
            SetControlWord(static_cast<unsigned short>((saved & ~0x0F00) | precision | rounding));
            EXPECT_EQ(TableDigest(), kGoldenTableDigest) << std::hex << precision << " " << rounding;
            EXPECT_EQ(ControlWord() & 0x0F00, precision | rounding) << "the caller's FPU state is restored";
        }
    SetControlWord(saved);
}

}  // namespace
