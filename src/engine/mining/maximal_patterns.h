// maximal_patterns.h
//
// The maximal patterns of a pattern table: those that no other recorded
// pattern contains. Found by deleting one item at a time from every
// recorded pattern (a one-item itemset disappears with its item) and
// marking what that gives when it is recorded. That finds every
// non-maximal pattern when, as under standard support, every pattern
// between a recorded pattern and a recorded pattern containing it is
// recorded as well.
//
// Thread safety: reads the table; REQUIRES nobody records meanwhile.
#pragma once

#include <set>

#include "engine/frequent_pattern_table.h"

namespace linkan {

// Adds the IDs of the maximal patterns of `table` to `leaves`.
void CollectMaximalPatterns(const FrequentPatternTable& table, std::set<PatternId>& leaves);

}  // namespace linkan
