// pattern_text.cpp
#include "engine/text/pattern_text.h"

#include "engine/sal_engine.h"

namespace linkan {

std::string PatternText(const ItemDictionary& items, bool sequenceMode, const Pattern& p,
                        bool commaSeparated, bool bracketed) {
  const char* sep = commaSeparated ? ", " : " ";
  std::string out;
  if (bracketed) out += '[';
  for (std::size_t k = 0; k < p.size(); ++k) {
    const Itemset& set = p[k];
    const bool wrap = set.size() >= 2 && (sequenceMode || bracketed);
    if (wrap) out += '(';
    for (std::size_t i = 0; i < set.size(); ++i) {
      if (i > 0) out += sep;
      out += items.Name(set[i]);
    }
    if (wrap) out += ')';
    if (k + 1 < p.size()) out += sep;
  }
  if (bracketed) out += ']';
  return out;
}

std::string PatternText(const SalEngine& engine, const Pattern& p, bool commaSeparated,
                        bool bracketed) {
  return PatternText(engine.items, !engine.IsAssociationMode(), p, commaSeparated, bracketed);
}

std::string DeploymentPatternText(const ItemDictionary& modelItems, const Pattern& p) {
  std::string out;
  for (std::size_t k = 0; k < p.size(); ++k) {
    out += "( ";
    const Itemset& set = p[k];
    for (std::size_t i = 0; i < set.size(); ++i) {
      const std::string* name = modelItems.FindName(set[i]);
      out += ' ';
      if (name) out += *name;
      out += (i + 1 < set.size()) ? ", " : " ";
    }
    out += (k + 1 < p.size()) ? " ), " : " )";
  }
  return out;
}

std::string DeploymentPatternText(const SalEngine& engine, const Pattern& p) {
  return DeploymentPatternText(engine.modelItems, p);
}

}  // namespace linkan
