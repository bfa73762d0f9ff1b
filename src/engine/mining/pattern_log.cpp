// pattern_log.cpp
#include "engine/mining/pattern_log.h"

#include <algorithm>

namespace linkan {

PatternLog::Event PatternLog::Add(std::span<const Rank> items, SupportCount count) {
  const std::size_t need = items.size() + 3;
  if (blocks_.empty() || blocks_.back().used + need > blocks_.back().size) {
    // Blocks grow from small (most sub-logs hold a few events) to large.
    Block b;
    b.size = blocks_.empty() ? kFirstBlockWords : std::min(2 * blocks_.back().size, kBlockWords);
    b.size = std::max(b.size, need);
    b.words = std::make_unique_for_overwrite<std::int32_t[]>(b.size);
    blocks_.push_back(std::move(b));
  }
  Block& b = blocks_.back();
  std::int32_t* e = b.words.get() + b.used;
  e[0] = static_cast<std::int32_t>(count);
  e[1] = 0;
  e[2] = static_cast<std::int32_t>(items.size());
  std::copy(items.begin(), items.end(), e + 3);
  b.used += need;
  ++events_;
  keyWords_ += items.size() + 1;
  return e;
}

PatternLog& PatternLog::Attach(std::size_t after) {
  subs_.emplace_back(after, std::make_unique<PatternLog>());
  return *subs_.back().second;
}

void PatternLog::Totals(std::size_t& events, std::size_t& words) const {
  events += events_;
  words += keyWords_;
  for (const auto& sub : subs_) sub.second->Totals(events, words);
}

bool PatternLog::Replay(PatternRecorder& recorder, std::set<PatternId>& leaves,
                        const RunGuard* guard) const {
  std::size_t ordinal = 0;
  std::size_t sub = 0;
  for (const Block& b : blocks_) {
    // A block holds at most a few thousand events: one check per block.
    if (guard != nullptr && guard->Stopped()) return false;
    std::size_t at = 0;
    while (at < b.used) {
      const std::int32_t* e = b.words.get() + at;
      const auto len = static_cast<std::size_t>(e[2]);
      const PatternId id = recorder.RecordNew(std::span<const Rank>(e + 2, len + 1),
                                              static_cast<SupportCount>(e[0]));
      if (e[1] != 0) leaves.insert(leaves.end(), id);
      for (; sub < subs_.size() && subs_[sub].first == ordinal; ++sub) {
        if (!subs_[sub].second->Replay(recorder, leaves, guard)) return false;
      }
      at += len + 3;
      ++ordinal;
    }
  }
  return true;
}

}  // namespace linkan
