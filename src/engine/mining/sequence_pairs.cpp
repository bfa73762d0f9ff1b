// sequence_pairs.cpp
//
// The general engine's pair pass: the pairs of one first code and their
// projected databases.
#include "engine/mining/sequence_enumerator_internal.h"

namespace linkan::sequence_internal {

// The pairs of the occurrences [oBegin, oEnd) of first code k: hits in
// the order of the occurrences, counted (once per entry) in sc.count2.
void Enumerator::PairChunk(const Level& L, std::size_t k, std::uint32_t oBegin, std::uint32_t oEnd,
                           bool minusMinus, bool condB, bool condC, bool condD, Scratch& sc,
                           Vec<Hit>& hits) const {
  const ExtensionCode c1 = L.codes[k];
  const Rank a = c1 < 0 ? -c1 : c1;
  std::uint32_t cur = 0;
  std::uint32_t entry = 0;
  auto emit = [&](std::uint32_t idx, std::int32_t pos, std::uint32_t run) {
    if (sc.stamp2[idx] == cur) return;
    sc.stamp2[idx] = cur;
    hits.push_back({idx, entry, pos, run});
    if (sc.count2[idx]++ == 0) sc.touched2.push_back(idx);
  };
  const RunSet& runs = L.runs;
  for (std::uint32_t o = oBegin; o < oEnd; ++o) {
    entry = static_cast<std::uint32_t>(L.occ[o] >> 32);
    const auto r1 = static_cast<std::uint32_t>(L.occ[o]);
    cur = sc.NextStamp2();
    const std::uint32_t runEnd = L.runEnd[entry];
    const std::int32_t p1 = runs.pos[r1];
    const Rank* first = runs.Begin(r1);
    const Rank* last = runs.End(r1);
    // Codes are positive in the node's runs; both codes of a pair are
    // codes, so negative items are passed over.
    if (c1 < 0) {
      if (minusMinus) {
        for (const Rank* y = first; y != last; ++y) {
          if (*y > a) emit(MinusIndex(*y), p1, r1);
        }
      }
      if (condB) {
        for (std::uint32_t r = r1 + 1; r < runEnd; ++r) {
          for (const Rank* y = runs.Begin(r); y != runs.End(r); ++y) {
            if (*y > 0) emit(PlusIndex(*y), runs.pos[r], r);
          }
        }
      }
    } else {
      if (condC) {
        for (const Rank* y = first; y != last; ++y) {
          if (*y > a) emit(MinusIndex(*y), p1, r1);
        }
      }
      for (std::uint32_t r = r1 + 1; r < runEnd; ++r) {
        const std::int32_t p = runs.pos[r];
        const Rank* rf = runs.Begin(r);
        const Rank* rl = runs.End(r);
        if (condC && std::find(rf, rl, a) != rl) {
          for (const Rank* y = rf; y != rl; ++y) {
            if (*y > a) emit(MinusIndex(*y), p, r);
          }
        }
        if (condD) {
          for (const Rank* y = rf; y != rl; ++y) {
            if (*y > 0) emit(PlusIndex(*y), p, r);
          }
        }
      }
    }
  }
}

void Enumerator::MergePairCounts(Scratch& main) {
  for (Scratch& other : scratch_) {
    if (&other == &main) continue;
    for (const std::uint32_t idx : other.touched2) {
      if (main.count2[idx] == 0) main.touched2.push_back(idx);
      main.count2[idx] += other.count2[idx];
      other.count2[idx] = 0;
    }
    other.touched2.clear();
  }
}

void Enumerator::FormPairs(std::span<const Entry> d, Level& L, std::size_t k, bool minusMinus,
                           bool condB, bool condC, bool condD) {
  const std::uint32_t oBegin = L.occBegin[k];
  const std::uint32_t oEnd = L.occBegin[k + 1];
  std::size_t work = 0;
  if (parallel_) {
    for (std::uint32_t o = oBegin; o < oEnd; ++o) {
      const auto entry = static_cast<std::uint32_t>(L.occ[o] >> 32);
      work += L.runEnd[entry] - static_cast<std::uint32_t>(L.occ[o]);
    }
  }
  const std::size_t chunks = ChunksFor(oEnd - oBegin, work);
  if (L.hits.size() < chunks) L.hits.resize(chunks);
  ForChunks(oEnd - oBegin, chunks, [&](std::size_t c, std::size_t b, std::size_t e) {
    L.hits[c].clear();
    PairChunk(L, k, static_cast<std::uint32_t>(oBegin + b), static_cast<std::uint32_t>(oBegin + e),
              minusMinus, condB, condC, condD, scratch_.local(), L.hits[c]);
  });
  Scratch& sc = scratch_.local();
  if (chunks > 1) MergePairCounts(sc);

  // Keep the pairs within the bounds, in ascending code order, and lay out
  // their projected databases contiguously in the order of the entries.
  L.pairs.clear();
  for (const std::uint32_t idx : sc.touched2) {
    if (Within(sc.count2[idx])) {
      L.pairs.push_back({idx, 0, sc.count2[idx]});
    } else {
      sc.count2[idx] = 0;
    }
  }
  sc.touched2.clear();
  std::sort(L.pairs.begin(), L.pairs.end(), [](const Level::Pair& x, const Level::Pair& y) {
    return CodeOfIndex(x.c2) < CodeOfIndex(y.c2);
  });
  std::uint32_t total = 0;
  for (Level::Pair& pr : L.pairs) {
    pr.begin = total;
    offset2_[pr.c2] = total;
    total += pr.size;
  }
  L.dprime.resize(total);
  for (std::size_t c = 0; c < chunks; ++c) {
    for (const Hit& h : L.hits[c]) {
      if (sc.count2[h.c2] == 0) continue;
      L.dprime[offset2_[h.c2]++] = {d[h.entry].s, h.pos, h.run, L.runEnd[h.entry]};
    }
  }
  for (const Level::Pair& pr : L.pairs) sc.count2[pr.c2] = 0;
}

}  // namespace linkan::sequence_internal
