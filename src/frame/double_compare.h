// double_compare.h
//
// The module's comparison rule for doubles. Each double maps to a signed
// 64-bit integer ordered like the doubles (its bit pattern when the sign bit
// is clear, the negated magnitude bits when it is set; -0.0 and +0.0 both map
// to 0). Comparisons allow a tolerance of 15 units in the last place. Used
// for dichotomy codes, interval bounds, thresholds and confidences.
//
// Example:
//   UlpGreater(0.3, 0.1 + 0.2)  // false: within 15 ulps
//   UlpAtMost(x, upper)         // x <= upper, with the tolerance
#pragma once

#include <cstdint>

namespace linkan {

inline constexpr std::int64_t kUlpTolerance = 15;

// The ordered 64-bit image of `x`.
std::int64_t OrderedImage(double x);

// a counts as greater than b: image(a) > image(b) + 15.
bool UlpGreater(double a, double b);

// x counts as at most y: image(x) <= image(y) + 15.
bool UlpAtMost(double x, double y);

// a and b count as equal: both finite and their images differ by at most 15.
bool UlpEqual(double a, double b);

// When x lies within the tolerance of a whole number k, returns true and
// sets k. Used to turn N x fraction into exact counts.
bool NearWholeNumber(double x, double& k);

}  // namespace linkan
