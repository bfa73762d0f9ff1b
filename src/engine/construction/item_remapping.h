// item_remapping.h
//
// Item index remapping: once every record is stored, item numbers are
// renumbered so that they follow the byte-wise order of the item names
// (the k-th name in that order gets number k). Every stored record is
// rewritten in place (its items keep their positions and are not sorted
// again), then the dictionary is rebuilt under the new numbers.
//
// Thread safety: the analysis thread, with no writer attached to the store.
#pragma once

#include <vector>

#include "engine/item_dictionary.h"

namespace linkan {

class RunGuard;
class TransactionStore;

// table[old number] = new number; table[0] = 0 belongs to no item.
std::vector<ItemNumber> RenumberingTable(const ItemDictionary& dictionary);

// Renumbers every record of `store` and then `dictionary`. An empty
// dictionary leaves the records untouched. A stored item number the
// dictionary does not hold throws ModuleError(kNotFound, "value not found")
// and changes nothing; so does a stop of `guard` (may be null), with
// ModuleError(kCancelled, "Operation was cancelled").
void RemapItemIndices(ItemDictionary& dictionary, TransactionStore& store,
                      RunGuard* guard = nullptr);

}  // namespace linkan
