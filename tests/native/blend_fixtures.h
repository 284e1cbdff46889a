// Synthetic bands and frames for the blender tests.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
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

// A band composed as the strip cache composes it: the background, and strips
// of textured pixels (each with its own ink range) copied in where they
// stand, with the BandLayout that describes it. Strips move left by `speed`
// band columns per Step().
struct StripBand final : BandPainter {
    struct Strip {
        std::vector<uint32_t> pixels;  // top-down
        int32_t width = 0, inkLeft = 0, inkRight = 0, left = 0;
        uint64_t serial = 0;
    };
    int32_t width, height, allocWidth, allocHeight;
    uint32_t background;
    std::vector<Strip> strips;
    std::vector<uint8_t> pixels;
    std::vector<PlacedStrip> placed;
    BandLayout layout;
    bool deferred = false;  // pixels painted only where the blender asks (noise elsewhere)

    // Strips of 4..`widest` columns, the first at `firstLeft`, then each after
    // a gap of 0..`gap` columns beyond the previous one's ink.
    StripBand(int32_t w, int32_t h, std::mt19937& rng, int32_t count, int32_t firstLeft, int32_t widest, int32_t gap)
        : width(w), height(h), allocWidth(w + int32_t(rng() % 5)), allocHeight(h + int32_t(rng() % 3)),
          pixels(size_t(allocWidth) * size_t(allocHeight) * 4) {
        background = Pixel(rng);
        int32_t left = firstLeft;
        for (int32_t k = 0; k < count; ++k) {
            Strip s;
            s.width = 4 + int32_t(rng() % uint32_t(std::max(1, widest - 3)));
            s.inkLeft = int32_t(rng() % uint32_t(std::min(12, s.width / 2) + 1));
            s.inkRight = s.width - int32_t(rng() % uint32_t(std::min(12, s.width / 2) + 1));
            s.pixels.assign(size_t(s.width) * size_t(h), background);
            const uint32_t ink = Pixel(rng);
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = s.inkLeft; x < s.inkRight; ++x) {
                    const uint32_t r = uint32_t(rng());
                    // glyph-like runs of one colour, edges, and now and then background inside the ink
                    uint32_t p = ((x / 3 + y / 4) % 3 == 0) ? ink : Pixel(rng);
                    if (r % 11 == 0) p = background;
                    s.pixels[size_t(y) * size_t(s.width) + size_t(x)] = p;
                }
            s.left = left - s.inkLeft;
            s.serial = 1000 + uint64_t(k);
            left = s.left + s.inkRight + int32_t(rng() % uint32_t(gap + 1));
            strips.push_back(std::move(s));
        }
        Compose();
    }

    static uint32_t Pixel(std::mt19937& rng) {
        const uint32_t a = rng() % 4 == 0 ? 255 : rng() % 256;
        const uint32_t b = rng() % (a + 1), g = rng() % (a + 1), r = rng() % (a + 1);
        return b | (g << 8) | (r << 16) | (a << 24);
    }

    void Step(int32_t speed) {
        for (Strip& s : strips) s.left -= speed;
        Compose();
    }

    void Compose() {
        placed.clear();
        for (const Strip& s : strips) {
            const int32_t from = std::max(0, s.left + s.inkLeft), to = std::min(width, s.left + s.inkRight);
            if (from >= to) continue;
            PlacedStrip p;
            p.pixels = s.pixels.data(), p.width = s.width, p.height = height, p.serial = s.serial;
            p.left = s.left, p.inkLeft = from, p.inkRight = to;
            placed.push_back(p);
        }
        layout.background = background;
        layout.count = int32_t(placed.size());
        layout.strips = placed.data();
        layout.painter = deferred ? this : nullptr;
        if (!deferred) {
            PaintColumns(0, width);
            return;
        }
        // What the blender does not ask to be painted holds stale noise.
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(pixels[i] * 13 + 7);
    }

    void PaintColumns(int32_t from, int32_t to) const override {
        from = std::max(from, 0), to = std::min(to, width);
        StripBand& self = const_cast<StripBand&>(*this);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = from; x < to; ++x) std::memcpy(self.At(x, y), &background, 4);
        for (const PlacedStrip& p : placed) {
            const int32_t a = std::max(from, p.inkLeft), b = std::min(to, p.inkRight);
            for (int32_t y = 0; a < b && y < height; ++y)
                std::memcpy(self.At(a, y), p.pixels + size_t(y) * size_t(p.width) + size_t(a - p.left),
                            size_t(b - a) * 4);
        }
    }

    uint8_t* At(int32_t x, int32_t y) { return pixels.data() + (size_t(allocHeight - 1 - y) * allocWidth + x) * 4; }
    BandSource Source() const {
        BandSource s;
        s.pixels = pixels.data();
        s.allocWidth = allocWidth;
        s.allocHeight = allocHeight;
        s.rect = Rect{0, 0, width, height};
        s.layout = &layout;
        return s;
    }
};
