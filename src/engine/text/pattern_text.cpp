// pattern_text.cpp
#include "engine/text/pattern_text.h"

#include <span>

#include "engine/sal_engine.h"

namespace linkan {

namespace {

using ItemsetView = std::span<const ItemNumber>;

void ItemsetsOf(const Pattern& p, std::vector<ItemsetView>& sets) {
  sets.clear();
  for (const Itemset& set : p) sets.emplace_back(set);
}

// The itemsets of a pattern table key: each itemset's length, then its items.
void ItemsetsOf(FrequentPatternTable::Key key, std::vector<ItemsetView>& sets) {
  sets.clear();
  for (std::size_t i = 0; i < key.size();) {
    const auto length = static_cast<std::size_t>(key[i++]);
    sets.push_back(key.subspan(i, length));
    i += length;
  }
}

template <typename NameOf>
void AppendPatternText(std::string& out, NameOf nameOf, bool sequenceMode,
                       std::span<const ItemsetView> p, bool commaSeparated, bool bracketed) {
  const char* sep = commaSeparated ? ", " : " ";
  if (bracketed) out += '[';
  for (std::size_t k = 0; k < p.size(); ++k) {
    const ItemsetView set = p[k];
    const bool wrap = set.size() >= 2 && (sequenceMode || bracketed);
    if (wrap) out += '(';
    for (std::size_t i = 0; i < set.size(); ++i) {
      if (i > 0) out += sep;
      out += nameOf(set[i]);
    }
    if (wrap) out += ')';
    if (k + 1 < p.size()) out += sep;
  }
  if (bracketed) out += ']';
}

}  // namespace

std::string PatternText(const ItemDictionary& items, bool sequenceMode, const Pattern& p,
                        bool commaSeparated, bool bracketed) {
  std::vector<ItemsetView> sets;
  ItemsetsOf(p, sets);
  std::string out;
  AppendPatternText(
      out, [&items](ItemNumber x) -> const std::string& { return items.Name(x); }, sequenceMode,
      sets, commaSeparated, bracketed);
  return out;
}

PatternTextWriter::PatternTextWriter(const ItemDictionary& items, bool sequenceMode)
    : items_(items), sequenceMode_(sequenceMode), names_(items.size() + 1, nullptr) {
  for (std::size_t k = 1; k < names_.size(); ++k) {
    names_[k] = items.FindName(static_cast<ItemNumber>(k));
  }
}

PatternTextWriter::PatternTextWriter(const SalEngine& engine)
    : PatternTextWriter(engine.items, !engine.IsAssociationMode()) {}

const std::string& PatternTextWriter::Name(ItemNumber number) const {
  const auto k = static_cast<std::size_t>(number);
  if (number > 0 && k < names_.size() && names_[k] != nullptr) return *names_[k];
  return items_.Name(number);
}

const std::string& PatternTextWriter::Text(const Pattern& p, bool commaSeparated,
                                           bool bracketed) {
  ItemsetsOf(p, sets_);
  return Write(commaSeparated, bracketed);
}

const std::string& PatternTextWriter::Text(FrequentPatternTable::Key key, bool commaSeparated,
                                           bool bracketed) {
  ItemsetsOf(key, sets_);
  return Write(commaSeparated, bracketed);
}

const std::string& PatternTextWriter::Write(bool commaSeparated, bool bracketed) {
  text_.clear();
  AppendPatternText(
      text_, [this](ItemNumber x) -> const std::string& { return Name(x); }, sequenceMode_,
      sets_, commaSeparated, bracketed);
  return text_;
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
