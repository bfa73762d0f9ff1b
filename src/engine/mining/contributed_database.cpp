// contributed_database.cpp
#include "engine/mining/contributed_database.h"

#include <algorithm>
#include <unordered_map>

namespace linkan {

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
  // Contributions of every distinct item of the database, in item numbers.
  std::unordered_map<ItemNumber, std::vector<ItemNumber>> contributed;
  for (std::size_t s = 0; s < db.size(); ++s) {
    for (std::size_t p = 0; p < db.TransactionCount(s); ++p) {
      for (const ItemNumber x : db.ItemsetAt(s, p)) {
        if (!contributed.contains(x)) contributed.emplace(x, rules.Contributed(x));
      }
    }
  }
  ContributedDatabase out;
  for (const auto& [x, list] : contributed) {
    out.rankToItem_.insert(out.rankToItem_.end(), list.begin(), list.end());
  }
  std::sort(out.rankToItem_.begin(), out.rankToItem_.end());
  out.rankToItem_.erase(std::unique(out.rankToItem_.begin(), out.rankToItem_.end()),
                        out.rankToItem_.end());
  std::unordered_map<ItemNumber, std::vector<Rank>> ranksOf;
  ranksOf.reserve(contributed.size());
  for (const auto& [x, list] : contributed) {
    std::vector<Rank>& r = ranksOf[x];
    for (const ItemNumber y : list) {
      r.push_back(static_cast<Rank>(
          std::lower_bound(out.rankToItem_.begin(), out.rankToItem_.end(), y) -
          out.rankToItem_.begin() + 1));
    }
  }

  out.seqBegin_.reserve(db.size() + 1);
  out.posBegin_.reserve(db.TotalTransactions() + 1);
  out.onlyPosition_.assign(db.size(), -1);
  std::vector<Rank> set;
  for (std::size_t s = 0; s < db.size(); ++s) {
    int nonEmpty = 0;
    for (std::size_t p = 0; p < db.TransactionCount(s); ++p) {
      set.clear();
      for (const ItemNumber x : db.ItemsetAt(s, p)) {
        const std::vector<Rank>& r = ranksOf.find(x)->second;
        set.insert(set.end(), r.begin(), r.end());
      }
      std::sort(set.begin(), set.end());
      set.erase(std::unique(set.begin(), set.end()), set.end());
      out.ranks_.insert(out.ranks_.end(), set.begin(), set.end());
      out.posBegin_.push_back(out.ranks_.size());
      if (!set.empty()) {
        ++nonEmpty;
        out.onlyPosition_[s] = static_cast<std::int32_t>(p);
      }
    }
    if (nonEmpty > 1) out.oneItemsetPerSequence_ = false;
    out.seqBegin_.push_back(out.posBegin_.size() - 1);
  }
  return out;
}

}  // namespace linkan
