// itemset_enumerator_internal.h
//
// The pieces of the itemset engine (itemset_enumerator.h) shared by its
// source files: the row and bit-set layouts of a node, the per-thread
// scratch and the ItemsetEnumerator class. Not for use outside the engine.
//
// Thread safety: an ItemsetEnumerator is run by one call; its subtrees may
// run on several threads, each with its own Scratch and pattern log.
#pragma once

#include <tbb/enumerable_thread_specific.h>
#include <tbb/scalable_allocator.h>
#include <tbb/task_arena.h>
#include <tbb/task_group.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <span>
#include <thread>
#include <utility>
#include <vector>

#include "engine/mining/itemset_enumerator.h"
#include "engine/mining/pattern_log.h"
#include "frame/progress.h"

namespace linkan::itemset_internal {

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
  std::uint64_t found = 0;  // patterns logged by this thread, not yet counted in the guard
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
    if (ctx_.guard != nullptr) {
      for (Scratch& sc : scratch_) ctx_.guard->AddPatterns(std::exchange(sc.found, 0));
    }
    return !Cancelled();
  }

 private:
  Scratch& Local() { return scratch_.local(); }
  bool Within(std::uint64_t k) const { return params_.bounds.Within(k); }
  bool Cancelled() const { return cancelled_.load(std::memory_order_relaxed) || ctx_.Stopped(); }

  // Counts `n` patterns logged by this thread; the guard sees them in
  // batches (one shared update per 4096).
  void Found(Scratch& sc, std::size_t n) {
    sc.found += n;
    if (sc.found >= 4096 && ctx_.guard != nullptr) ctx_.guard->AddPatterns(std::exchange(sc.found, 0));
  }

  // Runs one subtree task. An error in it stops the whole enumeration (the
  // guard, else this enumerator), so that the tasks still running end soon
  // and the task group can hand the error on.
  template <class F>
  void Task(const F& f) {
    try {
      f();
    } catch (const std::bad_alloc&) {
      if (ctx_.guard != nullptr) ctx_.guard->RequestStop(RunGuard::Stop::kOutOfMemory);
      cancelled_.store(true);
      throw;
    } catch (...) {
      cancelled_.store(true);
      throw;
    }
  }

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
                  std::span<const SupportCount> counts, bool top, Vec<PatternLog::Event>& events) {
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

// AND of two bit sets of n words: the number of bits set (and, for
// AndStoreCount, the result in `out`).
std::uint32_t AndCount(const std::uint64_t* a, const std::uint64_t* b, std::size_t n);
std::uint32_t AndStoreCount(const std::uint64_t* a, const std::uint64_t* b, std::uint64_t* out,
                            std::size_t n);

}  // namespace linkan::itemset_internal
