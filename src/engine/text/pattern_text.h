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

#include <string>

#include "engine/item_dictionary.h"
#include "engine/pattern.h"

namespace linkan {

class SalEngine;

std::string PatternText(const ItemDictionary& items, bool sequenceMode, const Pattern& p,
                        bool commaSeparated, bool bracketed);

// With the engine's item dictionary and mode.
std::string PatternText(const SalEngine& engine, const Pattern& p, bool commaSeparated,
                        bool bracketed);

std::string DeploymentPatternText(const ItemDictionary& modelItems, const Pattern& p);
std::string DeploymentPatternText(const SalEngine& engine, const Pattern& p);

}  // namespace linkan
