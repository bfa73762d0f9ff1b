// sequence_enumerator_internal.h
//
// The pieces of the general enumeration engine (sequence_enumerator.h)
// shared by its source files: the run sets and projected entries a node
// hands to its children, the pattern key helpers, the per-thread scratch
// and the Enumerator class. Not for use outside the engine.
//
// Thread safety: an Enumerator belongs to the thread that runs it; the
// chunked passes use one Scratch per thread.
#pragma once

#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>
#include <tbb/scalable_allocator.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "engine/mining/sequence_enumerator.h"

namespace linkan::sequence_internal {

template <class T>
using Vec = std::vector<T, tbb::scalable_allocator<T>>;

// The codes -y and +y as dense indices 2y and 2y + 1.
inline std::uint32_t MinusIndex(Rank y) { return 2u * static_cast<std::uint32_t>(y); }
inline std::uint32_t PlusIndex(Rank y) { return 2u * static_cast<std::uint32_t>(y) + 1u; }
inline ExtensionCode CodeOfIndex(std::uint32_t i) {
  const auto y = static_cast<ExtensionCode>(i >> 1);
  return (i & 1u) != 0 ? y : -y;
}

// The non-empty positions of sequences ("runs") with their items. The root
// reads the contributed database this way; every node writes, for its
// children, the runs of its own entries restricted to the items that can
// still be frequent below it. In those, a negative item -y is such an item
// that is not a code of the node itself (only codes form pairs).
struct RunSet {
  Vec<std::int32_t> pos;
  Vec<std::uint32_t> itemBegin{0};
  Vec<Rank> items;

  std::size_t size() const { return pos.size(); }
  const Rank* Begin(std::size_t r) const { return items.data() + itemBegin[r]; }
  const Rank* End(std::size_t r) const { return items.data() + itemBegin[r + 1]; }
  void Clear() {
    pos.clear();
    itemBegin.assign(1, 0);
    items.clear();
  }
  // Closes the run being written at position p (dropped when empty).
  void Close(std::int32_t p) {
    if (items.size() == itemBegin.back()) return;
    pos.push_back(p);
    itemBegin.push_back(static_cast<std::uint32_t>(items.size()));
  }
};

// One entry of a projected database: a sequence, the position at which the
// pattern's last itemset was first matched (-1: before the first), and the
// runs [run, end) of the parent's run set from that position on.
struct Entry {
  std::uint32_t s;
  std::int32_t pos;
  std::uint32_t run;
  std::uint32_t end;
};

// What the node's conditions need of a pattern key.
struct Shape {
  std::int32_t n = 0;         // number of itemsets
  std::int32_t firstLen = 0;  // items of the first itemset
  std::int32_t lastLen = 0;   // items of the last itemset
  std::size_t lastBegin = 0;  // index of the last itemset's length word
  Rank lastMax = 0;           // largest item of the last itemset
};

inline Shape ShapeOf(std::span<const Rank> key) {
  Shape sh;
  std::size_t i = 0;
  while (i < key.size()) {
    if (sh.n == 0) sh.firstLen = key[i];
    sh.lastBegin = i;
    sh.lastLen = key[i];
    ++sh.n;
    i += static_cast<std::size_t>(key[i]) + 1;
  }
  sh.lastMax = sh.n > 0 && sh.lastLen > 0 ? key.back() : 0;
  return sh;
}

// Copies `key` into `out` with x inserted into the last itemset (nothing
// changes when x is there already).
template <class V>
void WithInLast(std::span<const Rank> key, const Shape& sh, Rank x, V& out) {
  out.assign(key.begin(), key.end());
  const auto first = out.begin() + static_cast<std::ptrdiff_t>(sh.lastBegin + 1);
  const auto at = std::lower_bound(first, out.end(), x);
  if (at != out.end() && *at == x) return;
  out.insert(at, x);
  ++out[sh.lastBegin];
}

// Marks of an item in a node: not frequent below, frequent but no code, or
// the index of its code.
inline constexpr std::int32_t kDead = -1;
inline constexpr std::int32_t kLive = -2;

// Per-thread scratch: counts by rank or by code index, with the lists of
// what was touched so that they can be reset cheaply. Used only between the
// recursive steps, so one per thread suffices.
struct Scratch {
  explicit Scratch(std::size_t ranks)
      : cntMinus(ranks, 0),
        cntPlus(ranks, 0),
        seen(ranks, 0),
        stamp2(2 * ranks, 0),
        count2(2 * ranks, 0) {}

