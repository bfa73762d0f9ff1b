// Tests of the disjoint sequences: the order-keeping nesting relation, the
// elimination of nested leaves (named cases in both ID orders, and random
// leaf sets, some cancelled part way first, against the maximal patterns
// found by brute force), and the table.
#include "results/disjoint_sequences.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>

#include "engine/sal_engine.h"
#include "results/rule_tables.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using testing::TestAnalysis;
using testing::TestHost;

// Items a = 1, b = 2, c = 3, d = 4.
constexpr ItemNumber a = 1, b = 2, c = 3, d = 4;

// Nesting by trying every increasing choice of itemsets of `y`.
bool NestedByAnyMapping(const Pattern& x, const Pattern& y, std::size_t i = 0,
                        std::size_t from = 0) {
  if (i == x.size()) return true;
  for (std::size_t j = from; j < y.size(); ++j) {
    if (std::includes(y[j].begin(), y[j].end(), x[i].begin(), x[i].end()) &&
        NestedByAnyMapping(x, y, i + 1, j + 1)) {
      return true;
    }
  }
  return false;
}

TEST(IsNested, KeepsTheOrderOfItemsets) {
  struct Case {
    Pattern x, y;
    bool nested;
  };
  const Case cases[] = {
      {{}, {{a}}, true},
      {{{a}}, {{a}, {b}}, true},
      {{{a, b}}, {{a, b, c}}, true},
      {{{a, b, c}}, {{a, b}}, false},
      {{{a}, {b}}, {{a, c}, {b, d}}, true},
      {{{b}, {a}}, {{a}, {b}}, false},
      // Order kept: {b} then {a} is not in {a}, {a}, {b}.
      {{{b}, {a}}, {{a}, {a}, {b}}, false},
      {{{a}, {a, b}}, {{b}, {a, b}}, false},
      {{{b}, {a, b}}, {{a}, {a, b}}, false},
      {{{a}, {b}}, {{a, b}}, false},
      {{{a}, {a}}, {{a}, {c}, {a}}, true},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(IsNested(k.x, k.y), k.nested)
        << ::testing::PrintToString(k.x) << " in " << ::testing::PrintToString(k.y);
    EXPECT_EQ(NestedByAnyMapping(k.x, k.y), k.nested);
  }
}

class DisjointSequencesTest : public ::testing::Test {
 protected:
  // Records `patterns` (IDs 0, 1, ... in order) as the leaves of a fresh
  // engine over N = 10.
  void Make(bool association, const std::vector<Pattern>& patterns) {
    host = TestHost();
    host.AddNumeric("v", {1});
    engine = std::make_unique<SalEngine>(support, nullptr);
    engine->settings.noseq = association ? 1 : 0;
    engine->settings.size = 10;
    for (const char* n : {"a", "b", "c", "d"}) engine->items.Add(n);
    SupportCount count = 9;
    for (const Pattern& p : patterns) {
      engine->leaves.insert(engine->patterns.Record(p, count > 1 ? count-- : 1));
    }
  }
  std::vector<Pattern> Survivors() const {
    std::vector<Pattern> out;
    for (const PatternId id : engine->leaves) out.push_back(engine->patterns.PatternOf(id));
    return out;
  }

  TestHost host;
  TestAnalysis support{&host};
  std::unique_ptr<SalEngine> engine;
};

TEST_F(DisjointSequencesTest, EliminationKeepsExactlyTheMaximalPatternsInEitherOrder) {
  struct Case {
    std::vector<Pattern> leaves;
    std::vector<Pattern> kept;  // in the order of `leaves`
  };
  const Case cases[] = {
      {{{{a}}, {{a}, {b}}}, {{{a}, {b}}}},
      {{{{b}, {a}}, {{a}, {a}, {b}}}, {{{b}, {a}}, {{a}, {a}, {b}}}},
      {{{{a}, {a, b}}, {{b}, {a, b}}}, {{{a}, {a, b}}, {{b}, {a, b}}}},
      {{{{a}}, {{b}}, {{a}, {b}}, {{a, c}, {b, d}}}, {{{a, c}, {b, d}}}},
  };
  for (const Case& k : cases) {
    for (const bool reversed : {false, true}) {
      std::vector<Pattern> leaves = k.leaves;
      std::vector<Pattern> kept = k.kept;
      if (reversed) {
        std::reverse(leaves.begin(), leaves.end());
        std::reverse(kept.begin(), kept.end());
      }
      SCOPED_TRACE(::testing::PrintToString(leaves));
      Make(false, leaves);
      ASSERT_TRUE(EliminateNestedLeaves(support, *engine));
      EXPECT_EQ(Survivors(), kept);
      ASSERT_TRUE(EliminateNestedLeaves(support, *engine));
      EXPECT_EQ(Survivors(), kept);
    }
  }
}

