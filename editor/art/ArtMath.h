// The transcendental functions the art needs, in plain double arithmetic and the
// same code on every platform: glibc's and MinGW's libm differ in the last bits of
// sin, cos, atan2 and pow, and a picture that is to be the same bytes everywhere
// cannot call them. Each is accurate to about one unit in the last place; hypot is
// correctly rounded but for rare half-way cases, as the first art code's was.
// std::sqrt, std::floor, std::ceil and std::ldexp are exact everywhere and stay.
#pragma once

namespace qp::art::math {

inline constexpr double kPi = 3.14159265358979323846;
// Computed as Python's math.radians and math.degrees compute them: one product.
inline constexpr double kDegreesToRadians = kPi / 180.0;
inline constexpr double kRadiansToDegrees = 180.0 / kPi;

// Accurate for |x| below 2^20 pi/2 (about 1.6e6), where the reduction by pi/2
// is exact; far beyond anything a picture needs. Larger arguments lose bits.
double sin(double x);
double cos(double x);
double atan(double x);
double atan2(double y, double x);
double exp(double x);
double log(double x);
// x to the power y: exact squaring for whole exponents, exp(y log x) carried with
// extra bits otherwise; x < 0 with a fractional y gives NaN.
double pow(double x, double y);
double hypot(double x, double y);

inline double radians(double degrees) { return degrees * kDegreesToRadians; }
inline double degrees(double radians) { return radians * kRadiansToDegrees; }

}  // namespace qp::art::math
