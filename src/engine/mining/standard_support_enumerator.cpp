// standard_support_enumerator.cpp
#include "engine/mining/standard_support_enumerator.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <span>
#include <thread>
#include <utility>

#include "engine/mining/maximal_patterns.h"
#include "engine/mining/sequence_enumerator.h"
#include "engine/mining/vertical_lists.h"
#include "frame/host/module_error.h"
#include "frame/progress.h"

namespace linkan {
namespace {

using vertical::Join;
using vertical::ListSet;
using vertical::Vec;

// What one subtree recorded, in the serial order: patterns (rank keys with
// their counts) and sub-logs, each replayed before the pattern that was
// logged after it was attached. Sub-logs are attached by the thread that
// owns the log, before the threads that fill them start.
class KeyLog {
 public:
  void Add(std::span<const Rank> key, SupportCount count) {
    words_.push_back(static_cast<std::int32_t>(count));
    words_.push_back(static_cast<std::int32_t>(key.size()));
    words_.insert(words_.end(), key.begin(), key.end());
    ++events_;
  }
  KeyLog& Attach() {
    subs_.emplace_back(events_, std::make_unique<KeyLog>());
    return *subs_.back().second;
  }
  void Replay(PatternRecorder& recorder) const {
    std::size_t at = 0;
    std::size_t sub = 0;
    for (std::size_t event = 0; event <= events_; ++event) {
      for (; sub < subs_.size() && subs_[sub].first == event; ++sub) {
        subs_[sub].second->Replay(recorder);
      }
      if (event == events_) break;
      const auto count = static_cast<SupportCount>(words_[at]);
      const auto len = static_cast<std::size_t>(words_[at + 1]);
      recorder.RecordNew(std::span<const Rank>(words_.data() + at + 2, len), count);
      at += len + 2;
    }
  }
  void Totals(std::size_t& events, std::size_t& words) const {
    events += events_;
    words += words_.size() - 2 * events_;
    for (const auto& sub : subs_) sub.second->Totals(events, words);
  }

 private:
  Vec<std::int32_t> words_;  // per pattern: count, key length, key
  std::size_t events_ = 0;
  std::vector<std::pair<std::size_t, std::unique_ptr<KeyLog>>> subs_;
};

// Levels whose children are searched as separate tasks.
constexpr std::size_t kParallelDepth = 2;

class Search {
 public:
  Search(const ContributedDatabase& db, const EnumerationParams& params, const MiningContext& ctx)
      : db_(db),
        ctx_(ctx),
        minCount_(std::max<std::uint32_t>(params.bounds.minCount, 1)),
        maxCount_(params.bounds.maxCount),
        maxpat_(params.maxpat),
        // Association mode: one itemset per pattern.
        maxItemsets_(params.association ? 1 : params.maxSequenceSize),
        parallel_(ctx.threads > 1),
        callingThread_(std::this_thread::get_id()) {}

  void Run(KeyLog& log) {
    if (maxItemsets_ < 1 || maxCount_ < minCount_) return;
    ListSet root = NewSet();
    SingleItems(root);
    Vec<Rank> key;
    std::size_t recorded = 0;
    for (const ListSet::List& l : root.lists) {
      if (l.support() <= maxCount_) {
        key.assign({1, l.item});
        log.Add(key, l.support());
        ++recorded;
      }
    }
    Found(recorded);
    if (parallel_) {
      tbb::task_arena arena(static_cast<int>(ctx_.threads));
      arena.execute([&] { Explore({}, 0, root, 0, log); });
    } else {
      Explore({}, 0, root, 0, log);
    }
  }

