// itemset_bitsets.cpp
//
// The itemset engine's bit-set layout for dense data: every node keeps,
// per candidate item, the bit set of the transactions holding the pattern
// and the item.
#include "engine/mining/itemset_enumerator_internal.h"

namespace linkan::itemset_internal {

// Bit set kernels, built for popcnt where the processor has it.
__attribute__((target_clones("popcnt", "default"))) std::uint32_t AndCount(const std::uint64_t* a,
                                                                           const std::uint64_t* b,
                                                                           std::size_t n) {
  std::uint32_t c = 0;
  for (std::size_t i = 0; i < n; ++i)
    c += static_cast<std::uint32_t>(__builtin_popcountll(a[i] & b[i]));
  return c;
}

__attribute__((target_clones("popcnt", "default"))) std::uint32_t AndStoreCount(
    const std::uint64_t* a, const std::uint64_t* b, std::uint64_t* out, std::size_t n) {
  std::uint32_t c = 0;
  for (std::size_t i = 0; i < n; ++i) {
    out[i] = a[i] & b[i];
    c += static_cast<std::uint32_t>(__builtin_popcountll(out[i]));
  }
  return c;
}

Candidates ItemsetEnumerator::TopCandidates(const Rows& rows) const {
  const std::size_t n = rows.begin.size() - 1;
  Vec<std::uint32_t> count(db_.RankCount() + 1, 0);
  for (const std::uint32_t y : rows.items) ++count[y];
  Candidates e;
  Vec<std::int32_t> index(db_.RankCount() + 1, -1);
  for (std::size_t y = 1; y < count.size(); ++y) {
    if (count[y] > 0 && count[y] >= minCount_) {
      index[y] = static_cast<std::int32_t>(e.items.size());
      e.items.push_back(static_cast<Rank>(y));
      e.counts.push_back(count[y]);
    }
  }
  e.lo = 0;
  e.width = (n + 63) / 64;
  e.bits.assign(e.items.size() * e.width, 0);
  for (std::size_t t = 0; t < n; ++t) {
    for (std::uint32_t i = rows.begin[t]; i < rows.begin[t + 1]; ++i) {
      const std::int32_t k = index[rows.items[i]];
      if (k >= 0) e.bits[static_cast<std::size_t>(k) * e.width + t / 64] |= 1ull << (t % 64);
    }
  }
  return e;
}

bool ItemsetEnumerator::Dense(PatternLog& log, std::span<const Rank> p, const Candidates& e,
                              bool top) {
  if (!top && maxpat_ <= static_cast<std::int32_t>(p.size())) return false;
  if (Cancelled()) return false;
  Vec<std::uint32_t> codes;  // candidate indices within the bounds, ascending
  Vec<Rank> codeItems;
  Vec<SupportCount> codeCounts;
  for (std::size_t k = 0; k < e.items.size(); ++k) {
    if (Within(e.counts[k])) {
      codes.push_back(static_cast<std::uint32_t>(k));
      codeItems.push_back(e.items[k]);
      codeCounts.push_back(e.counts[k]);
    }
  }
  if (codes.empty()) return false;
  Vec<PatternLog::Event> singles;
  AddSingles(log, p, codeItems, codeCounts, top, singles);
  Found(Local(), codes.size());
  const std::size_t lastSingle = log.size() - 1;
  const bool pairs = top ? maxpat_ > 1 : static_cast<std::int32_t>(p.size()) + 2 <= maxpat_;
  if (!pairs) {
    MarkLeaves(singles);
    return true;
  }
  Poll();
  const std::size_t nc = codes.size();
  auto codeAt = [&](std::size_t j) { return top ? j : nc - 1 - j; };
  bool descended = false;
  if (parallel_ && nc > 1 && e.items.size() * e.width * nc >= ctx_.minParallelWork) {
    std::vector<PatternLog*> subs(nc);
    for (std::size_t j = 0; j < nc; ++j) subs[j] = &log.Attach(lastSingle);
    std::vector<std::uint8_t> went(nc, 0);
    tbb::task_group tg;
    for (std::size_t j = 0; j < nc; ++j) {
      tg.run([&, j] { Task([&] { went[j] = DenseBranch(*subs[j], p, e, codes, codeAt(j)) ? 1 : 0; }); });
    }
    tg.wait();
    descended = std::find(went.begin(), went.end(), 1) != went.end();
  } else {
    for (std::size_t j = 0; j < nc && !Cancelled(); ++j) {
      if (DenseBranch(log, p, e, codes, codeAt(j))) descended = true;
    }
  }
  if (!descended) MarkLeaves(singles);
  return true;
}

// The pairs (a, b) of the first code codes[ka]: returns true when one was
// descended into.
bool ItemsetEnumerator::DenseBranch(PatternLog& log, std::span<const Rank> p, const Candidates& e,
                                    std::span<const std::uint32_t> codes, std::size_t ka) {
  // Tasks still queued when the run stops end here, before their pair pass.
  if (Cancelled()) return false;
  const std::uint32_t ia = codes[ka];
  const Rank a = e.items[ia];
  const std::uint64_t* xa = e.Bits(ia);
  // Second codes above a, in descending order.
  Vec<Survivor> survivors;
  for (std::size_t kb = codes.size(); kb-- > ka + 1;) {
    const std::uint32_t ib = codes[kb];
    const std::uint32_t c = AndCount(xa, e.Bits(ib), e.width);
    if (c > 0 && Within(c)) {
      survivors.push_back({static_cast<std::uint32_t>(e.items[ib]), ib, c});
    }
  }
  if (survivors.empty()) return false;
  Found(Local(), survivors.size());
  Vec<Rank> key(p.begin(), p.end());
  key.push_back(a);
  key.push_back(0);
  std::vector<std::uint64_t, UninitAllocator<std::uint64_t>> xab(e.width);
  for (const Survivor& s : survivors) {
    if (Cancelled()) break;
    key.back() = static_cast<Rank>(s.b);
    const PatternLog::Event ev = log.Add(key, s.size);
    bool grew = false;
    if (static_cast<std::int32_t>(key.size()) < maxpat_) {
      AndStoreCount(xa, e.Bits(s.begin), xab.data(), e.width);
      std::size_t lo = 0;
      std::size_t hi = e.width;
      while (lo < hi && xab[lo] == 0) ++lo;
      while (hi > lo && xab[hi - 1] == 0) --hi;
      Candidates child;
      child.lo = e.lo + lo;
      child.width = hi - lo;
      child.bits.reserve((e.items.size() - s.begin - 1) * child.width);
      for (std::size_t iy = s.begin + 1; iy < e.items.size(); ++iy) {
        const std::size_t at = child.bits.size();
        child.bits.resize(at + child.width);
        const std::uint32_t c =
            AndStoreCount(xab.data() + lo, e.Bits(iy) + lo, child.bits.data() + at, child.width);
        if (c >= minCount_ && c > 0) {
          child.items.push_back(e.items[iy]);
          child.counts.push_back(c);
        } else {
          child.bits.resize(at);
        }
      }
      grew = Dense(log, key, child, false);
    }
    if (!grew) PatternLog::MarkLeaf(ev);
  }
  return true;
}

}  // namespace linkan::itemset_internal