TEST_F(DisjointSequencesTest, RandomLeafSetsLeaveTheirMaximalPatternsAndAreIdempotent) {
  std::mt19937 rng(11);
  for (int round = 0; round < 300; ++round) {
    std::set<Pattern> distinct;
    const int count = 1 + static_cast<int>(rng() % 8);
    while (static_cast<int>(distinct.size()) < count) {
      Pattern p(1 + rng() % 3);
      for (Itemset& set : p) {
        for (ItemNumber i = 1; i <= 3; ++i) {
          if (rng() % 2) set.push_back(i);
        }
        if (set.empty()) set.push_back(1 + static_cast<ItemNumber>(rng() % 3));
      }
      distinct.insert(p);
    }
    std::vector<Pattern> leaves(distinct.begin(), distinct.end());
    std::shuffle(leaves.begin(), leaves.end(), rng);
    std::vector<Pattern> maximal;
    for (const Pattern& x : leaves) {
      if (std::none_of(leaves.begin(), leaves.end(),
                       [&](const Pattern& y) { return x != y && NestedByAnyMapping(x, y); })) {
        maximal.push_back(x);
      }
    }
    Make(false, leaves);
    if (round % 3 == 0) {
      // A cancel part way keeps its removals; the next call finishes alike.
      host.CancelAfterSteps(1 + round % 4);
      EliminateNestedLeaves(support, *engine);
      host.CancelAfterSteps(1'000'000);
      support.runGuard().Begin(0);
    }
    ASSERT_TRUE(EliminateNestedLeaves(support, *engine));
    ASSERT_EQ(Survivors(), maximal) << ::testing::PrintToString(leaves);
    ASSERT_TRUE(EliminateNestedLeaves(support, *engine));
    ASSERT_EQ(Survivors(), maximal);
  }
}

TEST_F(DisjointSequencesTest, TableListsTheSurvivorsAndShowsTheSameRowsTwice) {
  Make(false, {{{a}}, {{a}, {b, c}}, {{b}}});  // counts 9, 8, 7
  for (int call = 0; call < 2; ++call) {
    bool shown = false;
    ASSERT_EQ(ShowDisjointSequences(support, *engine, shown), 0);
    EXPECT_TRUE(shown);
  }
  ASSERT_EQ(host.spreadsheets.size(), 2u);
  const ResultsTable& t = host.spreadsheets[0];
  EXPECT_EQ(t.documentName, "disjoint");
  EXPECT_EQ(t.titles, (std::array<std::string, 3>{"Disjointed sequences computed",
                                                  "Min: support = 20.0%, confidence = 10.0%", ""}));
  EXPECT_EQ(t.columnNames, (std::vector<std::string>{"Frequent sequences", "Number of itemsets",
                                                     "Frequency", "Support(%)"}));
  ASSERT_EQ(t.rows, 1);
  EXPECT_EQ(t.Text(0, 0), "a, (b, c)");
  EXPECT_EQ(t.Text(0, 1), "2");
  EXPECT_EQ(t.Text(0, 2), "8");
  EXPECT_DOUBLE_EQ(t.Number(0, 3), 80.0);
  EXPECT_EQ(host.spreadsheets[1].texts, t.texts);
  EXPECT_NE(std::find(host.progressLog.begin(), host.progressLog.end(),
                      std::string("title:") + kEliminationProgressText),
            host.progressLog.end());

  // Association mode: itemsets and their sizes.
  Make(true, {{{a, b}}, {{a, b, c}}});
  bool shown = false;
  ASSERT_EQ(ShowDisjointSequences(support, *engine, shown), 0);
  ASSERT_EQ(host.spreadsheets.size(), 1u);
  EXPECT_EQ(host.spreadsheets[0].titles[0], "Frequent itemsets computed");
  EXPECT_EQ(host.spreadsheets[0].Text(0, 0), "a, b, c");
  EXPECT_EQ(host.spreadsheets[0].Text(0, 1), "3");

  // No leaf: the no-rule message only. A cancel: 1, nothing shown.
  Make(true, {});
  ASSERT_EQ(ShowDisjointSequences(support, *engine, shown), 0);
  EXPECT_FALSE(shown);
  EXPECT_EQ(host.messages, std::vector<std::string>{kNoRuleMessage});
  Make(true, {{{a}}, {{a, b}}});
  host.SetCancelled(true);
  EXPECT_EQ(ShowDisjointSequences(support, *engine, shown), 1);
  EXPECT_TRUE(host.spreadsheets.empty());
}

}  // namespace
}  // namespace linkan
