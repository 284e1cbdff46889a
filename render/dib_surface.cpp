#include "render/dib_surface.h"

#include <cstdlib>

#include "render/pixel_math.h"

void DibSurface::AddSlot() {
    slots_.emplace_back();
    current_ = int32_t(slots_.size()) - 1;
}

void DibSurface::SelectSlot(int32_t index) {
    if (index < 0 || index >= SlotCount()) return;
    current_ = index;
}

void DibSurface::ReleaseSlot() {
    if (slots_.empty()) return;
    SurfaceSlot& s = slots_[size_t(current_)];
    if (s.bitmap) allocator_.Destroy(s.bitmap);
    s = SurfaceSlot();
}

void DibSurface::EnsureSize(int32_t width, int32_t height, int32_t grow, int32_t shrink) {
    if (slots_.empty()) AddSlot();
    SurfaceSlot& s = slots_[size_t(current_)];
    const bool remake = width > s.allocWidth || height > s.allocHeight ||
                        width < MulDiv(s.allocWidth, 100 - shrink, 100 + grow) ||
                        height < MulDiv(s.allocHeight, 100 - shrink, 100 + grow);
    if (remake) {
        ReleaseSlot();
        s.allocWidth = MulDiv(width, 100 + grow, 100);
        s.allocHeight = MulDiv(height, 100 + grow, 100);
        if (s.allocWidth > 0 && s.allocHeight > 0) {
            ++allocations_;
            if (!allocator_.Create(s.allocWidth, s.allocHeight, &s.pixels, &s.bitmap)) {
                s.pixels = nullptr;
                s.bitmap = nullptr;
            }
        }
    }
    s.used = Rect{0, 0, width, height};
}

void DibSurface::CopyAlphaFromBlue(int32_t targetIndex, int32_t sourceIndex) {
    if (targetIndex < 0 || sourceIndex < 0 || targetIndex >= SlotCount() || sourceIndex >= SlotCount()) return;
    const SurfaceSlot& t = slots_[size_t(targetIndex)];
    const SurfaceSlot& s = slots_[size_t(sourceIndex)];
    if (!t.pixels || !s.pixels) return;
    const int32_t w = t.used.Width(), h = t.used.Height();
    if (w <= 0 || h <= 0 || w != s.used.Width() || h != s.used.Height()) return;
    // Both layers are sized by the same calls; never read past either one.
    if (t.used.right > t.allocWidth || t.used.bottom > t.allocHeight || s.used.right > s.allocWidth ||
        s.used.bottom > s.allocHeight || t.used.left < 0 || t.used.top < 0 || s.used.left < 0 || s.used.top < 0)
        return;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* dst = t.At(t.used.left, t.used.top + y);
        const uint8_t* src = s.At(s.used.left, s.used.top + y);
        for (int32_t x = 0; x < w; ++x) dst[x * 4 + 3] = src[x * 4];
    }
}

void DibSurface::ClearSlots() {
    for (int32_t i = 0; i < SlotCount(); ++i) {
        current_ = i;
        ReleaseSlot();
    }
    slots_.clear();
    current_ = 0;
}

bool HeapSurfaceAllocator::Create(int32_t width, int32_t height, uint8_t** pixels, void** handle) {
    const size_t bytes = size_t(width) * size_t(height) * 4;
    if (width <= 0 || height <= 0 || bytes / 4 / size_t(height) != size_t(width)) return false;
    void* block = std::malloc(bytes);
    if (!block) return false;
    *pixels = static_cast<uint8_t*>(block);
    *handle = block;
    return true;
}

void HeapSurfaceAllocator::Destroy(void* handle) { std::free(handle); }
