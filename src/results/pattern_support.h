// pattern_support.h
//
// Pattern support as the graphs measure it: the support count of a pattern
// in the frequent pattern table divided by N (in double, whatever the
// counts), and 0 when the pattern is not recorded. The graphs build the
// patterns they need from item numbers: {i}, the pair itemset {i, j} and
// the two-step sequence ({i}) then ({j}).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/pattern.h"

namespace linkan {

class SalEngine;

double ItemSupport(const SalEngine& engine, ItemNumber i);
// {i, j} (i != j), in either order.
double PairSupport(const SalEngine& engine, ItemNumber i, ItemNumber j);
// ({i}) then ({j}); i == j allowed.
double SequencePairSupport(const SalEngine& engine, ItemNumber i, ItemNumber j);

// The selected items in ascending item number with their names.
std::vector<std::pair<ItemNumber, std::string>> SelectedItemNames(const SalEngine& engine);

}  // namespace linkan
