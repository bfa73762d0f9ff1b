// maximal_patterns.cpp
#include "engine/mining/maximal_patterns.h"

#include <cstdint>
#include <vector>

namespace linkan {

void CollectMaximalPatterns(const FrequentPatternTable& table, std::set<PatternId>& leaves) {
  std::vector<char> contained(table.size(), 0);
  std::vector<std::int32_t> smaller;
  for (std::size_t id = 0; id < table.size(); ++id) {
    const FrequentPatternTable::Key key = table.KeyOf(static_cast<PatternId>(id));
    // Itemset by itemset: the length word at `at`, its items after it.
    for (std::size_t at = 0; at < key.size(); at += static_cast<std::size_t>(key[at]) + 1) {
      const auto len = static_cast<std::size_t>(key[at]);
      for (std::size_t k = 0; k < len; ++k) {
        smaller.assign(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(at));
        if (len > 1) {
          smaller.push_back(static_cast<std::int32_t>(len - 1));
          for (std::size_t j = 0; j < len; ++j) {
            if (j != k) smaller.push_back(key[at + 1 + j]);
          }
        }
        smaller.insert(smaller.end(), key.begin() + static_cast<std::ptrdiff_t>(at + len + 1),
                       key.end());
        if (smaller.empty()) continue;
        if (const auto found = table.FindKey(smaller)) contained[*found] = 1;
      }
    }
  }
  for (std::size_t id = 0; id < table.size(); ++id) {
    if (contained[id] == 0) leaves.insert(leaves.end(), static_cast<PatternId>(id));
  }
}

}  // namespace linkan
