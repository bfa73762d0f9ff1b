// vertical_lists.h
//
// Vertical id-lists for the standard-support enumeration: the id-list of a
// pattern names, for every sequence that contains the pattern, the
// ascending positions at which an occurrence of the pattern can end (its
// last itemset contained in the itemset there, its earlier itemsets at
// increasing positions before). The support of the pattern is the number of
// sequences of its list.
//
// The lists of the one-step extensions of a pattern P ("atoms") are joined
// pairwise to give the lists of the extensions of the child P + atom:
//   - a sequence join (the child followed by the new itemset {y}): in every
//     common sequence, the positions of the sibling's list after the
//     child's first position;
//   - an itemset join (y added to the child's last itemset): the positions
//     in both lists.
// Both give exactly the list of the longer pattern because the two atoms
// extend the same P (see standard_support_enumerator.h).
//
// Thread safety: a set is written by one thread; joins only read their
// inputs.
#pragma once

#include <tbb/scalable_allocator.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/mining/contributed_database.h"

namespace linkan::vertical {

template <class T>
using Vec = std::vector<T, tbb::scalable_allocator<T>>;

// Which lists get a bit set: those holding at least one sequence per four
// words (kAuto), none, all, or the new-itemset lists only (kMixed: every
// kind of join meets every pairing; for tests).
enum class BitSets { kAuto, kNever, kAlways, kMixed };

// Several id-lists stored one after another. A list is a range of groups;
// group g is one sequence `sid[g]` with the positions
// pos[start[g] .. start[g + 1]). A list may also have a bit set of its
// sequences (`words` words from bitsAt, with the number of its sequences
// in the words before each word), which bounds and drives the joins.
struct ListSet {
  static constexpr std::uint32_t kNoBits = UINT32_MAX;
  struct List {
    Rank item = 0;
    bool inItemset = false;   // y joins the last itemset (else opens a new one)
    std::uint32_t begin = 0;  // groups [begin, end)
    std::uint32_t end = 0;
    std::uint32_t bitsAt = kNoBits;
    std::uint32_t support() const { return end - begin; }
  };

  explicit ListSet(std::uint32_t sequences = 0, BitSets policy = BitSets::kAuto)
      : words((sequences + 63) / 64), policy(policy) {}

  std::uint32_t words;  // bit set words per list
  BitSets policy;
  Vec<std::uint32_t> sid;
  Vec<std::uint32_t> start{0};
  Vec<std::uint32_t> pos;
  Vec<std::uint64_t> bits;
  Vec<std::uint32_t> ranks;
  Vec<List> lists;

  void Clear() {
    sid.clear();
    start.assign(1, 0);
    pos.clear();
    bits.clear();
    ranks.clear();
    lists.clear();
  }

  // Appends the list of groups [begin, end), with its bit set when the
  // policy asks for one.
  void Close(Rank item, bool inItemset, std::uint32_t begin, std::uint32_t end) {
    List l{item, inItemset, begin, end, kNoBits};
    if (WantsBits(l)) {
      l.bitsAt = static_cast<std::uint32_t>(bits.size());
      bits.resize(bits.size() + words, 0);
      ranks.resize(bits.size(), 0);
      std::uint64_t* b = bits.data() + l.bitsAt;
      for (std::uint32_t g = l.begin; g < l.end; ++g)
        b[sid[g] >> 6] |= std::uint64_t{1} << (sid[g] & 63);
      std::uint32_t* r = ranks.data() + l.bitsAt;
      std::uint32_t before = 0;
      for (std::uint32_t w = 0; w < words; ++w) {
        r[w] = before;
        before += static_cast<std::uint32_t>(__builtin_popcountll(b[w]));
      }
    }
    lists.push_back(l);
  }

  bool WantsBits(const List& l) const {
    switch (policy) {
      case BitSets::kNever:
        return false;
      case BitSets::kAlways:
        return true;
      case BitSets::kMixed:
        return !l.inItemset;
      case BitSets::kAuto:
        break;
    }
    return std::uint64_t{l.support()} * 4 >= words;
  }

  // The group of sequence s in list l, or -1. REQUIRES: l has a bit set.
  std::int64_t GroupOf(const List& l, std::uint32_t s) const {
    const std::uint64_t word = bits[l.bitsAt + (s >> 6)];
    const std::uint64_t bit = std::uint64_t{1} << (s & 63);
    if ((word & bit) == 0) return -1;
    return l.begin + ranks[l.bitsAt + (s >> 6)] +
           static_cast<std::uint32_t>(__builtin_popcountll(word & (bit - 1)));
  }
};

enum class Join { kSequence, kItemset };

// Appends to `out` the groups of the list joined from lists `a` and `b` of
// `in` and returns its support, when that is at least `minCount`;
// otherwise appends nothing and returns 0. The caller closes the list. The
// join gives up as soon as the sequences left cannot reach `minCount`.
std::uint32_t JoinLists(const ListSet& in, const ListSet::List& a, const ListSet::List& b,
                        Join kind, std::uint32_t minCount, ListSet& out);

}  // namespace linkan::vertical
