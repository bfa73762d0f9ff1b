// sequence_enumerator.cpp
#include "engine/mining/sequence_enumerator.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>
#include <tbb/scalable_allocator.h>
#include <tbb/task_arena.h>

#include "frame/host/module_error.h"
#include "frame/progress.h"

namespace linkan {

void ThrowIfCancelled(const MiningContext& ctx) {
  if (ctx.cancelSource != nullptr && IsAnalysisCancelled(*ctx.cancelSource)) {
    throw AutomationError("User has cancelled the analysis", ErrorKind::kCancelled);
  }
}

namespace {

template <class T>
using Vec = std::vector<T, tbb::scalable_allocator<T>>;

// The codes -y and +y as dense indices 2y and 2y + 1.
std::uint32_t MinusIndex(Rank y) { return 2u * static_cast<std::uint32_t>(y); }
std::uint32_t PlusIndex(Rank y) { return 2u * static_cast<std::uint32_t>(y) + 1u; }
ExtensionCode CodeOfIndex(std::uint32_t i) {
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

Shape ShapeOf(std::span<const Rank> key) {
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
constexpr std::int32_t kDead = -1;
constexpr std::int32_t kLive = -2;

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
  Vec<std::uint32_t> runEnd;   // per entry of the chunk, relative to the chunk
  Vec<std::uint32_t> occCode;
  Vec<std::uint64_t> occ;      // entry << 32 | run relative to the chunk
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
    Vec<ExtensionCode> codes;     // ascending
    Vec<SupportCount> counts;
    Vec<PatternId> ids;
    RunSet runs;                  // the entries' runs for the children
    Vec<std::uint32_t> runEnd;    // per entry, end of its runs
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

void Enumerator::RecordExtensions(std::span<const Rank> key, const Shape& sh, Level& L) {
  L.ids.clear();
  if (sh.n > 0) {
    if (params_.association ? params_.maxpat <= sh.firstLen : params_.maxSequenceSize < sh.n) {
      return;
    }
  }
  for (std::size_t k = 0; k < L.codes.size(); ++k) {
    const ExtensionCode code = L.codes[k];
    if (code < 0) {
      const Rank x = -code;
      if (sh.lastLen < params_.maxpat && sh.lastMax < x) {
        extension_.assign(key.begin(), key.end());
        extension_.push_back(x);
        ++extension_[sh.lastBegin];
        L.ids.push_back(recorder_.Record(extension_, L.counts[k]));
      }
    } else if (params_.association || sh.n < params_.maxSequenceSize) {
      extension_.assign(key.begin(), key.end());
      extension_.push_back(1);
      extension_.push_back(code);
      L.ids.push_back(recorder_.Record(extension_, L.counts[k]));
    }
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

void Enumerator::BuildRuns(std::span<const Entry> d, const RunSet& in, Level& L,
                           bool minusUsable, Rank minusAbove, bool condB, bool plusUsable) {
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

// The pairs of the occurrences [oBegin, oEnd) of first code k: hits in
// the order of the occurrences, counted (once per entry) in sc.count2.
void Enumerator::PairChunk(const Level& L, std::size_t k, std::uint32_t oBegin,
                           std::uint32_t oEnd, bool minusMinus, bool condB, bool condC,
                           bool condD, Scratch& sc, Vec<Hit>& hits) const {
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

bool Enumerator::EnumerateFrom(std::span<const Entry> d, const RunSet& in,
                               std::span<const Rank> key, std::size_t depth) {
  if (d.size() < params_.bounds.minCount) return false;
  const Shape sh = ShapeOf(key);
  const bool assoc = params_.association;
  const std::int32_t maxpat = params_.maxpat;
  const std::int32_t mss = params_.maxSequenceSize;
  if (assoc && sh.n > 0 && maxpat <= sh.firstLen) return false;

  Level& L = LevelAt(depth);
  CountExtensions(d, in, key, sh, L);
  if (L.codes.empty()) {
    Unmark(L);
    return false;
  }
  RecordExtensions(key, sh, L);
  if (L.ids.empty()) {
    Unmark(L);
    return false;
  }

  ThrowIfCancelled(ctx_);
  bool descended = false;
  const bool descend = sh.n == 0 || (!assoc && sh.n <= mss) || (assoc && sh.firstLen + 2 <= maxpat);
  // Which pairs can give a pattern:
  //   (-a,-b) condA and a above the last itemset; (-a,+b) condB;
  //   (+a,-b) condC; (+a,+b) condD.
  const bool condA = sh.n > 0 && sh.lastLen + 2 <= maxpat;
  const bool condB = sh.n > 0 && (assoc || sh.n + 1 <= mss) && sh.lastLen < maxpat;
  const bool condC = (assoc || sh.n + 1 <= mss) && maxpat > 1;
  const bool condD = assoc || sh.n + 2 <= mss;
  if (descend && (condA || condB || condC || condD)) {
    BuildRuns(d, in, L, condA, sh.lastMax, condB, condC || condD);
    Unmark(L);
    const bool checkOften = d.size() >= 1024;
    for (std::size_t k = 0; k < L.codes.size(); ++k) {
      if (L.occBegin[k] == L.occBegin[k + 1]) continue;
      if (checkOften) ThrowIfCancelled(ctx_);
      const ExtensionCode c1 = L.codes[k];
      const Rank a = c1 < 0 ? -c1 : c1;
      const bool minusMinus = c1 < 0 && condA && sh.lastMax < a;
      if (c1 < 0) {
        FormPairs(d, L, k, minusMinus, condB, false, false);
      } else {
        FormPairs(d, L, k, false, false, condC, condD);
      }
      for (std::size_t i = 0; i < L.pairs.size(); ++i) {
        const Level::Pair pr = L.pairs[i];
        const ExtensionCode c2 = CodeOfIndex(pr.c2);
        const Rank b = c2 < 0 ? -c2 : c2;
        Vec<Rank>& child = L.childKey;
        if (c1 < 0 && c2 < 0) {
          if (!minusMinus) continue;
          child.assign(key.begin(), key.end());
          child.push_back(a);
          child.push_back(b);
          child[sh.lastBegin] += 2;
        } else if (c1 < 0) {
          if (!condB) continue;
          WithInLast(key, sh, a, child);
          child.push_back(1);
          child.push_back(b);
        } else if (c2 < 0) {
          if (!condC) continue;
          child.assign(key.begin(), key.end());
          child.push_back(2);
          child.push_back(a);
          child.push_back(b);
        } else {
          if (!condD) continue;
          child.assign(key.begin(), key.end());
          child.push_back(1);
          child.push_back(a);
          child.push_back(1);
          child.push_back(b);
        }
        descended = true;
        const PatternId id = recorder_.Record(child, pr.size);
        // The child's key, database and runs stay in this level while it
        // runs; the child works in the next level.
        const std::span<const Entry> childD(L.dprime.data() + pr.begin, pr.size);
        if (!EnumerateFrom(childD, L.runs, child, depth + 1)) leaves_.insert(id);
      }
    }
  } else {
    Unmark(L);
  }
  if (!descended) leaves_.insert(L.ids.begin(), L.ids.end());
  return true;
}

}  // namespace

void EnumerateSequences(const ContributedDatabase& db, const EnumerationParams& params,
                        PatternRecorder& recorder, std::set<PatternId>& leaves,
                        const MiningContext& ctx) {
  Enumerator(db, params, recorder, leaves, ctx).Run();
}

}  // namespace linkan
