// The art's own transcendental functions against the C library's (glibc's are
// within half an ulp or so on these): sampled over the ranges the pictures use and
// at their special points, each within its stated error.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "editor/art/ArtMath.h"

namespace {

namespace m = qp::art::math;

// Distance in representable doubles; both NaN counts as equal.
std::int64_t ulpsApart(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) {
        return 0;
    }
    if (a == b) {
        return 0;
    }
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    x = x < 0 ? std::numeric_limits<std::int64_t>::min() - x : x;
    y = y < 0 ? std::numeric_limits<std::int64_t>::min() - y : y;
    return x > y ? x - y : y - x;
}

double sinOf(double x, double) { return m::sin(x); }
double cosOf(double x, double) { return m::cos(x); }
double expOf(double x, double) { return m::exp(x); }
double logOf(double x, double) { return m::log(x); }
double stdSin(double x, double) { return std::sin(x); }
double stdCos(double x, double) { return std::cos(x); }
double stdExp(double x, double) { return std::exp(x); }
double stdLog(double x, double) { return std::log(x); }
double stdAtan2(double y, double x) { return std::atan2(y, x); }
double stdPow(double x, double y) { return std::pow(x, y); }
double stdHypot(double x, double y) { return std::hypot(x, y); }

struct MathCase {
    const char* name;
    double (*ours)(double, double);
    double (*reference)(double, double);
    // Arguments: x sweeps [x0, x1] and y [y0, y1] together over `samples` points
    // (one point when both ends agree).
    double x0, x1, y0, y1;
    std::int32_t samples;
    std::int64_t maxUlps;
};

const MathCase kCases[] = {
    {"sin, pi/4 and beyond", sinOf, stdSin, -7.0, 7.0, 0, 0, 20001, 1},
    {"sin, the knurl's phases", sinOf, stdSin, -510.0, 510.0, 0, 0, 20001, 1},
    {"sin, up to where the reduction stays exact", sinOf, stdSin, 1e3, 1.6e6, 0, 0, 20001, 1},
    {"sin, tiny", sinOf, stdSin, 1e-12, 1e-6, 0, 0, 101, 1},
    {"sin of pi", sinOf, stdSin, m::kPi, m::kPi, 0, 0, 1, 1},
    {"cos, pi/4 and beyond", cosOf, stdCos, -7.0, 7.0, 0, 0, 20001, 1},
    {"cos, the knurl's phases", cosOf, stdCos, -510.0, 510.0, 0, 0, 20001, 1},
    {"cos, up to where the reduction stays exact", cosOf, stdCos, -1.6e6, -1e3, 0, 0, 20001, 1},
    {"cos near pi/2, where it cancels", cosOf, stdCos, 1.5707963, 1.5707964, 0, 0, 1001, 1},
    {"atan2, all four quadrants", m::atan2, stdAtan2, -3.0, 3.0, 2.5, -2.5, 20001, 1},
    {"atan2, the light's angle", m::atan2, stdAtan2, -0.62, -0.62, -0.46, -0.46, 1, 1},
    {"atan2, steep", m::atan2, stdAtan2, 1e6, 1e7, 1e-3, 2e-3, 1001, 1},
    {"atan2 on the axes", m::atan2, stdAtan2, 0.0, 0.0, -1.0, -1.0, 1, 0},
    {"exp", expOf, stdExp, -700.0, 700.0, 0, 0, 20001, 1},
    {"exp, small", expOf, stdExp, -1e-3, 1e-3, 0, 0, 2001, 1},
    {"log, across the exponent range", logOf, stdLog, 1e-300, 1e300, 0, 0, 20001, 1},
    {"log near 1", logOf, stdLog, 0.9, 1.1, 0, 0, 20001, 1},
    {"pow, whole exponents of the shading", m::pow, stdPow, 0.0, 1.0, 6.0, 6.0, 20001, 1},
    {"pow ^ 22", m::pow, stdPow, 0.0, 1.0, 22.0, 22.0, 20001, 1},
    {"pow ^ 1.5", m::pow, stdPow, 0.0, 1.0, 1.5, 1.5, 20001, 1},
    {"pow ^ 1.6", m::pow, stdPow, 0.0, 1.0, 1.6, 1.6, 20001, 1},
    {"pow, both swept", m::pow, stdPow, 0.01, 30.0, -8.0, 8.0, 20001, 2},
    {"pow, negative base, whole exponent", m::pow, stdPow, -2.0, -0.5, -3.0, -3.0, 101, 1},
    {"pow, negative base, fraction", m::pow, stdPow, -2.0, -2.0, 0.5, 0.5, 1, 0},
    {"hypot, pixel offsets", m::hypot, stdHypot, -150.0, 150.0, 97.0, -99.0, 20001, 1},
    {"hypot, huge", m::hypot, stdHypot, 1e300, 1e301, 3e300, 1e300, 1001, 1},
    {"hypot, tiny", m::hypot, stdHypot, 1e-310, 1e-300, 4e-310, 1e-305, 1001, 1},
};

TEST(ArtMath, AgreesWithTheCLibraryWithinItsError) {
    for (const MathCase& c : kCases) {
        std::int64_t worst = 0;
        double worstX = 0.0;
        double worstY = 0.0;
        for (std::int32_t i = 0; i < c.samples; ++i) {
            const double t = c.samples == 1 ? 0.0 : double(i) / (c.samples - 1);
            const double x = c.x0 + (c.x1 - c.x0) * t;
            const double y = c.y0 + (c.y1 - c.y0) * t;
            const std::int64_t e = ulpsApart(c.ours(x, y), c.reference(x, y));
            if (e > worst) {
                worst = e;
                worstX = x;
                worstY = y;
            }
        }
        EXPECT_LE(worst, c.maxUlps) << c.name << ": at (" << worstX << ", " << worstY << ")";
    }
}

// Whether h is sqrt(x^2 + y^2) rounded to nearest: the exact sum of squares lies
// between the squares of the midpoints to h's neighbours. The squares of doubles
// are exact in 113 bits.
bool isCorrectlyRounded(double h, double x, double y) {
    const __float128 s = __float128(x) * x + __float128(y) * y;
    const __float128 below = (__float128(h) + std::nextafter(h, 0.0)) / 2;
    const __float128 above = (__float128(h) + std::nextafter(h, 1e308)) / 2;
    return below * below <= s && s <= above * above;
}

TEST(ArtMath, HypotIsCorrectlyRounded) {
    // The first art code's hypot was (Python's); sqrt(x*x + y*y) is off by one ulp
    // in some of these, and so is many a C library's hypot.
    std::int32_t naiveWrong = 0;
    for (std::int32_t i = 1; i < 20000; ++i) {
        const double x = i * 0.0137 - 100.5;
        const double y = 1000.0 / i + 0.5;
        ASSERT_TRUE(isCorrectlyRounded(m::hypot(x, y), x, y)) << x << ", " << y;
        naiveWrong += !isCorrectlyRounded(std::sqrt(x * x + y * y), x, y);
    }
    EXPECT_GT(naiveWrong, 0);
}

TEST(ArtMath, DegreesAndRadiansAreOneProduct) {
    EXPECT_EQ(m::radians(180.0), m::kPi);
    EXPECT_EQ(m::radians(-135.0), -135.0 * (m::kPi / 180.0));
    EXPECT_EQ(m::degrees(m::kPi), 180.0);
}

}  // namespace
