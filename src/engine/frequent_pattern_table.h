// frequent_pattern_table.h
//
// FrequentPatternTable: every frequent pattern of a run with its support
// count. IDs are dense and given in order of first recording (0, 1, ...);
// recording a pattern already present returns its ID and keeps its count.
// A lookup of an ID that is not present throws ModuleError(kNotFound,
// "value not found").
//
// Thread safety: none; the enumeration records from one thread.
#pragma once

#include <optional>
#include <unordered_map>
#include <vector>

#include "engine/pattern.h"

namespace linkan {

class FrequentPatternTable {
 public:
  // Records `p` with `count`; returns its ID (the existing one when present).
  PatternId Record(const Pattern& p, SupportCount count);
  // The ID of `p`, if recorded.
  std::optional<PatternId> Find(const Pattern& p) const;
  const Pattern& PatternOf(PatternId id) const;
  SupportCount CountOf(PatternId id) const;
  // Number of patterns; IDs run 0 .. size() - 1.
  std::size_t size() const { return patterns_.size(); }
  bool empty() const { return patterns_.empty(); }
  void Clear();

 private:
  struct PatternHash {
    std::size_t operator()(const Pattern& p) const;
  };
  std::vector<Pattern> patterns_;
  std::vector<SupportCount> counts_;
  std::unordered_map<Pattern, PatternId, PatternHash> ids_;
};

}  // namespace linkan