 private:
  // The lists of the single items that reach the minimum, in ascending
  // rank, as new-itemset extensions of the empty pattern.
  void SingleItems(ListSet& out) const {
    const std::size_t ranks = db_.RankCount() + 1;
    Vec<std::uint32_t> sequences(ranks, 0);
    Vec<std::uint32_t> positions(ranks, 0);
    Vec<std::uint32_t> lastSeen(ranks, UINT32_MAX);
    for (std::size_t s = 0; s < db_.size(); ++s) {
      for (std::size_t p = 0; p < db_.PositionCount(s); ++p) {
        for (const Rank y : db_.At(s, p)) {
          ++positions[y];
          if (lastSeen[y] != s) {
            lastSeen[y] = static_cast<std::uint32_t>(s);
            ++sequences[y];
          }
        }
      }
    }
    // Each kept item's groups and positions get their place first.
    Vec<std::uint32_t> nextGroup(ranks, 0);
    Vec<std::uint32_t> nextPos(ranks, 0);
    std::uint32_t groups = 0;
    std::uint32_t total = 0;
    Vec<Rank> kept;
    for (std::size_t y = 1; y < ranks; ++y) {
      if (sequences[y] < minCount_) continue;
      kept.push_back(static_cast<Rank>(y));
      nextGroup[y] = groups;
      nextPos[y] = total;
      groups += sequences[y];
      total += positions[y];
    }
    out.sid.resize(groups);
    out.start.assign(groups + 1, 0);
    out.pos.resize(total);
    std::fill(lastSeen.begin(), lastSeen.end(), UINT32_MAX);
    for (std::size_t s = 0; s < db_.size(); ++s) {
      for (std::size_t p = 0; p < db_.PositionCount(s); ++p) {
        for (const Rank y : db_.At(s, p)) {
          if (sequences[y] < minCount_) continue;
          if (lastSeen[y] != s) {
            lastSeen[y] = static_cast<std::uint32_t>(s);
            out.sid[nextGroup[y]] = static_cast<std::uint32_t>(s);
            out.start[nextGroup[y]] = nextPos[y];
            ++nextGroup[y];
          }
          out.pos[nextPos[y]++] = static_cast<std::uint32_t>(p);
        }
      }
    }
    out.start[groups] = total;
    std::uint32_t begin = 0;
    for (const Rank y : kept) {
      const std::uint32_t end = begin + sequences[static_cast<std::size_t>(y)];
      out.Close(y, false, begin, end);
      begin = end;
    }
  }

  // The children of the pattern `key` (its last itemset of `lastLen`
  // items), whose one-step extensions reaching the minimum are `atoms`
  // (recorded already when within the maximum).
  void Explore(std::span<const Rank> key, std::int32_t lastLen, const ListSet& atoms,
               std::size_t depth, KeyLog& log) {
    const std::size_t n = atoms.lists.size();
    if (parallel_ && depth < kParallelDepth && n >= 2 && atoms.pos.size() >= ctx_.minParallelWork) {
      std::vector<KeyLog*> logs;
      logs.reserve(n);
      for (std::size_t i = 0; i < n; ++i) logs.push_back(&log.Attach());
      tbb::parallel_for(
          tbb::blocked_range<std::size_t>(0, n, 1), [&](const tbb::blocked_range<std::size_t>& r) {
            ListSet next = NewSet();
            Vec<Rank> childKey;
            for (std::size_t i = r.begin(); i != r.end(); ++i) {
              Task([&] { Child(key, lastLen, atoms, i, depth, *logs[i], next, childKey); });
            }
          });
      return;
    }
    ListSet next = NewSet();
    Vec<Rank> childKey;
    for (std::size_t i = 0; i < n; ++i) Child(key, lastLen, atoms, i, depth, log, next, childKey);
  }

