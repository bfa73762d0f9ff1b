// rule_generation.cpp
#include "engine/mining/rule_generation.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <unordered_set>
#include <utility>
#include <vector>

#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include "engine/mining/mining_context.h"
#include "engine/sal_engine.h"
#include "engine/text/pattern_text.h"
#include "frame/double_compare.h"
#include "frame/host/analysis_support.h"
#include "frame/host/debug_sink.h"
#include "frame/progress.h"

namespace linkan {
namespace {

using Key = FrequentPatternTable::Key;

struct Found {
  bool present = false;
  PatternId id = 0;
  SupportCount count = 0;
};

// The one-item one-itemset patterns by item number: the head (or body) of
// one item is found without a hash lookup.
std::vector<Found> SinglesByItem(const FrequentPatternTable& table) {
  std::vector<Found> singles;
  for (PatternId id = 0; id < table.size(); ++id) {
    const Key key = table.KeyOf(id);
    if (key.size() != 2) continue;
    const auto item = static_cast<std::size_t>(key[1]);
    if (singles.size() <= item) singles.resize(item + 1);
    singles[item] = {true, id, table.CountOf(id)};
  }
  return singles;
}

// Makes the rules of one pattern at a time into the list set by Into().
// One maker per thread; the table and the singles are only read.
class RuleMaker {
 public:
  RuleMaker(const SalEngine& engine, const std::vector<Found>& singles)
      : engine_(engine),
        guard_(engine.analysis().runGuard()),
        table_(engine.patterns),
        singles_(singles),
        minconf_(engine.settings.minconf),
        maxconf_(engine.settings.maxconf),
        maxhead_(engine.settings.maxhead) {}

  // Where the rules go.
  void Into(std::vector<RuleRecord>& out) { out_ = &out; }

  void FromItemset(PatternId id) {
    const Key key = table_.KeyOf(id);
    const auto m = static_cast<std::size_t>(key[0]);
    if (key.size() != m + 1 || m < 2) return;  // one itemset of two or more items
    // 2^m - 2 splits: beyond 62 items the count does not fit a counter (and
    // could not be walked anyway).
    if (m > 62) return;
    const SupportCount count = table_.CountOf(id);
    items_.assign(key.begin() + 1, key.end());
    hashes_.resize(m);
    for (std::size_t j = 0; j < m; ++j) hashes_[j] = FrequentPatternTable::ItemHash(items_[j]);
    // Lookups of each subset are kept per mask while the pattern is small
    // (each subset is then both a body and a head); a new generation
    // empties the cache.
    bool cache = m <= kCacheBits;
    if (cache && ++generation_ == 0) {
      std::fill(cached_.begin(), cached_.end(), 0);
      generation_ = 1;
    }
    all_ = 0;
    for (const std::uint64_t h : hashes_) all_ ^= h;
    const std::uint64_t full = (std::uint64_t{1} << m) - 1;
    if (maxhead_ < 1) return;
    // With a small maxhead only few splits qualify: list their counter
    // values (at most maxhead flags 0) in ascending order instead of
    // walking all 2^m - 2 of them.
    const auto maxHead = static_cast<std::size_t>(std::min<std::int64_t>(maxhead_, 64));
    if (maxHead < m - 1 && SplitCount(m, maxHead) * 8 < (std::uint64_t{1} << m)) {
      cache = false;  // every body and head is met once
      counters_.clear();
      ListHeads(m, maxHead, 0, 0, 0);
      std::sort(counters_.begin(), counters_.end());
      // The lookups of a pattern's splits miss the cache: their slots are
      // fetched first, all together, then read.
      splits_.clear();
      for (const std::uint64_t v : counters_) {
        std::uint64_t mask = 0;  // bit j set: item j in the body
        std::uint64_t bodyXor = 0;
        for (std::size_t j = 0; j < m; ++j) {
          if ((v >> (m - 1 - j)) & 1u) {
            mask |= std::uint64_t{1} << j;
            bodyXor ^= hashes_[j];
          }
        }
        const auto bodySize = static_cast<std::size_t>(std::popcount(mask));
        if (bodySize > 1) table_.Prefetch(FrequentPatternTable::OneItemsetHash(bodyXor, bodySize));
        if (m - bodySize > 1) {
          table_.Prefetch(FrequentPatternTable::OneItemsetHash(all_ ^ bodyXor, m - bodySize));
        }
        splits_.push_back({mask, bodyXor});
      }
      std::size_t listed = 0;
      for (const auto& [mask, bodyXor] : splits_) {
        if ((++listed & 0xfff) == 0 && guard_.Poll()) return;
        Split(id, count, mask, full, bodyXor, static_cast<std::size_t>(std::popcount(mask)), cache);
      }
      return;
    }
    // Flag j belongs to items_[j]; flag m - 1 is the least significant.
    std::vector<std::uint8_t> flags(m, 0);
    std::uint64_t bodyXor = 0;
    std::size_t bodySize = 0;
    std::uint64_t mask = 0;  // bit j set: item j in the body
    const auto splits = static_cast<std::uint64_t>(std::pow(2.0, static_cast<double>(m))) - 2;
    for (std::uint64_t step = 0; step < splits; ++step) {
      // A long pattern has billions of splits: the guard is polled among them.
      if ((step & 0xfff) == 0xfff && guard_.Poll()) return;
      for (std::size_t j = m; j-- > 0;) {
        if (flags[j] == 0) {
          flags[j] = 1;
          bodyXor ^= hashes_[j];
          ++bodySize;
          mask |= std::uint64_t{1} << j;
          break;
        }
        flags[j] = 0;
        bodyXor ^= hashes_[j];
        --bodySize;
        mask &= ~(std::uint64_t{1} << j);
      }
      Split(id, count, mask, full, bodyXor, bodySize, cache);
    }
  }

