// double_compare.cpp
#include "frame/double_compare.h"

#include <bit>
#include <cmath>

namespace linkan {

std::int64_t OrderedImage(double x) {
  const auto bits = std::bit_cast<std::uint64_t>(x);
  constexpr std::uint64_t kSign = 0x8000000000000000ull;
  if ((bits & kSign) == 0) return static_cast<std::int64_t>(bits);
  // 0x8000000000000000 - bits, computed without overflow: -(magnitude bits).
  return -static_cast<std::int64_t>(bits & ~kSign);
}

// Differences are taken in 128 bits so that the images of +-infinity and the
// NaNs cannot overflow the tolerance arithmetic.
bool UlpGreater(double a, double b) {
  return static_cast<__int128>(OrderedImage(a)) >
         static_cast<__int128>(OrderedImage(b)) + kUlpTolerance;
}

bool UlpAtMost(double x, double y) {
  return static_cast<__int128>(OrderedImage(x)) <=
         static_cast<__int128>(OrderedImage(y)) + kUlpTolerance;
}

bool UlpEqual(double a, double b) {
  if (!std::isfinite(a) || !std::isfinite(b)) return false;
  __int128 d = static_cast<__int128>(OrderedImage(a)) - OrderedImage(b);
  if (d < 0) d = -d;
  return d <= kUlpTolerance;
}

bool NearWholeNumber(double x, double& k) {
  if (!std::isfinite(x)) return false;
  const double r = std::nearbyint(x);
  if (!UlpEqual(x, r)) return false;
  k = r;
  return true;
}

}  // namespace linkan
