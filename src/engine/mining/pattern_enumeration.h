// pattern_enumeration.h
//
// The frequent pattern enumeration phase: empties the engine's
// FrequentPatternTable and LeafPatternSet, then finds every frequent
// itemset (association mode) or frequent sequence (sequence mode) of the
// in-memory sequence database and records it with its support count.
// N is the number of sequences of the database (the transaction ID list).
//
// The engine used depends on the mode and the data (association mode over
// one-itemset transactions has engines of its own); all give the same
// table, IDs, counts and leaves. With StandardSupport set, the patterns are
// counted under standard support instead (standard_support_enumerator.h).
//
// Throws ModuleError(kNotFound, "value not found") when an item or a
// taxonomy parent is missing from the item dictionary, and
// AutomationError("User has cancelled the analysis") on cancellation (the
// table then keeps what was recorded before).
#pragma once

#include "engine/mining/mining_context.h"
#include "engine/mining/sequence_database.h"
#include "engine/sal_engine.h"

namespace linkan {

void EnumerateFrequentPatterns(SalEngine& engine, const SequenceDatabase& db,
                               const MiningContext& ctx);

}  // namespace linkan
