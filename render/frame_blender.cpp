#include "render/frame_blender.h"

#include <algorithm>
#include <climits>

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
    if (path != path_) hKey_ = FilterKey();  // the row table is laid out again with the next call
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

int64_t FrameBlender::BufferRemakes() const {
    return vTable_.remakes() + hTable_.Remakes() + lineBuffer_.remakes() + rowBuffer_.remakes() +
           chunkTable_.Remakes() + columnInfo_.remakes() + background_.remakes() + pool_.remakes() +
           scratch_.remakes() + chunkLine_.remakes() + chunkRow_.remakes() + pieceBuffer_.remakes() + inkBuffer_.remakes();
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
        if (!hTable_.Build(h, path_)) return false;
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
    if (!lineBuffer_.Ensure(hTable_.LineBytes(s.rect.Width()), 30, 100) ||
        !rowBuffer_.Ensure(size_t(D.Width()) * 4 + 16, 30, 100))
        return;

    blend_rows::Source src;
    const int32_t stride = s.allocWidth * 4;
    src.top = s.pixels + size_t(s.allocHeight - 1 - s.rect.top) * size_t(stride) + size_t(s.rect.left) * 4;
    src.width = s.rect.Width();
    src.step = -stride;
    const BandPainter* painter = s.layout ? s.layout->painter : nullptr;
    if (useCache_ && s.layout && PlanFromStrips(dest, D, s, fieldMode)) {
        const Piece* pieces = reinterpret_cast<const Piece*>(pieceBuffer_.data());
        if (painter) PaintDirectSources(*painter, s.rect.Width(), pieces, pieceCount_);
        BlendRows(frame, D, src, pieces, pieceCount_, opacity, fieldMode);
        return;
    }
    if (painter) painter->PaintColumns(0, s.rect.right);
    const Piece whole{D.left, D.right, nullptr, 0, 0, hTable_.Span(0, D.Width())};
    BlendRows(frame, D, src, &whole, 1, opacity, fieldMode);
}

// The band columns whose values filtering the direct pieces uses.
void FrameBlender::PaintDirectSources(const BandPainter& painter, int32_t width, const Piece* pieces, int32_t count) {
    int32_t from = 0, to = 0;  // the range waiting to be painted
    for (int32_t k = 0; k < count; ++k) {
        const blend_rows::GroupSpan& span = pieces[k].groups;
        if (pieces[k].block || span.lo >= span.hi) continue;
        if (span.lo > to) {
            painter.PaintColumns(from, to);
            from = span.lo;
        }
        to = std::max(to, std::min(span.hi, width));
    }
    painter.PaintColumns(from, to);
}

// Each row's pieces: prepared values blended as they are, the rest filtered
// from the band and blended.
void FrameBlender::BlendRows(uint8_t* frame, const Rect& D, const blend_rows::Source& src, const Piece* pieces,
                             int32_t count, int32_t opacity, int32_t fieldMode) {
    using namespace blend_rows;
    const bool yuy2 = format_ == kFormatYuy2;
    const int32_t bpp = yuy2 ? 2 : 3;
    auto prepared = path_ == BlendPath::Avx2 ? BlendPreparedAvx2
                                             : (path_ == BlendPath::Sse2 ? BlendPreparedSse2 : BlendPreparedScalar);
    auto blendYuy2 = path_ == BlendPath::Avx2 ? BlendYuy2Avx2
                                              : (path_ == BlendPath::Sse2 ? BlendYuy2Sse2 : BlendYuy2Scalar);
    auto blendRgb = path_ == BlendPath::Avx2 ? BlendRgbAvx2 : (path_ == BlendPath::Sse2 ? BlendRgbSse2 : BlendRgbScalar);
    uint8_t* row = rowBuffer_.data();
    const uint8_t* vCursor = vTable_.data();
    for (int32_t y = D.top; y < D.bottom; ++y) {
        const FilterEntry v = ReadEntry(vCursor);  // one entry per row, drawn or not
        if ((fieldMode == kEvenRows && (y & 1)) || (fieldMode == kOddRows && !(y & 1))) continue;
        uint8_t* frameRow = frame + size_t(yuy2 ? y : height_ - 1 - y) * size_t(width_) * size_t(bpp);
        const size_t rowIndex = size_t(y - D.top);
        for (const Piece* p = pieces; p < pieces + count; ++p) {
            uint8_t* at = frameRow + size_t(p->x0) * size_t(bpp);
            if (p->block) {
                const uint8_t* a = p->block + rowIndex * size_t(p->span) * 2 + size_t(p->offset);
                prepared(at, a, a + p->span, (p->x1 - p->x0) * bpp, yuy2, opacity);
                continue;
            }
            hTable_.Filter(src, v, p->groups, lineBuffer_.data(), row);
            const uint8_t* filtered = row + size_t(p->x0 - D.left) * 4;
            if (yuy2) blendYuy2(frameRow, width_, p->x0, filtered, p->x1 - p->x0, opacity);
            else blendRgb(at, filtered, p->x1 - p->x0, opacity);
        }
    }
}
