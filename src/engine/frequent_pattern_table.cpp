// frequent_pattern_table.cpp
#include "engine/frequent_pattern_table.h"

#include "frame/host/module_error.h"

namespace linkan {

std::size_t FrequentPatternTable::PatternHash::operator()(const Pattern& p) const {
  std::size_t h = 0x9e3779b97f4a7c15ull;
  for (const Itemset& s : p) {
    h = (h ^ (s.size() + 0x51ed27)) * 0x100000001b3ull;
    for (const ItemNumber x : s) h = (h ^ static_cast<std::size_t>(x)) * 0x100000001b3ull;
  }
  return h;
}

PatternId FrequentPatternTable::Record(const Pattern& p, SupportCount count) {
  auto [it, inserted] = ids_.try_emplace(p, static_cast<PatternId>(patterns_.size()));
  if (inserted) {
    patterns_.push_back(p);
    counts_.push_back(count);
  }
  return it->second;
}

std::optional<PatternId> FrequentPatternTable::Find(const Pattern& p) const {
  auto it = ids_.find(p);
  if (it == ids_.end()) return std::nullopt;
  return it->second;
}

const Pattern& FrequentPatternTable::PatternOf(PatternId id) const {
  if (id >= patterns_.size()) throw ModuleError(ErrorKind::kNotFound, "value not found");
  return patterns_[id];
}

SupportCount FrequentPatternTable::CountOf(PatternId id) const {
  if (id >= counts_.size()) throw ModuleError(ErrorKind::kNotFound, "value not found");
  return counts_[id];
}

void FrequentPatternTable::Clear() {
  patterns_.clear();
  counts_.clear();
  ids_.clear();
}

}  // namespace linkan
