// Named cases of the enumeration: support bounds, first-match semantics,
// size limits, leaves, debug lines, progress, cancellation and errors; the
// textbook check of association mode; and the regression tests of the
// faults mended here.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <map>

#include "engine/mining/pattern_enumeration.h"
#include "engine/mining/rule_generation.h"
#include "engine/mining/support_bounds.h"
#include "engine/text/pattern_text.h"
#include "frame/host/debug_sink.h"
#include "frame/host/module_error.h"
#include "frame/progress_bars.h"
#include "mining_harness.h"

namespace linkan::testing {
namespace {

using reference::RefInput;

std::vector<MiningContext> Contexts() {
  MiningContext serial;
  MiningContext general;
  general.layout = MiningContext::Layout::kGeneral;
  MiningContext parallel;
  parallel.threads = 2;
  parallel.minParallelWork = 0;
  return {serial, general, parallel};
}

// Runs the engine on `input` and checks it against the reference; returns
// the patterns by pattern for further checks.
std::map<Pattern, SupportCount> Mine(const RefInput& input, const MiningContext& ctx = {}) {
  EngineFixture fx(input);
  RunEngine(fx.engine(), ToSequenceDatabase(input), ctx);
  EXPECT_TRUE(SameResults(reference::ReferenceRun(input), fx.engine())) << Describe(input);
  std::map<Pattern, SupportCount> out;
  for (PatternId id = 0; id < fx.engine().patterns.size(); ++id) {
    out.emplace(fx.engine().patterns.PatternOf(id), fx.engine().patterns.CountOf(id));
  }
  return out;
}

// ---- Support bounds ----

TEST(SupportBounds, ProductsWithinTheToleranceOfAWholeNumberSnapToIt) {
  // 100 x 0.07 = 7.000000000000001: a plain ceil would ask for 8.
  EXPECT_EQ(ComputeSupportBounds(100, 0.07, 1.0).minCount, 7u);
  // 10 x 0.3 = 3.0000000000000004 (would floor to 3 anyway) and
  // 100 x 0.29 = 28.999999999999996 (a plain floor would give 28).
  EXPECT_EQ(ComputeSupportBounds(100, 0.0, 0.29).maxCount, 29u);
  EXPECT_EQ(ComputeSupportBounds(10, 0.3, 0.3).minCount, 3u);
  EXPECT_EQ(ComputeSupportBounds(10, 0.3, 0.3).maxCount, 3u);
}

TEST(SupportBounds, OtherwiseCeilForTheMinimumAndFloorForTheMaximum) {
  const SupportBounds b = ComputeSupportBounds(100, 0.071, 0.259);
  EXPECT_EQ(b.minCount, 8u);
  EXPECT_EQ(b.maxCount, 25u);
  EXPECT_EQ(ComputeSupportBounds(50, 0.0, 1.0).minCount, 0u);
  EXPECT_EQ(ComputeSupportBounds(50, 0.0, 1.0).maxCount, 50u);
  EXPECT_EQ(ComputeSupportBounds(0, 0.5, 1.0).maxCount, 0u);
  EXPECT_TRUE(b.Within(8) && b.Within(25));
  EXPECT_FALSE(b.Within(7) || b.Within(26));
}

TEST(SupportBoundsRegression, SevenPercentOfOneHundredFindsPatternsInExactlySeven) {
  NamedSequences seqs(100, {{"b"}});
  for (int i = 0; i < 7; ++i) seqs[i] = {{"a", "b"}};
  const RefInput input = NamedInput(true, seqs, 0.07);
  const auto found = Mine(input);
  EXPECT_EQ(found.at(Named(input, {{"a"}})), 7u);
  EXPECT_EQ(found.at(Named(input, {{"a", "b"}})), 7u);
}

// ---- Counting and the pair pass ----

TEST(Enumeration, MinimumSupportZeroKeepsEveryCodeMetOnce) {
  const RefInput input = NamedInput(false, {{{"a"}, {"b"}}, {{"c"}}}, 0.0);
  const auto found = Mine(input);
  for (const char* x : {"a", "b", "c"}) EXPECT_EQ(found.at(Named(input, {{x}})), 1u);
  EXPECT_EQ(found.at(Named(input, {{"a"}, {"b"}})), 1u);
}

TEST(Enumeration, CountsAtTheBoundsSurviveAndAboveTheMaximumNothingGrows) {
  // a in 4 of 4 sequences, b in 2, c in 3; bounds 2 .. 3.
  RefInput input = NamedInput(
      false, {{{"a"}, {"b"}}, {{"a"}, {"b"}}, {{"a"}, {"c"}}, {{"a"}, {"c"}, {"c"}}}, 0.5);
  input.settings.maxsupp = 0.75;
  const auto found = Mine(input);
  EXPECT_EQ(found.at(Named(input, {{"b"}})), 2u);
  EXPECT_EQ(found.at(Named(input, {{"c"}})), 2u);
  for (const auto& [p, count] : found) {
    EXPECT_NE(p.front(), Itemset{input.items.Number("a")}) << "nothing starts with a";
  }
}

TEST(Enumeration, PairOfNewItemsetAndJoinFindsAnItemsetMatchedLater) {
  // <{a}, {a, b}>: {a, b} is found through (+a, -b) of the empty pattern,
  // although b is not in the itemset where <{a}> was first matched.
  const RefInput input = NamedInput(false, {{{"a"}, {"a", "b"}}}, 1.0);
  const auto found = Mine(input);
  EXPECT_EQ(found.at(Named(input, {{"a", "b"}})), 1u);
}

TEST(Enumeration, ItemJoinsTheLastItemsetOnlyWhereThePatternWasFirstMatched) {
  // Both sequences hold <{c}, {a, b}>, but in the first one <{c}, {a}> is
  // first matched at {a}, which has no b: the join -b counts 1 of 2.
  const RefInput input = NamedInput(false, {{{"c"}, {"a"}, {"a", "b"}}, {{"c"}, {"a", "b"}}}, 1.0);
  const auto found = Mine(input);
  EXPECT_EQ(found.at(Named(input, {{"c"}, {"a"}})), 2u);
  EXPECT_FALSE(found.contains(Named(input, {{"c"}, {"a", "b"}})));
}

TEST(Enumeration, SizeLimitsHold) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 60; ++i) {
    RefInput input = MakeRandomCase(rng, {.association = false, .maxSequences = 8});
    input.settings.minsupp = 0.0;
    input.settings.maxsupp = 1.0;
    input.settings.MaxSequenceSize = 1 + i % 3;
    input.settings.maxpat = 1 + i % 2;
    input.patternLimit = 20000;
    for (const auto& [p, count] : Mine(input)) {
      EXPECT_LE(p.size(), static_cast<std::size_t>(input.settings.MaxSequenceSize));
      for (const Itemset& s : p)
        EXPECT_LE(s.size(), static_cast<std::size_t>(input.settings.maxpat));
    }
  }
}

