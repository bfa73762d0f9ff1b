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

// Several id-lists stored one after another. A list is a range of groups;
// group g is one sequence `sid[g]` with the positions
// pos[start[g] .. start[g + 1]).
struct ListSet {
  struct List {
    Rank item = 0;
    bool inItemset = false;  // y joins the last itemset (else opens a new one)
    std::uint32_t begin = 0;  // groups [begin, end)
    std::uint32_t end = 0;
    std::uint32_t support() const { return end - begin; }
  };

  Vec<std::uint32_t> sid;
  Vec<std::uint32_t> start{0};
  Vec<std::uint32_t> pos;
  Vec<List> lists;

  void Clear() {
    sid.clear();
    start.assign(1, 0);
    pos.clear();
    lists.clear();
  }
  std::size_t Positions(const List& l) const { return start[l.end] - start[l.begin]; }
};

enum class Join { kSequence, kItemset };

// Appends to `out` the list joined from lists `a` and `b` of `in` and
// returns its support, when that is at least `minCount`; otherwise appends
// nothing and returns 0. The join gives up as soon as the sequences left
// cannot reach `minCount`.
inline std::uint32_t JoinLists(const ListSet& in, const ListSet::List& a, const ListSet::List& b,
                               Join kind, std::uint32_t minCount, ListSet& out) {
  const std::size_t sidMark = out.sid.size();
  const std::size_t posMark = out.pos.size();
  std::uint32_t ga = a.begin;
  std::uint32_t gb = b.begin;
  std::uint32_t found = 0;
  const std::uint32_t* sid = in.sid.data();
  const std::uint32_t* start = in.start.data();
  const std::uint32_t* pos = in.pos.data();
  while (ga < a.end && gb < b.end) {
    if (found + std::min(a.end - ga, b.end - gb) < minCount) break;
    const std::uint32_t sa = sid[ga];
    const std::uint32_t sb = sid[gb];
    if (sa < sb) {
      ++ga;
      continue;
    }
    if (sb < sa) {
      ++gb;
      continue;
    }
    const std::size_t before = out.pos.size();
    const std::uint32_t* pb = pos + start[gb];
    const std::uint32_t* pbEnd = pos + start[gb + 1];
    if (kind == Join::kSequence) {
      const std::uint32_t first = pos[start[ga]];
      while (pb != pbEnd && *pb <= first) ++pb;
      out.pos.insert(out.pos.end(), pb, pbEnd);
    } else {
      const std::uint32_t* pa = pos + start[ga];
      const std::uint32_t* paEnd = pos + start[ga + 1];
      while (pa != paEnd && pb != pbEnd) {
        if (*pa < *pb) {
          ++pa;
        } else if (*pb < *pa) {
          ++pb;
        } else {
          out.pos.push_back(*pa);
          ++pa;
          ++pb;
        }
      }
    }
    if (out.pos.size() != before) {
      out.sid.push_back(sa);
      out.start.push_back(static_cast<std::uint32_t>(out.pos.size()));
      ++found;
    }
    ++ga;
    ++gb;
  }
  if (found < minCount || found == 0) {
    out.sid.resize(sidMark);
    out.start.resize(sidMark + 1);
    out.pos.resize(posMark);
    return 0;
  }
  return found;
}

}  // namespace linkan::vertical
