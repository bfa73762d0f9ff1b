// continuous_cut.cpp
#include "engine/coding/continuous_cut.h"

#include <algorithm>
#include <cmath>

#include "frame/double_compare.h"
#include "frame/host/analysis_support.h"

namespace linkan {

ContinuousCut::ContinuousCut(const ContinuousStats& stats, int cuts, double z)
    : cuts_(std::max(cuts, 0)),
      lower_(std::min(stats.mean - z * std::sqrt(stats.m2), stats.min)),
      width_(stats.width),
      max_(stats.max) {}

double ContinuousCut::LowerBound(int k) const { return lower_ + k * width_; }

double ContinuousCut::UpperBound(int k) const {
  const double u = lower_ + (k + 1) * width_;
  if (k == cuts_ - 1 && max_ > u) return max_;
  return u;
}

int ContinuousCut::IntervalOf(double x) const {
  for (int k = 0; k < cuts_; ++k) {
    if (UlpAtMost(x, UpperBound(k))) return k;
  }
  return -1;
}

std::string ContinuousCut::ItemName(const std::string& variableName, int k) const {
  const char* name = variableName.c_str();
  if (k == 0) return FormatString("%s<=%.3f", name, UpperBound(0));
  if (k == cuts_ - 1) return FormatString("%s>%.3f", name, LowerBound(k));
  return FormatString("%s:{%.3f;%.3f}", name, LowerBound(k), UpperBound(k));
}

}  // namespace linkan
