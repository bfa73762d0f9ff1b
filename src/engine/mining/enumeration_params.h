// enumeration_params.h
//
// EnumerationParams: the settings the enumeration reads, with the support
// bounds already turned into counts.
#pragma once

#include <cstdint>

#include "engine/mining/support_bounds.h"
#include "frame/analysis_settings.h"

namespace linkan {

struct EnumerationParams {
  SupportBounds bounds;
  std::int32_t maxpat = 10;          // most items in one itemset
  std::int32_t maxSequenceSize = 6;  // most itemsets in one sequence
  bool association = false;          // noseq
  bool standardSupport = false;      // StandardSupport: count every occurrence

  static EnumerationParams FromSettings(const AnalysisSettings& s, std::uint64_t n) {
    EnumerationParams p;
    p.bounds = ComputeSupportBounds(n, s.minsupp, s.maxsupp);
    p.maxpat = s.maxpat;
    p.maxSequenceSize = s.MaxSequenceSize;
    p.association = s.noseq != 0;
    p.standardSupport = s.StandardSupport != 0;
    return p;
  }
};

}  // namespace linkan
