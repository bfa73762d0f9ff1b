// standard_support_test.cpp: the enumeration under StandardSupport against a
// brute-force count on thousands of random small databases of both modes
// (every option varied, multi-item itemsets), serial, without bit sets and
// split over threads; and the difference to the module's own counting on the worked
// example of a user.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "mining_harness.h"

namespace linkan::testing {
namespace {

using reference::RefInput;

// The itemsets the enumeration sees: ItemsetAt at every position, each item
// replaced by what it contributes.
std::vector<std::vector<std::set<ItemNumber>>> SeenItemsets(const RefInput& in) {
  std::vector<std::vector<std::set<ItemNumber>>> out;
  for (const reference::RefSequence& seq : in.sequences) {
    std::vector<std::set<ItemNumber>> sets;
    for (std::size_t p = 0; p < seq.size(); ++p) {
      std::set<ItemNumber> set;
      for (const ItemNumber x :
           reference::ReferenceItemsetAt(seq, in.settings, static_cast<std::int64_t>(p))) {
        for (const ItemNumber y : reference::ReferenceContributed(in, x)) set.insert(y);
      }
      sets.push_back(set);
    }
    out.push_back(sets);
  }
  return out;
}

// Whether the itemsets of `pattern` lie, in order, in itemsets of `seq` at
// increasing positions (taking the first fitting position each time is
// enough).
bool Contains(const std::vector<std::set<ItemNumber>>& seq, const Pattern& pattern) {
  std::size_t p = 0;
  for (const Itemset& want : pattern) {
    while (p < seq.size() && !std::includes(seq[p].begin(), seq[p].end(), want.begin(), want.end()))
      ++p;
    if (p == seq.size()) return false;
    ++p;
  }
  return true;
}

struct Expected {
  std::map<Pattern, SupportCount> patterns;
  std::set<Pattern> maximal;
  bool tooMany = false;
};

// Grows every pattern from its shorter prefix (an item joining the last
// itemset above its items, or a new itemset), counts each one over every
// sequence, keeps those within the bounds and, among them, the patterns no
// other kept pattern contains.
Expected BruteForce(const RefInput& in) {
  const AnalysisSettings& s = in.settings;
  const auto db = SeenItemsets(in);
  const auto [lo, hi] = reference::ReferenceBounds(in.sequences.size(), s.minsupp, s.maxsupp);
  const SupportCount minCount = std::max<SupportCount>(lo, 1);
  const int maxItemsets = s.noseq != 0 ? 1 : s.MaxSequenceSize;
  std::set<ItemNumber> alphabet;
  for (const auto& seq : db) {
    for (const auto& set : seq) alphabet.insert(set.begin(), set.end());
  }
  Expected out;
  std::vector<Pattern> level;
  if (maxItemsets >= 1) {
    for (const ItemNumber y : alphabet) level.push_back({{y}});
  }
  while (!level.empty()) {
    std::vector<Pattern> next;
    for (const Pattern& p : level) {
      SupportCount count = 0;
      for (const auto& seq : db) count += Contains(seq, p) ? 1 : 0;
      if (count < minCount) continue;
      if (count <= hi) out.patterns[p] = count;
      if (out.patterns.size() > 250) {
        out.tooMany = true;
        return out;
      }
      for (const ItemNumber y : alphabet) {
        if (y > p.back().back() && static_cast<int>(p.back().size()) < s.maxpat) {
          Pattern q = p;
          q.back().push_back(y);
          next.push_back(q);
        }
        if (static_cast<int>(p.size()) < maxItemsets) {
          Pattern q = p;
          q.push_back({y});
          next.push_back(q);
        }
      }
    }
    level = std::move(next);
  }
  for (const auto& [p, count] : out.patterns) {
    std::vector<std::set<ItemNumber>> asSequence;
    bool contained = false;
    for (const auto& [q, countQ] : out.patterns) {
      if (q == p) continue;
      asSequence.clear();
      for (const Itemset& set : q) asSequence.emplace_back(set.begin(), set.end());
      if (Contains(asSequence, p)) {
        contained = true;
        break;
      }
    }
    if (!contained) out.maximal.insert(p);
  }
  return out;
}

::testing::AssertionResult MatchesBruteForce(const Expected& expected, const SalEngine& engine) {
  const FrequentPatternTable& table = engine.patterns;
  std::map<Pattern, SupportCount> found;
  std::set<Pattern> leaves;
  for (std::size_t id = 0; id < table.size(); ++id) {
    const auto pid = static_cast<PatternId>(id);
    found[table.PatternOf(pid)] = table.CountOf(pid);
    if (engine.leaves.count(pid) != 0) leaves.insert(table.PatternOf(pid));
  }
  if (found.size() != table.size()) return ::testing::AssertionFailure() << "a pattern twice";
  if (found != expected.patterns) {
    for (const auto& [p, count] : expected.patterns) {
      const auto it = found.find(p);
      if (it == found.end() || it->second != count) {
        return ::testing::AssertionFailure()
               << "a pattern of " << p.size() << " itemsets with count " << count << " is "
               << (it == found.end() ? "missing" : "counted " + std::to_string(it->second));
      }
    }
    return ::testing::AssertionFailure()
           << found.size() - expected.patterns.size() << " patterns too many";
  }
  if (leaves != expected.maximal) {
    return ::testing::AssertionFailure()
           << "leaves: " << leaves.size() << " vs maximal " << expected.maximal.size();
  }
  return ::testing::AssertionSuccess();
}

// Table (IDs, patterns, counts), leaves and rules are identical.
::testing::AssertionResult SameRun(const SalEngine& a, const SalEngine& b) {
  if (a.patterns.size() != b.patterns.size() || a.leaves != b.leaves ||
      a.rules.size() != b.rules.size()) {
    return ::testing::AssertionFailure() << "sizes or leaves differ";
  }
  for (std::size_t id = 0; id < a.patterns.size(); ++id) {
    const auto pid = static_cast<PatternId>(id);
    if (a.patterns.PatternOf(pid) != b.patterns.PatternOf(pid) ||
        a.patterns.CountOf(pid) != b.patterns.CountOf(pid)) {
      return ::testing::AssertionFailure() << "pattern " << id << " differs";
    }
  }
  for (std::size_t i = 0; i < a.rules.size(); ++i) {
    if (a.rules[i].bodyId != b.rules[i].bodyId || a.rules[i].headId != b.rules[i].headId ||
        a.rules[i].count != b.rules[i].count) {
      return ::testing::AssertionFailure() << "rule " << i << " differs";
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(StandardSupport, EqualsBruteForceCountOnRandomDatabases) {
  struct Mode {
    RandomCaseOptions options;
    int cases;
  };
  const Mode modes[] = {
      {{.association = false, .maxSequences = 10, .maxItems = 6}, 1300},
      {{.association = false, .maxSequences = 25, .maxItems = 8}, 100},
      {{.association = true, .maxSequences = 12, .maxItems = 7}, 400},
      {{.association = true, .multiRecord = true}, 200},
  };

  std::mt19937_64 rng(17);
  MiningContext serial;
  // The same results, every other case, with id-lists without bit sets,
  // and else on two threads with bit sets on the new-itemset lists only
  // (every kind of join).
  MiningContext lists;
  lists.layout = MiningContext::Layout::kSparse;
  MiningContext split;
  split.threads = 2;
  split.minParallelWork = 0;  // split every node of the top levels
  split.layout = MiningContext::Layout::kGeneral;
  int checked = 0;
  for (const Mode& mode : modes) {
    for (int i = 0; i < mode.cases; ++i) {
      RefInput input = MakeRandomCase(rng, mode.options);
      input.settings.StandardSupport = 1;
      const Expected expected = BruteForce(input);
      if (expected.tooMany) continue;
      ++checked;
      const SequenceDatabase db = ToSequenceDatabase(input);
      EngineFixture one(input);
      RunEngine(one.engine(), db, serial);
      ASSERT_TRUE(MatchesBruteForce(expected, one.engine()))
          << "case " << i << ": " << Describe(input);
      const MiningContext& other = i % 2 == 0 ? lists : split;
      EngineFixture two(input);
      RunEngine(two.engine(), db, other);
      ASSERT_TRUE(SameRun(one.engine(), two.engine()))
          << "case " << i << " with " << other.threads << " threads: " << Describe(input);
    }
  }
  EXPECT_GT(checked, 1900);
}

// Two customers <{a}, {b}, {b, c}> and one <{d}> at minimum support 0.3:
// <a, (b c)> is in two sequences. The module's own counting matches (b c)
// only where <a, b> was first matched and leaves it out; standard support
// finds it, and <a, b, (b c)> keeps its count 2 in both.
TEST(StandardSupport, FindsWhatTheModulesOwnCountingLeavesOut) {
  const NamedSequences customers = {
      {{"a"}, {"b"}, {"b", "c"}}, {{"a"}, {"b"}, {"b", "c"}}, {{"d"}}};
  for (const int standard : {0, 1}) {
    RefInput input = NamedInput(false, customers, 0.3);
    input.settings.StandardSupport = standard;
    EngineFixture fx(input);
    RunEngine(fx.engine(), ToSequenceDatabase(input), MiningContext{});
    const FrequentPatternTable& table = fx.engine().patterns;
    const auto shorter = table.Find(Named(input, {{"a"}, {"b", "c"}}));
    const auto longer = table.Find(Named(input, {{"a"}, {"b"}, {"b", "c"}}));
    ASSERT_TRUE(longer.has_value()) << "StandardSupport " << standard;
    EXPECT_EQ(table.CountOf(*longer), 2u);
    EXPECT_EQ(shorter.has_value(), standard == 1);
    if (standard == 1) {
      EXPECT_EQ(table.CountOf(*shorter), 2u);
      // The one leaf of a, b, c is the longest pattern.
      EXPECT_TRUE(fx.engine().leaves.count(*longer));
      EXPECT_FALSE(fx.engine().leaves.count(*shorter));
    }
  }
}

}  // namespace
}  // namespace linkan::testing
