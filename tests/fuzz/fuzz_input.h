// Reads typed values off a fuzzer's byte string; past its end every read is 0.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    bool Done() const { return p_ >= end_; }
    uint32_t U32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
        return v;
    }
    uint32_t Below(uint32_t n) { return n ? U32() % n : 0; }
    uint8_t Byte() { return p_ < end_ ? *p_++ : 0; }
    std::string Bytes(size_t maxLength) {
        const size_t n = Below(uint32_t(maxLength) + 1);
        std::string s;
        while (s.size() < n && p_ < end_) s.push_back(char(*p_++));
        return s;
    }
    std::u16string Text(size_t maxLength) {
        const size_t n = Below(uint32_t(maxLength) + 1);
        std::u16string s;
        while (s.size() < n && p_ + 1 < end_) {
            s.push_back(char16_t(p_[0] | (p_[1] << 8)));
            p_ += 2;
        }
        return s;
    }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};
