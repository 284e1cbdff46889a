// A 16-byte aligned scratch block, sized in bytes with grow and shrink
// head-room; its old contents are not kept when it is re-made.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>

class AlignedBuffer {
public:
    AlignedBuffer() = default;
    ~AlignedBuffer() { std::free(raw_); }
    AlignedBuffer(const AlignedBuffer&) = delete;
    AlignedBuffer& operator=(const AlignedBuffer&) = delete;

    // Left alone while needed lies in [capacity * (100 - shrink) / (100 + grow), capacity];
    // otherwise re-made at needed * (100 + grow) / 100. False when memory ran out.
    bool Ensure(size_t neededBytes, int growPercent, int shrinkPercent) {
        const uint64_t low = uint64_t(capacity_) * uint64_t(100 - shrinkPercent) / uint64_t(100 + growPercent);
        if (data_ && neededBytes <= capacity_ && neededBytes >= low) return true;
        const size_t capacity = size_t(uint64_t(neededBytes) * uint64_t(100 + growPercent) / 100u) + 16;
        std::free(raw_);
        raw_ = nullptr;
        data_ = nullptr;
        capacity_ = 0;
        ++remakes_;
        raw_ = std::malloc(capacity + 15);
        if (!raw_) return false;
        data_ = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(raw_) + 15) & ~uintptr_t(15));
        capacity_ = capacity;
        return true;
    }
    uint8_t* data() const { return data_; }
    size_t capacity() const { return capacity_; }
    int64_t remakes() const { return remakes_; }

private:
    void* raw_ = nullptr;
    uint8_t* data_ = nullptr;
    size_t capacity_ = 0;
    int64_t remakes_ = 0;
};
