// frequent_pattern_table.h
//
// FrequentPatternTable: every frequent pattern of a run with its support
// count. IDs are dense and given in order of first recording (0, 1, ...);
// recording a pattern already present returns its ID and keeps its count.
// A lookup of an ID that is not present throws ModuleError(kNotFound,
// "value not found").
//
// Storage is flat: all patterns live in one array of 32-bit words as keys,
// so recording a pattern costs no allocation of its own. A key lists, for
// each itemset in order, its length and then its items in ascending order:
// the pattern {1 2} {3} is the key 2 1 2 1 3. A run of whole itemsets of a
// key (a prefix or a suffix) is itself a key, which rule generation uses to
// look up bodies and heads without building patterns.
//
// The hash of a key folds, itemset by itemset, the XOR of ItemHash over the
// itemset's items mixed with its length, so the hash of a one-itemset key can
// be built incrementally from item hashes (OneItemsetHash).
//
// Thread safety: none for writers; const members may be called from several
// threads while nobody records.
#pragma once

#include <tbb/scalable_allocator.h>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/huge_pages.h"
#include "engine/pattern.h"

namespace linkan {

class FrequentPatternTable {
 public:
  using Key = std::span<const std::int32_t>;

  // Records `p` with `count`; returns its ID (the existing one when present).
  PatternId Record(const Pattern& p, SupportCount count);
  // As Record, for a pattern given as a key. `inserted` (when not null)
  // tells whether the pattern was new.
  PatternId RecordKey(Key key, SupportCount count, bool* inserted = nullptr);

  // Appends a pattern known not to be recorded, without indexing it yet:
  // a bulk load. Until IndexAppended() the table must not be searched
  // (Find* are not allowed; Record* index the appended patterns first).
  // Returns the new ID.
  PatternId AppendUnindexed(Key key, SupportCount count);
  // Indexes the patterns appended since the last call, in one pass ordered
  // by hash slot. Throws ModuleError(kInternal, "duplicate pattern") when an
  // appended pattern was recorded already.
  void IndexAppended();

  // The ID of `p`, if recorded.
  std::optional<PatternId> Find(const Pattern& p) const;
  std::optional<PatternId> FindKey(Key key) const { return FindKey(key, HashKey(key)); }
  // REQUIRES: hash == HashKey(key).
  std::optional<PatternId> FindKey(Key key, std::uint64_t hash) const;

  // Starts loading the slot where a search for `hash` begins (a hint for
  // lookups made a little later).
  void Prefetch(std::uint64_t hash) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[SlotOf(hash)]);
  }

  // The pattern of `id` (a copy); throws "value not found" when absent.
  Pattern PatternOf(PatternId id) const;
  // The key of `id`; valid until the next Record or Clear.
  Key KeyOf(PatternId id) const;
  SupportCount CountOf(PatternId id) const;
  // Number of itemsets of the pattern `id`.
  std::size_t ItemsetCount(PatternId id) const;

  // Number of patterns; IDs run 0 .. size() - 1.
  std::size_t size() const { return counts_.size(); }
  bool empty() const { return counts_.empty(); }
  void Clear();
  // Prepares room for `morePatterns` more patterns of `moreWords` key
  // words in all.
  void Reserve(std::size_t morePatterns, std::size_t moreWords);

  // ---- Keys and hashes ----
  static void AppendKey(const Pattern& p, std::vector<std::int32_t>& out);
  static Pattern PatternFromKey(Key key);
  // Number of itemsets of a well-formed key.
  static std::size_t KeyItemsetCount(Key key);
  static std::uint64_t HashKey(Key key);
  static std::uint64_t ItemHash(ItemNumber x);
  // The hash of the one-itemset key of `length` items whose ItemHash values
  // XOR to `itemXor`.
  static std::uint64_t OneItemsetHash(std::uint64_t itemXor, std::size_t length);

 private:
  // A slot holds an ID in its low half and the high half of the pattern's
  // hash in its high half, so most probes need not read the pattern.
  static constexpr std::uint64_t kEmptySlot = ~std::uint64_t{0};
  static std::uint64_t SlotValue(std::uint64_t hash, PatternId id) {
    return (hash & 0xffffffff00000000ull) | id;
  }
  void Place(std::uint64_t hash, PatternId id);

  void Rehash(std::size_t slotCount);
  std::size_t SlotOf(std::uint64_t hash) const { return hash & (slots_.size() - 1); }

  // Large arrays come as huge pages: first touches are a large part of
  // recording half a million patterns.
  template <class T>
  using Vec = std::vector<T, HugePageAllocator<T>>;
  Vec<std::int32_t> words_;        // the keys, one after another
  Vec<std::uint64_t> offsets_{0};  // key of id k: words_[offsets_[k], offsets_[k + 1])
  Vec<SupportCount> counts_;
  Vec<std::uint64_t> hashes_;
  Vec<std::uint64_t> slots_;  // open addressing, linear probing
  std::size_t indexed_ = 0;   // patterns 0 .. indexed_ - 1 are in slots_
};

}  // namespace linkan
