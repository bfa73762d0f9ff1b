// Tests of the statistics pass over continuous variables: the normal
// quantile, the case weights, the running moments against a direct
// computation, and how the pass ends on cancel, stop and refused memory.
#include "engine/coding/continuous_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

#include "engine/coding/normal_quantile.h"
#include "engine/sal_engine.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using testing::TestAnalysis;
using testing::TestHost;

class StatisticsTest : public ::testing::Test {
 protected:
  // Makes the engine once the table is complete; `conts` become the
  // continuous variables, `mdConts` the non-sequential ones.
  SalEngine& Engine(const std::vector<int>& conts, const std::vector<int>& mdConts = {}) {
    engine = std::make_unique<SalEngine>(analysis, nullptr);
    AnalysisSettings& s = engine->settings;
    s.ncontvars = static_cast<std::int16_t>(conts.size());
    for (std::size_t i = 0; i < conts.size(); ++i) s.contvars[i] = static_cast<std::int16_t>(conts[i]);
    s.nmdcontvars = static_cast<std::int16_t>(mdConts.size());
    for (std::size_t i = 0; i < mdConts.size(); ++i) {
      s.mdcontvars[i] = static_cast<std::int16_t>(mdConts[i]);
    }
    return *engine;
  }

  TestHost host;
  TestAnalysis analysis{&host};
  std::unique_ptr<SalEngine> engine;
};

TEST(NormalQuantileTest, KnownPercentagePoints) {
  EXPECT_EQ(NormalQuantile(0.5), 0.0);
  EXPECT_NEAR(NormalQuantile(0.975), 1.959964, 1e-6);
  EXPECT_NEAR(NormalQuantile(0.995), 2.575829, 1e-6);
  EXPECT_NEAR(NormalQuantile(0.8413447460685429), 1.0, 1e-6);
  EXPECT_NEAR(NormalQuantile(0.005), -NormalQuantile(0.995), 1e-12);
  // Outside (0, 1) the algorithm's fault value.
  EXPECT_EQ(NormalQuantile(0.0), 0.0);
  EXPECT_EQ(NormalQuantile(1.0), 0.0);
  EXPECT_EQ(NormalQuantile(std::nan("")), 0.0);
}

TEST(CaseWeightTest, RoundingAndWeightedMoments) {
  EXPECT_EQ(EffectiveCaseWeight(0.4, false), 0.0);
  EXPECT_EQ(EffectiveCaseWeight(0.5, false), 1.0);
  EXPECT_EQ(EffectiveCaseWeight(1.4, false), 1.0);
  EXPECT_EQ(EffectiveCaseWeight(2.5, false), 3.0);
  EXPECT_EQ(EffectiveCaseWeight(-2.5, false), 0.0);
  EXPECT_EQ(EffectiveCaseWeight(0.4, true), 0.4);
  EXPECT_EQ(EffectiveCaseWeight(-1.0, true), -1.0);
}

TEST_F(StatisticsTest, MeanTenStandardDeviationTwo) {
  // 5, 15, 9, 11 and ten times 10: mean 10, squared deviations 52 over 13.
  std::vector<double> x = {5, 15, 9, 11};
  x.insert(x.end(), 10, 10.0);
  host.AddNumeric("x", x);
  SalEngine& e = Engine({1});
  e.settings.ncategpco = 3;
  ASSERT_EQ(ComputeContinuousStatistics(e), 0);
  ASSERT_EQ(e.contStats.size(), 1u);
  const ContinuousStats& st = e.contStats[0];
  EXPECT_EQ(st.min, 5.0);
  EXPECT_EQ(st.max, 15.0);
  EXPECT_NEAR(st.mean, 10.0, 1e-12);
  EXPECT_NEAR(st.m2, 4.0, 1e-12);
  EXPECT_NEAR(st.width, 2.0 * 2.5758293 * 2.0 / 4.0, 1e-6);
  EXPECT_EQ(e.settings.sumw, 1.0);  // no weight variable
  EXPECT_EQ(host.progressLog.front(), "title:Initializing...");
  EXPECT_EQ(host.progressLog.back(), "stop");
}

TEST_F(StatisticsTest, WeightBelowHalfLeavesTheCaseOut) {
  host.AddNumeric("x", {2, 4, 100});
  host.SetWeights({1, 1, 0.4});
  SalEngine& e = Engine({1});
  ASSERT_EQ(ComputeContinuousStatistics(e), 0);
  EXPECT_EQ(e.contStats[0].max, 4.0);
  EXPECT_NEAR(e.contStats[0].mean, 3.0, 1e-12);
  EXPECT_NEAR(e.contStats[0].m2, 2.0, 1e-12);
  EXPECT_EQ(e.settings.sumw, 2.0);

  // With weighted moments the case counts with its weight 0.4.
  SalEngine& w = Engine({1});
  w.settings.iwgtdmn = 1;
  ASSERT_EQ(ComputeContinuousStatistics(w), 0);
  EXPECT_EQ(w.contStats[0].max, 100.0);
  EXPECT_NEAR(w.settings.sumw, 2.4, 1e-12);
  EXPECT_NEAR(w.contStats[0].mean, (2 + 4 + 0.4 * 100) / 2.4, 1e-9);
}

