// The item frequency map and the lift-driven clustering of items: named
// cases, and random tables against a literal transcription of the greedy
// procedure (every ordered pair examined at every seed).
#include "engine/mining/item_clustering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <map>
#include <random>

#include "engine/mining/item_frequency.h"
#include "mining_harness.h"

namespace linkan::testing {
namespace {

struct ClusterResult {
  std::vector<ItemCluster> clusters;
  std::vector<ClusterStep> steps;
};

// The procedure as written: pairs in ascending (a, b) over all ordered
// pairs, first strictly best wins; growth by the first strictly best item.
ClusterResult LiteralClustering(const SalEngine& engine) {
  const FrequentPatternTable& t = engine.patterns;
  const double n = engine.N();
  auto count = [&](const Itemset& s) -> std::optional<SupportCount> {
    const auto id = t.Find(Pattern{s});
    if (!id) return std::nullopt;
    return t.CountOf(*id);
  };
  std::map<ItemNumber, SupportCount> w = engine.itemFrequency;
  ClusterResult r;
  while (!w.empty()) {
    double best = -1.0;
    ItemNumber sa = 0, sb = 0;
    for (const auto& [a, ca] : w) {
      for (const auto& [b, cb] : w) {
        if (a == b) continue;
        const auto cab = count(a < b ? Itemset{a, b} : Itemset{b, a});
        const double lift = cab ? *cab / (static_cast<double>(ca) * cb / n) : 0.0;
        if (lift > best) {
          best = lift;
          sa = a;
          sb = b;
        }
      }
    }
    Itemset s;
    if (best > 0.0) {
      s = {std::min(sa, sb), std::max(sa, sb)};
      r.steps.push_back({sa, best});
      r.steps.push_back({sb, best});
      w.erase(sa);
      w.erase(sb);
    } else {
      s = {w.begin()->first};
      r.steps.push_back({w.begin()->first, best});
      w.erase(w.begin());
    }
    while (!w.empty()) {
      double top = -1.0;
      ItemNumber pick = 0;
      for (const auto& [c, cc] : w) {
        Itemset grown = s;
        grown.insert(std::lower_bound(grown.begin(), grown.end(), c), c);
        const auto csc = count(grown);
        if (!csc) continue;
        const double lift = (static_cast<double>(*csc) / cc) / (static_cast<double>(*count(s)) / n);
        if (lift > top) {
          top = lift;
          pick = c;
        }
      }
      if (top <= 1.0) break;
      s.insert(std::lower_bound(s.begin(), s.end(), pick), pick);
      r.steps.push_back({pick, top});
      w.erase(pick);
    }
    r.clusters.push_back({Pattern{s}, *count(s)});
  }
  return r;
}

class ClusteringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reference::RefInput input;
    for (int i = 0; i < 12; ++i) input.items.Add(std::string(1, static_cast<char>('a' + i)));
    input.settings.noseq = 1;
    fx = std::make_unique<EngineFixture>(input);
    engine().settings.size = 8;  // N
  }
  SalEngine& engine() { return fx->engine(); }
  void Add(const Itemset& s, SupportCount count) { engine().patterns.Record({s}, count); }
  std::unique_ptr<EngineFixture> fx;
};

TEST_F(ClusteringTest, ItemFrequenciesComeFromTheFirstPatternStartingWithOneItem) {
  engine().patterns.Record({{2}, {3}}, 5);
  engine().patterns.Record({{2}}, 7);
  engine().patterns.Record({{1, 2}}, 4);
  engine().patterns.Record({{3}}, 6);
  RebuildItemFrequency(engine());
  EXPECT_EQ(engine().itemFrequency, (std::map<ItemNumber, SupportCount>{{2, 5}, {3, 6}}));
}

