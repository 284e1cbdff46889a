// The runs of text on the band, leftmost first.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/grow_step.h"

struct TickerSegment {
    int32_t messageIndex;
    int32_t x;      // left edge relative to the band's left edge
    int32_t width;  // measured width of the message's display text
};

class SegmentList {
public:
    SegmentList() = default;
    ~SegmentList() { std::free(items_); }
    SegmentList(const SegmentList&) = delete;
    SegmentList& operator=(const SegmentList&) = delete;

    int32_t Count() const { return count_; }
    TickerSegment& operator[](int32_t i) { return items_[i]; }
    const TickerSegment& operator[](int32_t i) const { return items_[i]; }

    bool Add(const TickerSegment& s) {
        if (count_ == capacity_) {
            const int32_t step = AutoGrowStep(count_);
            void* grown = std::realloc(items_, size_t(capacity_ + step) * sizeof(TickerSegment));
            if (!grown) return false;
            items_ = static_cast<TickerSegment*>(grown);
            std::memset(items_ + capacity_, 0, size_t(step) * sizeof(TickerSegment));
            capacity_ += step;
        }
        items_[count_++] = s;
        return true;
    }
    void RemoveAt(int32_t i) {
        std::memmove(items_ + i, items_ + i + 1, size_t(count_ - i - 1) * sizeof(TickerSegment));
        --count_;
    }
    // Emptying releases the storage.
    void RemoveAll() {
        std::free(items_);
        items_ = nullptr;
        count_ = capacity_ = 0;
    }

private:
    TickerSegment* items_ = nullptr;
    int32_t count_ = 0;
    int32_t capacity_ = 0;
};
