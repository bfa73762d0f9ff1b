// Tests of item coding: the names of continuous intervals (the worked
// example with mean 10, standard deviation 2, minimum 5 and maximum 15), of
// dichotomy and response items, the order items are produced and numbered
// in, the limit on name length and the kinds read with single-element
// itemsets.
#include "engine/coding/item_coder.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "engine/coding/continuous_cut.h"
#include "engine/coding/continuous_statistics.h"
#include "engine/coding/item_names.h"
#include "engine/coding/normal_quantile.h"
#include "engine/sal_engine.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using testing::TestAnalysis;
using testing::TestHost;

// The statistics of a variable after the pass, set by hand.
ContinuousStats Stats(double mean, double sd, double min, double max, int cuts) {
  ContinuousStats st;
  st.mean = mean;
  st.m2 = sd * sd;
  st.min = min;
  st.max = max;
  st.width = 2 * NormalQuantile(0.995) * sd / (cuts + 1);
  return st;
}

TEST(ContinuousCutTest, ThreeCutsOfMeanTenDeviationTwo) {
  const ContinuousCut cut(Stats(10, 2, 5, 15, 3), 3, NormalQuantile(0.995));
  EXPECT_NEAR(cut.lower(), 4.848, 5e-4);
  EXPECT_EQ(cut.ItemName("x", 0), "x<=7.424");
  EXPECT_EQ(cut.ItemName("x", 1), "x:{7.424;10.000}");
  EXPECT_EQ(cut.ItemName("x", 2), "x>10.000");
  EXPECT_EQ(cut.IntervalOf(5.0), 0);
  EXPECT_EQ(cut.IntervalOf(7.4), 0);
  EXPECT_EQ(cut.IntervalOf(7.43), 1);
  EXPECT_EQ(cut.IntervalOf(10.0), 1);
  EXPECT_EQ(cut.IntervalOf(12.6), 2);
  // The last bound is raised from about 12.576 to the maximum.
  EXPECT_EQ(cut.UpperBound(2), 15.0);
  EXPECT_EQ(cut.IntervalOf(15.0), 2);
  EXPECT_EQ(cut.IntervalOf(15.5), -1);
  // Below the lower bound still falls into the first interval.
  EXPECT_EQ(cut.IntervalOf(-100.0), 0);
}

TEST(ContinuousCutTest, OneCutIsFirstAndLast) {
  const ContinuousCut cut(Stats(10, 2, 5, 15, 1), 1, NormalQuantile(0.995));
  EXPECT_EQ(cut.UpperBound(0), 15.0);
  EXPECT_EQ(cut.ItemName("x", 0), "x<=15.000");
  for (const double x : {5.0, 9.0, 15.0}) EXPECT_EQ(cut.IntervalOf(x), 0) << x;
}

// Whatever the data, the largest value falls into some interval.
TEST(ContinuousCutTest, MaximumAlwaysFallsIntoAnInterval) {
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    std::uniform_int_distribution<int> count(1, 30), cuts(1, 20);
    std::normal_distribution<double> value(rng() % 1000 - 500.0, 1 + rng() % 100);
    const int n = count(rng);
    ContinuousStats st;
    double W = 0;
    for (int i = 0; i < n; ++i) {
      W += 1;
      AddObservation(st, value(rng), 1.0, W);
    }
    const int k = cuts(rng);
    FinishStatistics(st, W, k, NormalQuantile(0.995));
    const ContinuousCut cut(st, k, NormalQuantile(0.995));
    EXPECT_GE(cut.IntervalOf(st.max), 0) << "round " << round;
    EXPECT_LE(cut.IntervalOf(st.min), cut.IntervalOf(st.max)) << "round " << round;
  }
}

TEST(ItemNamesTest, LimitKeepsWholeCharacters) {
  EXPECT_EQ(LimitText(std::string(999, 'a')).size(), 999u);
  EXPECT_EQ(LimitText(std::string(1500, 'a')).size(), 999u);
  // 998 ASCII bytes then a two-byte character: the character does not fit.
  const std::string text = std::string(998, 'a') + "\xC3\xA9" + "z";
  EXPECT_EQ(LimitText(text), std::string(998, 'a'));
  EXPECT_EQ(DichotomyItemName("smoker", 1, "yes"), "smoker");
  EXPECT_EQ(DichotomyItemName("smoker", 2, "yes"), "smoker=yes");
}

class ItemCoderTest : public ::testing::Test {
 protected:
  SalEngine& Engine() {
    engine = std::make_unique<SalEngine>(analysis, nullptr);
    return *engine;
  }
  // Codes case `c` and returns the names of its items, sequential then
  // non-sequential after a "|".
  std::vector<std::string> Code(ItemCoder& coder, long c) {
    std::vector<double> values;
    bool weighted = false;
    double weight = 1;
    analysis.cstrtw(c, values, weighted, weight);
    std::vector<ItemNumber> items(coder.SequentialCapacity() + 1), ns(coder.NonSequentialCapacity() + 1);
    const auto n = coder.CodeCase(c, values, items.data(), ns.data());
    std::vector<std::string> names;
    for (std::size_t i = 0; i < n.items; ++i) names.push_back(engine->items.Name(items[i]));
    names.push_back("|");
    for (std::size_t i = 0; i < n.nonSequential; ++i) names.push_back(engine->items.Name(ns[i]));
    return names;
  }

  TestHost host;
  TestAnalysis analysis{&host};
  std::unique_ptr<SalEngine> engine;
};

