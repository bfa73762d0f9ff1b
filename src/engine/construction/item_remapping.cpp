// item_remapping.cpp
#include "engine/construction/item_remapping.h"

#include <algorithm>

#include "engine/construction/transaction_store.h"
#include "frame/host/module_error.h"
#include "frame/host/run_guard.h"

namespace linkan {

std::vector<ItemNumber> RenumberingTable(const ItemDictionary& dictionary) {
  const auto entries = dictionary.EntriesByName();
  ItemNumber largest = 0;
  for (const auto& e : entries) largest = std::max(largest, e.second);
  std::vector<ItemNumber> table(static_cast<std::size_t>(largest) + 1, 0);
  ItemNumber k = 0;
  for (const auto& e : entries) table[static_cast<std::size_t>(e.second)] = ++k;
  return table;
}

void RemapItemIndices(ItemDictionary& dictionary, TransactionStore& store, RunGuard* guard) {
  if (dictionary.empty()) return;
  const std::vector<ItemNumber> table = RenumberingTable(dictionary);

  std::uint64_t visited = 0;
  store.RewriteAllTransactions([&table, guard, &visited](TransactionRecord& record) {
    if (guard != nullptr && (++visited & 0xff) == 0 && guard->Poll()) {
      throw ModuleError(ErrorKind::kCancelled, "Operation was cancelled");
    }
    bool changed = false;
    for (std::int32_t& item : record.items) {
      if (item < 1 || static_cast<std::size_t>(item) >= table.size() ||
          table[static_cast<std::size_t>(item)] == 0) {
        throw ModuleError(ErrorKind::kNotFound, "value not found");
      }
      const ItemNumber renumbered = table[static_cast<std::size_t>(item)];
      changed = changed || renumbered != item;
      item = renumbered;
    }
    return changed;
  });

  RenumberDictionary(dictionary, table);
}

void RenumberDictionary(ItemDictionary& dictionary, const std::vector<ItemNumber>& table) {
  const auto entries = dictionary.EntriesByName();
  dictionary.Clear();
  for (const auto& [name, old] : entries) {
    dictionary.Insert(name, table[static_cast<std::size_t>(old)]);
  }
}

}  // namespace linkan
