// Random frames, formats, fields, bands and opacities: the scalar, the SSE2
// and the AVX2 blender give the same bytes, and nothing outside the band's rows of
// the frame (or outside the frame) is written.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "render/frame_blender.h"

namespace {
constexpr size_t kGuard = 64;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
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

    const size_t frameBytes = size_t(w) * h * (format == kFormatYuy2 ? 2 : 3);
    std::vector<uint8_t> original(frameBytes + 2 * kGuard);
    for (size_t i = 0; i < original.size(); ++i) original[i] = uint8_t(i * 7 + 3);
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
    if (std::memcmp(frames[0].data(), original.data(), kGuard) != 0 ||
        std::memcmp(frames[0].data() + kGuard + frameBytes, original.data() + kGuard + frameBytes, kGuard) != 0)
        std::abort();  // written outside the frame
    const size_t stride = frameBytes / size_t(h);
    for (int32_t y = 0; y < h; ++y) {
        if (y >= dest.top && y < dest.bottom) continue;
        // RGB rows are stored bottom-up.
        const size_t row = format == kFormatRgb24 ? size_t(h - 1 - y) : size_t(y);
        if (std::memcmp(frames[0].data() + kGuard + row * stride, original.data() + kGuard + row * stride, stride) != 0)
            std::abort();  // a row outside the band changed
    }
    return 0;
}
