// item_clustering.cpp
#include "engine/mining/item_clustering.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "engine/sal_engine.h"
#include "frame/host/analysis_support.h"
#include "frame/host/module_error.h"
#include "frame/progress.h"

namespace linkan {
namespace {

struct PairLift {
  double lift;
  ItemNumber a;  // a < b
  ItemNumber b;
  SupportCount count;
};

// The recorded itemsets of two or more frequent items, listed under each of
// their items, so that the itemsets S + c of a cluster S come from the list
// of one member instead of a lookup per remaining item.
class SupersetIndex {
 public:
  SupersetIndex(const FrequentPatternTable& table,
                const std::map<ItemNumber, SupportCount>& frequent) {
    for (PatternId id = 0; id < table.size(); ++id) {
      const FrequentPatternTable::Key key = table.KeyOf(id);
      if (key.size() < 3 || key.size() != static_cast<std::size_t>(key[0]) + 1) continue;
      const auto items = key.subspan(1);
      if (!std::all_of(items.begin(), items.end(),
                       [&](ItemNumber x) { return frequent.contains(x); })) {
        continue;
      }
      for (const ItemNumber x : items) containing_[x].push_back(id);
    }
  }

  // Whether a SupersetIndex of `table` would hold fewer than `limit` entries.
  static bool Smaller(const FrequentPatternTable& table, double limit) {
    double n = 0;
    for (PatternId id = 0; id < table.size() && n < limit; ++id) {
      const FrequentPatternTable::Key key = table.KeyOf(id);
      if (key.size() >= 3 && key.size() == static_cast<std::size_t>(key[0]) + 1) {
        n += static_cast<double>(key.size() - 1);
      }
    }
    return n < limit;
  }

  // The recorded itemsets S + c of `cluster` (ascending) as (c, ID), c
  // ascending.
  void Extensions(const FrequentPatternTable& table, const Itemset& cluster,
                  std::vector<std::pair<ItemNumber, PatternId>>& out) const {
    out.clear();
    const std::vector<PatternId>* shortest = nullptr;
    for (const ItemNumber member : cluster) {
      const auto it = containing_.find(member);
      if (it == containing_.end()) return;
      if (shortest == nullptr || it->second.size() < shortest->size()) shortest = &it->second;
    }
    for (const PatternId id : *shortest) {
      const auto items = table.KeyOf(id).subspan(1);
      if (items.size() != cluster.size() + 1) continue;
      // Exactly one item of the itemset is not in the cluster.
      std::size_t i = 0;
      std::size_t j = 0;
      ItemNumber extra = 0;
      bool one = true;
      while (i < items.size()) {
        if (j < cluster.size() && items[i] == cluster[j]) {
          ++i;
          ++j;
        } else if (i - j == 0) {
          extra = items[i++];
        } else {
          one = false;
          break;
        }
      }
      if (one && j == cluster.size()) out.emplace_back(extra, id);
    }
    std::sort(out.begin(), out.end());
  }

