// Polynomials and reduction constants are the classic minimax ones of the freely
// redistributable Sun fdlibm (1993), whose error bounds are well known: below one
// ulp for sin, cos, atan, exp and log. Everything is ordinary double arithmetic in
// a fixed order; the build forbids contraction into fused multiply-adds, so the
// same operations round the same way on every machine.
#include "editor/art/ArtMath.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace qp::art::math {
namespace {

std::uint64_t bitsOf(double x) {
    std::uint64_t u = 0;
    std::memcpy(&u, &x, sizeof u);
    return u;
}

double fromBits(std::uint64_t u) {
    double x = 0;
    std::memcpy(&x, &u, sizeof x);
    return x;
}

std::int32_t biasedExponent(double x) { return std::int32_t((bitsOf(x) >> 52) & 0x7ff); }

// An exact sum and an exact product as a pair of doubles (Knuth, Dekker): the
// extra bits that hypot and pow carry through their last step.
struct Pair {
    double hi;
    double lo;
};

// These small steps run millions of times per picture (pow's squarings in the
// knob's highlights): inlined, they take a third of the time they take as calls.
#define QP_ART_INLINE [[gnu::always_inline]] inline

QP_ART_INLINE Pair twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

QP_ART_INLINE Pair split(double a) {
    // 2^27 + 1 cuts a double into two halves of 26 bits whose products are exact.
    const double c = 134217729.0 * a;
    const double hi = c - (c - a);
    return {hi, a - hi};
}

QP_ART_INLINE Pair twoProduct(double a, double b) {
    const double p = a * b;
    const Pair x = split(a);
    const Pair y = split(b);
    return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

QP_ART_INLINE Pair multiply(Pair a, Pair b) {
    Pair p = twoProduct(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    const double s = p.hi + p.lo;
    return {s, p.lo - (s - p.hi)};
}

QP_ART_INLINE Pair square(Pair a) {
    const double p = a.hi * a.hi;
    const Pair x = split(a.hi);
    double lo = ((x.hi * x.hi - p) + 2.0 * (x.hi * x.lo)) + x.lo * x.lo;
    lo += 2.0 * (a.hi * a.lo);
    const double s = p + lo;
    return {s, lo - (s - p)};
}

// sin and cos of x + y on [-pi/4, pi/4], y the tail of a reduced argument.
double kernelSin(double x, double y) {
    constexpr double S1 = -1.66666666666666324348e-01;
    constexpr double S2 = 8.33333333332248946124e-03;
    constexpr double S3 = -1.98412698298579493134e-04;
    constexpr double S4 = 2.75573137070700676789e-06;
    constexpr double S5 = -2.50507602534068634195e-08;
    constexpr double S6 = 1.58969099521155010221e-10;
    const double z = x * x;
    const double w = z * z;
    const double r = S2 + z * (S3 + z * S4) + z * w * (S5 + z * S6);
    const double v = z * x;
    return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

double kernelCos(double x, double y) {
    constexpr double C1 = 4.16666666666666019037e-02;
    constexpr double C2 = -1.38888888888741095749e-03;
    constexpr double C3 = 2.48015872894767294178e-05;
    constexpr double C4 = -2.75573143513906633035e-07;
    constexpr double C5 = 2.08757232129817482790e-09;
    constexpr double C6 = -1.13596475577881948265e-11;
    const double z = x * x;
    double w = z * z;
    const double r = z * (C1 + z * (C2 + z * C3)) + w * w * (C4 + z * (C5 + z * C6));
    const double hz = 0.5 * z;
    w = 1.0 - hz;
    return w + (((1.0 - w) - hz) + (z * r - x * y));
}

// x = n pi/2 + (hi + lo), |hi + lo| <= about pi/4. pi/2 is cut into three pieces
// (33 bits each, with their tails), enough for every |x| below 2^20 pi/2, far
// beyond the angles of a picture.
struct Reduced {
    std::int32_t quadrant;
    double hi;
    double lo;
};

Reduced reduce(double x) {
    constexpr double kInvPio2 = 6.36619772367581382433e-01;
    constexpr double kPio2_1 = 1.57079632673412561417e+00;
    constexpr double kPio2_1t = 6.07710050650619224932e-11;
    constexpr double kPio2_2 = 6.07710050630396597660e-11;
    constexpr double kPio2_2t = 2.02226624879595063154e-21;
    constexpr double kPio2_3 = 2.02226624871116645580e-21;
    constexpr double kPio2_3t = 8.47842766036889956997e-32;
    // Adding and taking away 1.5 * 2^52 rounds to the nearest whole number.
    constexpr double kToInt = 6755399441055744.0;
    if (std::fabs(x) <= 0.785398163397448279) {
        return {0, x, 0.0};
    }
    const double shifted = x * kInvPio2 + kToInt;
    const double fn = shifted - kToInt;
    const std::int32_t n = std::int32_t(fn);
    double r = x - fn * kPio2_1;
    double w = fn * kPio2_1t;
    double y0 = r - w;
    const std::int32_t ex = biasedExponent(x);
    if (ex - biasedExponent(y0) > 16) {
        // Cancellation ate the first piece's precision: take the next one.
        double t = r;
        w = fn * kPio2_2;
        r = t - w;
        w = fn * kPio2_2t - ((t - r) - w);
        y0 = r - w;
        if (ex - biasedExponent(y0) > 49) {
            t = r;
            w = fn * kPio2_3;
            r = t - w;
            w = fn * kPio2_3t - ((t - r) - w);
            y0 = r - w;
        }
    }
    return {n, y0, (r - y0) - w};
}

}  // namespace

double sin(double x) {
    if (!std::isfinite(x)) {
        return x - x;
    }
    const Reduced a = reduce(x);
    switch (a.quadrant & 3) {
        case 0:
            return kernelSin(a.hi, a.lo);
        case 1:
            return kernelCos(a.hi, a.lo);
        case 2:
            return -kernelSin(a.hi, a.lo);
        default:
            return -kernelCos(a.hi, a.lo);
    }
}

double cos(double x) {
    if (!std::isfinite(x)) {
        return x - x;
    }
    const Reduced a = reduce(x);
    switch (a.quadrant & 3) {
        case 0:
            return kernelCos(a.hi, a.lo);
        case 1:
            return -kernelSin(a.hi, a.lo);
        case 2:
            return -kernelCos(a.hi, a.lo);
        default:
            return kernelSin(a.hi, a.lo);
    }
}

double atan(double x) {
    constexpr double kAtanHi[] = {4.63647609000806093515e-01, 7.85398163397448278999e-01,
                                  9.82793723247329054082e-01, 1.57079632679489655800e+00};
    constexpr double kAtanLo[] = {2.26987774529616870924e-17, 3.06161699786838301793e-17,
                                  1.39033110312309984516e-17, 6.12323399573676603587e-17};
    constexpr double kT[] = {
        3.33333333333329318027e-01,  -1.99999999998764832476e-01, 1.42857142725034663711e-01,
        -1.11111104054623557880e-01, 9.09088713343650656196e-02,  -7.69187620504482999495e-02,
        6.66107313738753120669e-02,  -5.83357013379057348645e-02, 4.97687799461593236017e-02,
        -3.65315727442169155270e-02, 1.62858201153657823623e-02};
    if (std::isnan(x)) {
        return x;
    }
    const bool negative = std::signbit(x);
    double ax = std::fabs(x);
    if (ax >= 7.3786976294838206464e19) {  // 2^66: the result is pi/2 to the last bit
        const double z = kAtanHi[3] + kAtanLo[3];
        return negative ? -z : z;
    }
    std::int32_t id = -1;
    if (ax >= 0.4375) {
        if (ax < 1.1875) {
            if (ax < 0.6875) {
                id = 0;
                ax = (2.0 * ax - 1.0) / (2.0 + ax);
            } else {
                id = 1;
                ax = (ax - 1.0) / (ax + 1.0);
            }
        } else if (ax < 2.4375) {
            id = 2;
            ax = (ax - 1.5) / (1.0 + 1.5 * ax);
        } else {
            id = 3;
            ax = -1.0 / ax;
        }
    }
    const double z = ax * ax;
    const double w = z * z;
    const double s1 = z * (kT[0] + w * (kT[2] + w * (kT[4] + w * (kT[6] + w * (kT[8] + w * kT[10])))));
    const double s2 = w * (kT[1] + w * (kT[3] + w * (kT[5] + w * (kT[7] + w * kT[9]))));
    if (id < 0) {
        const double r = ax - ax * (s1 + s2);
        return negative ? -r : r;
    }
    const double r = kAtanHi[id] - ((ax * (s1 + s2) - kAtanLo[id]) - ax);
    return negative ? -r : r;
}

double atan2(double y, double x) {
    constexpr double kPiLo = 1.2246467991473531772e-16;
    if (std::isnan(x) || std::isnan(y)) {
        return x + y;
    }
    if (x == 1.0) {
        return atan(y);
    }
    const std::int32_t m = (std::signbit(y) ? 1 : 0) | (std::signbit(x) ? 2 : 0);
    if (y == 0.0) {
        return m == 0 || m == 1 ? y : (m == 2 ? kPi : -kPi);
    }
    if (x == 0.0 || std::isinf(y)) {
        return (m & 1) ? -kPi / 2 : kPi / 2;
    }
    if (std::isinf(x)) {
        const double z = (m & 2) ? kPi : 0.0;
        return (m & 1) ? -z : z;
    }
    double z = 0.0;
    const std::int32_t ey = biasedExponent(y);
    const std::int32_t ex = biasedExponent(x);
    if (ey - ex > 64) {
        z = kPi / 2 + 0.5 * kPiLo;
    } else if ((m & 2) && ex - ey > 64) {
        z = 0.0;
    } else {
        z = atan(std::fabs(y / x));
    }
    switch (m) {
        case 0:
            return z;
        case 1:
            return -z;
        case 2:
            return kPi - (z - kPiLo);
        default:
            return (z - kPiLo) - kPi;
    }
}

double exp(double x) {
    constexpr double kLn2Hi = 6.93147180369123816490e-01;
    constexpr double kLn2Lo = 1.90821492927058770002e-10;
    constexpr double kInvLn2 = 1.44269504088896338700e+00;
    constexpr double P1 = 1.66666666666666019037e-01;
    constexpr double P2 = -2.77777777770155933842e-03;
    constexpr double P3 = 6.61375632143793436117e-05;
    constexpr double P4 = -1.65339022054652515390e-06;
    constexpr double P5 = 4.13813679705723846039e-08;
    if (std::isnan(x)) {
        return x;
    }
    if (x > 709.782712893383973096) {
        return std::numeric_limits<double>::infinity();
    }
    if (x < -745.13321910194110842) {
        return 0.0;
    }
    double hi = x;
    double lo = 0.0;
    std::int32_t k = 0;
    const double ax = std::fabs(x);
    if (ax > 0.5 * 0.69314718055994530942) {
        if (ax < 1.5 * 0.69314718055994530942) {
            k = x < 0.0 ? -1 : 1;
        } else {
            k = std::int32_t(kInvLn2 * x + (x < 0.0 ? -0.5 : 0.5));
        }
        hi = x - k * kLn2Hi;
        lo = k * kLn2Lo;
        x = hi - lo;
    } else if (ax < 3.7252902984e-09) {  // 2^-28: exp(x) is 1 + x to the last bit
        return 1.0 + x;
    }
    const double xx = x * x;
    const double c = x - xx * (P1 + xx * (P2 + xx * (P3 + xx * (P4 + xx * P5))));
    const double y = 1.0 + (x * c / (2.0 - c) - lo + hi);
    if (k == 0) {
        return y;
    }
    if (k >= -1021 && k <= 1023) {
        // Times 2^k, made from its bits: exact, and cheaper than a call to ldexp.
        return y * fromBits(std::uint64_t(k + 1023) << 52);
    }
    return std::ldexp(y, k);
}

namespace {

// log(x) as hi + lo with some ten bits beyond a double, for pow.
Pair logPair(double x) {
    constexpr double kLn2Hi = 6.93147180369123816490e-01;
    constexpr double kLn2Lo = 1.90821492927058770002e-10;
    constexpr double Lg1 = 6.666666666666735130e-01;
    constexpr double Lg2 = 3.999999999940941908e-01;
    constexpr double Lg3 = 2.857142874366239149e-01;
    constexpr double Lg4 = 2.222219843214978396e-01;
    constexpr double Lg5 = 1.818357216161805012e-01;
    constexpr double Lg6 = 1.531383769920937332e-01;
    constexpr double Lg7 = 1.479819860511658591e-01;
    std::int32_t k = 0;
    if (x < 2.2250738585072014e-308) {
        x *= 18014398509481984.0;  // 2^54 brings a subnormal into the normal range
        k = -54;
    }
    // x = 2^k (1 + f) with 1 + f in [sqrt(2)/2, sqrt(2)).
    std::uint64_t u = bitsOf(x);
    std::uint32_t hx = std::uint32_t(u >> 32);
    hx += 0x3ff00000 - 0x3fe6a09e;
    k += std::int32_t(hx >> 20) - 0x3ff;
    hx = (hx & 0x000fffff) + 0x3fe6a09e;
    u = (std::uint64_t(hx) << 32) | (u & 0xffffffffu);
    const double f = fromBits(u) - 1.0;
    const Pair f2 = twoProduct(f, f);
    const double hfsq = 0.5 * f2.hi;
    const double s = f / (2.0 + f);
    const double z = s * s;
    const double w = z * z;
    const double t1 = w * (Lg2 + w * (Lg4 + w * Lg6));
    const double t2 = z * (Lg1 + w * (Lg3 + w * (Lg5 + w * Lg7)));
    const double dk = k;
    // log(1 + f) = f - f^2/2 + s (f^2/2 + R), summed so that the big terms stay exact.
    const Pair a = twoSum(f, -hfsq);
    const Pair b = twoSum(dk * kLn2Hi, a.hi);
    const double lo = b.lo + a.lo - 0.5 * f2.lo + s * (hfsq + t1 + t2) + dk * kLn2Lo;
    return {b.hi, lo};
}

}  // namespace

double log(double x) {
    if (std::isnan(x) || x < 0.0) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (x == 0.0) {
        return -std::numeric_limits<double>::infinity();
    }
    if (std::isinf(x)) {
        return x;
    }
    const Pair l = logPair(x);
    return l.hi + l.lo;
}

double pow(double x, double y) {
    if (y == 0.0 || x == 1.0) {
        return 1.0;
    }
    if (std::isnan(x) || std::isnan(y)) {
        return x + y;
    }
    const bool whole = std::floor(y) == y;
    if (whole && std::fabs(y) <= 1024.0) {
        // Square and multiply with a pair of doubles: the product's error stays far
        // below the last bit, so the result is rounded once.
        std::int32_t n = std::int32_t(std::fabs(y));
        Pair base{x, 0.0};
        while ((n & 1) == 0) {
            base = square(base);
            n >>= 1;
        }
        Pair result = base;
        n >>= 1;
        while (n > 0) {
            base = square(base);
            if (n & 1) {
                result = multiply(result, base);
            }
            n >>= 1;
        }
        const double r = result.hi + result.lo;
        return y < 0.0 ? 1.0 / r : r;
    }
    if (x < 0.0) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (x == 0.0) {
        return y > 0.0 ? 0.0 : std::numeric_limits<double>::infinity();
    }
    if (std::isinf(x)) {
        return y > 0.0 ? x : 0.0;
    }
    const Pair l = logPair(x);
    Pair t = twoProduct(y, l.hi);
    t.lo += y * l.lo;
    const double th = t.hi + t.lo;
    const double tl = t.lo - (th - t.hi);
    const double e = exp(th);
    return e + e * tl;
}

double hypot(double x, double y) {
    double a = std::fabs(x);
    double b = std::fabs(y);
    if (std::isinf(a) || std::isinf(b)) {
        return std::numeric_limits<double>::infinity();
    }
    if (std::isnan(a) || std::isnan(b)) {
        return a + b;
    }
    if (a < b) {
        const double t = a;
        a = b;
        b = t;
    }
    if (b == 0.0) {
        return a;
    }
    // Scaled by a power of two where the squares would overflow or lose bits to
    // the subnormal range; scaling by 2^k is exact.
    std::int32_t scale = 0;
    if (a > 1e150) {
        scale = 600;
    } else if (a < 1e-150) {
        scale = -600;
    }
    if (scale != 0) {
        a = std::ldexp(a, -scale);
        b = std::ldexp(b, -scale);
    }
    const Pair aa = twoProduct(a, a);
    const Pair bb = twoProduct(b, b);
    const Pair s = twoSum(aa.hi, bb.hi);
    const double sLo = s.lo + aa.lo + bb.lo;
    double h = std::sqrt(s.hi);
    // One Newton step on h^2 = a^2 + b^2, its residual computed exactly.
    const Pair hh = twoProduct(h, h);
    const double residual = ((s.hi - hh.hi) - hh.lo) + sLo;
    h += residual / (2.0 * h);
    return scale == 0 ? h : std::ldexp(h, scale);
}

}  // namespace qp::art::math
