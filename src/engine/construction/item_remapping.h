// item_remapping.h
//
// Item index remapping: once every case is read, item numbers are
// renumbered so that they follow the byte-wise order of the item names
// (the k-th name in that order gets number k). A record's items keep their
// positions and are not sorted again; the dictionary is rebuilt under the
// new numbers. A new project is renumbered in memory before it is written
// (RenumberingTable, RenumberDictionary); a project added to has its stored
// records rewritten in place (RemapItemIndices).
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

// Puts every entry of `dictionary` under its number in `table`.
void RenumberDictionary(ItemDictionary& dictionary, const std::vector<ItemNumber>& table);

// Renumbers every record of `store` and then `dictionary`. An empty
// dictionary leaves the records untouched. A stored item number the
// dictionary does not hold throws ModuleError(kNotFound, "value not found")
// and changes nothing; so does a stop of `guard` (may be null), with
// ModuleError(kCancelled, "Operation was cancelled").
void RemapItemIndices(ItemDictionary& dictionary, TransactionStore& store,
                      RunGuard* guard = nullptr);

}  // namespace linkan
