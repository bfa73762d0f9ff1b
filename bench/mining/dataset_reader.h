// dataset_reader.h
//
// Readers of the public benchmark data sets straight into the engine's
// in-memory form, without a project database: basket files (one
// transaction per line of item numbers), CSV baskets (one basket per line of
// comma-separated item names) and SPMF sequence files (items, -1 closing an
// itemset, -2 closing a sequence). Item names are the tokens as written;
// items are numbered in byte-wise name order, as the renumbering of a run
// would leave them.
#pragma once

#include <string>
#include <vector>

#include "engine/item_dictionary.h"
#include "engine/mining/sequence_database.h"

namespace linkan::bench {

enum class DatasetFormat { kBasket, kCsvBasket, kSpmfSequences };

struct Dataset {
  ItemDictionary items;
  std::vector<std::vector<std::vector<std::string>>> sequences;  // itemsets of names
};

// Reads `path`; throws std::runtime_error when it cannot be read.
Dataset ReadDataset(const std::string& path, DatasetFormat format);

// Numbers the items and builds the in-memory database (one transaction per
// itemset, at times 0, 1, 2, ...).
SequenceDatabase BuildDatabase(Dataset& data, const ItemsetCombining& combining);

}  // namespace linkan::bench
