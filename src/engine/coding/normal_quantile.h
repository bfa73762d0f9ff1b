// normal_quantile.h
//
// The standard normal quantile by algorithm AS 111 (Beasley and Springer,
// 1977): the deviate z with P(Z <= z) = p. The continuous-variable cuts use
// it for p = 0.995. Accurate to about seven significant digits, which is what
// the interval bounds (printed with three decimals) are defined by.
//
// Thread safety: pure functions.
#pragma once

namespace linkan {

// The lower-tail probability whose quantile sets the cut width.
inline constexpr double kCutQuantileProbability = 0.995;

// z with P(Z <= z) = p for 0 < p < 1; 0 for p outside (0, 1) (the
// algorithm's fault return).
double NormalQuantile(double p);

}  // namespace linkan
