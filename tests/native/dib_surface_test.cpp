// The band's surfaces: their reuse between sizes and the alpha copied between layers.
#include <gtest/gtest.h>

#include "render/dib_surface.h"

namespace {

struct CountingAllocator : HeapSurfaceAllocator {
    int live = 0;
    bool Create(int32_t w, int32_t h, uint8_t** p, void** handle) override {
        const bool ok = HeapSurfaceAllocator::Create(w, h, p, handle);
        live += ok;
        return ok;
    }
    void Destroy(void* handle) override {
        --live;
        HeapSurfaceAllocator::Destroy(handle);
    }
};

TEST(DibSurface, HysteresisNumbers) {
    CountingAllocator alloc;
    {
        DibSurface s(alloc);
        s.EnsureSize(100, 40, 25, 25);  // no slot yet: one is added
        EXPECT_EQ(s.SlotCount(), 1);
        EXPECT_EQ(s.Current().allocWidth, 125);
        EXPECT_EQ(s.Current().allocHeight, 50);
        s.EnsureSize(124, 50, 25, 25);
        EXPECT_EQ(s.Allocations(), 1);
        EXPECT_EQ(s.Current().used.right, 124);
        s.EnsureSize(75, 40, 25, 25);
        EXPECT_EQ(s.Allocations(), 1);
        s.EnsureSize(74, 40, 25, 25);  // below MulDiv(125, 75, 125) = 75
        EXPECT_EQ(s.Allocations(), 2);
        s.EnsureSize(100, 40, 25, 25);
        s.EnsureSize(126, 40, 25, 25);
        EXPECT_EQ(s.Current().allocWidth, 158);
        EXPECT_EQ(s.Current().allocHeight, 50);
        s.EnsureSize(100, 0, 25, 25);  // rounds to no rows: no bitmap
        EXPECT_EQ(s.Current().pixels, nullptr);
        EXPECT_EQ(alloc.live, 0);
        s.EnsureSize(10, 10, 25, 25);
        s.AddSlot();
        s.EnsureSize(10, 10, 25, 25);
        EXPECT_EQ(alloc.live, 2);
    }
    EXPECT_EQ(alloc.live, 0);  // the destructor releases every slot
}

TEST(DibSurface, CopyAlphaFromBlueOnlyForMatchingLayers) {
    HeapSurfaceAllocator alloc;
    DibSurface s(alloc);
    s.AddSlot();
    s.AddSlot();
    for (int i = 0; i < 2; ++i) {
        s.SelectSlot(i);
        s.EnsureSize(8, 4, 25, 25);
        const SurfaceSlot& slot = s.Current();
        for (int32_t y = 0; y < slot.allocHeight; ++y)
            for (int32_t x = 0; x < slot.allocWidth; ++x) {
                uint8_t* p = slot.At(x, y);
                p[0] = uint8_t(i == 1 ? x * 10 + y : 1), p[1] = p[2] = 2, p[3] = 9;
            }
    }
    s.SelectSlot(1);
    s.EnsureSize(7, 4, 25, 25);  // used rectangles differ: nothing happens
    s.CopyAlphaFromBlue(0, 1);
    EXPECT_EQ(s.Slot(0).At(0, 0)[3], 9);
    s.EnsureSize(8, 4, 25, 25);
    s.CopyAlphaFromBlue(0, 1);
    EXPECT_EQ(s.Slot(0).At(3, 2)[3], 32);
    EXPECT_EQ(s.Slot(0).At(7, 3)[3], 73);
    EXPECT_EQ(s.Slot(0).At(8, 3)[3], 9);  // outside the used rectangle
    EXPECT_EQ(s.Slot(0).At(3, 2)[0], 1);
    s.SelectSlot(7);
    EXPECT_EQ(s.CurrentIndex(), 1);
}

}  // namespace
