// continuous_statistics.h
//
// The statistics pass over the continuous variables: one read of every case
// that gathers, per selected continuous variable (sequential ones in
// `contvars` order, non-sequential ones in `mdcontvars` order), the minimum,
// maximum, mean and variance, and from them the width of the intervals the
// variable is cut into (continuous_cut.h).
//
// Case weights: 1 without a weight variable. With one, the weight is rounded
// to the nearest whole number (halves away from zero) unless weighted
// moments are on, and a rounded weight below 1 becomes 0; a case whose
// weight is not above 0 (comparison rule) is left out. W, the running sum of
// the accepted cases' weights, is one sum over all cases, not one per
// variable. The mean and the sum of squared deviations are updated as
//   d = (x - mean) * w;  mean += d / W;  m2 += (x - mean) * d
// and after the last case m2 becomes the variance m2 / (W - 1), defined as 0
// when W <= 1 (one accepted case has no spread).
//
// Thread safety: runs on the analysis thread.
#pragma once

#include "engine/continuous_stats.h"

namespace linkan {

class SalEngine;

// The weight a case counts with: `weight` rounded unless `weightedMoments`,
// 0 when the rounded weight is below 1.
double EffectiveCaseWeight(double weight, bool weightedMoments);

// Takes value `x` of a case of weight `w` into `stats`; `W` is the running
// sum of weights including this case.
void AddObservation(ContinuousStats& stats, double x, double w, double W);

// Turns the sum of squared deviations into the variance and sets the width
// of `cuts` intervals: 2 * z * sqrt(variance) / (cuts + 1).
void FinishStatistics(ContinuousStats& stats, double W, int cuts, double z);

// True when a continuous value counts as missing: equal to the variable's
// missing-data code (comparison rule), or not a finite number.
bool IsMissingValue(double x, double missingCode);

// Runs the pass over the engine's input table and, on success, stores the
// records in engine.contStats / engine.mdContStats and the sum of weights in
// settings.sumw (1 when no weight variable is in use). Returns 0 on success;
// 1 when the user cancelled, the host stopped the reading or the host
// refused the work arrays; the engine's statistics are then unchanged.
int ComputeContinuousStatistics(SalEngine& engine);

}  // namespace linkan
