// support_bounds.h
//
// SupportBounds: the inclusive range of support counts (numbers of distinct
// sequences) a pattern or extension must lie in to be kept, from the number
// of sequences N and the fractions minsupp and maxsupp.
//
// minimum = ceil(N x minsupp), maximum = floor(N x maxsupp), except that a
// product lying within the comparison tolerance (15 units in the last place)
// of a whole number k gives k: 100 x 0.07 = 7.000000000000001 asks for 7
// sequences, not 8. Results are clamped to the range of 32-bit counts.
#pragma once

#include <cstdint>

namespace linkan {

struct SupportBounds {
  std::uint32_t minCount = 0;
  std::uint32_t maxCount = 0;

  bool Within(std::uint64_t count) const { return minCount <= count && count <= maxCount; }
};

SupportBounds ComputeSupportBounds(std::uint64_t n, double minsupp, double maxsupp);

}  // namespace linkan