  // The child `key` + atom i: joins its list with the siblings', records
  // the extensions within the bounds and searches below them.
  void Child(std::span<const Rank> key, std::int32_t lastLen, const ListSet& atoms, std::size_t i,
             std::size_t depth, KeyLog& log, ListSet& next, Vec<Rank>& childKey) {
    CheckStop();
    const ListSet::List& a = atoms.lists[i];
    childKey.assign(key.begin(), key.end());
    std::int32_t childLast = 1;
    std::size_t childLastBegin = childKey.size();
    if (a.inItemset) {
      childLastBegin = key.size() - static_cast<std::size_t>(lastLen) - 1;
      childLast = lastLen + 1;
      childKey.push_back(a.item);
      ++childKey[childLastBegin];
    } else {
      childKey.push_back(1);
      childKey.push_back(a.item);
    }
    const std::int32_t childItemsets =
        static_cast<std::int32_t>(FrequentPatternTable::KeyItemsetCount(childKey));

    next.Clear();
    const auto add = [&](const ListSet::List& b, Join kind) {
      const auto begin = static_cast<std::uint32_t>(next.sid.size());
      if (vertical::JoinLists(atoms, a, b, kind, minCount_, next) == 0) return;
      next.Close(b.item, kind == Join::kItemset, begin,
                 static_cast<std::uint32_t>(next.sid.size()));
    };
    if (childLast < maxpat_) {
      for (const ListSet::List& b : atoms.lists) {
        if (b.inItemset == a.inItemset && b.item > a.item) add(b, Join::kItemset);
      }
    }
    if (childItemsets < maxItemsets_) {
      for (const ListSet::List& b : atoms.lists) {
        if (!b.inItemset) add(b, Join::kSequence);
      }
    }
    if (next.lists.empty()) return;

    Vec<Rank> extension;
    std::size_t recorded = 0;
    for (const ListSet::List& b : next.lists) {
      if (b.support() > maxCount_) continue;
      extension.assign(childKey.begin(), childKey.end());
      if (b.inItemset) {
        extension.push_back(b.item);
        ++extension[childLastBegin];
      } else {
        extension.push_back(1);
        extension.push_back(b.item);
      }
      log.Add(extension, b.support());
      ++recorded;
    }
    Found(recorded);
    // The next level keeps sets and keys of its own: `next` and `childKey`
    // stay as they are while it runs.
    Explore(childKey, childLast, next, depth + 1, log);
  }

  ListSet NewSet() const {
    vertical::BitSets policy = vertical::BitSets::kAuto;
    switch (ctx_.layout) {
      case MiningContext::Layout::kSparse:
        policy = vertical::BitSets::kNever;
        break;
      case MiningContext::Layout::kDense:
        policy = vertical::BitSets::kAlways;
        break;
      case MiningContext::Layout::kGeneral:
        policy = vertical::BitSets::kMixed;
        break;
      case MiningContext::Layout::kAuto:
        break;
    }
    return ListSet(static_cast<std::uint32_t>(db_.size()), policy);
  }

  void Found(std::size_t n) const {
    if (ctx_.guard != nullptr && n > 0) ctx_.guard->AddPatterns(n);
  }

  // Ends the search when the guard stopped the run or, on the calling
  // thread, the host reports Cancel.
  void CheckStop() {
    if (ctx_.Stopped()) ThrowIfCancelled(ctx_);
    if (ctx_.cancelSource != nullptr && std::this_thread::get_id() == callingThread_ &&
        (++polls_ & 255u) == 0) {
      ThrowIfCancelled(ctx_);
    }
  }

  // Runs one task; running out of memory there stops the whole run.
  template <class F>
  void Task(const F& f) {
    try {
      f();
    } catch (const std::bad_alloc&) {
      if (ctx_.guard != nullptr) ctx_.guard->RequestStop(RunGuard::Stop::kOutOfMemory);
      throw;
    }
  }

  const ContributedDatabase& db_;
  const MiningContext& ctx_;
  const std::uint32_t minCount_;
  const std::uint32_t maxCount_;
  const std::int32_t maxpat_;
  const std::int32_t maxItemsets_;
  const bool parallel_;
  const std::thread::id callingThread_;
  std::uint32_t polls_ = 0;  // calling thread only
};

}  // namespace

void EnumerateWithStandardSupport(const ContributedDatabase& db, const EnumerationParams& params,
                                  PatternRecorder& recorder, const FrequentPatternTable& table,
                                  std::set<PatternId>& leaves, const MiningContext& ctx) {
  KeyLog log;
  Search(db, params, ctx).Run(log);
  ThrowIfCancelled(ctx);
  std::size_t events = 0;
  std::size_t words = 0;
  log.Totals(events, words);
  recorder.Reserve(events, words);
  log.Replay(recorder);
  recorder.FinishAppends();
  CollectMaximalPatterns(table, leaves);
}

}  // namespace linkan
