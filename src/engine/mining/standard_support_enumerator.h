// standard_support_enumerator.h
//
// The enumeration under standard support (the task property
// StandardSupport): the support of a pattern is the number of sequences in
// which its itemsets are contained, in order, in itemsets at increasing
// positions of the contributed database (any positions, not only those
// where a shorter pattern was first matched). It records every pattern
// whose support lies within the bounds, at least 1 (with a minimum count of
// 0 a pattern must still occur), with at most maxpat items in an itemset
// and, in sequence mode, at most MaxSequenceSize itemsets; in association
// mode every pattern is one itemset. A pattern above the maximum count is
// not recorded, but its extensions are still searched.
//
// Search: depth first over the prefix tree with vertical id-lists
// (vertical_lists.h). A node P holds the lists of its one-step extensions
// whose support reaches the minimum; the extensions of a child P + e are
// found by joining e's list with its siblings' lists only, since a
// frequent P + e + f implies a frequent P + f' (f' being f made a new
// itemset, or f itself when e and f both join P's last itemset).
//
// Order of IDs: the frequent single items in ascending item order, then
// per node the child's recorded extensions (items joining its last itemset
// first, then new itemsets, each in ascending item order) before the
// child's own subtree. The leaves are the maximal recorded patterns.
//
// Threads: with more than one, the children of the top two levels are
// searched as separate tasks, each writing what it records into a log of
// its own; the logs are recorded in the serial order, so IDs, counts and
// leaves never depend on timing.
//
// Cancellation: the guard is polled at every node on every thread, the
// host's cancel source on the calling thread; either raises
// AutomationError("User has cancelled the analysis") and nothing is
// recorded.
#pragma once

#include <set>

#include "engine/frequent_pattern_table.h"
#include "engine/mining/contributed_database.h"
#include "engine/mining/enumeration_params.h"
#include "engine/mining/mining_context.h"
#include "engine/mining/pattern_recorder.h"

namespace linkan {

// Records into `recorder`, which writes `table` (emptied before), and adds
// the maximal patterns to `leaves`.
void EnumerateWithStandardSupport(const ContributedDatabase& db, const EnumerationParams& params,
                                  PatternRecorder& recorder, const FrequentPatternTable& table,
                                  std::set<PatternId>& leaves, const MiningContext& ctx);

}  // namespace linkan
