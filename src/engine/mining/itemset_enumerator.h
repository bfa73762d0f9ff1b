// itemset_enumerator.h
//
// The enumeration engine of association mode when every transaction is one
// itemset (no sequence has more than one non-empty position). It gives
// exactly the results of the general engine (sequence_enumerator.h) on such
// data, by the same steps specialised to it:
//   - a node is a one-itemset pattern P with the list of transactions that
//     contain it; only items above P's largest item can extend it, so only
//     those are counted (the others could neither be recorded nor pair);
//   - the root records every item within the bounds in ascending order and
//     pairs (+a, -b); deeper nodes record P + x for x descending and pair
//     (-a, -b), a descending, then b descending;
//   - a pattern is never met twice here (every node has one parent and the
//     one-step extensions of a node have odd size while nodes have even
//     size), so the test for an already recorded extension never drops a
//     code and is not made.
//
// Two layouts: transaction rows (each node keeps, per supporting
// transaction, its remaining items) for sparse data, and bit sets per
// candidate item for dense data. MiningContext::layout picks one; kAuto
// decides by the density of the frequent items.
//
// Parallelism: with more than one thread, large nodes hand the subtrees of
// their first codes to worker tasks. Every subtree writes what it records
// into a log of its own; the logs are replayed into the table in the order
// of the serial descent, so IDs, counts, leaves, debug lines and progress
// steps come in exactly the serial order whatever the timing.
//
// Cancellation: polled on the calling thread at the nodes it runs.
#pragma once

#include <set>

#include "engine/mining/contributed_database.h"
#include "engine/mining/enumeration_params.h"
#include "engine/mining/mining_context.h"
#include "engine/mining/pattern_recorder.h"

namespace linkan {

// REQUIRES: params.association and db.OneItemsetPerSequence().
void EnumerateItemsets(const ContributedDatabase& db, const EnumerationParams& params,
                       PatternRecorder& recorder, std::set<PatternId>& leaves,
                       const MiningContext& ctx);

}  // namespace linkan