TEST(Enumeration, MaxpatOneGivesNoItemsetOfTwoItems) {
  RefInput input = NamedInput(true, {{{"a", "b", "c"}}, {{"a", "b"}}}, 0.5);
  input.settings.maxpat = 1;
  const auto found = Mine(input);
  EXPECT_EQ(found.size(), 3u);
}

TEST(Enumeration, ASequenceWithoutTransactionsSupportsNothing) {
  const RefInput input = NamedInput(false, {{{"a"}}, {}, {{"a"}}}, 0.0);
  EXPECT_EQ(Mine(input).at(Named(input, {{"a"}})), 2u);
}

TEST(Enumeration, LeavesAreTheExtensionsThatWereNotGrown) {
  // No pair: the one-step extensions are leaves.
  {
    const RefInput input = NamedInput(false, {{{"a"}}, {{"b"}}}, 0.5);
    EngineFixture fx(input);
    RunEngine(fx.engine(), ToSequenceDatabase(input), {});
    EXPECT_EQ(fx.engine().leaves, (std::set<PatternId>{0, 1}));
  }
  // A pair descended into: only what it recorded without growing is a leaf.
  {
    const RefInput input = NamedInput(false, {{{"a"}, {"b"}}}, 1.0);
    EngineFixture fx(input);
    RunEngine(fx.engine(), ToSequenceDatabase(input), {});
    ASSERT_EQ(fx.engine().patterns.size(), 3u);
    EXPECT_EQ(fx.engine().patterns.PatternOf(2), Named(input, {{"a"}, {"b"}}));
    EXPECT_EQ(fx.engine().leaves, (std::set<PatternId>{2}));
  }
}

// ---- What the enumeration reports ----

