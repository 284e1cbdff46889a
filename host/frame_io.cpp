#include "host/frame_io.h"

#include <algorithm>
#include <cstring>

size_t FrameBytes(int width, int height, PixelFormat format) {
    const size_t bpp = format == kFormatYuy2 ? 2 : 3;
    return size_t(width) * size_t(height) * bpp;
}

bool RawFileSource::Next(std::vector<uint8_t>& frame) {
    size_t got = 0;
    while (got < frame.size()) {
        const size_t n = std::fread(frame.data() + got, 1, frame.size() - got, file_);
        if (n == 0) break;
        got += n;
    }
    return got == frame.size();
}

static uint8_t Clamp8(int v) { return uint8_t(std::min(255, std::max(0, v))); }

static void RgbToYuv(int r, int g, int b, int& y, int& u, int& v) {
    y = (66 * r + 129 * g + 25 * b + 128) / 256 + 16;
    u = (-38 * r - 74 * g + 112 * b + 128) / 256 + 128;
    v = (112 * r - 94 * g - 18 * b + 128) / 256 + 128;
}

void PutPixel(uint8_t* frame, int width, int height, PixelFormat format, int x, int y, uint8_t r, uint8_t g,
              uint8_t b) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    if (format == kFormatRgb24) {
        uint8_t* p = frame + (size_t(height - 1 - y) * width + x) * 3;
        p[0] = b, p[1] = g, p[2] = r;
        return;
    }
    int Y, U, V;
    RgbToYuv(r, g, b, Y, U, V);
    uint8_t* pair = frame + size_t(y) * width * 2 + size_t(x & ~1) * 2;
    pair[(x & 1) ? 2 : 0] = Clamp8(Y);
    if ((x & 1) == 0) {
        pair[1] = Clamp8(U);
        if ((x | 1) < width) pair[3] = Clamp8(V);
    }
}

bool PatternSource::Next(std::vector<uint8_t>& frame) {
    static const uint8_t bars[8][3] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
                                       {235, 16, 235},  {235, 16, 16},  {16, 16, 235},  {16, 16, 16}};
    const int t = index_++;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const uint8_t* c = bars[(x * 8) / std::max(1, width_)];
            // a soft vertical gradient keeps scaling artefacts visible
            const int shade = (y * 48) / std::max(1, height_);
            PutPixel(frame.data(), width_, height_, format_, x, y, Clamp8(c[0] - shade), Clamp8(c[1] - shade),
                     Clamp8(c[2] - shade));
        }
    }
    // a square that moves four pixels a frame on its own field line
    const int side = std::max(8, height_ / 8);
    const int sx = (t * 4) % std::max(1, width_ - side);
    const int sy = height_ / 3;
    for (int y = sy; y < sy + side; ++y)
        for (int x = sx; x < sx + side; ++x) PutPixel(frame.data(), width_, height_, format_, x, y, 250, 200, 40);
    return true;
}

void FrameToBgrx(const uint8_t* frame, int width, int height, PixelFormat format, std::vector<uint8_t>& out) {
    out.resize(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        uint8_t* o = out.data() + size_t(y) * width * 4;
        if (format == kFormatRgb24) {
            const uint8_t* p = frame + size_t(height - 1 - y) * width * 3;
            for (int x = 0; x < width; ++x, p += 3, o += 4) o[0] = p[0], o[1] = p[1], o[2] = p[2], o[3] = 0;
            continue;
        }
        const uint8_t* row = frame + size_t(y) * width * 2;
        for (int x = 0; x < width; ++x, o += 4) {
            const uint8_t* pair = row + size_t(x & ~1) * 2;
            const int Y = (x & 1) ? pair[2] : pair[0];
            const int U = pair[1];
            const int V = ((x | 1) < width) ? pair[3] : 128;
            const int c = Y - 16, d = U - 128, e = V - 128;
            o[2] = Clamp8((298 * c + 409 * e + 128) >> 8);
            o[1] = Clamp8((298 * c - 100 * d - 208 * e + 128) >> 8);
            o[0] = Clamp8((298 * c + 516 * d + 128) >> 8);
            o[3] = 0;
        }
    }
}
