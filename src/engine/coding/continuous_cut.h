// continuous_cut.h
//
// ContinuousCut: the intervals a continuous variable is cut into, and the
// names of their items. With z the normal quantile of 0.995 and sd the
// square root of the variance:
//   lower = min(mean - z * sd, min)
//   u(k)  = lower + (k + 1) * width         k = 0 .. cuts - 1
//   u(cuts - 1) is raised to max when max is larger.
// A value falls into the first interval whose upper bound it is at most
// (comparison rule with 15 units in the last place); above every bound it
// falls into none. Names, with three decimals:
//   k = 0:      "<var><=<u(0)>"
//   last k:     "<var>><lower + k * width>"
//   otherwise:  "<var>:{<lower + k * width>;<u(k)>}"
// With one cut the single interval is the first: "<var><=<u(0)>".
//
// Thread safety: a value type.
#pragma once

#include <string>

#include "engine/continuous_stats.h"

namespace linkan {

class ContinuousCut {
 public:
  // From the statistics after the pass (`m2` holds the variance).
  ContinuousCut(const ContinuousStats& stats, int cuts, double z);

  int cuts() const { return cuts_; }
  double lower() const { return lower_; }
  // lower + k * width.
  double LowerBound(int k) const;
  // u(k), the last one raised to max.
  double UpperBound(int k) const;
  // The interval of `x`, or -1 when it lies above every bound.
  int IntervalOf(double x) const;
  // The item name of interval `k` of the variable named `variableName`,
  // whole (the coder limits its length).
  std::string ItemName(const std::string& variableName, int k) const;

 private:
  int cuts_;
  double lower_;
  double width_;
  double max_;
};

}  // namespace linkan