TEST(Enumeration, EveryRecordedPatternGoesToTheDebugChannelAndTheProgressBar) {
  const RefInput input = NamedInput(false, {{{"a"}, {"b", "c"}}, {{"a"}, {"b", "c"}}}, 1.0);
  for (const MiningContext& ctx : Contexts()) {
    std::vector<std::string> lines;
    ScopedDebugSink sink([&](std::string_view text) { lines.emplace_back(text); });
    CUncountedThreadSafeProgressBar bar(static_cast<ProgressBarHolder*>(nullptr));
    EngineFixture fx(input);
    EnumerateFrequentPatterns(fx.engine(), ToSequenceDatabase(input), ctx);
    const FrequentPatternTable& t = fx.engine().patterns;
    ASSERT_EQ(lines.size(), t.size());
    EXPECT_EQ(lines[0], "[a] : 2\n");
    EXPECT_EQ(bar.GetCount(), t.size());
    for (PatternId id = 0; id < t.size(); ++id) {
      EXPECT_EQ(lines[id], PatternText(fx.engine(), t.PatternOf(id), false, true) + " : 2\n");
    }
    EXPECT_NE(std::find(lines.begin(), lines.end(), "[a (b c)] : 2\n"), lines.end());
    EXPECT_EQ(bar.LastText(), lines.back().substr(0, lines.back().size() - 1));
  }
}

TEST(Enumeration, AssociationLinesAreBracketedItemsets) {
  const RefInput input = NamedInput(true, {{{"a", "b"}}, {{"a", "b"}}}, 1.0);
  std::vector<std::string> lines;
  ScopedDebugSink sink([&](std::string_view text) { lines.emplace_back(text); });
  EngineFixture fx(input);
  EnumerateFrequentPatterns(fx.engine(), ToSequenceDatabase(input), {});
  EXPECT_EQ(lines, (std::vector<std::string>{"[a] : 2\n", "[b] : 2\n", "[(a b)] : 2\n"}));
}

TEST(Enumeration, CancellationEndsThePairPassKeepingTheOneItemPatterns) {
  for (const bool association : {false, true}) {
    for (const MiningContext& base : Contexts()) {
      const RefInput input = NamedInput(association, {{{"a", "b"}}, {{"a", "b"}}}, 1.0);
      EngineFixture fx(input);
      fx.host().SetCancelled(true);
      MiningContext ctx = base;
      TestAnalysis analysis(&fx.host());
      ctx.cancelSource = &analysis;
      try {
        EnumerateFrequentPatterns(fx.engine(), ToSequenceDatabase(input), ctx);
        ADD_FAILURE() << "expected the cancellation error";
      } catch (const AutomationError& e) {
        EXPECT_STREQ(e.what(), "User has cancelled the analysis");
        EXPECT_EQ(e.kind(), ErrorKind::kCancelled);
      }
      EXPECT_EQ(fx.engine().patterns.size(), 2u);
      EXPECT_EQ(fx.engine().patterns.PatternOf(0), Named(input, {{"a"}}));
    }
  }
}

TEST(Enumeration, AnItemMissingFromTheDictionaryIsAnError) {
  RefInput input = NamedInput(false, {{{"a"}}}, 0.0);
  input.sequences[0][0].items.push_back(42);
  EngineFixture fx(input);
  try {
    EnumerateFrequentPatterns(fx.engine(), ToSequenceDatabase(input), {});
    ADD_FAILURE() << "expected value not found";
  } catch (const ModuleError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kNotFound);
    EXPECT_STREQ(e.what(), "value not found");
  }
}

TEST(Enumeration, ThreadsAndLayoutsGiveTheSameTableOnALargerDatabase) {
  std::mt19937_64 rng(11);
  std::uniform_int_distribution<int> item(0, 9);
  NamedSequences seqs;
  for (int t = 0; t < 3000; ++t) {
    std::vector<std::string> basket;
    for (int k = 0; k < 6; ++k)
      basket.push_back(std::string(1, static_cast<char>('a' + item(rng))));
    std::sort(basket.begin(), basket.end());
    basket.erase(std::unique(basket.begin(), basket.end()), basket.end());
    seqs.push_back({basket});
  }
  RefInput input = NamedInput(true, seqs, 0.01);
  input.settings.maxpat = 6;
  const SequenceDatabase db = ToSequenceDatabase(input);
  EngineFixture first(input);
  RunEngine(first.engine(), db, {});
  for (const auto layout : {MiningContext::Layout::kGeneral, MiningContext::Layout::kSparse,
                            MiningContext::Layout::kDense}) {
    for (const unsigned threads : {1u, 2u}) {
      MiningContext ctx;
      ctx.layout = layout;
      ctx.threads = threads;
      ctx.minParallelWork = 100;
      EngineFixture fx(input);
      RunEngine(fx.engine(), db, ctx);
      ASSERT_EQ(fx.engine().patterns.size(), first.engine().patterns.size());
      for (PatternId id = 0; id < fx.engine().patterns.size(); ++id) {
        ASSERT_EQ(fx.engine().patterns.PatternOf(id), first.engine().patterns.PatternOf(id));
        ASSERT_EQ(fx.engine().patterns.CountOf(id), first.engine().patterns.CountOf(id));
      }
      EXPECT_EQ(fx.engine().leaves, first.engine().leaves);
      EXPECT_EQ(fx.engine().rules.size(), first.engine().rules.size());
    }
  }
}

