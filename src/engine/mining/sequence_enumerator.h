// sequence_enumerator.h
//
// The general enumeration engine: a depth-first, projection-based search
// that grows a pattern from the left, keeps for every supporting sequence
// the position at which the pattern's last itemset was first matched, and
// descends two items per level (pairs of extension codes). It handles both
// modes and any data; association mode over one-itemset transactions has a
// faster engine of its own (itemset_enumerator.h) with the same results.
//
// Per node (pattern P with its projected database D):
//   1. stop when |D| is below the minimum count, or in association mode when
//      P's first itemset already has maxpat items;
//   2. count the extension codes: -y for every contributed y at the matched
//      position, +y for every contributed y after it, each at most once per
//      sequence; keep codes within the support bounds whose extension is not
//      recorded yet;
//   3. record the one-step extensions allowed by maxpat / MaxSequenceSize,
//      in ascending code order;
//   4. form the pairs of codes per sequence, keep those within the bounds and
//      descend into each allowed one in ascending (c1, c2) order; patterns
//      whose descent records nothing become leaves, and when no pair was
//      descended into, all one-step extensions of P become leaves.
// The pairs of one first code are formed when that code's turn comes; pair
// forming reads only D and the counts of step 2, so this gives the same
// pairs as forming all of them first. A node hands its children, per
// supporting sequence, only the positions and items that can still be
// frequent below it (an item whose count in the node is below the minimum
// cannot reach it in a child), so deeper nodes read ever less.
//
// Threads: with more than one, the counting, the writing of the children's
// positions and the pair forming of large nodes are split into fixed chunks
// of the projected database whose results are joined in chunk order (counts
// are sums), so the results never depend on timing. Recording stays on the
// calling thread.
//
// Cancellation: IsAnalysisCancelled on the context's cancel source is polled
// on the calling thread at every node's pair pass (and per first code in
// large nodes); it raises AutomationError("User has cancelled the
// analysis"), and the table keeps what was recorded before.
#pragma once

#include <set>

#include "engine/mining/contributed_database.h"
#include "engine/mining/enumeration_params.h"
#include "engine/mining/mining_context.h"
#include "engine/mining/pattern_recorder.h"

namespace linkan {

// Runs the enumeration from the empty pattern over every sequence of `db`.
void EnumerateSequences(const ContributedDatabase& db, const EnumerationParams& params,
                        PatternRecorder& recorder, std::set<PatternId>& leaves,
                        const MiningContext& ctx);

// Raises the cancellation error when the context's guard is stopped or its
// source reports Cancel.
void ThrowIfCancelled(const MiningContext& ctx);

}  // namespace linkan
