// continuous_statistics.cpp
#include "engine/coding/continuous_statistics.h"

#include <cmath>
#include <vector>

#include "engine/coding/host_array.h"
#include "engine/coding/progress_scope.h"
#include "engine/coding/normal_quantile.h"
#include "engine/sal_engine.h"
#include "frame/double_compare.h"
#include "frame/host/analysis_support.h"
#include "frame/progress.h"
#include "resources/string_table.h"

namespace linkan {

double EffectiveCaseWeight(double weight, bool weightedMoments) {
  if (weightedMoments) return weight;
  double w = weight;
  if (w > 0.0) {
    w = std::floor(w + 0.5);
  } else if (w < 0.0) {
    w = std::ceil(w - 0.5);
  }
  return w < 1.0 ? 0.0 : w;
}

void AddObservation(ContinuousStats& stats, double x, double w, double W) {
  if (x < stats.min) stats.min = x;
  if (x > stats.max) stats.max = x;
  const double d = (x - stats.mean) * w;
  stats.mean += d / W;
  stats.m2 += (x - stats.mean) * d;
}

void FinishStatistics(ContinuousStats& stats, double W, int cuts, double z) {
  stats.m2 = W > 1.0 ? stats.m2 / (W - 1.0) : 0.0;
  // A cut count below 1 (never accepted by the task validation) gives no
  // intervals at all, and no division by zero.
  stats.width = cuts >= 1 ? 2.0 * z * std::sqrt(stats.m2) / (cuts + 1) : 0.0;
}

bool IsMissingValue(double x, double missingCode) {
  return !std::isfinite(x) || UlpEqual(x, missingCode);
}

int ComputeContinuousStatistics(SalEngine& engine) {
  CAnalysisSupport& support = engine.analysis();
  const AnalysisSettings& s = engine.settings;
  const int nseq = std::max<int>(s.ncontvars, 0);
  const int nmd = std::max<int>(s.nmdcontvars, 0);
  const int nall = nseq + nmd;

  // Variable numbers and missing-data codes, sequential variables first.
  std::vector<int> vars;
  vars.reserve(static_cast<std::size_t>(nall));
  for (int i = 0; i < nseq; ++i) vars.push_back(s.contvars.at(static_cast<std::size_t>(i)));
  for (int i = 0; i < nmd; ++i) vars.push_back(s.mdcontvars.at(static_cast<std::size_t>(i)));

  HostArray<ContinuousStats> stats;
  HostArray<double> missing;
  if (!stats.Allocate(support, static_cast<std::size_t>(nall)) ||
      !missing.Allocate(support, static_cast<std::size_t>(nall))) {
    return 1;
  }
  for (int v = 0; v < nall; ++v) support.getmd5(vars[static_cast<std::size_t>(v)], missing[v]);

  const long ncases = support.GetNbCases();
  const bool weightedMoments = s.iwgtdmn != 0;
  double W = 0.0;
  bool weighting = false;
  std::vector<double> values;
  {
    ProgressScope progress(support, ncases, support.GetResourceString(msg::kInitializing));
    for (long c = 1; c <= ncases; ++c) {
      support.termom(c);
      if (IsAnalysisCancelled(support)) return 1;
      bool weighted = false;
      double weight = 1.0;
      const int read = support.cstrtw(c, values, weighted, weight);
      if (read == 2) return 1;
      if (read == 1) continue;
      double w = 1.0;
      if (weighted) {
        weighting = true;
        w = EffectiveCaseWeight(weight, weightedMoments);
      }
      if (!UlpGreater(w, 0.0)) continue;
      W += w;
      for (int v = 0; v < nall; ++v) {
        const double x = values.at(static_cast<std::size_t>(vars[static_cast<std::size_t>(v)]));
        if (IsMissingValue(x, missing[v])) continue;
        AddObservation(stats[v], x, w, W);
      }
    }
  }

  const double z = NormalQuantile(kCutQuantileProbability);
  for (ContinuousStats& st : stats) FinishStatistics(st, W, s.ncategpco, z);
  engine.contStats.assign(stats.begin(), stats.begin() + nseq);
  engine.mdContStats.assign(stats.begin() + nseq, stats.end());
  engine.settings.sumw = weighting ? W : 1.0;
  return 0;
}

}  // namespace linkan
