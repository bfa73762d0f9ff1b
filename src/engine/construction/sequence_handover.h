// sequence_handover.h
//
// The hand-over of a construction's transactions to the enumeration: the
// in-memory transaction set, renumbered, becomes the SequenceDatabase the
// enumeration reads, the same one LoadSequenceDatabase reads back from the
// store the set was written to (sequence = position in the ID list, its
// transactions in ascending time, items in their stored order).
//
// Thread safety: reads `set` only; may run while other threads read it.
#pragma once

#include <cstddef>

#include "engine/construction/transaction_set.h"
#include "engine/mining/sequence_database.h"

namespace linkan {

// `sequences`: the length of the transaction ID list.
SequenceDatabase ToSequenceDatabase(const TransactionSet& set, std::size_t sequences,
                                    const ItemsetCombining& combining);

}  // namespace linkan