  // A fresh stamp for `seen`.
  std::uint32_t NextSeen() {
    if (++seenStamp == 0) {
      std::fill(seen.begin(), seen.end(), 0);
      seenStamp = 1;
    }
    return seenStamp;
  }
  // A fresh stamp for `stamp2`.
  std::uint32_t NextStamp2() {
    if (++stamp2Counter == 0) {
      std::fill(stamp2.begin(), stamp2.end(), 0);
      stamp2Counter = 1;
    }
    return stamp2Counter;
  }

  Vec<std::uint32_t> cntMinus, cntPlus;
  Vec<Rank> touchedMinus, touchedPlus;
  Vec<std::uint32_t> seen;
  std::uint32_t seenStamp = 0;
  Vec<std::uint32_t> stamp2, count2;
  Vec<std::uint32_t> touched2;
  std::uint32_t stamp2Counter = 0;
};

// A node's pair hit: second code, entry, position and run where it was met.
struct Hit {
  std::uint32_t c2;
  std::uint32_t entry;
  std::int32_t pos;
  std::uint32_t run;
};

// The runs and occurrences one chunk of entries writes (parallel build).
struct RunChunk {
  RunSet runs;
  Vec<std::uint32_t> runEnd;  // per entry of the chunk, relative to the chunk
  Vec<std::uint32_t> occCode;
  Vec<std::uint64_t> occ;  // entry << 32 | run relative to the chunk
};

class Enumerator {
 public:
  Enumerator(const ContributedDatabase& db, const EnumerationParams& params,
             PatternRecorder& recorder, std::set<PatternId>& leaves, const MiningContext& ctx)
      : db_(db),
        params_(params),
        recorder_(recorder),
        leaves_(leaves),
        ctx_(ctx),
        parallel_(ctx.threads > 1),
        scratch_([ranks = db.RankCount() + 1] { return Scratch(ranks); }),
        offset2_(2 * (db.RankCount() + 1), 0) {}

  void Run() {
    Vec<Entry> d0(db_.size());
    for (std::size_t s = 0; s < db_.size(); ++s) {
      d0[s].s = static_cast<std::uint32_t>(s);
      d0[s].pos = -1;
      d0[s].run = static_cast<std::uint32_t>(root_.size());
      for (std::size_t p = 0; p < db_.PositionCount(s); ++p) {
        const auto set = db_.At(s, p);
        root_.items.insert(root_.items.end(), set.begin(), set.end());
        root_.Close(static_cast<std::int32_t>(p));
      }
      d0[s].end = static_cast<std::uint32_t>(root_.size());
    }
    if (parallel_) {
      tbb::task_arena arena(static_cast<int>(ctx_.threads));
      arena.execute([&] { EnumerateFrom(d0, root_, {}, 0); });
    } else {
      EnumerateFrom(d0, root_, {}, 0);
    }
  }

 private:
  // Per-level state: lives while the node of that depth is processed,
  // across the descent into its children (which use deeper levels).
  struct Level {
    Vec<std::int32_t> minusMark;  // per rank: kDead, kLive or code index of -y
    Vec<std::int32_t> plusMark;   // per rank: kDead, kLive or code index of +y
    Vec<Rank> liveMinus, livePlus;
    Vec<ExtensionCode> codes;  // ascending
    Vec<SupportCount> counts;
    Vec<PatternId> ids;
    RunSet runs;                // the entries' runs for the children
    Vec<std::uint32_t> runEnd;  // per entry, end of its runs
    // Occurrences of first codes, (entry, run of the code's first
    // position), grouped by code index in the order of the entries.
    Vec<std::uint32_t> occBegin;
    Vec<std::uint64_t> occ;
    Vec<std::uint32_t> occCode;
    Vec<std::uint64_t> occTmp;
    // Pairs of the current first code, per chunk of its occurrences.
    std::vector<Vec<Hit>> hits;
    std::vector<RunChunk> chunks;
    struct Pair {
      std::uint32_t c2;
      std::uint32_t begin;
      std::uint32_t size;
    };
    Vec<Pair> pairs;
    Vec<Entry> dprime;
    Vec<Rank> childKey;
  };

