// pattern_text.h
//
// The text forms of patterns.
//
// PatternText: item names in ascending item order; itemsets separated by
// ", " (commaSeparated) or " "; an itemset of two or more items is wrapped in
// "(" ")" in sequence mode or when bracketed; the whole text is wrapped in
// "[" "]" when bracketed. Examples, sequence mode: "[a (b c) d]" and
// "a, (b, c), d"; association mode: "[(a b c)]" and "a, b, c".
//
// DeploymentPatternText: "( a,  b  ), ( c  )" style, built from the model
// item dictionary of a loaded PMML model; an unknown item prints as an empty
// name.
//
// PatternText throws ModuleError(kNotFound, "value not found") for an item
// the dictionary does not hold.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "engine/frequent_pattern_table.h"
#include "engine/item_dictionary.h"
#include "engine/pattern.h"

namespace linkan {

class SalEngine;

std::string PatternText(const ItemDictionary& items, bool sequenceMode, const Pattern& p,
                        bool commaSeparated, bool bracketed);

// With the engine's item dictionary and mode.
std::string PatternText(const SalEngine& engine, const Pattern& p, bool commaSeparated,
                        bool bracketed);

// PatternText for many patterns in a row, as tables of millions of rows
// need it: the item names are looked up by number in a table made once,
// and the text goes to a buffer that is reused. The dictionary must not
// change while the writer is in use.
class PatternTextWriter {
 public:
  PatternTextWriter(const ItemDictionary& items, bool sequenceMode);
  explicit PatternTextWriter(const SalEngine& engine);

  // PatternText(items, sequenceMode, p, commaSeparated, bracketed); valid
  // until the next call.
  const std::string& Text(const Pattern& p, bool commaSeparated, bool bracketed);
  // The same for the pattern of a pattern table key, without building it.
  const std::string& Text(FrequentPatternTable::Key key, bool commaSeparated, bool bracketed);

 private:
  const std::string& Name(ItemNumber number) const;
  const std::string& Write(bool commaSeparated, bool bracketed);

  const ItemDictionary& items_;
  bool sequenceMode_;
  std::vector<const std::string*> names_;  // by item number; null: ask items_
  std::vector<std::span<const ItemNumber>> sets_;
  std::string text_;
};

std::string DeploymentPatternText(const ItemDictionary& modelItems, const Pattern& p);
std::string DeploymentPatternText(const SalEngine& engine, const Pattern& p);

}  // namespace linkan
