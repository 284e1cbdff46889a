// 32-bit bottom-up memory bitmaps in slots, re-sized with hysteresis. The
// band uses slot 0 as its colour layer and slot 1 as its coverage layer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/geometry.h"

// Creates and frees the bitmaps: DIB sections in the DLL, plain memory in
// native tests.
class SurfaceAllocator {
public:
    virtual ~SurfaceAllocator() = default;
    // width x height pixels, bottom-up, stride width * 4; false on failure.
    virtual bool Create(int32_t width, int32_t height, uint8_t** pixels, void** handle) = 0;
    virtual void Destroy(void* handle) = 0;
};

struct SurfaceSlot {
    void* bitmap = nullptr;  // the platform handle, null while there is no bitmap
    uint8_t* pixels = nullptr;
    int32_t allocWidth = 0;
    int32_t allocHeight = 0;
    Rect used;
    int32_t Stride() const { return allocWidth * 4; }
    // Pixel (x, y) of the image, y counted from the top.
    uint8_t* At(int32_t x, int32_t y) const { return pixels + size_t(allocHeight - 1 - y) * Stride() + size_t(x) * 4; }
};

class DibSurface {
public:
    explicit DibSurface(SurfaceAllocator& allocator) : allocator_(allocator) {}
    ~DibSurface() { ClearSlots(); }
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    void AddSlot();
    void SelectSlot(int32_t index);
    int32_t SlotCount() const { return int32_t(slots_.size()); }
    int32_t CurrentIndex() const { return current_; }
    // Re-makes the current slot only when the request leaves the window
    // [MulDiv(alloc, 100 - shrink, 100 + grow), alloc].
    void EnsureSize(int32_t width, int32_t height, int32_t growPercent, int32_t shrinkPercent);
    void ReleaseSlot();
    void CopyAlphaFromBlue(int32_t targetIndex, int32_t sourceIndex);
    void ClearSlots();

    const SurfaceSlot& Current() const { return slots_.empty() ? empty_ : slots_[size_t(current_)]; }
    const SurfaceSlot& Slot(int32_t i) const { return slots_[size_t(i)]; }
    // How many bitmaps were made so far (for tests and benchmarks).
    int64_t Allocations() const { return allocations_; }

private:
    SurfaceAllocator& allocator_;
    std::vector<SurfaceSlot> slots_;
    int32_t current_ = 0;
    SurfaceSlot empty_;
    int64_t allocations_ = 0;
};

// Plain aligned memory, for builds without a platform bitmap.
class HeapSurfaceAllocator : public SurfaceAllocator {
public:
    bool Create(int32_t width, int32_t height, uint8_t** pixels, void** handle) override;
    void Destroy(void* handle) override;
};