  Level& LevelAt(std::size_t depth) {
    while (levels_.size() <= depth) {
      auto level = std::make_unique<Level>();
      level->minusMark.assign(db_.RankCount() + 1, kDead);
      level->plusMark.assign(db_.RankCount() + 1, kDead);
      levels_.push_back(std::move(level));
    }
    return *levels_[depth];
  }

  bool Within(std::uint64_t k) const { return params_.bounds.Within(k); }

  bool EnumerateFrom(std::span<const Entry> d, const RunSet& in, std::span<const Rank> key,
                     std::size_t depth);
  void CountExtensions(std::span<const Entry> d, const RunSet& in, std::span<const Rank> key,
                       const Shape& sh, Level& L);
  void RecordExtensions(std::span<const Rank> key, const Shape& sh, Level& L);
  void BuildRuns(std::span<const Entry> d, const RunSet& in, Level& L, bool minusUsable,
                 Rank minusAbove, bool condB, bool plusUsable);
  void BuildChunk(std::span<const Entry> d, std::size_t firstEntry, const RunSet& in,
                  const Level& L, bool minusUsable, Rank minusAbove, bool condB, bool plusUsable,
                  Scratch& sc, RunChunk& out) const;
  void FormPairs(std::span<const Entry> d, Level& L, std::size_t k, bool minusMinus, bool condB,
                 bool condC, bool condD);
  void PairChunk(const Level& L, std::size_t k, std::uint32_t oBegin, std::uint32_t oEnd,
                 bool minusMinus, bool condB, bool condC, bool condD, Scratch& sc,
                 Vec<Hit>& hits) const;

  // Chunks of `n` units of work for the threads: 1 when the work is small
  // or there is one thread.
  std::size_t ChunksFor(std::size_t n, std::size_t work) const {
    if (!parallel_ || work < ctx_.minParallelWork || n < 2) return 1;
    return std::min<std::size_t>(n, 4 * ctx_.threads);
  }
  // Runs body(chunk, begin, end) over `chunks` equal parts of [0, n).
  template <class Body>
  void ForChunks(std::size_t n, std::size_t chunks, const Body& body) {
    if (chunks == 1) {
      body(0, 0, n);
      return;
    }
    tbb::parallel_for(tbb::blocked_range<std::size_t>(0, chunks, 1),
                      [&](const tbb::blocked_range<std::size_t>& r) {
                        for (std::size_t c = r.begin(); c != r.end(); ++c) {
                          body(c, n * c / chunks, n * (c + 1) / chunks);
                        }
                      });
  }
  // Adds every other thread's counts (of the touched lists) into `main`.
  void MergeCounts(Scratch& main);
  void MergePairCounts(Scratch& main);
  static void Unmark(Level& L) {
    for (const Rank y : L.liveMinus) L.minusMark[y] = kDead;
    for (const Rank y : L.livePlus) L.plusMark[y] = kDead;
    L.liveMinus.clear();
    L.livePlus.clear();
  }

  const ContributedDatabase& db_;
  const EnumerationParams& params_;
  PatternRecorder& recorder_;
  std::set<PatternId>& leaves_;
  const MiningContext& ctx_;
  RunSet root_;

  const bool parallel_;
  tbb::enumerable_thread_specific<Scratch> scratch_;
  // Used on the calling thread only, between recursions.
  Vec<std::uint32_t> offset2_;
  Vec<std::pair<Rank, std::uint32_t>> candidates_;
  Vec<Rank> extension_;

  std::vector<std::unique_ptr<Level>> levels_;
};

}  // namespace linkan::sequence_internal