 private:
  std::map<ItemNumber, std::vector<PatternId>> containing_;
};

}  // namespace

int ClusterItems(SalEngine& engine) {
  if (!engine.IsAssociationMode()) return 1;
  engine.clusters.clear();
  engine.clusterSteps.clear();
  const FrequentPatternTable& table = engine.patterns;
  const CAnalysisSupport& host = engine.analysis();
  // Polled per pattern read and per placed item; a stop ends the run.
  auto throwIfStopped = [&host] {
    if (IsAnalysisCancelled(host)) {
      throw AutomationError("User has cancelled the analysis", ErrorKind::kCancelled);
    }
  };
  const double n = engine.N();  // all 64 bits of N: a 32-bit N turns negative past 2^31
  std::map<ItemNumber, SupportCount> remaining = engine.itemFrequency;

  // Every recorded pair of frequent items with a positive lift, best first;
  // equal lifts in ascending (a, b), the order in which the pairs are met.
  std::vector<PairLift> pairs;
  for (std::size_t id = 0; id < table.size(); ++id) {
    if ((id & 0xffff) == 0xffff) throwIfStopped();
    const FrequentPatternTable::Key key = table.KeyOf(static_cast<PatternId>(id));
    if (key.size() != 3 || key[0] != 2) continue;
    const auto a = remaining.find(key[1]);
    const auto b = remaining.find(key[2]);
    if (a == remaining.end() || b == remaining.end()) continue;
    const SupportCount count = table.CountOf(static_cast<PatternId>(id));
    const double lift = count / (static_cast<double>(a->second) * b->second / n);
    if (lift > 0.0) pairs.push_back({lift, key[1], key[2], count});
  }
  std::sort(pairs.begin(), pairs.end(), [](const PairLift& x, const PairLift& y) {
    if (x.lift != y.lift) return x.lift > y.lift;
    if (x.a != y.a) return x.a < y.a;
    return x.b < y.b;
  });

  // The growth looks S + c up for every remaining item c, about items^2 / 2
  // lookups in all; an index of the itemsets by item is cheaper when it
  // holds fewer entries than that. Both find the same itemsets.
  const auto frequentItems = static_cast<double>(remaining.size());
  std::unique_ptr<SupersetIndex> index;
  if (SupersetIndex::Smaller(table, frequentItems * frequentItems / 2)) {
    index = std::make_unique<SupersetIndex>(table, remaining);
  }
  std::vector<std::pair<ItemNumber, PatternId>> extensions;

  std::size_t next = 0;
  std::vector<std::int32_t> key;
  while (!remaining.empty()) {
    // Seed.
    while (next < pairs.size() &&
           (!remaining.contains(pairs[next].a) || !remaining.contains(pairs[next].b))) {
      ++next;
    }
    Itemset cluster;
    SupportCount clusterCount = 0;
    if (next < pairs.size()) {
      const PairLift& seed = pairs[next];
      cluster = {seed.a, seed.b};
      clusterCount = seed.count;
      engine.clusterSteps.push_back({seed.a, seed.lift});
      engine.clusterSteps.push_back({seed.b, seed.lift});
      remaining.erase(seed.a);
      remaining.erase(seed.b);
    } else {
      const auto first = remaining.begin();
      const double best = remaining.size() == 1 ? -1.0 : 0.0;
      cluster = {first->first};
      clusterCount = first->second;
      engine.clusterSteps.push_back({first->first, best});
      remaining.erase(first);
    }
    // Growth.
    while (!remaining.empty()) {
      throwIfStopped();
      double best = -1.0;
      ItemNumber bestItem = 0;
      SupportCount bestCount = 0;
      // The first remaining item with the strictly highest lift.
      auto consider = [&](ItemNumber c, SupportCount countC, PatternId id) {
        const SupportCount joint = table.CountOf(id);
        const double lift =
            (static_cast<double>(joint) / countC) / (static_cast<double>(clusterCount) / n);
        if (lift > best) {
          best = lift;
          bestItem = c;
          bestCount = joint;
        }
      };
      if (index) {
        index->Extensions(table, cluster, extensions);
        for (const auto& [c, id] : extensions) {
          const auto left = remaining.find(c);
          if (left != remaining.end()) consider(c, left->second, id);
        }
      } else {
        for (const auto& [c, countC] : remaining) {
          key.assign(1, static_cast<std::int32_t>(cluster.size() + 1));
          const auto at = std::lower_bound(cluster.begin(), cluster.end(), c);
          key.insert(key.end(), cluster.begin(), at);
          key.push_back(c);
          key.insert(key.end(), at, cluster.end());
          if (const auto id = table.FindKey(key)) consider(c, countC, *id);
        }
      }
      if (best <= 1.0) break;
      cluster.insert(std::lower_bound(cluster.begin(), cluster.end(), bestItem), bestItem);
      clusterCount = bestCount;
      engine.clusterSteps.push_back({bestItem, best});
      remaining.erase(bestItem);
    }
    engine.clusters.push_back({Pattern{cluster}, clusterCount});
  }
  return 0;
}

}  // namespace linkan
