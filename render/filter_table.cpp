#include "render/filter_table.h"

#include <cmath>
#include <cstring>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace {

// Double arithmetic with 53-bit significands and round-to-nearest for the
// duration of a table build. A 32-bit build computes on the x87, whose
// precision and rounding a host may have changed (Direct3D leaves it at 24
// bits), and SSE rounding can be changed as well.
class FpuGuard {
public:
    FpuGuard() {
#if (defined(__i386__) || defined(__x86_64__)) && !defined(__SSE2_MATH__)
        __asm__ __volatile__("fnstcw %0" : "=m"(saved_));
        unsigned short cw = static_cast<unsigned short>((saved_ & ~0x0F00u) | 0x0200u);  // PC = 53 bits, RC = nearest
        __asm__ __volatile__("fldcw %0" : : "m"(cw));
#endif
#if defined(__SSE2_MATH__) || defined(__x86_64__)
        csr_ = _mm_getcsr();
        _mm_setcsr(csr_ & ~0x6000u);  // RC = nearest
#endif
    }
    ~FpuGuard() {
#if (defined(__i386__) || defined(__x86_64__)) && !defined(__SSE2_MATH__)
        __asm__ __volatile__("fldcw %0" : : "m"(saved_));
#endif
#if defined(__SSE2_MATH__) || defined(__x86_64__)
        _mm_setcsr(csr_);
#endif
    }

private:
    unsigned short saved_ = 0;
    unsigned int csr_ = 0;
};

// sin(z) for 0 <= z < 10 from + - * / alone, so that every build gets the
// same bits (library sine functions differ between runtimes in the last bit).
double PortableSin(double z) {
    const double kPiHi = 3.141592653589793116;
    const double kPiLo = 1.2246467991473531772e-16;
    const double k = std::floor(z / kPiHi + 0.5);
    const double r = (z - k * kPiHi) - k * kPiLo;  // |r| <= pi/2
    const double r2 = r * r;
    // Taylor series to r^21: error below 3e-16 on [-pi/2, pi/2].
    double p = 1.0 / 51090942171709440000.0;
    p = p * -r2 + 1.0 / 121645100408832000.0;
    p = p * -r2 + 1.0 / 355687428096000.0;
    p = p * -r2 + 1.0 / 1307674368000.0;
    p = p * -r2 + 1.0 / 6227020800.0;
    p = p * -r2 + 1.0 / 39916800.0;
    p = p * -r2 + 1.0 / 362880.0;
    p = p * -r2 + 1.0 / 5040.0;
    p = p * -r2 + 1.0 / 120.0;
    p = p * -r2 + 1.0 / 6.0;
    p = p * -r2 + 1.0;
    const double s = r * p;
    return (static_cast<long long>(k) & 1) ? -s : s;
}

double Sinc(double z) { return z < 1e-9 ? 1.0 : PortableSin(z) / z; }

}  // namespace

double LanczosKernel(double x) {
    const double a = std::fabs(x);
    if (a >= 3.0) return 0.0;
    const double kPi = 3.141592653589793116;
    return Sinc(kPi * a) * Sinc(kPi * a / 3.0);
}

static double ScaleOf(int32_t srcLength, int32_t dstLength) {
    const double scale = double(dstLength) / double(srcLength);
    return scale < 1.0 ? scale : 1.0;
}

int32_t FilterTaps(int32_t srcLength, int32_t dstLength) {
    if (srcLength <= 0 || dstLength <= 0) return 0;
    FpuGuard guard;
    const double support = 3.0 / ScaleOf(srcLength, dstLength);
    return static_cast<int32_t>(std::ceil(2.0 * support));
}

bool BuildFilterTable(const FilterKey& key, AlignedBuffer& table) {
    if (key.srcLength <= 0 || key.dstLength <= 0 || key.count <= 0) return false;
    FpuGuard guard;
    const double L = key.srcLength, N = key.dstLength;
    const double scale = ScaleOf(key.srcLength, key.dstLength);
    const double support = 3.0 / scale;
    const int32_t taps = static_cast<int32_t>(std::ceil(2.0 * support));
    // Sized in bytes: the entry size changes with the taps while the count may not.
    const size_t bytes = size_t(key.count) * (8 + 8 * size_t(taps));
    if (!table.Ensure(bytes, 30, 30)) return false;

    uint8_t* out = table.data();
    double weights[4096];
    double* w = taps <= 4096 ? weights : new double[size_t(taps)];
    for (int32_t i = key.first; i < key.first + key.count; ++i) {
        const double x0 = (double(i) + 0.5) * L / N - support;
        const double base = std::floor(x0);
        const int32_t offset = x0 >= 0.0 ? static_cast<int32_t>(base) * key.step : 0;
        int32_t kept = 0;
        double sum = 0.0;
        for (int32_t j = 0; j < taps; ++j) {
            const double position = x0 + j;
            if (position < 0.0 || position >= L) continue;
            w[kept] = LanczosKernel(scale * (base + j + 0.5 - (x0 + support)));
            sum += w[kept];
            ++kept;
        }
        if (kept == 0 || sum == 0.0) sum = 1.0;
        std::memcpy(out, &offset, 4);
        std::memcpy(out + 4, &kept, 4);
        int16_t* q = reinterpret_cast<int16_t*>(out + 8);
        for (int32_t k = 0; k < kept; ++k) {
            const int16_t v = static_cast<int16_t>(static_cast<int32_t>((w[k] / sum) * 16384.0 + 0.5));
            q[4 * k] = q[4 * k + 1] = q[4 * k + 2] = q[4 * k + 3] = v;
        }
        out += 8 + 8 * size_t(kept);
    }
    if (w != weights) delete[] w;
    return true;
}
