// sequence_counting.cpp
//
// The general engine's counting of extension codes and the writing of the
// runs a node hands to its children.
#include "engine/mining/sequence_enumerator_internal.h"

namespace linkan::sequence_internal {

// Counts the codes of every entry once per sequence, marks the items that
// can still be frequent below (count at least the minimum) and keeps as
// codes those within the bounds whose extension is not recorded yet.
void Enumerator::CountExtensions(std::span<const Entry> d, const RunSet& in,
                                 std::span<const Rank> key, const Shape& sh, Level& L) {
  std::size_t work = 0;
  if (parallel_) {
    for (const Entry& e : d) work += e.end - e.run;
  }
  ForChunks(d.size(), ChunksFor(d.size(), work), [&](std::size_t, std::size_t b, std::size_t e) {
    Scratch& sc = scratch_.local();
    for (const Entry& en : d.subspan(b, e - b)) {
      std::uint32_t r = en.run;
      if (r < en.end && in.pos[r] == en.pos) {
        for (const Rank* y = in.Begin(r); y != in.End(r); ++y) {
          const Rank x = std::abs(*y);
          if (sc.cntMinus[x]++ == 0) sc.touchedMinus.push_back(x);
        }
        ++r;
      }
      const std::uint32_t stamp = sc.NextSeen();
      for (; r < en.end; ++r) {
        for (const Rank* y = in.Begin(r); y != in.End(r); ++y) {
          const Rank x = std::abs(*y);
          if (sc.seen[x] == stamp) continue;
          sc.seen[x] = stamp;
          if (sc.cntPlus[x]++ == 0) sc.touchedPlus.push_back(x);
        }
      }
    }
  });
  Scratch& sc = scratch_.local();
  if (parallel_) MergeCounts(sc);

  L.codes.clear();
  L.counts.clear();
  // -y codes in ascending code order: largest y first.
  candidates_.clear();
  for (const Rank y : sc.touchedMinus) {
    const std::uint32_t k = sc.cntMinus[y];
    sc.cntMinus[y] = 0;
    if (k < params_.bounds.minCount) continue;
    L.minusMark[y] = kLive;
    L.liveMinus.push_back(y);
    if (Within(k)) candidates_.emplace_back(y, k);
  }
  sc.touchedMinus.clear();
  std::sort(candidates_.begin(), candidates_.end(), std::greater<>());
  for (const auto& [y, k] : candidates_) {
    WithInLast(key, sh, y, extension_);
    if (recorder_.IsRecorded(extension_)) continue;
    L.minusMark[y] = static_cast<std::int32_t>(L.codes.size());
    L.codes.push_back(-y);
    L.counts.push_back(k);
  }
  candidates_.clear();
  for (const Rank y : sc.touchedPlus) {
    const std::uint32_t k = sc.cntPlus[y];
    sc.cntPlus[y] = 0;
    if (k < params_.bounds.minCount) continue;
    L.plusMark[y] = kLive;
    L.livePlus.push_back(y);
    if (Within(k)) candidates_.emplace_back(y, k);
  }
  sc.touchedPlus.clear();
  std::sort(candidates_.begin(), candidates_.end());
  for (const auto& [y, k] : candidates_) {
    extension_.assign(key.begin(), key.end());
    extension_.push_back(1);
    extension_.push_back(y);
    if (recorder_.IsRecorded(extension_)) continue;
    L.plusMark[y] = static_cast<std::int32_t>(L.codes.size());
    L.codes.push_back(y);
    L.counts.push_back(k);
  }
}

void Enumerator::MergeCounts(Scratch& main) {
  for (Scratch& other : scratch_) {
    if (&other == &main) continue;
    for (const Rank y : other.touchedMinus) {
      if (main.cntMinus[y] == 0) main.touchedMinus.push_back(y);
      main.cntMinus[y] += other.cntMinus[y];
      other.cntMinus[y] = 0;
    }
    other.touchedMinus.clear();
    for (const Rank y : other.touchedPlus) {
      if (main.cntPlus[y] == 0) main.touchedPlus.push_back(y);
      main.cntPlus[y] += other.cntPlus[y];
      other.cntPlus[y] = 0;
    }
    other.touchedPlus.clear();
  }
}

// Writes the runs of the entries [firstEntry, firstEntry + d.size())
// restricted to the node's live items (the pair pass's posItems plus what
// the children may count) and the occurrences of the usable first codes.
// Run indices and run ends are relative to `out`.
void Enumerator::BuildChunk(std::span<const Entry> d, std::size_t firstEntry, const RunSet& in,
                            const Level& L, bool minusUsable, Rank minusAbove, bool condB,
                            bool plusUsable, Scratch& sc, RunChunk& out) const {
  RunSet& runs = out.runs;
  for (std::size_t i = 0; i < d.size(); ++i) {
    const std::uint64_t e = firstEntry + i;
    std::uint32_t r = d[i].run;
    const std::uint32_t stamp = sc.NextSeen();
    if (r < d[i].end && in.pos[r] == d[i].pos) {
      const auto run = static_cast<std::uint32_t>(runs.size());
      for (const Rank* y = in.Begin(r); y != in.End(r); ++y) {
        const Rank x = std::abs(*y);
        const std::int32_t k = L.minusMark[x];
        if (k == kDead) continue;
        runs.items.push_back(k >= 0 ? x : -x);
        if (k >= 0 && ((minusUsable && minusAbove < x) || condB)) {
          out.occCode.push_back(static_cast<std::uint32_t>(k));
          out.occ.push_back(e << 32 | run);
        }
      }
      runs.Close(in.pos[r]);
      ++r;
    }
    for (; r < d[i].end; ++r) {
      const auto run = static_cast<std::uint32_t>(runs.size());
      for (const Rank* y = in.Begin(r); y != in.End(r); ++y) {
        const Rank x = std::abs(*y);
        const std::int32_t k = L.plusMark[x];
        if (k == kDead) continue;
        runs.items.push_back(k >= 0 ? x : -x);
        if (k >= 0 && plusUsable && sc.seen[x] != stamp) {
          sc.seen[x] = stamp;
          out.occCode.push_back(static_cast<std::uint32_t>(k));
          out.occ.push_back(e << 32 | run);
        }
      }
      runs.Close(in.pos[r]);
    }
    out.runEnd.push_back(static_cast<std::uint32_t>(runs.size()));
  }
}

void Enumerator::BuildRuns(std::span<const Entry> d, const RunSet& in, Level& L, bool minusUsable,
                           Rank minusAbove, bool condB, bool plusUsable) {
  std::size_t work = 0;
  if (parallel_) {
    for (const Entry& e : d) work += e.end - e.run;
  }
  const std::size_t chunks = ChunksFor(d.size(), work);
  if (L.chunks.size() < chunks) L.chunks.resize(chunks);
  for (std::size_t c = 0; c < chunks; ++c) {
    L.chunks[c].runs.Clear();
    L.chunks[c].runEnd.clear();
    L.chunks[c].occCode.clear();
    L.chunks[c].occ.clear();
  }
  // One chunk writes straight into the level's run set.
  if (chunks == 1) {
    RunChunk& one = L.chunks[0];
    std::swap(one.runs, L.runs);
    one.runs.Clear();
    BuildChunk(d, 0, in, L, minusUsable, minusAbove, condB, plusUsable, scratch_.local(), one);
    std::swap(one.runs, L.runs);
    L.runEnd.assign(one.runEnd.begin(), one.runEnd.end());
    std::swap(L.occCode, one.occCode);
    std::swap(L.occTmp, one.occ);
  } else {
    ForChunks(d.size(), chunks, [&](std::size_t c, std::size_t b, std::size_t e) {
      BuildChunk(d.subspan(b, e - b), b, in, L, minusUsable, minusAbove, condB, plusUsable,
                 scratch_.local(), L.chunks[c]);
    });
    // Join the chunks in order, moving their run indices.
    L.runs.Clear();
    L.runEnd.clear();
    L.occCode.clear();
    L.occTmp.clear();
    for (std::size_t c = 0; c < chunks; ++c) {
      const RunChunk& part = L.chunks[c];
      const auto runBase = static_cast<std::uint32_t>(L.runs.size());
      const auto itemBase = static_cast<std::uint32_t>(L.runs.items.size());
      L.runs.pos.insert(L.runs.pos.end(), part.runs.pos.begin(), part.runs.pos.end());
      L.runs.items.insert(L.runs.items.end(), part.runs.items.begin(), part.runs.items.end());
      for (std::size_t r = 1; r < part.runs.itemBegin.size(); ++r) {
        L.runs.itemBegin.push_back(itemBase + part.runs.itemBegin[r]);
      }
      for (const std::uint32_t end : part.runEnd) L.runEnd.push_back(runBase + end);
      L.occCode.insert(L.occCode.end(), part.occCode.begin(), part.occCode.end());
      for (const std::uint64_t o : part.occ) L.occTmp.push_back(o + runBase);
    }
  }
  // Group the occurrences by code, keeping the order of entries.
  L.occBegin.assign(L.codes.size() + 1, 0);
  for (const std::uint32_t k : L.occCode) ++L.occBegin[k + 1];
  for (std::size_t k = 0; k < L.codes.size(); ++k) L.occBegin[k + 1] += L.occBegin[k];
  L.occ.resize(L.occTmp.size());
  offset2_.assign(L.occBegin.begin(), L.occBegin.end() - 1);
  for (std::size_t i = 0; i < L.occTmp.size(); ++i) L.occ[offset2_[L.occCode[i]]++] = L.occTmp[i];
}

}  // namespace linkan::sequence_internal