  void FromSequence(PatternId id) {
    const Key key = table_.KeyOf(id);
    starts_.clear();
    for (std::size_t i = 0; i < key.size(); i += static_cast<std::size_t>(key[i]) + 1) {
      starts_.push_back(i);
    }
    const std::size_t k = starts_.size();
    if (k < 2) return;
    starts_.push_back(key.size());
    const SupportCount count = table_.CountOf(id);
    for (std::size_t i = 0; i + 2 <= k; ++i) {
      const Key bodyKey = key.subspan(0, starts_[i + 1]);
      const Found body = Lookup(bodyKey);
      if (!body.present || body.count == 0) {
        Warn("body", bodyKey, key, count);
        continue;
      }
      if (!Passes(static_cast<double>(count) / body.count)) continue;
      std::size_t start = i + 1;
      if (static_cast<std::int64_t>(k) > maxhead_) {
        start = std::max<std::size_t>(k - static_cast<std::size_t>(maxhead_), i + 1);
      }
      const Key headKey = key.subspan(starts_[start]);
      const Found head = Lookup(headKey);
      if (!head.present || head.count == 0) {
        Warn("head", headKey, key, count);
        continue;
      }
      if (!emitted_.insert(static_cast<std::uint64_t>(body.id) << 32 | head.id).second) continue;
      out_->push_back({static_cast<std::int32_t>(body.id), static_cast<std::int32_t>(head.id), id,
                       body.count, head.count, count});
    }
  }

 private:
  // One split: the items of `mask` form the body, the others the head.
  void Split(PatternId id, SupportCount count, std::uint64_t mask, std::uint64_t full,
             std::uint64_t bodyXor, std::size_t bodySize, bool cache) {
    const std::size_t headSize = items_.size() - bodySize;
    if (static_cast<std::int64_t>(headSize) > maxhead_) return;
    const Found body = Subset(mask, bodyXor, bodySize, cache);
    if (!body.present) return;
    const Found head = Subset(~mask & full, all_ ^ bodyXor, headSize, cache);
    if (!head.present) return;
    Emit(id, count, body, head);
  }

