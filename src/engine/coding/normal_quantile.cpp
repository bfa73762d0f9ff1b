// normal_quantile.cpp
#include "engine/coding/normal_quantile.h"

#include <cmath>

namespace linkan {

double NormalQuantile(double p) {
  // Rational approximation for 0.08 <= p <= 0.92 ...
  constexpr double a0 = 2.50662823884;
  constexpr double a1 = -18.61500062529;
  constexpr double a2 = 41.39119773534;
  constexpr double a3 = -25.44106049637;
  constexpr double b1 = -8.47351093090;
  constexpr double b2 = 23.08336743743;
  constexpr double b3 = -21.06224101826;
  constexpr double b4 = 3.13082909833;
  // ... and in r = sqrt(-log(min(p, 1 - p))) for the tails.
  constexpr double c0 = -2.78718931138;
  constexpr double c1 = -2.29796479134;
  constexpr double c2 = 4.85014127135;
  constexpr double c3 = 2.32121276858;
  constexpr double d1 = 3.54388924762;
  constexpr double d2 = 1.63706781897;
  constexpr double kSplit = 0.42;

  const double q = p - 0.5;
  if (std::fabs(q) <= kSplit) {
    const double r = q * q;
    return q * (((a3 * r + a2) * r + a1) * r + a0) /
           ((((b4 * r + b3) * r + b2) * r + b1) * r + 1.0);
  }
  double r = q > 0.0 ? 1.0 - p : p;
  if (!(r > 0.0)) return 0.0;  // p <= 0, p >= 1 or NaN
  r = std::sqrt(-std::log(r));
  const double z = (((c3 * r + c2) * r + c1) * r + c0) / ((d2 * r + d1) * r + 1.0);
  return q < 0.0 ? -z : z;
}

}  // namespace linkan