// Regression: with one accepted case the variance divided by W - 1 = 0 and
// named every interval "nan". It is 0 now.
TEST_F(StatisticsTest, OneAcceptedCaseHasVarianceZero) {
  host.AddNumeric("x", {5, 7});
  host.SetWeights({1, 0});
  SalEngine& e = Engine({1});
  ASSERT_EQ(ComputeContinuousStatistics(e), 0);
  EXPECT_EQ(e.contStats[0].m2, 0.0);
  EXPECT_EQ(e.contStats[0].width, 0.0);
  EXPECT_EQ(e.contStats[0].mean, 5.0);

  // Weighted moments with a total weight below 1.
  SalEngine& w = Engine({1});
  w.settings.iwgtdmn = 1;
  host.SetWeights({0.3, 0.3});
  ASSERT_EQ(ComputeContinuousStatistics(w), 0);
  EXPECT_EQ(w.contStats[0].m2, 0.0);
  EXPECT_FALSE(std::isnan(w.contStats[0].width));
}

// The running update against a direct two-pass computation, with fractional
// weights, for a sequential and a non-sequential variable.
TEST_F(StatisticsTest, RunningMomentsMatchDirectComputation) {
  std::mt19937 rng(20240611);
  std::uniform_real_distribution<double> value(-50.0, 80.0);
  std::uniform_real_distribution<double> weight(0.1, 3.0);
  const int n = 400;
  std::vector<double> a(n), b(n), w(n);
  for (int i = 0; i < n; ++i) {
    a[i] = value(rng);
    b[i] = value(rng) * 3.0;
    w[i] = weight(rng);
  }
  host.AddNumeric("a", a);
  host.AddNumeric("b", b);
  host.SetWeights(w);
  SalEngine& e = Engine({1}, {2});
  e.settings.iwgtdmn = 1;
  e.settings.ncategpco = 5;
  ASSERT_EQ(ComputeContinuousStatistics(e), 0);

  auto check = [&](const std::vector<double>& x, const ContinuousStats& st) {
    double W = 0, sum = 0;
    for (int i = 0; i < n; ++i) W += w[i], sum += w[i] * x[i];
    const double mean = sum / W;
    double ss = 0;
    for (int i = 0; i < n; ++i) ss += w[i] * (x[i] - mean) * (x[i] - mean);
    EXPECT_NEAR(st.mean, mean, 1e-9 * std::fabs(mean) + 1e-9);
    EXPECT_NEAR(st.m2, ss / (W - 1), 1e-9 * ss / (W - 1));
    EXPECT_EQ(st.min, *std::min_element(x.begin(), x.end()));
    EXPECT_EQ(st.max, *std::max_element(x.begin(), x.end()));
    EXPECT_NEAR(st.width, 2 * NormalQuantile(0.995) * std::sqrt(ss / (W - 1)) / 6, 1e-9);
  };
  ASSERT_EQ(e.contStats.size(), 1u);
  ASSERT_EQ(e.mdContStats.size(), 1u);
  check(a, e.contStats[0]);
  check(b, e.mdContStats[0]);
}

TEST_F(StatisticsTest, MissingValuesAndNonNumbersAreLeftOut) {
  host.AddNumeric("x", {1, -9999, 3, std::nan(""), INFINITY});
  SalEngine& e = Engine({1});
  ASSERT_EQ(ComputeContinuousStatistics(e), 0);
  EXPECT_EQ(e.contStats[0].min, 1.0);
  EXPECT_EQ(e.contStats[0].max, 3.0);
  EXPECT_FALSE(std::isnan(e.contStats[0].mean));
}

// W is one running sum over all accepted cases, also those in which the
// variable is missing: the case read before the value counts in W.
TEST_F(StatisticsTest, OneWeightSumOverAllAcceptedCases) {
  host.AddNumeric("x", {-9999, 10});
  SalEngine& e = Engine({1});
  ASSERT_EQ(ComputeContinuousStatistics(e), 0);
  // W = 2 at the value: d = 10, mean = 10 / 2, m2 = (10 - 5) * 10 over W - 1.
  EXPECT_EQ(e.contStats[0].mean, 5.0);
  EXPECT_EQ(e.contStats[0].m2, 50.0);
}

TEST_F(StatisticsTest, SkippedCasesAreLeftOut) {
  host.AddNumeric("x", {1, 50, 3});
  host.SkipCase(2);
  SalEngine& e = Engine({1});
  ASSERT_EQ(ComputeContinuousStatistics(e), 0);
  EXPECT_EQ(e.contStats[0].max, 3.0);
}

TEST_F(StatisticsTest, CancelStopAndRefusedMemoryFailAndKeepTheEngine) {
  host.AddNumeric("x", {1, 2, 3, 4, 5});
  SalEngine& e = Engine({1});
  e.contStats = {ContinuousStats{1, 2, 3, 4, 5}};
  const auto before = e.contStats;

  host.CancelAfterSteps(3);
  EXPECT_EQ(ComputeContinuousStatistics(e), 1);
  EXPECT_EQ(e.contStats, before);
  EXPECT_EQ(host.progressLog.back(), "stop");
  host.CancelAfterSteps(1000000);

  host.StopAtCase(2);
  EXPECT_EQ(ComputeContinuousStatistics(e), 1);
  EXPECT_EQ(e.contStats, before);

  TestHost noMemory;
  noMemory.AddNumeric("x", {1});
  noMemory.FailAllocations(true);
  TestAnalysis a(&noMemory);
  SalEngine f(a, nullptr);
  f.settings.ncontvars = 1;
  f.settings.contvars[0] = 1;
  EXPECT_EQ(ComputeContinuousStatistics(f), 1);
  EXPECT_TRUE(f.contStats.empty());
}

}  // namespace
}  // namespace linkan
