// Random frames, formats, fields, bands and opacities: the scalar, the SSE2
// and the AVX2 blender give the same bytes, and nothing outside the band's rows of
// the frame (or outside the frame) is written. Bands composed from strips
// (the first byte odd) go through the strip cache on every path, field after
// field as the strips move, painting the band only where they read it, and
// must equal the scalar blender filtering the whole band directly.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "render/frame_blender.h"
#include "tests/native/blend_fixtures.h"

namespace {

constexpr size_t kGuard = 64;

size_t FrameBytes(int32_t w, int32_t h, PixelFormat format) { return size_t(w) * h * (format == kFormatYuy2 ? 2 : 3); }

// The frame with guard bytes before and after it.
std::vector<uint8_t> GuardedFrame(size_t frameBytes) {
    std::vector<uint8_t> f(frameBytes + 2 * kGuard);
    for (size_t i = 0; i < f.size(); ++i) f[i] = uint8_t(i * 7 + 3);
    return f;
}

// Nothing written outside the frame or outside rows [top, bottom).
void CheckUntouched(const std::vector<uint8_t>& frame, const std::vector<uint8_t>& original, int32_t h,
                    PixelFormat format, int32_t top, int32_t bottom) {
    const size_t frameBytes = frame.size() - 2 * kGuard;
    if (std::memcmp(frame.data(), original.data(), kGuard) != 0 ||
        std::memcmp(frame.data() + kGuard + frameBytes, original.data() + kGuard + frameBytes, kGuard) != 0)
        std::abort();  // written outside the frame
    const size_t stride = frameBytes / size_t(h);
    for (int32_t y = 0; y < h; ++y) {
        if (y >= top && y < bottom) continue;
        // RGB rows are stored bottom-up.
        const size_t row = format == kFormatRgb24 ? size_t(h - 1 - y) : size_t(y);
        if (std::memcmp(frame.data() + kGuard + row * stride, original.data() + kGuard + row * stride, stride) != 0)
            std::abort();  // a row outside the band changed
    }
}

void OneBand(FuzzInput& in) {
    const bool tall = in.Byte() & 1;
    const int32_t w = 1 + int32_t(in.Below(tall ? 64 : 4096));
    const int32_t h = 1 + int32_t(in.Below(tall ? 4096 : 96));
    const PixelFormat format = (in.Byte() & 1) ? kFormatRgb24 : kFormatYuy2;
    const int32_t field = int32_t(in.Below(3));
    const int32_t opacity = int32_t(in.Below(101));
    const int32_t bandW = 1 + int32_t(in.Below(800)), bandH = 1 + int32_t(in.Below(60));
    std::vector<uint8_t> band(size_t(bandW) * bandH * 4);
    for (size_t i = 0; i < band.size(); ++i) band[i] = uint8_t(i * 131 + in.Byte());
    for (size_t i = 3; i < band.size(); i += 4)  // premultiplied: colour never above coverage
        for (size_t c = 1; c <= 3; ++c) band[i - c] = std::min(band[i - c], band[i]);
    BandSource source;
    source.pixels = band.data();
    source.allocWidth = bandW;
    source.allocHeight = bandH;
    source.rect = Rect{0, 0, bandW - int32_t(in.Below(uint32_t(bandW))), bandH};
    Rect ref{int32_t(in.Below(800)) - 16, int32_t(in.Below(600)) - 12, 0, 0};
    ref.right = ref.left + 1 + int32_t(in.Below(800));
    ref.bottom = ref.top + 1 + int32_t(in.Below(80));

    const std::vector<uint8_t> original = GuardedFrame(FrameBytes(w, h, format));
    std::vector<uint8_t> frames[3] = {original, original, original};
    Rect dest;
    const BlendPath paths[3] = {BlendPath::Scalar, BlendPath::Sse2, BlendPath::Avx2};
    for (int k = 0; k < 3; ++k) {
        FrameBlender b;
        b.SetFrameFormat(w, h, format);
        b.SetPath(paths[k]);
        dest = b.MapRect(ref);
        b.BlendBand(frames[k].data() + kGuard, dest, source, opacity, field);
    }
    if (frames[0] != frames[1] || frames[0] != frames[2]) std::abort();  // the paths differ
    CheckUntouched(frames[0], original, h, format, dest.top, dest.bottom);
}

void StripsBand(FuzzInput& in) {
    // Mostly sizes whose resampling repeats soon, so that the cache serves.
    const int32_t widths[] = {720, 1920, 1280, 640, 768, 352, 1440, 704};
    const uint8_t pick = in.Byte();
    const int32_t w = pick < 224 ? widths[pick % 8] : 1 + int32_t(in.Below(2000));
    const int32_t h = 1 + int32_t(in.Below(300));
    const PixelFormat format = (in.Byte() & 1) ? kFormatRgb24 : kFormatYuy2;
    const int32_t opacity = in.Byte() < 192 ? 100 : int32_t(in.Below(101));
    const int32_t bandW = 10 + int32_t(in.Below(759)), bandH = 1 + int32_t(in.Below(48));
    const uint32_t seed = in.U32();
    const int32_t count = 1 + int32_t(in.Below(5)), left = int32_t(in.Below(uint32_t(bandW) + 200)) - 100;
    const int32_t widest = 4 + int32_t(in.Below(700)), gap = int32_t(in.Below(40));
    std::mt19937 first(seed), second(seed);
    StripBand band(bandW, bandH, first, count, left, widest, gap);
    // The cached blenders get the band painted only where they ask for it.
    StripBand painted(bandW, bandH, second, count, left, widest, gap);
    painted.deferred = true;
    Rect ref;
    ref.left = (in.Byte() & 1) ? int32_t(in.Below(48)) * 16 - 16 : int32_t(in.Below(800)) - 16;
    ref.top = int32_t(in.Below(600)) - 12;
    ref.right = ref.left + bandW;
    ref.bottom = ref.top + bandH;
    const int32_t speed = int32_t(in.Below(17)) - 4;
    const bool interlaced = in.Byte() & 1;

    const std::vector<uint8_t> original = GuardedFrame(FrameBytes(w, h, format));
    std::vector<uint8_t> reference = original, frames[3] = {original, original, original};
    FrameBlender direct, cached[3];
    const BlendPath paths[3] = {BlendPath::Scalar, BlendPath::Sse2, BlendPath::Avx2};
    direct.SetFrameFormat(w, h, format);
    direct.UseStripCache(false);
    for (int k = 0; k < 3; ++k) cached[k].SetFrameFormat(w, h, format), cached[k].SetPath(paths[k]);
    const Rect dest = direct.MapRect(ref);
    for (int step = 0; step < 4; ++step) {
        const int32_t field = interlaced ? (step & 1 ? kOddRows : kEvenRows) : kAllRows;
        direct.BlendBand(reference.data() + kGuard, dest, band.Source(), opacity, field);
        for (int k = 0; k < 3; ++k) {
            painted.Compose();  // stale noise wherever nothing asks for paint
            cached[k].BlendBand(frames[k].data() + kGuard, dest, painted.Source(), opacity, field);
        }
        for (int k = 0; k < 3; ++k)
            if (frames[k] != reference) std::abort();  // the strip cache differs from filtering the band
        band.Step(speed);
        painted.Step(speed);
    }
    CheckUntouched(reference, original, h, format, dest.top, dest.bottom);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    if (in.Byte() & 1) StripsBand(in);
    else OneBand(in);
    return 0;
}
