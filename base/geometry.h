// Rectangles, the reference frame and the host's pixel formats.
#pragma once
#include <cstdint>

// Every position and size of the band is in the units of this frame.
constexpr int32_t kRefWidth = 768;
constexpr int32_t kRefHeight = 576;

// Top-down, right and bottom exclusive.
struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
};

// The host's frame layouts, numbered as the host interface numbers them.
enum PixelFormat : int32_t {
    kFormatYuy2 = 0,   // Y0 U Y1 V per pixel pair, rows top-down
    kFormatRgb24 = 1,  // B G R per pixel, rows bottom-up
};