  // Number of splits of m items with 1 .. h head items.
  static std::uint64_t SplitCount(std::size_t m, std::size_t h) {
    std::uint64_t total = 0;
    std::uint64_t c = 1;  // C(m, k)
    for (std::size_t k = 1; k <= h && k < m; ++k) {
      c = c * (m - k + 1) / k;
      total += c;
    }
    return total;
  }

  // Appends to counters_ the counter values whose 0 flags are `zeros` plus
  // up to `left` more flags from index `from` on (at least one 0 flag).
  void ListHeads(std::size_t m, std::size_t left, std::size_t from, std::uint64_t zeros,
                 std::size_t zeroCount) {
    if (zeroCount > 0) counters_.push_back(((std::uint64_t{1} << m) - 1) & ~zeros);
    if (left == 0 || zeroCount + 1 >= m) return;
    for (std::size_t j = from; j < m; ++j) {
      ListHeads(m, left - 1, j + 1, zeros | (std::uint64_t{1} << (m - 1 - j)), zeroCount + 1);
    }
  }

  bool Passes(double c) const { return UlpAtMost(minconf_, c) && UlpAtMost(c, maxconf_); }

  void Emit(PatternId id, SupportCount count, const Found& body, const Found& head) {
    if (!Passes(static_cast<double>(count) / body.count)) return;
    out_->push_back({static_cast<std::int32_t>(body.id), static_cast<std::int32_t>(head.id), id,
                     body.count, head.count, count});
  }

  Found Lookup(Key key) const {
    Found f;
    if (const auto id = table_.FindKey(key)) {
      f.present = true;
      f.id = *id;
      f.count = table_.CountOf(*id);
    }
    return f;
  }

  // The one-itemset pattern of the items whose bits are set in `mask`.
  Found Subset(std::uint64_t mask, std::uint64_t itemXor, std::size_t size, bool cache) {
    if (cache && cached_[mask] == generation_) return cache_[mask];
    if (size == 1) {
      const auto item = static_cast<std::size_t>(items_[static_cast<std::size_t>(std::countr_zero(mask))]);
      return item < singles_.size() ? singles_[item] : Found{};
    }
    subset_.clear();
    subset_.push_back(static_cast<std::int32_t>(size));
    for (std::size_t j = 0; j < items_.size(); ++j) {
      if ((mask >> j) & 1u) subset_.push_back(items_[j]);
    }
    Found f;
    if (const auto id =
            table_.FindKey(subset_, FrequentPatternTable::OneItemsetHash(itemXor, size))) {
      f.present = true;
      f.id = *id;
      f.count = table_.CountOf(*id);
    }
    if (cache) {
      cache_[mask] = f;
      cached_[mask] = generation_;
    }
    return f;
  }

  void Warn(const char* part, Key partKey, Key whole, SupportCount count) const {
    if (!DebugOutputEnabled()) return;
    const std::string partText =
        PatternText(engine_, FrequentPatternTable::PatternFromKey(partKey), true, false);
    const std::string wholeText =
        PatternText(engine_, FrequentPatternTable::PatternFromKey(whole), true, false);
    DebugOutput("WARNING: failed to find frequent subsequence {" + partText +
                "} while constructing a " + part + " for a rule from sequence {" + wholeText +
                " : " + std::to_string(static_cast<int>(count)) + "}\n");
  }

