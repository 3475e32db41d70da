// The natural logarithm and the two-argument arc tangent written without
// branches or calls, so that a compiler can put loops over them into vector
// registers (the library's own versions stop that). Both are accurate to
// within a unit or two in the last place and keep the IEEE special values the
// closed-form element integrals rely on: log(0) = -inf, log(inf) = inf,
// atan2(+-0, x < 0) = +-pi and so on.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

namespace kestrel {

// `a` when `condition` holds, else `b`, chosen on the bit patterns. A plain
// conditional expression lets the compiler move the arithmetic that feeds
// one side into a branch, and floating-point arithmetic in a branch keeps a
// loop out of vector registers; integer masks keep every value computed.
inline double Pick(bool condition, double a, double b) {
  const uint64_t mask = uint64_t{0} - static_cast<uint64_t>(condition);
  return std::bit_cast<double>((std::bit_cast<uint64_t>(a) & mask) | (std::bit_cast<uint64_t>(b) & ~mask));
}

// log(x). The argument is split into 2^k m with m between sqrt(1/2) and
// sqrt(2); log(m) = log(1 + f) comes from the series in s = f / (2 + f).
inline double VectorLog(double x) {
  constexpr double kLn2Hi = 6.93147180369123816490e-01, kLn2Lo = 1.90821492927058770002e-10;
  constexpr double kLg1 = 6.666666666666735130e-01, kLg2 = 3.999999999940941908e-01;
  constexpr double kLg3 = 2.857142874366239149e-01, kLg4 = 2.222219843214978396e-01;
  constexpr double kLg5 = 1.818357216161805012e-01, kLg6 = 1.531383769920937332e-01;
  constexpr double kLg7 = 1.479819860511658591e-01;
  constexpr double kSmallest = 2.2250738585072014e-308;  // smallest normal number
  // Subnormal arguments are scaled up by 2^54 first.
  const bool subnormal = x < kSmallest;
  const double scaled = x * Pick(subnormal, 18014398509481984.0, 1.0);
  uint64_t bits = std::bit_cast<uint64_t>(scaled);
  bits += uint64_t{0x3ff00000 - 0x3fe6a09e} << 32;
  const uint64_t exponent = bits >> 52;  // k + 1023
  bits = (bits & 0x000fffffffffffffULL) + (uint64_t{0x3fe6a09e} << 32);
  // k as a double without an integer conversion: 2^52 + e, less 2^52.
  const double k = (std::bit_cast<double>(0x4330000000000000ULL | exponent) - 4503599627370496.0) -
                   Pick(subnormal, 1023.0 + 54.0, 1023.0);
  const double f = std::bit_cast<double>(bits) - 1.0;
  const double hfsq = 0.5 * f * f;
  const double s = f / (2.0 + f);
  const double z = s * s;
  const double w = z * z;
  const double t1 = w * (kLg2 + w * (kLg4 + w * kLg6));
  const double t2 = z * (kLg1 + w * (kLg3 + w * (kLg5 + w * kLg7)));
  const double r = t2 + t1;
  double result = s * (hfsq + r) + k * kLn2Lo - hfsq + f + k * kLn2Hi;
  result = Pick(x == 0, -INFINITY, result);
  result = Pick(x > 1.7976931348623157e308, x, result);  // inf
  result = Pick(x < 0, NAN, result);
  result = Pick(x != x, x, result);  // NaN
  return result;
}

// atan2(y, x). The quotient of the smaller and the larger magnitude, in
// [0, 1], is reduced to [-0.21, 0.66] and its arc tangent taken from a
// rational approximation; the quadrant follows from the signs.
inline double VectorAtan2(double y, double x) {
  constexpr double kP0 = -8.750608600031904122785e-01, kP1 = -1.615753718733365076637e+01;
  constexpr double kP2 = -7.500855792314704667340e+01, kP3 = -1.228866684490136173410e+02;
  constexpr double kP4 = -6.485021904942025371773e+01;
  constexpr double kQ0 = 2.485846490142306297962e+01, kQ1 = 1.650270098316988542046e+02;
  constexpr double kQ2 = 4.328810604912902668951e+02, kQ3 = 4.853903996359136964868e+02;
  constexpr double kQ4 = 1.945506571482613964425e+02;
  constexpr double kPiO4 = 7.85398163397448309616e-01, kPiO2 = 1.57079632679489661923e+00;
  constexpr double kPi = 3.14159265358979323846e+00;
  constexpr double kMoreBits = 6.123233995736765886130e-17;  // pi/2 less its double
  const double ax = std::fabs(x), ay = std::fabs(y);
  const bool steep = ay > ax;
  const double small = Pick(steep, ax, ay);
  const double large = Pick(steep, ay, ax);
  // Above 0.66 the quotient t becomes (t - 1) / (t + 1), a quarter pi less.
  // Two infinities make a quarter pi, as two equal finite magnitudes do.
  const bool infinite = small == INFINITY;
  const bool reduce = (small > 0.66 * large) | infinite;
  double t = (small - Pick(reduce, large, 0.0)) / (large + Pick(reduce, small, 0.0));
  t = Pick((small == 0) | infinite, 0.0, t);  // also 0 / 0; a NaN stays
  const double z = t * t;
  const double p = (((kP0 * z + kP1) * z + kP2) * z + kP3) * z + kP4;
  const double q = ((((z + kQ0) * z + kQ1) * z + kQ2) * z + kQ3) * z + kQ4;
  double a = t + t * (z * p / q);
  a = Pick(reduce, kPiO4 + (a + 0.5 * kMoreBits), a);
  a = Pick(steep, (kPiO2 - a) + kMoreBits, a);
  a = Pick(std::copysign(1.0, x) < 0, (kPi - a) + 2 * kMoreBits, a);
  a = Pick((x != x) | (y != y), x + y, a);  // NaN
  return std::copysign(a, y);
}

}  // namespace kestrel
