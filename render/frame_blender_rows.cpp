// The scalar row kernels: the reference arithmetic, step by step.
#include "render/blend_math.h"
#include "render/frame_blender.h"

namespace blend_rows {

using namespace blend_math;

void FilterRowScalar(const RowContext& c, const uint8_t* vEntry, uint8_t* line, uint8_t* row) {
    const uint8_t* cursor = vEntry;
    const FilterEntry v = ReadEntry(cursor);
    for (int32_t col = 0; col < c.srcWidth; ++col) {
        const uint8_t* origin = c.srcTop + size_t(col) * 4 + v.offset;
        int16_t sum[4] = {0, 0, 0, 0};
        for (int32_t k = 0; k < v.count; ++k) {
            const uint8_t* p = origin + ptrdiff_t(k) * c.srcStep;
            for (int lane = 0; lane < 4; ++lane) sum[lane] = Add16(sum[lane], Term(p[lane], v.weights[4 * k + lane]));
        }
        for (int lane = 0; lane < 4; ++lane) line[col * 4 + lane] = Finish(sum[lane]);
    }
    cursor = c.hTable;
    for (int32_t i = 0; i < c.columns; ++i) {
        const FilterEntry h = ReadEntry(cursor);
        int16_t sum[4] = {0, 0, 0, 0};
        for (int32_t k = 0; k < h.count; ++k) {
            const uint8_t* p = line + h.offset + size_t(k) * 4;
            for (int lane = 0; lane < 4; ++lane) sum[lane] = Add16(sum[lane], Term(p[lane], h.weights[4 * k + lane]));
        }
        for (int lane = 0; lane < 4; ++lane) row[i * 4 + lane] = Finish(sum[lane]);
    }
}

void VerticalTail(const RowContext& c, const FilterEntry& v, int32_t col, int16_t* line) {
    for (; col < c.srcWidth; ++col) {
        const uint8_t* origin = c.srcTop + size_t(col) * 4 + v.offset;
        int16_t sum[4] = {0, 0, 0, 0};
        for (int32_t k = 0; k < v.count; ++k) {
            const uint8_t* p = origin + ptrdiff_t(k) * c.srcStep;
            for (int lane = 0; lane < 4; ++lane) sum[lane] = Add16(sum[lane], Term(p[lane], v.weights[4 * k + lane]));
        }
        for (int lane = 0; lane < 4; ++lane) line[4 * col + lane] = int16_t(Finish(sum[lane]) * 128);
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

}  // namespace blend_rows
