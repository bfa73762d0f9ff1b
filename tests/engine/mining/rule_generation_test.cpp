// Rule generation on hand-made pattern tables: the order of splits, maxhead,
// the confidence test with its tolerance, the sequence rules with their
// emitted pairs and warnings, progress and cancellation; and the rules made
// in blocks on several threads against those of one thread.
#include "engine/mining/rule_generation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/mining/pattern_enumeration.h"
#include "frame/host/debug_sink.h"
#include "mining_harness.h"

namespace linkan::testing {
namespace {

class RuleGenerationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reference::RefInput input;
    for (const char* name : {"a", "b", "c", "d", "e", "f"}) input.items.Add(name);
    input.settings.minconf = 0.0;
    input.settings.maxconf = 1.0;
    input.settings.size = 10;
    fx = std::make_unique<EngineFixture>(input);
  }
  SalEngine& engine() { return fx->engine(); }
  PatternId Add(const Pattern& p, SupportCount count) { return engine().patterns.Record(p, count); }
  // The rules as (body, head) patterns.
  std::vector<std::pair<Pattern, Pattern>> Rules() {
    std::vector<std::pair<Pattern, Pattern>> out;
    for (const RuleRecord& r : engine().rules) {
      out.emplace_back(engine().patterns.PatternOf(r.bodyId),
                       engine().patterns.PatternOf(r.headId));
    }
    return out;
  }
  std::unique_ptr<EngineFixture> fx;
};

TEST_F(RuleGenerationTest, TwoItemsSplitLargestItemFirst) {
  engine().settings.noseq = 1;
  Add({{1}}, 6);
  Add({{2}}, 4);
  const PatternId ab = Add({{1, 2}}, 3);
  ASSERT_EQ(GenerateRules(engine()), 0);
  EXPECT_EQ(Rules(), (std::vector<std::pair<Pattern, Pattern>>{{{{2}}, {{1}}}, {{{1}}, {{2}}}}));
  const RuleRecord& r = engine().rules[0];
  EXPECT_EQ(r.patternId, ab);
  EXPECT_EQ(r.bodyCount, 4u);
  EXPECT_EQ(r.headCount, 6u);
  EXPECT_EQ(r.count, 3u);
  EXPECT_DOUBLE_EQ(r.Lift(10), 10 * (3.0 / 4.0) / 6.0);
}

TEST_F(RuleGenerationTest, MaxheadOneKeepsTheSplitsWithOneHeadItemInCounterOrder) {
  engine().settings.noseq = 1;
  engine().settings.maxhead = 1;
  for (const Itemset& s : std::vector<Itemset>{{1}, {2}, {3}, {1, 2}, {1, 3}, {2, 3}}) Add({s}, 5);
  const PatternId abc = Add({{1, 2, 3}}, 2);
  GenerateRules(engine());
  std::vector<std::pair<Pattern, Pattern>> rules;
  for (std::size_t i = 0; i < engine().rules.size(); ++i) {
    if (engine().rules[i].patternId == abc) rules.push_back(Rules()[i]);
  }
  EXPECT_EQ(rules, (std::vector<std::pair<Pattern, Pattern>>{
                       {{{2, 3}}, {{1}}}, {{{1, 3}}, {{2}}}, {{{1, 2}}, {{3}}}}));
}

TEST_F(RuleGenerationTest, EverySplitOfALargerItemsetComesOnceInCounterOrder) {
  engine().settings.noseq = 1;
  const Itemset all{1, 2, 3, 4};
  for (unsigned mask = 1; mask < 16; ++mask) {
    Itemset s;
    for (unsigned j = 0; j < 4; ++j) {
      if ((mask >> (3 - j)) & 1u) s.push_back(all[j]);
    }
    Add({s}, 8 - static_cast<SupportCount>(s.size()));
  }
  GenerateRules(engine());
  // Six pairs give 2 rules each, four triples 6 each, the quadruple 14.
  ASSERT_EQ(engine().rules.size(), 6u * 2u + 4u * 6u + 14u);
  // The rules of {1 2 3 4} are the last 14: body = the flags of counter k.
  const std::size_t first = engine().rules.size() - 14;
  for (unsigned k = 1; k <= 14; ++k) {
    Itemset body, head;
    for (unsigned j = 0; j < 4; ++j) ((k >> (3 - j)) & 1u ? body : head).push_back(all[j]);
    EXPECT_EQ(Rules()[first + k - 1], (std::pair<Pattern, Pattern>{{body}, {head}})) << k;
  }
}

TEST_F(RuleGenerationTest, ConfidenceBoundsAreInclusiveWithTheTolerance) {
  engine().settings.noseq = 1;
  Add({{1}}, 3);
  Add({{2}}, 3);
  Add({{1, 2}}, 1);  // both splits have confidence 1/3
  const double third = 1.0 / 3.0;
  const double up = std::nextafter(std::nextafter(std::nextafter(third, 1.0), 1.0), 1.0);
  for (const auto& [minconf, maxconf, rules] : std::vector<std::tuple<double, double, std::size_t>>{
           {third, third, 2}, {up, 1.0, 2}, {0.0, third * (1 - 1e-12), 0}, {0.34, 1.0, 0}}) {
    engine().settings.minconf = minconf;
    engine().settings.maxconf = maxconf;
    GenerateRules(engine());
    EXPECT_EQ(engine().rules.size(), rules) << minconf << " " << maxconf;
  }
}

