// disjoint_sequences.h
//
// The disjoint sequences output (command 1212): the longest frequent
// patterns of the run (the engine's leaf set) with every pattern that is
// nested in another one removed, as a spreadsheet.
//
// Nesting keeps order: A is nested in B when A has no more itemsets than B
// and A's itemsets are subsets of itemsets of B at increasing positions
// (A[i] is looked for in B after the position that matched A[i - 1]); the
// empty pattern is nested in every pattern. For one-itemset patterns this is
// plain set inclusion. The relation is a partial order, so one elimination
// pass leaves the maximal patterns, none nested in another, whatever the ID
// order, and a second pass removes nothing.
//
// The elimination changes the leaf set for good ("Eliminating nested
// combinations ..." progress, one step per ID); a cancel keeps what was
// removed so far. The table lists the survivors in ascending ID:
// "Frequent itemsets"/"Frequent sequences", "Number of items"/"Number of
// itemsets", "Frequency", "Support(%)"; no survivor: the no-rule message.
#pragma once

#include "engine/pattern.h"

namespace linkan {

class CAnalysisSupport;
class SalEngine;

inline constexpr const char* kEliminationProgressText =
    "Eliminating nested combinations from previously collected longest frequent patterns";

bool IsNested(const Pattern& a, const Pattern& b);

// Removes from the leaf set every ID whose pattern is nested in another's.
// False when cancelled.
bool EliminateNestedLeaves(CAnalysisSupport& support, SalEngine& engine);

// 1 when the user cancelled, 0 otherwise; `shown` tells whether the host
// showed the table.
int ShowDisjointSequences(CAnalysisSupport& support, SalEngine& engine, bool& shown);

}  // namespace linkan
