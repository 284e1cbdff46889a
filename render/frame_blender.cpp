#include "render/frame_blender.h"

#include <algorithm>

#include "render/pixel_math.h"

FrameBlender::FrameBlender() {
    path_ = CpuHasAvx2() ? BlendPath::Avx2 : (CpuHasSse2() ? BlendPath::Sse2 : BlendPath::Scalar);
}

bool FrameBlender::CpuHasSse2() {
#if defined(__x86_64__)
    return true;
#elif defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse2");
#else
    return false;
#endif
}

// The processor's support, and the system's for the wide registers.
bool FrameBlender::CpuHasAvx2() {
#if defined(__i386__) || defined(__x86_64__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

void FrameBlender::SetPath(BlendPath path) {
    if (path == BlendPath::Avx2 && !CpuHasAvx2()) path = BlendPath::Sse2;
    if (path == BlendPath::Sse2 && !CpuHasSse2()) path = BlendPath::Scalar;
    if (path != path_) hKey_ = FilterKey();  // the SIMD table is rebuilt with the next call
    path_ = path;
}

void FrameBlender::SetFrameFormat(int32_t width, int32_t height, PixelFormat format) {
    width_ = width;
    height_ = height;
    format_ = format;
}

Rect FrameBlender::MapRect(const Rect& r) const {
    Rect m;
    m.left = MulDiv(width_, r.left, kRefWidth);
    m.right = MulDiv(width_, r.right, kRefWidth);
    m.top = MulDiv(height_, r.top, kRefHeight);
    m.bottom = MulDiv(height_, r.bottom, kRefHeight);
    return m;
}

static Rect Intersect(const Rect& a, const Rect& b) {
    Rect r;
    r.left = std::max(a.left, b.left);
    r.top = std::max(a.top, b.top);
    r.right = std::min(a.right, b.right);
    r.bottom = std::min(a.bottom, b.bottom);
    return r;
}

bool FrameBlender::PrepareTables(const Rect& R, const Rect& D, const BandSource& s) {
    const int32_t stride = s.allocWidth * 4;
    FilterKey v;
    v.srcLength = s.rect.Height();
    v.dstLength = R.Height();
    v.first = D.top - R.top;
    v.count = D.Height();
    v.step = -stride;  // the source is bottom-up
    if (!(v == vKey_)) {
        vKey_ = FilterKey();
        if (!BuildFilterTable(v, vTable_)) return false;
        vKey_ = v;
        ++tableBuilds_;
    }
    FilterKey h;
    h.srcLength = s.rect.Width();
    h.dstLength = R.Width();
    h.first = D.left - R.left;
    h.count = D.Width();
    h.step = 4;
    if (!(h == hKey_)) {
        hKey_ = FilterKey();
        if (!BuildFilterTable(h, hTable_)) return false;
        hTaps_ = FilterTaps(h.srcLength, h.dstLength);
        if (path_ == BlendPath::Sse2) {
            if (!simdTable_.Ensure(blend_rows::Sse2TableBytes(h.count, hTaps_), 30, 30)) return false;
            blend_rows::BuildSse2Table(hTable_.data(), h.count, hTaps_, simdTable_.data());
        } else if (path_ == BlendPath::Avx2) {
            if (!simdTable_.Ensure(blend_rows::Avx2TableBytes(hTable_.data(), h.count), 30, 30)) return false;
            blend_rows::BuildAvx2Table(hTable_.data(), h.count, simdTable_.data());
        }
        hKey_ = h;
        ++tableBuilds_;
    }
    return true;
}

void FrameBlender::BlendBand(uint8_t* frame, const Rect& dest, const BandSource& source, int32_t percent,
                             int32_t fieldMode) {
    if (!frame || !source.pixels || source.allocWidth <= 0 || source.allocHeight <= 0) return;
    if (format_ != kFormatYuy2 && format_ != kFormatRgb24) return;
    if (width_ <= 0 || height_ <= 0) return;
    BandSource s = source;
    s.rect = Intersect(source.rect, Rect{0, 0, source.allocWidth, source.allocHeight});
    const Rect D = Intersect(dest, Rect{0, 0, width_, height_});
    if (s.rect.Empty() || D.Empty()) return;
    if (!PrepareTables(dest, D, s)) return;

    const int32_t opacity = std::min(100, std::max(0, percent)) * 256 / 100;
    const int32_t srcWidth = s.rect.Width();
    const int32_t columns = D.Width();
    const bool simd = path_ != BlendPath::Scalar, wide = path_ == BlendPath::Avx2;
    const size_t lineBytes = simd ? blend_rows::Sse2LineBytes(srcWidth, hTaps_) : size_t(srcWidth) * 4;
    if (!lineBuffer_.Ensure(lineBytes, 30, 100) || !rowBuffer_.Ensure(size_t(columns) * 4 + 16, 30, 100)) return;

    blend_rows::RowContext c;
    const int32_t stride = s.allocWidth * 4;
    c.srcTop = s.pixels + size_t(s.allocHeight - 1 - s.rect.top) * size_t(stride) + size_t(s.rect.left) * 4;
    c.srcWidth = srcWidth;
    c.srcStep = -stride;
    c.hTable = hTable_.data();
    c.columns = columns;
    c.opacity = opacity;

    const uint8_t* vCursor = vTable_.data();
    for (int32_t y = D.top; y < D.bottom; ++y) {
        const uint8_t* vEntry = vCursor;
        ReadEntry(vCursor);  // one entry per row, drawn or not
        if ((fieldMode == kEvenRows && (y & 1)) || (fieldMode == kOddRows && !(y & 1))) continue;
        uint8_t* row = rowBuffer_.data();
        if (wide)
            blend_rows::FilterRowAvx2(c, vEntry, simdTable_.data(), hTaps_, lineBuffer_.data(), row);
        else if (simd)
            blend_rows::FilterRowSse2(c, vEntry, simdTable_.data(), hTaps_, lineBuffer_.data(), row);
        else
            blend_rows::FilterRowScalar(c, vEntry, lineBuffer_.data(), row);
        if (format_ == kFormatYuy2) {
            uint8_t* frameRow = frame + size_t(y) * size_t(width_) * 2;
            if (wide) blend_rows::BlendYuy2Avx2(frameRow, width_, D.left, row, columns, opacity);
            else if (simd) blend_rows::BlendYuy2Sse2(frameRow, width_, D.left, row, columns, opacity);
            else blend_rows::BlendYuy2Scalar(frameRow, width_, D.left, row, columns, opacity);
        } else {
            uint8_t* frameRow = frame + (size_t(height_ - 1 - y) * size_t(width_) + size_t(D.left)) * 3;
            if (simd) blend_rows::BlendRgbSse2(frameRow, row, columns, opacity);
            else blend_rows::BlendRgbScalar(frameRow, row, columns, opacity);
        }
    }
}
