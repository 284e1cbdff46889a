// Synthetic bands and frames for the blender tests.
#pragma once
#include <cstdint>
#include <random>
#include <vector>

#include "render/frame_blender.h"

// A bottom-up premultiplied BGRA band with gradients, hard edges and alpha steps.
struct TestBand {
    int32_t width, height, allocWidth, allocHeight;
    std::vector<uint8_t> pixels;
    TestBand(int32_t w, int32_t h, uint32_t seed = 1, int32_t spareW = 0, int32_t spareH = 0)
        : width(w), height(h), allocWidth(w + spareW), allocHeight(h + spareH),
          pixels(size_t(allocWidth) * size_t(allocHeight) * 4) {
        std::mt19937 rng(seed);
        for (int32_t y = 0; y < allocHeight; ++y)
            for (int32_t x = 0; x < allocWidth; ++x) {
                int32_t a;
                if ((x / 7 + y / 5) % 3 == 0) a = 0;
                else if ((x / 11) % 4 == 1) a = 255;
                else a = int32_t(rng() % 256);
                const int32_t r = (x * 255) / std::max(1, allocWidth - 1);
                const int32_t g = (y * 255) / std::max(1, allocHeight - 1);
                const int32_t b = int32_t(rng() % 256);
                uint8_t* p = At(x, y);
                p[0] = uint8_t(b * a / 255), p[1] = uint8_t(g * a / 255), p[2] = uint8_t(r * a / 255), p[3] = uint8_t(a);
            }
    }
    uint8_t* At(int32_t x, int32_t y) { return pixels.data() + (size_t(allocHeight - 1 - y) * allocWidth + x) * 4; }
    BandSource Source() const {
        BandSource s;
        s.pixels = pixels.data();
        s.allocWidth = allocWidth;
        s.allocHeight = allocHeight;
        s.rect = Rect{0, 0, width, height};
        return s;
    }
};

inline std::vector<uint8_t> NoiseFrame(size_t bytes, uint32_t seed) {
    std::vector<uint8_t> f(bytes);
    std::mt19937 rng(seed);
    for (auto& b : f) b = uint8_t(rng());
    return f;
}