TEST_F(RuleGenerationTest, SequenceRulesKeepAtMostMaxheadItemsetsInTheHead) {
  engine().settings.maxhead = 2;
  const Pattern s{{1}, {2}, {3}, {4}, {5}};
  for (std::size_t i = 1; i <= 5; ++i) {
    Add(Pattern(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(i)), 10);
    Add(Pattern(s.end() - static_cast<std::ptrdiff_t>(i), s.end()), 10);
  }
  const PatternId whole = *engine().patterns.Find(s);
  GenerateRules(engine());
  std::vector<std::pair<Pattern, Pattern>> rules;
  for (std::size_t i = 0; i < engine().rules.size(); ++i) {
    if (engine().rules[i].patternId == whole) rules.push_back(Rules()[i]);
  }
  const Pattern tail{{4}, {5}};
  EXPECT_EQ(rules, (std::vector<std::pair<Pattern, Pattern>>{{{{1}}, tail},
                                                             {{{1}, {2}}, tail},
                                                             {{{1}, {2}, {3}}, tail},
                                                             {{{1}, {2}, {3}, {4}}, {{5}}}}));
}

TEST_F(RuleGenerationTest, ASequenceRuleMetTwiceKeepsTheFiguresOfTheSmallerId) {
  engine().settings.maxhead = 1;
  Add({{1}}, 9);
  Add({{3}}, 8);
  const PatternId first = Add({{1}, {2}, {3}}, 4);
  Add({{1}, {4}, {3}}, 5);
  GenerateRules(engine());
  ASSERT_EQ(engine().rules.size(), 1u);  // <1> ==> <3>, once
  EXPECT_EQ(engine().rules[0].patternId, first);
  EXPECT_EQ(engine().rules[0].count, 4u);
}

TEST_F(RuleGenerationTest, MissingSequencePartsAreSkippedWithAWarning) {
  std::vector<std::string> lines;
  ScopedDebugSink sink([&](std::string_view text) { lines.emplace_back(text); });
  Add({{1}, {2, 3}}, 5);  // no <a> recorded
  Add({{4}}, 5);
  Add({{4}, {5}}, 5);  // no <e> recorded
  GenerateRules(engine());
  EXPECT_TRUE(engine().rules.empty());
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "WARNING: failed to find frequent subsequence {a} while constructing a body "
                       "for a rule from sequence {a, (b, c) : 5}\n",
                       "WARNING: failed to find frequent subsequence {e} while constructing a head "
                       "for a rule from sequence {d, e : 5}\n"}));
}

TEST_F(RuleGenerationTest, ProgressAndCancellation) {
  engine().settings.noseq = 1;
  Add({{1}}, 3);
  Add({{2}}, 3);
  Add({{1, 2}}, 2);
  Add({{3}}, 3);
  Add({{1, 3}}, 2);
  fx->host().CancelAfterSteps(4);
  EXPECT_EQ(GenerateRules(engine()), 1);
  EXPECT_EQ(engine().rules.size(), 2u);  // the rules of {a, b}, made before the cancel
  const std::vector<std::string>& log = fx->host().progressLog;
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0], "title:Generating rules...");
  EXPECT_EQ(log[1], "start:5");
  EXPECT_EQ(log.back(), "stop");
}

// Any thread count and block size give the rules of one thread, and a
// cancellation after the same number of progress steps ends the list at the
// same rule.
TEST(RuleGenerationInBlocks, GivesTheRulesAndTheCancellationPointOfOneThread) {
  std::mt19937_64 rng(31);
  for (int i = 0; i < 120; ++i) {
    const reference::RefInput input =
        MakeRandomCase(rng, {.association = true, .maxSequences = 40, .maxItems = 9});
    const reference::RefResult expected = reference::ReferenceRun(input);
    if (expected.truncated) continue;
    const SequenceDatabase db = ToSequenceDatabase(input);
    auto generate = [&](unsigned threads, std::size_t block, long cancelAfter, int& result) {
      auto fx = std::make_unique<EngineFixture>(input);
      EnumerateFrequentPatterns(fx->engine(), db, {});
      if (cancelAfter > 0) fx->host().CancelAfterSteps(cancelAfter);
      result = GenerateRules(fx->engine(), threads, block);
      return fx;
    };
    int serialResult = 0;
    const auto whole = generate(1, kRuleBlockPatterns, 0, serialResult);
    const long patterns = static_cast<long>(whole->engine().patterns.size());
    const long cancelAfter = 1 + static_cast<long>(rng() % static_cast<std::uint64_t>(patterns + 1));
    const auto serial = generate(1, kRuleBlockPatterns, cancelAfter, serialResult);
    for (const unsigned threads : {1u, 2u}) {
      for (const std::size_t block : {std::size_t{1}, std::size_t{3}, std::size_t{64}}) {
        int result = 0;
        const auto fx = generate(threads, block, 0, result);
        EXPECT_EQ(result, 0);
        ASSERT_TRUE(SameResults(expected, fx->engine())) << "case " << i << " x" << threads;
        const auto cancelled = generate(threads, block, cancelAfter, result);
        EXPECT_EQ(result, serialResult) << "case " << i;
        const RuleList& got = cancelled->engine().rules;
        const RuleList& want = serial->engine().rules;
        ASSERT_TRUE(std::equal(got.begin(), got.end(), want.begin(), want.end()))
            << "case " << i << " x" << threads << " blocks of " << block << ", cancelled after "
            << cancelAfter << " steps";
      }
    }
  }
}

}  // namespace
}  // namespace linkan::testing
