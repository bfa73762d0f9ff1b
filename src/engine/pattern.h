// pattern.h
//
// Itemset and Pattern, the value types of mined results: an Itemset is an
// ascending set of distinct item numbers; a Pattern is a sequence of
// itemsets (in association mode exactly one). ExtensionCode names a one-item
// extension of a pattern: -x adds x to the last itemset, +x opens {x}.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/item_dictionary.h"

namespace linkan {

using Itemset = std::vector<ItemNumber>;
using Pattern = std::vector<Itemset>;
using ExtensionCode = std::int32_t;
using PatternId = std::uint32_t;
using SupportCount = std::uint32_t;

}  // namespace linkan
