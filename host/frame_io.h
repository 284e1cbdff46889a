// Frame sources and sinks of the stand-in host: raw files or pipes in the
// host's own layouts, and a generated moving test pattern.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/geometry.h"

size_t FrameBytes(int width, int height, PixelFormat format);

class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Fills `frame` (FrameBytes in size); false at the end of the input.
    virtual bool Next(std::vector<uint8_t>& frame) = 0;
};

class RawFileSource final : public FrameSource {
public:
    explicit RawFileSource(std::FILE* file) : file_(file) {}
    bool Next(std::vector<uint8_t>& frame) override;

private:
    std::FILE* file_;
};

// Colour bars with a moving bright square and a frame counter strip, so
// that motion and field order are visible in the output.
class PatternSource final : public FrameSource {
public:
    PatternSource(int width, int height, PixelFormat format) : width_(width), height_(height), format_(format) {}
    bool Next(std::vector<uint8_t>& frame) override;

private:
    int width_, height_;
    PixelFormat format_;
    int index_ = 0;
};

// Stores one top-down RGB pixel into a frame of either layout.
void PutPixel(uint8_t* frame, int width, int height, PixelFormat format, int x, int y, uint8_t r, uint8_t g,
              uint8_t b);

// Converts a frame to top-down 32-bit BGRX for display.
void FrameToBgrx(const uint8_t* frame, int width, int height, PixelFormat format, std::vector<uint8_t>& out);