// ---- Association mode equals the textbook frequent itemsets ----

TEST(TextbookItemsets, AssociationModeWithMaximumSupportOneFindsEveryFrequentItemset) {
  std::mt19937_64 rng(5);
  for (int round = 0; round < 300; ++round) {
    RefInput input = MakeRandomCase(rng, {.association = true, .maxSequences = 40, .maxItems = 8});
    input.settings.maxsupp = 1.0;
    input.settings.taxon = 0;
    input.settings.CombineItemsetMode = 0;
    input.settings.FixedNumItemsets = 1;
    input.stoplist.clear();
    const std::size_t n = input.sequences.size();
    const std::uint32_t minCount =
        std::max<std::uint32_t>(1, ComputeSupportBounds(n, input.settings.minsupp, 1.0).minCount);
    // Transactions as bit masks of items 1 .. 10.
    std::vector<std::uint32_t> masks;
    for (const auto& seq : input.sequences) {
      std::uint32_t m = 0;
      for (const auto& t : seq) {
        for (const ItemNumber x : t.items) m |= 1u << x;
      }
      masks.push_back(m);
    }
    std::map<Pattern, SupportCount> expected;
    for (std::uint32_t set = 1; set < (1u << 11); ++set) {
      if ((set & 1u) != 0) continue;
      const int size = std::popcount(set);
      if (size > input.settings.maxpat) continue;
      std::uint32_t count = 0;
      for (const std::uint32_t m : masks) count += (m & set) == set ? 1 : 0;
      if (count < minCount) continue;
      Itemset items;
      for (ItemNumber x = 1; x <= 10; ++x) {
        if ((set >> x) & 1u) items.push_back(x);
      }
      expected.emplace(Pattern{items}, count);
    }
    for (const MiningContext& ctx : Contexts()) {
      EngineFixture fx(input);
      EnumerateFrequentPatterns(fx.engine(), ToSequenceDatabase(input), ctx);
      std::map<Pattern, SupportCount> found;
      for (PatternId id = 0; id < fx.engine().patterns.size(); ++id) {
        found.emplace(fx.engine().patterns.PatternOf(id), fx.engine().patterns.CountOf(id));
      }
      ASSERT_EQ(found, expected) << "round " << round << ": " << Describe(input);
    }
  }
}

// ---- Association rules below a recorded itemset with unrecorded parts ----

TEST(AssociationRulesRegression, ASplitWithAnUnrecordedPartIsSkipped) {
  // c is in every transaction, above the maximum count 3 of 4, so {c} is
  // not recorded while {a, b, c} is.
  RefInput input = NamedInput(true, {{{"a", "b", "c"}}, {{"a", "b", "c"}}, {{"c"}}, {{"c"}}}, 0.5);
  input.settings.maxsupp = 0.75;
  EngineFixture fx(input);
  RunEngine(fx.engine(), ToSequenceDatabase(input), {});
  const FrequentPatternTable& t = fx.engine().patterns;
  ASSERT_TRUE(t.Find(Named(input, {{"a", "b", "c"}})).has_value());
  ASSERT_FALSE(t.Find(Named(input, {{"c"}})).has_value());
  ASSERT_EQ(fx.engine().rules.size(), 2u);  // {b} ==> {a} and {a} ==> {b}
  EXPECT_EQ(t.PatternOf(fx.engine().rules[0].bodyId), Named(input, {{"b"}}));
  EXPECT_EQ(t.PatternOf(fx.engine().rules[1].bodyId), Named(input, {{"a"}}));
  EXPECT_TRUE(SameResults(reference::ReferenceRun(input), fx.engine()));
}

}  // namespace
}  // namespace linkan::testing
