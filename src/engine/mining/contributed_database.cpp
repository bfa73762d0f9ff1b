// contributed_database.cpp
#include "engine/mining/contributed_database.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace linkan {
namespace {

// Item number -> index of the item among the distinct items of the
// database: a plain array when the numbers are compact (as after the
// renumbering of a run), else a hash map.
class ItemIndex {
 public:
  ItemIndex(ItemNumber lo, ItemNumber hi, std::size_t distinctHint) {
    const auto span = static_cast<std::int64_t>(hi) - lo + 1;
    dense_ = lo >= 0 && span >= 1 && span <= static_cast<std::int64_t>(4 * distinctHint + 4096);
    if (dense_) array_.assign(static_cast<std::size_t>(hi) + 1, -1);
  }
  // The index of x, or -1.
  std::int32_t Find(ItemNumber x) const {
    if (dense_) return array_[static_cast<std::size_t>(x)];
    const auto it = map_.find(x);
    return it == map_.end() ? -1 : it->second;
  }
  void Set(ItemNumber x, std::int32_t index) {
    if (dense_) {
      array_[static_cast<std::size_t>(x)] = index;
    } else {
      map_[x] = index;
    }
  }

 private:
  bool dense_ = false;
  std::vector<std::int32_t> array_;
  std::unordered_map<ItemNumber, std::int32_t> map_;
};

}  // namespace

ContributionRules ContributionRules::FromEngine(const SalEngine& engine) {
  ContributionRules r;
  r.items = &engine.items;
  r.useTaxonomies = engine.settings.taxon != 0 && !engine.taxonomies.empty();
  r.removeOriginal = engine.settings.removeorg != 0;
  r.taxonomies = &engine.taxonomies;
  r.stoplist = &engine.stoplist;
  return r;
}

std::vector<ItemNumber> ContributionRules::Contributed(ItemNumber x) const {
  std::vector<ItemNumber> out;
  const std::string& name = items->Name(x);
  const bool stopped = stoplist != nullptr && stoplist->count(name) != 0;
  bool hadEntry = false;
  if (useTaxonomies) {
    for (const TaxonomyMap& taxonomy : *taxonomies) {
      const auto it = taxonomy.find(name);
      if (it == taxonomy.end()) continue;
      hadEntry = true;
      if (stoplist != nullptr && stoplist->count(it->second) != 0) continue;
      out.push_back(items->Number(it->second));
    }
  }
  if (!stopped && !(removeOriginal && hadEntry)) out.push_back(x);
  return out;
}

ContributedDatabase ContributedDatabase::Build(const SequenceDatabase& db,
                                               const ContributionRules& rules) {
  // The distinct items of the database.
  ItemNumber lo = std::numeric_limits<ItemNumber>::max();
  ItemNumber hi = std::numeric_limits<ItemNumber>::min();
  std::size_t total = 0;
  for (std::size_t s = 0; s < db.size(); ++s) {
    for (std::size_t p = 0; p < db.TransactionCount(s); ++p) {
      for (const ItemNumber x : db.ItemsetAt(s, p)) {
        lo = std::min(lo, x);
        hi = std::max(hi, x);
        ++total;
      }
    }
  }
  ItemIndex index(lo, hi, total > 0 ? std::min<std::size_t>(total, 1 << 20) : 0);
  std::vector<ItemNumber> distinct;
  for (std::size_t s = 0; s < db.size() && total > 0; ++s) {
    for (std::size_t p = 0; p < db.TransactionCount(s); ++p) {
      for (const ItemNumber x : db.ItemsetAt(s, p)) {
        if (index.Find(x) >= 0) continue;
        index.Set(x, static_cast<std::int32_t>(distinct.size()));
        distinct.push_back(x);
      }
    }
  }
  // Their contributions, and whether every item contributes just itself.
  std::vector<std::vector<ItemNumber>> contributed(distinct.size());
  bool identity = true;
  ContributedDatabase out;
  for (std::size_t i = 0; i < distinct.size(); ++i) {
    contributed[i] = rules.Contributed(distinct[i]);
    identity = identity && contributed[i].size() == 1 && contributed[i][0] == distinct[i];
    out.rankToItem_.insert(out.rankToItem_.end(), contributed[i].begin(), contributed[i].end());
  }
  std::sort(out.rankToItem_.begin(), out.rankToItem_.end());
  out.rankToItem_.erase(std::unique(out.rankToItem_.begin(), out.rankToItem_.end()),
                        out.rankToItem_.end());
  std::vector<std::vector<Rank>> ranksOf(distinct.size());
  for (std::size_t i = 0; i < distinct.size(); ++i) {
    for (const ItemNumber y : contributed[i]) {
      ranksOf[i].push_back(
          static_cast<Rank>(std::lower_bound(out.rankToItem_.begin(), out.rankToItem_.end(), y) -
                            out.rankToItem_.begin() + 1));
    }
  }

  out.seqBegin_.reserve(db.size() + 1);
  out.posBegin_.reserve(db.TotalTransactions() + 1);
  out.ranks_.reserve(total);
  out.onlyPosition_.assign(db.size(), -1);
  std::vector<Rank> set;
  for (std::size_t s = 0; s < db.size(); ++s) {
    int nonEmpty = 0;
    for (std::size_t p = 0; p < db.TransactionCount(s); ++p) {
      const auto items = db.ItemsetAt(s, p);
      if (identity) {
        // Ranks keep the order of items: the set stays ascending.
        for (const ItemNumber x : items) out.ranks_.push_back(ranksOf[index.Find(x)][0]);
      } else {
        set.clear();
        for (const ItemNumber x : items) {
          const std::vector<Rank>& r = ranksOf[index.Find(x)];
          set.insert(set.end(), r.begin(), r.end());
        }
        std::sort(set.begin(), set.end());
        set.erase(std::unique(set.begin(), set.end()), set.end());
        out.ranks_.insert(out.ranks_.end(), set.begin(), set.end());
      }
      if (out.ranks_.size() > out.posBegin_.back()) {
        ++nonEmpty;
        out.onlyPosition_[s] = static_cast<std::int32_t>(p);
      }
      out.posBegin_.push_back(out.ranks_.size());
    }
    if (nonEmpty > 1) out.oneItemsetPerSequence_ = false;
    out.seqBegin_.push_back(out.posBegin_.size() - 1);
  }
  return out;
}

}  // namespace linkan
