// continuous_stats.h
//
// ContinuousStats: the statistics of one continuous variable gathered by the
// statistics pass; `m2` holds the sum of squared deviations during the pass
// and the variance after it.
#pragma once

namespace linkan {

struct ContinuousStats {
  double min = 1e307;
  double max = -1e307;
  double width = 0.0;
  double mean = 0.0;
  double m2 = 0.0;

  bool operator==(const ContinuousStats&) const = default;
};

}  // namespace linkan