  const SalEngine& engine_;
  RunGuard& guard_;
  const FrequentPatternTable& table_;
  const std::vector<Found>& singles_;
  std::vector<RuleRecord>* out_ = nullptr;
  const double minconf_;
  const double maxconf_;
  const std::int64_t maxhead_;
  std::vector<std::int32_t> items_;
  std::vector<std::uint64_t> hashes_;
  std::uint64_t all_ = 0;  // XOR of hashes_
  std::vector<std::uint64_t> counters_;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> splits_;  // (mask, bodyXor)
  std::vector<std::int32_t> subset_;
  static constexpr std::size_t kCacheBits = 12;
  std::vector<Found> cache_ = std::vector<Found>(std::size_t{1} << kCacheBits);
  std::vector<std::uint32_t> cached_ = std::vector<std::uint32_t>(std::size_t{1} << kCacheBits, 0);
  std::uint32_t generation_ = 0;
  std::vector<std::size_t> starts_;
  std::unordered_set<std::uint64_t> emitted_;
};

// Sequence mode: one pattern after the other (a rule met again is dropped,
// and warnings come in pattern order).
int SequenceRules(SalEngine& engine) {
  CAnalysisSupport& host = engine.analysis();
  const std::size_t total = engine.patterns.size();
  const std::vector<Found> noSingles;
  RuleMaker maker(engine, noSingles);
  std::vector<RuleRecord> made;
  maker.Into(made);
  for (std::size_t id = 0; id < total; ++id) {
    host.termom(static_cast<long>(id + 1));
    if (IsAnalysisCancelled(host)) return 1;
    made.clear();
    maker.FromSequence(static_cast<PatternId>(id));
    engine.rules.Append(made);
  }
  return 0;
}

// Association mode: the patterns are independent, so blocks of them are made
// on all threads, a round of blocks at a time, and then taken over in
// pattern order on this thread with the progress step and the cancellation
// test before every pattern, as one thread would.
int ItemsetRules(SalEngine& engine, unsigned threads, std::size_t blockPatterns) {
  CAnalysisSupport& host = engine.analysis();
  RunGuard& guard = host.runGuard();
  const std::size_t total = engine.patterns.size();
  const std::vector<Found> singles = SinglesByItem(engine.patterns);
  tbb::enumerable_thread_specific<RuleMaker> makers(
      [&] { return RuleMaker(engine, singles); });
  struct Block {
    std::vector<RuleRecord> rules;
    std::vector<std::size_t> ends;  // per pattern: rules.size() after it
  };
  const std::size_t block = std::max<std::size_t>(1, blockPatterns);
  std::vector<Block> blocks(std::max(1u, threads) * std::size_t{8});
  tbb::task_arena arena(static_cast<int>(std::max(1u, threads)));
  for (std::size_t first = 0; first < total; first += blocks.size() * block) {
    const std::size_t count = std::min(blocks.size(), (total - first + block - 1) / block);
    auto make = [&](std::size_t b) {
      Block& out = blocks[b];
      out.rules.clear();
      out.ends.clear();
      RuleMaker& maker = makers.local();
      maker.Into(out.rules);
      const std::size_t begin = first + b * block;
      const std::size_t end = std::min(total, begin + block);
      for (std::size_t id = begin; id < end; ++id) {
        // A stopped run takes over nothing from here on: no need to make it.
        if (!guard.Stopped()) maker.FromItemset(static_cast<PatternId>(id));
        out.ends.push_back(out.rules.size());
      }
    };
    if (threads > 1 && count > 1) {
      arena.execute([&] { tbb::parallel_for(std::size_t{0}, count, make); });
    } else {
      for (std::size_t b = 0; b < count; ++b) make(b);
    }
    for (std::size_t b = 0; b < count; ++b) {
      const Block& in = blocks[b];
      std::size_t from = 0;
      for (std::size_t k = 0; k < in.ends.size(); ++k) {
        const std::size_t id = first + b * block + k;
        host.termom(static_cast<long>(id + 1));
        if (IsAnalysisCancelled(host)) return 1;
        engine.rules.Append(std::span<const RuleRecord>(in.rules).subspan(from, in.ends[k] - from));
        from = in.ends[k];
      }
    }
  }
  return 0;
}

}  // namespace

int GenerateRules(SalEngine& engine) {
  return GenerateRules(engine, MiningContext::DefaultThreads(), kRuleBlockPatterns);
}

int GenerateRules(SalEngine& engine, unsigned threads, std::size_t blockPatterns) {
  engine.rules.clear();
  CAnalysisSupport& host = engine.analysis();
  StartProgress(host, static_cast<long>(engine.patterns.size()), "Generating rules...");
  const int cancelled = engine.IsAssociationMode() ? ItemsetRules(engine, threads, blockPatterns)
                                                   : SequenceRules(engine);
  StopProgress(host);
  return cancelled;
}

}  // namespace linkan
