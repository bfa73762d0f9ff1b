// rule_record.h
//
// RuleRecord: one rule body ==> head, as pattern IDs of the
// FrequentPatternTable and support counts. Figures follow from N:
// support = count / N, confidence = count / bodyCount,
// lift = N * confidence / headCount.
//
// A run can keep millions of rules: a record is 24 bytes (see RuleList).
#pragma once

#include <cstdint>
#include <type_traits>

#include "engine/pattern.h"

namespace linkan {

struct RuleRecord {
  std::int32_t bodyId = 0;
  std::int32_t headId = 0;
  PatternId patternId = 0;
  SupportCount bodyCount = 0;
  SupportCount headCount = 0;
  SupportCount count = 0;

  double Support(double n) const { return count / n; }
  double Confidence() const { return static_cast<double>(count) / bodyCount; }
  double Lift(double n) const { return n * Confidence() / headCount; }

  bool operator==(const RuleRecord&) const = default;
};

static_assert(std::is_trivially_destructible_v<RuleRecord> && sizeof(RuleRecord) == 24);

}  // namespace linkan
