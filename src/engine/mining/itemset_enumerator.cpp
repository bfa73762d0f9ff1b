// itemset_enumerator.cpp
#include "engine/mining/itemset_enumerator.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <span>
#include <thread>
#include <utility>
#include <vector>

#include <tbb/enumerable_thread_specific.h>
#include <tbb/scalable_allocator.h>
#include <tbb/task_arena.h>
#include <tbb/task_group.h>

#include "engine/mining/pattern_log.h"
#include "engine/mining/sequence_enumerator.h"
#include "frame/host/module_error.h"
#include "frame/progress.h"

namespace linkan {
namespace {

template <class T>
using Vec = std::vector<T, tbb::scalable_allocator<T>>;

// The scalable allocator, leaving new elements uninitialised (bit set words
// are always written before they are read).
template <class T>
struct UninitAllocator : tbb::scalable_allocator<T> {
  template <class U>
  struct rebind {
    using other = UninitAllocator<U>;
  };
  UninitAllocator() = default;
  template <class U>
  UninitAllocator(const UninitAllocator<U>&) {}
  template <class U>
  void construct(U* p) {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

// ---- Bit set kernels (popcnt where the processor has it) ----

__attribute__((target_clones("popcnt", "default"))) std::uint32_t AndCount(
    const std::uint64_t* a, const std::uint64_t* b, std::size_t n) {
  std::uint32_t c = 0;
  for (std::size_t i = 0; i < n; ++i) c += static_cast<std::uint32_t>(__builtin_popcountll(a[i] & b[i]));
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

// ---- Row layout ----

// Rows of item indices: the transactions, or what remains of them in a
// node. A node numbers its items (those after the pattern's largest item
// with a count of at least the minimum) in ascending rank order, and its
// rows hold these numbers.
struct Rows {
  Vec<std::uint32_t> begin{0};
  Vec<std::uint32_t> items;
};

// A row of the parent's rows, read from `start` on.
struct RowRef {
  std::uint32_t row;
  std::uint32_t start;
};

// The items of a node, by index.
struct NodeItems {
  Vec<Rank> rank;
  Vec<std::uint8_t> code;     // count within the bounds
  Vec<std::int32_t> codePos;  // position among the codes, or -1
};

// ---- Bit set layout ----

// The candidates of a node: items above the pattern's largest item whose
// count in the node is at least the minimum, each with the bit set of the
// transactions holding the pattern and the item. Bit sets cover words
// [lo, lo + width) of the transaction range; outside it they are zero.
struct Candidates {
  Vec<Rank> items;
  Vec<SupportCount> counts;
  std::vector<std::uint64_t, UninitAllocator<std::uint64_t>> bits;  // width words each
  std::size_t lo = 0;
  std::size_t width = 0;
  const std::uint64_t* Bits(std::size_t k) const { return bits.data() + k * width; }
};

struct Scratch {
  explicit Scratch(std::size_t ranks) : cnt(ranks, 0), mark(ranks, -1), offset(ranks, 0) {}
  Vec<std::uint32_t> cnt;      // per item index of the rows being read
  Vec<std::uint32_t> touched;  // indices whose count left 0
  Vec<std::int32_t> mark;      // per item index: the node's own index, or -1
  Vec<std::uint32_t> offset;
  struct Hit {
    std::uint32_t b;
    std::uint32_t row;
    std::uint32_t start;
  };
  Vec<Hit> hits;
};

struct Survivor {
  std::uint32_t b;      // rows layout: the node's index of b; bit sets: the rank of b
  std::uint32_t begin;  // rows layout: into the pair lists; bit sets: candidate index
  std::uint32_t size;
};

class ItemsetEnumerator {
 public:
  ItemsetEnumerator(const ContributedDatabase& db, const EnumerationParams& params,
                    const MiningContext& ctx)
      : db_(db),
        params_(params),
        ctx_(ctx),
        minCount_(params.bounds.minCount),
        maxpat_(params.maxpat),
        parallel_(ctx.threads > 1),
        scratch_([ranks = db.RankCount() + 1] { return Scratch(ranks); }),
        mainThread_(std::this_thread::get_id()) {}

  // Runs the whole enumeration into `log`; returns false when cancelled.
  bool Run(PatternLog& log) {
    const std::size_t n = db_.size();
    Rows rows;
    rows.begin.reserve(n + 1);
    for (std::size_t t = 0; t < n; ++t) {
      const std::int32_t p = db_.OnlyPosition(t);
      if (p >= 0) {
        const auto set = db_.At(t, static_cast<std::size_t>(p));
        rows.items.insert(rows.items.end(), set.begin(), set.end());
      }
      rows.begin.push_back(static_cast<std::uint32_t>(rows.items.size()));
    }
    auto body = [&] {
      if (UseBitSets(rows)) {
        if (n < minCount_) return;
        Dense(log, {}, TopCandidates(rows), true);
      } else {
        Vec<RowRef> d0(n);
        for (std::size_t t = 0; t < n; ++t) d0[t] = {static_cast<std::uint32_t>(t), 0};
        // The transactions' rows hold ranks: index j is rank j.
        Vec<Rank> identity(db_.RankCount() + 1);
        for (std::size_t r = 0; r < identity.size(); ++r) identity[r] = static_cast<Rank>(r);
        Sparse(log, {}, rows, identity, d0, true);
      }
    };
    if (parallel_) {
      tbb::task_arena arena(static_cast<int>(ctx_.threads));
      arena.execute(body);
    } else {
      body();
    }
    return !cancelled_.load();
  }

 private:
  Scratch& Local() { return scratch_.local(); }
  bool Within(std::uint64_t k) const { return params_.bounds.Within(k); }
  bool Cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

  // On the calling thread only: asks the host whether the user cancelled;
  // the nodes then return at once and the run ends with the error.
  void Poll() {
    if (std::this_thread::get_id() != mainThread_ || ctx_.cancelSource == nullptr) return;
    if (IsAnalysisCancelled(*ctx_.cancelSource)) cancelled_.store(true);
  }

  bool UseBitSets(const Rows& rows) const;
  Candidates TopCandidates(const Rows& rows) const;

  bool Sparse(PatternLog& log, std::span<const Rank> p, const Rows& in,
              std::span<const Rank> inRank, std::span<const RowRef> d, bool top);
  void SparsePairs(Scratch& sc, const Rows& rows, const NodeItems& items,
                   std::span<const RowRef> firsts, Vec<RowRef>& out, Vec<Survivor>& survivors);
  bool SparseBranch(PatternLog& log, std::span<const Rank> p, std::uint32_t a,
                    const NodeItems& items, const Rows& rows, std::span<const RowRef> firsts);

  bool Dense(PatternLog& log, std::span<const Rank> p, const Candidates& e, bool top);
  bool DenseBranch(PatternLog& log, std::span<const Rank> p, const Candidates& e,
                   std::span<const std::uint32_t> codes, std::size_t ka);

  // Logs the singles of a node in the order of the codes (ascending at the
  // root, descending below); their events go to `events`.
  void AddSingles(PatternLog& log, std::span<const Rank> p, std::span<const Rank> codes,
                  std::span<const SupportCount> counts, bool top,
                  Vec<PatternLog::Event>& events) {
    Vec<Rank> key(p.begin(), p.end());
    key.push_back(0);
    for (std::size_t i = 0; i < codes.size(); ++i) {
      const std::size_t k = top ? i : codes.size() - 1 - i;
      key.back() = codes[k];
      events.push_back(log.Add(key, counts[k]));
    }
  }

  static void MarkLeaves(std::span<const PatternLog::Event> events) {
    for (const PatternLog::Event e : events) PatternLog::MarkLeaf(e);
  }

  const ContributedDatabase& db_;
  const EnumerationParams& params_;
  const MiningContext& ctx_;
  const std::uint32_t minCount_;
  const std::int32_t maxpat_;
  const bool parallel_;
  tbb::enumerable_thread_specific<Scratch> scratch_;
  const std::thread::id mainThread_;
  std::atomic<bool> cancelled_{false};
};

// ---- Choice of layout ----

bool ItemsetEnumerator::UseBitSets(const Rows& rows) const {
  switch (ctx_.layout) {
    case MiningContext::Layout::kDense:
      return true;
    case MiningContext::Layout::kSparse:
    case MiningContext::Layout::kGeneral:
      return false;
    case MiningContext::Layout::kAuto:
      break;
  }
  // Density of the items that can be frequent: their occurrences over the
  // size of the transaction x item matrix they span.
  Vec<std::uint32_t> count(db_.RankCount() + 1, 0);
  for (const std::uint32_t y : rows.items) ++count[y];
  std::uint64_t occurrences = 0;
  std::uint64_t items = 0;
  for (const std::uint32_t c : count) {
    if (c >= minCount_ && c > 0) {
      occurrences += c;
      ++items;
    }
  }
  const std::size_t n = rows.begin.size() - 1;
  return items > 0 && occurrences * 10 >= static_cast<std::uint64_t>(n) * items;
}

// ---- Rows layout ----

// Puts the distinct indices of `sc.touched` (all with a nonzero count in
// sc.cnt, between lo and hi) in ascending order: by sorting when they are
// few, else by a scan of the counts.
void Ascending(Scratch& sc, std::uint32_t lo, std::uint32_t hi) {
  const std::size_t n = sc.touched.size();
  if (n * 16 < static_cast<std::size_t>(hi - lo) + 1) {
    std::sort(sc.touched.begin(), sc.touched.end());
    return;
  }
  sc.touched.clear();
  for (std::uint32_t j = lo; j <= hi; ++j) {
    if (sc.cnt[j] != 0) sc.touched.push_back(j);
  }
}

bool ItemsetEnumerator::Sparse(PatternLog& log, std::span<const Rank> p, const Rows& in,
                               std::span<const Rank> inRank, std::span<const RowRef> d,
                               bool top) {
  if (d.size() < minCount_) return false;
  if (!top && maxpat_ <= static_cast<std::int32_t>(p.size())) return false;
  if (Cancelled()) return false;
  Scratch& sc = Local();

  // Count the items of every row (they all lie after the pattern's largest).
  std::uint32_t lo = 0xffffffffu;
  std::uint32_t hi = 0;
  for (const RowRef& r : d) {
    const std::uint32_t* it = in.items.data() + in.begin[r.row] + r.start;
    const std::uint32_t* end = in.items.data() + in.begin[r.row + 1];
    for (; it != end; ++it) {
      const std::uint32_t j = *it;
      if (sc.cnt[j]++ == 0) {
        sc.touched.push_back(j);
        lo = std::min(lo, j);
        hi = std::max(hi, j);
      }
    }
  }
  if (sc.touched.empty()) return false;
  Ascending(sc, lo, hi);
  NodeItems items;
  Vec<Rank> codes;
  Vec<SupportCount> counts;
  for (const std::uint32_t j : sc.touched) {
    const std::uint32_t k = sc.cnt[j];
    sc.cnt[j] = 0;
    if (k < minCount_) continue;
    sc.mark[j] = static_cast<std::int32_t>(items.rank.size());
    const bool code = Within(k);
    items.rank.push_back(inRank[j]);
    items.code.push_back(code ? 1 : 0);
    items.codePos.push_back(code ? static_cast<std::int32_t>(codes.size()) : -1);
    if (code) {
      codes.push_back(inRank[j]);
      counts.push_back(k);
    }
  }
  auto unmark = [&] {
    for (const std::uint32_t j : sc.touched) sc.mark[j] = -1;
    sc.touched.clear();
  };
  if (codes.empty()) {
    unmark();
    return false;
  }
  Vec<PatternLog::Event> singles;
  AddSingles(log, p, codes, counts, top, singles);
  const std::size_t lastSingle = log.size() - 1;
  const bool pairs = top ? maxpat_ > 1 : static_cast<std::int32_t>(p.size()) + 2 <= maxpat_;
  if (!pairs) {
    unmark();
    MarkLeaves(singles);
    return true;
  }
  Poll();

  // The node's rows and, per code, the rows holding it, read from just
  // after it.
  Rows rows;
  rows.begin.resize(d.size() + 1);
  Vec<std::uint32_t> firstBegin(codes.size() + 1, 0);
  for (std::size_t k = 0; k < codes.size(); ++k) firstBegin[k + 1] = firstBegin[k] + counts[k];
  Vec<RowRef> firsts(firstBegin.back());
  {
    Vec<std::uint32_t> next(firstBegin.begin(), firstBegin.end() - 1);
    for (std::size_t i = 0; i < d.size(); ++i) {
      const std::uint32_t* it = in.items.data() + in.begin[d[i].row] + d[i].start;
      const std::uint32_t* end = in.items.data() + in.begin[d[i].row + 1];
      for (; it != end; ++it) {
        const std::int32_t li = sc.mark[*it];
        if (li < 0) continue;
        rows.items.push_back(static_cast<std::uint32_t>(li));
        const std::int32_t c = items.codePos[static_cast<std::size_t>(li)];
        if (c >= 0) {
          firsts[next[static_cast<std::size_t>(c)]++] = {
              static_cast<std::uint32_t>(i),
              static_cast<std::uint32_t>(rows.items.size()) - rows.begin[i]};
        }
      }
      rows.begin[i + 1] = static_cast<std::uint32_t>(rows.items.size());
    }
  }
  unmark();

  // Node index of each code, for the branches.
  Vec<std::uint32_t> codeIndex;
  for (std::size_t li = 0; li < items.rank.size(); ++li) {
    if (items.code[li] != 0) codeIndex.push_back(static_cast<std::uint32_t>(li));
  }
  const std::size_t nc = codes.size();
  auto codeAt = [&](std::size_t j) { return top ? j : nc - 1 - j; };
  auto firstsOf = [&](std::size_t k) {
    return std::span<const RowRef>(firsts.data() + firstBegin[k], counts[k]);
  };
  bool descended = false;
  if (parallel_ && rows.items.size() >= ctx_.minParallelWork && nc > 1) {
    std::vector<PatternLog*> subs(nc);
    for (std::size_t j = 0; j < nc; ++j) subs[j] = &log.Attach(lastSingle);
    std::vector<std::uint8_t> went(nc, 0);
    tbb::task_group tg;
    for (std::size_t j = 0; j < nc; ++j) {
      tg.run([&, j] {
        const std::size_t k = codeAt(j);
        went[j] = SparseBranch(*subs[j], p, codeIndex[k], items, rows, firstsOf(k)) ? 1 : 0;
      });
    }
    tg.wait();
    descended = std::find(went.begin(), went.end(), 1) != went.end();
  } else {
    for (std::size_t j = 0; j < nc && !Cancelled(); ++j) {
      const std::size_t k = codeAt(j);
      if (SparseBranch(log, p, codeIndex[k], items, rows, firstsOf(k))) descended = true;
    }
  }
  if (!descended) MarkLeaves(singles);
  return true;
}

// The pairs (a, b) of one first code (node index a): returns true when one
// was descended into.
bool ItemsetEnumerator::SparseBranch(PatternLog& log, std::span<const Rank> p, std::uint32_t a,
                                     const NodeItems& items, const Rows& rows,
                                     std::span<const RowRef> firsts) {
  Vec<RowRef> lists;
  Vec<Survivor> survivors;
  SparsePairs(Local(), rows, items, firsts, lists, survivors);
  Vec<Rank> key(p.begin(), p.end());
  key.push_back(items.rank[a]);
  key.push_back(0);
  for (const Survivor& s : survivors) {
    if (Cancelled()) break;
    key.back() = items.rank[s.b];
    const PatternLog::Event ev = log.Add(key, s.size);
    if (!Sparse(log, key, rows, items.rank, std::span<const RowRef>(lists.data() + s.begin, s.size),
                false)) {
      PatternLog::MarkLeaf(ev);
    }
  }
  return !survivors.empty();
}

void ItemsetEnumerator::SparsePairs(Scratch& sc, const Rows& rows, const NodeItems& items,
                                    std::span<const RowRef> firsts, Vec<RowRef>& out,
                                    Vec<Survivor>& survivors) {
  std::uint32_t lo = 0xffffffffu;
  std::uint32_t hi = 0;
  for (const RowRef& r : firsts) {
    const std::uint32_t* base = rows.items.data() + rows.begin[r.row];
    const std::uint32_t len = rows.begin[r.row + 1] - rows.begin[r.row];
    for (std::uint32_t i = r.start; i < len; ++i) {
      const std::uint32_t b = base[i];
      if (items.code[b] == 0) continue;
      if (sc.cnt[b]++ == 0) {
        sc.touched.push_back(b);
        lo = std::min(lo, b);
        hi = std::max(hi, b);
      }
      sc.hits.push_back({b, r.row, i + 1});
    }
  }
  if (sc.touched.empty()) return;
  Ascending(sc, lo, hi);
  // Second codes in descending order.
  std::uint32_t total = 0;
  for (auto it = sc.touched.rbegin(); it != sc.touched.rend(); ++it) {
    const std::uint32_t b = *it;
    const std::uint32_t k = sc.cnt[b];
    if (!Within(k)) {
      sc.cnt[b] = 0;
      continue;
    }
    survivors.push_back({b, total, k});
    sc.offset[b] = total;
    total += k;
  }
  out.resize(total);
  for (const Scratch::Hit& h : sc.hits) {
    if (sc.cnt[h.b] == 0) continue;
    out[sc.offset[h.b]++] = {h.row, h.start};
  }
  for (const std::uint32_t b : sc.touched) sc.cnt[b] = 0;
  sc.touched.clear();
  sc.hits.clear();
}

// ---- Bit set layout ----

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
  if (parallel_ && nc > 1 && e.items.size() * e.width * nc >= 10 * ctx_.minParallelWork) {
    std::vector<PatternLog*> subs(nc);
    for (std::size_t j = 0; j < nc; ++j) subs[j] = &log.Attach(lastSingle);
    std::vector<std::uint8_t> went(nc, 0);
    tbb::task_group tg;
    for (std::size_t j = 0; j < nc; ++j) {
      tg.run([&, j] { went[j] = DenseBranch(*subs[j], p, e, codes, codeAt(j)) ? 1 : 0; });
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

}  // namespace

void EnumerateItemsets(const ContributedDatabase& db, const EnumerationParams& params,
                       PatternRecorder& recorder, std::set<PatternId>& leaves,
                       const MiningContext& ctx) {
  PatternLog log;
  const bool finished = ItemsetEnumerator(db, params, ctx).Run(log);
  std::size_t events = 0;
  std::size_t words = 0;
  log.Totals(events, words);
  recorder.Reserve(events, words);
  log.Replay(recorder, leaves);
  recorder.FinishAppends();
  if (!finished) throw AutomationError("User has cancelled the analysis", ErrorKind::kCancelled);
}

}  // namespace linkan
