// pattern_support.cpp
#include "results/pattern_support.h"

#include <cstdint>
#include <initializer_list>

#include "engine/sal_engine.h"

namespace linkan {
namespace {

double KeySupport(const SalEngine& engine, std::initializer_list<std::int32_t> key) {
  const auto id = engine.patterns.FindKey(FrequentPatternTable::Key(key.begin(), key.size()));
  if (!id || engine.N() <= 0.0) return 0.0;
  return static_cast<double>(engine.patterns.CountOf(*id)) / engine.N();
}

}  // namespace

double ItemSupport(const SalEngine& engine, ItemNumber i) { return KeySupport(engine, {1, i}); }

double PairSupport(const SalEngine& engine, ItemNumber i, ItemNumber j) {
  return i < j ? KeySupport(engine, {2, i, j}) : KeySupport(engine, {2, j, i});
}

double SequencePairSupport(const SalEngine& engine, ItemNumber i, ItemNumber j) {
  return KeySupport(engine, {1, i, 1, j});
}

std::vector<std::pair<ItemNumber, std::string>> SelectedItemNames(const SalEngine& engine) {
  std::vector<std::pair<ItemNumber, std::string>> out;
  out.reserve(engine.selectedItems.size());
  for (const ItemNumber item : engine.selectedItems)
    out.emplace_back(item, engine.items.Name(item));
  return out;
}

}  // namespace linkan
