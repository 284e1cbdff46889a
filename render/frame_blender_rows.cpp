// The row tables and the scalar row kernels: the reference arithmetic, step
// by step.
#include <algorithm>
#include <climits>
#include <cstring>

#include "render/blend_math.h"
#include "render/blend_rows.h"

namespace blend_rows {

using namespace blend_math;

bool RowTable::Build(const FilterKey& key, BlendPath path) {
    columns_ = 0;
    if (!BuildFilterTable(key, entries_)) return false;
    columns_ = key.count;
    taps_ = FilterTaps(key.srcLength, key.dstLength);
    return Lay(path);
}

bool RowTable::BuildFrom(const uint8_t* entries, int32_t count, int32_t taps, BlendPath path) {
    columns_ = 0;
    const uint8_t* cursor = entries;
    for (int32_t i = 0; i < count; ++i) ReadEntry(cursor);
    const size_t bytes = size_t(cursor - entries);
    if (!entries_.Ensure(bytes, 30, 30)) return false;
    std::memcpy(entries_.data(), entries, bytes);
    columns_ = count;
    taps_ = taps;
    return Lay(path);
}

bool RowTable::Lay(BlendPath path) {
    const int32_t columns = columns_;
    columns_ = 0;
    path_ = path;
    group_ = path == BlendPath::Avx2 ? 4 : (path == BlendPath::Sse2 ? 2 : 1);
    const int32_t groups = (columns + group_ - 1) / group_;
    if (!index_.Ensure(size_t(groups) * 12 + 12, 30, 30)) return false;
    int32_t* index = reinterpret_cast<int32_t*>(index_.data());
    if (path == BlendPath::Sse2) {
        if (!laid_.Ensure(Sse2TableBytes(columns, taps_), 30, 30)) return false;
        BuildSse2Table(entries_.data(), columns, taps_, laid_.data(), index);
    } else if (path == BlendPath::Avx2) {
        if (!laid_.Ensure(Avx2TableBytes(entries_.data(), columns), 30, 30)) return false;
        BuildAvx2Table(entries_.data(), columns, laid_.data(), index);
    } else {
        const uint8_t* cursor = entries_.data();
        for (int32_t i = 0; i < columns; ++i) {
            const size_t at = size_t(cursor - entries_.data());
            const FilterEntry e = ReadEntry(cursor);
            index[3 * i] = int32_t(at);
            index[3 * i + 1] = e.offset / 4;
            index[3 * i + 2] = e.offset / 4 + e.count;
        }
    }
    columns_ = columns;
    return true;
}

size_t RowTable::LineBytes(int32_t width) const {
    return path_ == BlendPath::Scalar ? size_t(width) * 4 : (size_t(width) + size_t(taps_) + 4) * 8;
}

GroupSpan RowTable::Span(int32_t c0, int32_t c1) const {
    GroupSpan span;
    span.g0 = c0 / group_, span.g1 = (c1 + group_ - 1) / group_;
    span.lo = INT32_MAX, span.hi = INT32_MIN;
    for (int32_t g = span.g0; g < span.g1; ++g) {
        if (Low(g) >= High(g)) continue;  // reads nothing
        span.lo = std::min(span.lo, Low(g));
        span.hi = std::max(span.hi, High(g));
    }
    return span;
}

void RowTable::Filter(const Source& s, const FilterEntry& v, const GroupSpan& span, uint8_t* line,
                      uint8_t* row) const {
    const int32_t lo = span.lo, hi = span.hi;
    const int32_t* index = Index(0);
    if (path_ == BlendPath::Scalar) {
        if (lo < hi) VerticalScalar(s, v, lo, hi, line);
        HorizontalScalar(entries_.data(), index, span.g0, span.g1, line, row);
        return;
    }
    int16_t* line16 = reinterpret_cast<int16_t*>(line);
    if (lo < hi) {
        const int32_t end = std::min(hi, s.width);
        if (lo < end) {
            if (path_ == BlendPath::Avx2) VerticalAvx2(s, v, lo, end, line16);
            else VerticalSse2(s, v, lo, end, line16);
        }
        // Padded taps may reach past the source: they read zeros (with weight 0).
        if (hi > s.width) {
            const int32_t from = std::max(lo, s.width);
            std::memset(line16 + 4 * size_t(from), 0, size_t(hi - from) * 8);
        }
    }
    if (path_ == BlendPath::Avx2) HorizontalAvx2(laid_.data(), index, span.g0, span.g1, line, row);
    else HorizontalSse2(laid_.data(), index, taps_, span.g0, span.g1, line, row);
}

void VerticalScalar(const Source& s, const FilterEntry& v, int32_t lo, int32_t hi, uint8_t* line) {
    for (int32_t col = lo; col < hi; ++col) {
        const uint8_t* origin = s.top + size_t(col) * 4 + v.offset;
        int16_t sum[4] = {0, 0, 0, 0};
        for (int32_t k = 0; k < v.count; ++k) {
            const uint8_t* p = origin + ptrdiff_t(k) * s.step;
            for (int lane = 0; lane < 4; ++lane) sum[lane] = Add16(sum[lane], Term(p[lane], v.weights[4 * k + lane]));
        }
        for (int lane = 0; lane < 4; ++lane) line[col * 4 + lane] = Finish(sum[lane]);
    }
}

void VerticalTail(const Source& s, const FilterEntry& v, int32_t col, int32_t hi, int16_t* line) {
    for (; col < hi; ++col) {
        const uint8_t* origin = s.top + size_t(col) * 4 + v.offset;
        int16_t sum[4] = {0, 0, 0, 0};
        for (int32_t k = 0; k < v.count; ++k) {
            if (v.weights[4 * k] == 0) continue;  // adds exactly 0
            const uint8_t* p = origin + ptrdiff_t(k) * s.step;
            for (int lane = 0; lane < 4; ++lane) sum[lane] = Add16(sum[lane], Term(p[lane], v.weights[4 * k + lane]));
        }
        for (int lane = 0; lane < 4; ++lane) line[4 * col + lane] = int16_t(Finish(sum[lane]) * 128);
    }
}

void HorizontalScalar(const uint8_t* entries, const int32_t* index, int32_t g0, int32_t g1, const uint8_t* line,
                      uint8_t* row) {
    for (int32_t i = g0; i < g1; ++i) {
        const uint8_t* cursor = entries + index[3 * i];
        const FilterEntry h = ReadEntry(cursor);
        int16_t sum[4] = {0, 0, 0, 0};
        for (int32_t k = 0; k < h.count; ++k) {
            const uint8_t* p = line + h.offset + size_t(k) * 4;
            for (int lane = 0; lane < 4; ++lane) sum[lane] = Add16(sum[lane], Term(p[lane], h.weights[4 * k + lane]));
        }
        for (int lane = 0; lane < 4; ++lane) row[i * 4 + lane] = Finish(sum[lane]);
    }
}

void BlendYuy2Scalar(uint8_t* frameRow, int32_t frameWidth, int32_t left, const uint8_t* row, int32_t columns,
                     int32_t o) {
    int32_t x = left;
    if (x & 1) {
        BlendLone(frameRow + size_t(x - 1) * 2, row, true, true, o);
        ++x, row += 4, --columns;
    }
    for (; columns >= 2; x += 2, row += 8, columns -= 2) BlendPair(frameRow + size_t(x) * 2, row, row + 4, o);
    if (columns == 1) BlendLone(frameRow + size_t(x) * 2, row, false, x + 1 < frameWidth, o);
}

void BlendRgbScalar(uint8_t* frameRow, const uint8_t* row, int32_t columns, int32_t o) {
    for (int32_t i = 0; i < columns; ++i) BlendRgbPixel(frameRow + size_t(i) * 3, row + size_t(i) * 4, o);
}

void PrepareYuy2(const uint8_t* row, int32_t pixels, uint8_t* a, uint8_t* q) {
    for (int32_t i = 0; i + 1 < pixels; i += 2, row += 8, q += 4, a += 4) {
        const uint8_t* p0 = row;
        const uint8_t* p1 = row + 4;
        const int32_t mb = (p0[0] + p1[0] + 1) >> 1, mg = (p0[1] + p1[1] + 1) >> 1, mr = (p0[2] + p1[2] + 1) >> 1;
        const uint8_t a0 = p0[3], a1 = p1[3];
        q[0] = uint8_t(Luma(p0[0], p0[1], p0[2]));
        q[1] = uint8_t(ChromaB(mb, mg, mr) + 128);
        q[2] = uint8_t(Luma(p1[0], p1[1], p1[2]));
        q[3] = uint8_t(ChromaR(mb, mg, mr) + 128);
        a[0] = a0, a[1] = a0, a[2] = a1, a[3] = a0;
    }
}

void PrepareRgb(const uint8_t* row, int32_t pixels, uint8_t* a, uint8_t* q) {
    for (int32_t i = 0; i < pixels; ++i, row += 4, q += 3, a += 3) {
        q[0] = row[0], q[1] = row[1], q[2] = row[2];
        a[0] = a[1] = a[2] = row[3];
    }
}

void BlendPreparedScalar(uint8_t* frame, const uint8_t* a, const uint8_t* q, int32_t bytes, bool chroma,
                         int32_t o) {
    for (int32_t j = 0; j < bytes; ++j) {
        const int32_t f = frame[j], c = (chroma && (j & 1)) ? 128 : 0;
        const int32_t u = q[j] - c - FloorShift(Weight(a[j]) * (f - c), 8);
        frame[j] = Saturate8(f + FloorShift(u * o, 8));
    }
}

}  // namespace blend_rows