TEST_F(ClusteringTest, AnyPositiveLiftSeedsAndGrowthNeedsMoreThanOne) {
  Add({1}, 4);
  Add({2}, 4);
  Add({3}, 8);
  Add({1, 2}, 1);     // lift 1 / (4 x 4 / 8) = 0.5
  Add({1, 2, 3}, 1);  // lift of c with {a, b}: (1 / 8) / (1 / 8) = 1.0
  RebuildItemFrequency(engine());
  ASSERT_EQ(ClusterItems(engine()), 0);
  ASSERT_EQ(engine().clusters.size(), 2u);
  EXPECT_EQ(engine().clusters[0].pattern, (Pattern{{1, 2}}));
  EXPECT_EQ(engine().clusters[0].count, 1u);
  EXPECT_EQ(engine().clusters[1].pattern, (Pattern{{3}}));
  ASSERT_EQ(engine().clusterSteps.size(), 3u);
  EXPECT_EQ(engine().clusterSteps[0].item, 1);
  EXPECT_EQ(engine().clusterSteps[0].lift, 0.5);
  EXPECT_EQ(engine().clusterSteps[1].lift, 0.5);
  EXPECT_EQ(engine().clusterSteps[2].item, 3);
  EXPECT_EQ(engine().clusterSteps[2].lift, -1.0);
}

TEST_F(ClusteringTest, ItemsWithoutPairsFormClustersOfTheirOwn) {
  Add({4}, 3);
  Add({2}, 3);
  Add({7}, 3);
  RebuildItemFrequency(engine());
  ClusterItems(engine());
  ASSERT_EQ(engine().clusters.size(), 3u);
  std::vector<std::pair<ItemNumber, double>> steps;
  for (const ClusterStep& s : engine().clusterSteps) steps.emplace_back(s.item, s.lift);
  EXPECT_EQ(steps, (std::vector<std::pair<ItemNumber, double>>{{2, 0.0}, {4, 0.0}, {7, -1.0}}));
}

TEST_F(ClusteringTest, SequenceModeLeavesTheListsAsTheyWere) {
  engine().settings.noseq = 0;
  engine().clusters.push_back({Pattern{{9}}, 1});
  Add({1}, 3);
  RebuildItemFrequency(engine());
  EXPECT_EQ(ClusterItems(engine()), 1);
  ASSERT_EQ(engine().clusters.size(), 1u);
  EXPECT_EQ(engine().clusters[0].pattern, (Pattern{{9}}));
}

TEST_F(ClusteringTest, RandomTablesMatchTheLiteralProcedure) {
  std::mt19937_64 rng(17);
  std::uniform_int_distribution<int> count(1, 6), coin(0, 2), items(1, 10);
  engine().settings.size = 30;
  for (int round = 0; round < 300; ++round) {
    engine().patterns.Clear();
    const int m = items(rng);
    for (ItemNumber x = 1; x <= m; ++x) Add({x}, static_cast<SupportCount>(count(rng) + 2));
    // Random pairs, triples and quadruples with small counts (ties happen).
    for (unsigned mask = 1; mask < (1u << m); ++mask) {
      const int size = std::popcount(mask);
      if (size < 2 || size > 4 || coin(rng) == 0 || (size > 2 && coin(rng) != 0)) continue;
      Itemset s;
      for (int j = 0; j < m; ++j) {
        if ((mask >> j) & 1u) s.push_back(j + 1);
      }
      Add(s, static_cast<SupportCount>(count(rng)));
    }
    RebuildItemFrequency(engine());
    ClusterItems(engine());
    const ClusterResult expected = LiteralClustering(engine());
    ASSERT_EQ(engine().clusters.size(), expected.clusters.size()) << "round " << round;
    for (std::size_t i = 0; i < expected.clusters.size(); ++i) {
      EXPECT_EQ(engine().clusters[i].pattern, expected.clusters[i].pattern) << round;
      EXPECT_EQ(engine().clusters[i].count, expected.clusters[i].count) << round;
    }
    ASSERT_EQ(engine().clusterSteps.size(), expected.steps.size());
    for (std::size_t i = 0; i < expected.steps.size(); ++i) {
      EXPECT_EQ(engine().clusterSteps[i].item, expected.steps[i].item) << round;
      EXPECT_EQ(engine().clusterSteps[i].lift, expected.steps[i].lift) << round;
    }
  }
}

}  // namespace
}  // namespace linkan::testing
