// item_frequency.cpp
#include "engine/mining/item_frequency.h"

#include "engine/sal_engine.h"

namespace linkan {

void RebuildItemFrequency(SalEngine& engine) {
  engine.itemFrequency.clear();
  const FrequentPatternTable& table = engine.patterns;
  for (std::size_t id = 0; id < table.size(); ++id) {
    const FrequentPatternTable::Key key = table.KeyOf(static_cast<PatternId>(id));
    if (key.size() >= 2 && key[0] == 1) {
      engine.itemFrequency.emplace(key[1], table.CountOf(static_cast<PatternId>(id)));
    }
  }
}

}  // namespace linkan
