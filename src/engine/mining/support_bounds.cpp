// support_bounds.cpp
#include "engine/mining/support_bounds.h"

#include <cmath>

#include "frame/double_compare.h"

namespace linkan {
namespace {

std::uint32_t ClampCount(double v) {
  if (!(v > 0.0)) return 0;  // also NaN
  if (v >= 4294967295.0) return 0xffffffffu;
  return static_cast<std::uint32_t>(v);
}

}  // namespace

SupportBounds ComputeSupportBounds(std::uint64_t n, double minsupp, double maxsupp) {
  const double low = static_cast<double>(n) * minsupp;
  const double high = static_cast<double>(n) * maxsupp;
  double k = 0.0;
  SupportBounds b;
  b.minCount = ClampCount(NearWholeNumber(low, k) ? k : std::ceil(low));
  b.maxCount = ClampCount(NearWholeNumber(high, k) ? k : std::floor(high));
  return b;
}

}  // namespace linkan