TEST_F(ItemCoderTest, ContinuousItemsThroughTheStatisticsPass) {
  std::vector<double> x = {5, 15, 9, 11};
  x.insert(x.end(), 10, 10.0);
  x.push_back(-9999);  // missing: no item
  host.AddNumeric("x ", x);  // trailing blank of the name is cut
  std::vector<double> weights(15, 1.0);
  weights[14] = 0.0;  // kept out of the statistics, coded below
  host.SetWeights(weights);
  SalEngine& e = Engine();
  e.settings.ncontvars = 1;
  e.settings.contvars[0] = 1;
  e.settings.ncategpco = 3;
  ASSERT_EQ(ComputeContinuousStatistics(e), 0);
  ItemCoder coder(e);
  EXPECT_EQ(Code(coder, 1), (std::vector<std::string>{"x<=7.424", "|"}));
  EXPECT_EQ(Code(coder, 2), (std::vector<std::string>{"x>10.000", "|"}));
  EXPECT_EQ(Code(coder, 3), (std::vector<std::string>{"x:{7.424;10.000}", "|"}));
  EXPECT_EQ(Code(coder, 5), (std::vector<std::string>{"x:{7.424;10.000}", "|"}));
  EXPECT_EQ(Code(coder, 15), (std::vector<std::string>{"|"}));
}

TEST_F(ItemCoderTest, DichotomyItemsAreNamedByCodeCount) {
  host.AddNumeric("flag", {1, 0, 1});
  host.AddText("color", {"red", "blue", "green"});  // coded 1, 2, 3
  SalEngine& e = Engine();
  AnalysisSettings& s = e.settings;
  s.ndichvars = 2;
  s.dichvars[0] = 1;
  s.dichvars[1] = 2;
  s.SetDichCodes(0, {1});
  s.SetDichCodes(1, {1, 2});
  ItemCoder coder(e);
  EXPECT_EQ(Code(coder, 1), (std::vector<std::string>{"flag", "color=red", "|"}));
  EXPECT_EQ(Code(coder, 2), (std::vector<std::string>{"color=blue", "|"}));
  EXPECT_EQ(Code(coder, 3), (std::vector<std::string>{"flag", "|"}));  // 3 is no code
  // The codes are kept as doubles, variable after variable.
  EXPECT_EQ(e.ncodes, (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(e.Codes, (std::vector<double>{1, 1, 2}));
}

TEST_F(ItemCoderTest, ProductionOrderGivesTheFirstNumbers) {
  host.AddText("r1", {"milk", "", "bread"});
  host.AddText("r2", {"eggs", "milk", ""});
  host.AddNumeric("d", {1, 1, 0});
  host.AddText("nsr", {"north", "south", ""});
  SalEngine& e = Engine();
  AnalysisSettings& s = e.settings;
  s.nresvars = 2;
  s.resvars[0] = 1;
  s.resvars[1] = 2;
  s.ndichvars = 1;
  s.dichvars[0] = 3;
  s.SetDichCodes(0, {1});
  s.nmdresvars = 1;
  s.mdresvars[0] = 4;
  ItemCoder coder(e);
  // Dichotomies come before responses; empty response cells add nothing.
  EXPECT_EQ(Code(coder, 1), (std::vector<std::string>{"d", "milk", "eggs", "|", "north"}));
  EXPECT_EQ(Code(coder, 2), (std::vector<std::string>{"d", "milk", "|", "south"}));
  EXPECT_EQ(Code(coder, 3), (std::vector<std::string>{"bread", "|"}));
  EXPECT_EQ(e.items.NamesByNumber(),
            (std::vector<std::string>{"d", "milk", "eggs", "north", "south", "bread"}));
}

TEST_F(ItemCoderTest, SingleItemsetsReadOnlyResponses) {
  host.AddText("r", {"a"});
  host.AddNumeric("d", {1});
  host.AddNumeric("c", {4});
  host.AddNumeric("nsd", {1});
  SalEngine& e = Engine();
  AnalysisSettings& s = e.settings;
  s.iSingleItemset = 1;
  s.nresvars = 1;
  s.resvars[0] = 1;
  s.ndichvars = 1;
  s.dichvars[0] = 2;
  s.SetDichCodes(0, {1});
  s.ncontvars = 1;
  s.contvars[0] = 3;
  s.nmddichvars = 1;
  s.mddichvars[0] = 4;
  s.SetMdDichCodes(0, {1});
  ASSERT_EQ(ComputeContinuousStatistics(e), 0);
  ItemCoder coder(e);
  EXPECT_EQ(coder.SequentialCapacity(), 1u);
  EXPECT_EQ(Code(coder, 1), (std::vector<std::string>{"a", "|", "nsd"}));
}

TEST_F(ItemCoderTest, LongNamesAreLimited) {
  host.AddText("r", {std::string(1200, 'q')});
  host.AddNumeric(std::string(1100, 'v'), {1});
  SalEngine& e = Engine();
  AnalysisSettings& s = e.settings;
  s.nresvars = 1;
  s.resvars[0] = 1;
  s.ndichvars = 1;
  s.dichvars[0] = 2;
  s.SetDichCodes(0, {1});
  ItemCoder coder(e);
  const auto names = Code(coder, 1);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0], std::string(999, 'v'));
  EXPECT_EQ(names[1], std::string(999, 'q'));
  // The cuts are counted for the run's warning: a value of "r", the name of
  // variable 2 (too long to be shown).
  EXPECT_EQ(coder.cuts().ValuesCut(1), 1);
  EXPECT_EQ(coder.cuts().ValuesCut(2), 0);
  EXPECT_EQ(coder.cuts().Warning(analysis),
            "texts longer than 999 bytes were cut to 999 bytes (texts that differ only after "
            "that became one): \"r\": 1 value; variable 2: its name");
}

}  // namespace
}  // namespace linkan
