// contributed_database.h
//
// ContributedDatabase: the sequences as the enumeration sees them. At every
// position of a sequence it holds the ascending set of contributed items of
// the combined itemset there:
//   - without taxonomies (taxon not set, or no taxonomy loaded): the item
//     itself unless its name is in the stop list;
//   - with taxonomies: for every taxonomy, in order, that has an entry for
//     the item's name, the parent named there (looked up in the item
//     dictionary) unless the parent's name is in the stop list; and the item
//     itself unless its name is in the stop list or removeorg is set and
//     some taxonomy had an entry for it.
// Items are held as ranks: the distinct contributed items in ascending item
// number get ranks 1, 2, ...; ranks keep the order of items, so every
// comparison of the enumeration can be made on ranks.
//
// Building throws ModuleError(kNotFound, "value not found") when an item of
// the database or a parent label is missing from the item dictionary.
//
// Thread safety: immutable after building; any number of readers.
#pragma once

#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "engine/item_dictionary.h"
#include "engine/mining/sequence_database.h"
#include "engine/sal_engine.h"

namespace linkan {

using Rank = std::int32_t;

struct ContributionRules {
  const ItemDictionary* items = nullptr;
  bool useTaxonomies = false;   // taxon set and at least one taxonomy loaded
  bool removeOriginal = false;  // removeorg
  const std::vector<TaxonomyMap>* taxonomies = nullptr;
  const std::set<std::string>* stoplist = nullptr;

  static ContributionRules FromEngine(const SalEngine& engine);
  // The contributed items of item x (in the order described above).
  std::vector<ItemNumber> Contributed(ItemNumber x) const;
};

class ContributedDatabase {
 public:
  static ContributedDatabase Build(const SequenceDatabase& db, const ContributionRules& rules);

  std::size_t size() const { return seqBegin_.size() - 1; }
  std::size_t PositionCount(std::size_t s) const { return seqBegin_[s + 1] - seqBegin_[s]; }
  std::span<const Rank> At(std::size_t s, std::size_t p) const {
    const std::size_t k = seqBegin_[s] + p;
    return {ranks_.data() + posBegin_[k], posBegin_[k + 1] - posBegin_[k]};
  }
  // Ranks run 1 .. RankCount().
  std::size_t RankCount() const { return rankToItem_.size(); }
  ItemNumber ItemOf(Rank r) const { return rankToItem_[static_cast<std::size_t>(r) - 1]; }
  const std::vector<ItemNumber>& RankToItem() const { return rankToItem_; }

  // True when no sequence has more than one non-empty position: every
  // transaction is then a single itemset.
  bool OneItemsetPerSequence() const { return oneItemsetPerSequence_; }
  // The one non-empty position of s, or -1. REQUIRES: OneItemsetPerSequence().
  std::int32_t OnlyPosition(std::size_t s) const { return onlyPosition_[s]; }

 private:
  std::vector<std::uint64_t> seqBegin_{0};  // into positions
  std::vector<std::uint64_t> posBegin_{0};  // into ranks_
  std::vector<Rank> ranks_;
  std::vector<ItemNumber> rankToItem_;
  std::vector<std::int32_t> onlyPosition_;
  bool oneItemsetPerSequence_ = true;
};

}  // namespace linkan
