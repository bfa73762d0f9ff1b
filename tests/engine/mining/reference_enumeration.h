// reference_enumeration.h
//
// A slow, literal transcription of the frequent pattern enumeration and the
// rule generation over plain standard containers, used as the model the
// engine is compared with. It reads the raw transactions of a sequence again
// for every ItemsetAt call, keeps the pattern table as an ordered map and
// follows the steps in their written order; it makes no attempt at speed.
//
// It includes the three corrections of the engine: support bounds that snap
// to a whole number within 15 units in the last place, association splits
// with an unrecorded part skipped, and (trivially) the leaf set as a result.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/item_dictionary.h"
#include "engine/pattern.h"
#include "engine/sal_engine.h"
#include "frame/analysis_settings.h"

namespace linkan::reference {

struct RefTransaction {
  double time = 0.0;
  std::vector<ItemNumber> items;
};
using RefSequence = std::vector<RefTransaction>;  // ascending time

struct RefInput {
  std::vector<RefSequence> sequences;
  AnalysisSettings settings;
  ItemDictionary items;
  std::vector<TaxonomyMap> taxonomies;
  std::set<std::string> stoplist;
  // Stop (and report `truncated`) once this many patterns are recorded;
  // 0: no limit. Keeps random cases with explosive settings cheap.
  std::size_t patternLimit = 0;
};

struct RefRule {
  std::int32_t bodyId = 0;
  std::int32_t headId = 0;
  PatternId patternId = 0;
  SupportCount bodyCount = 0;
  SupportCount headCount = 0;
  SupportCount count = 0;
  bool operator==(const RefRule&) const = default;
};

struct RefResult {
  std::vector<Pattern> patterns;     // by ID
  std::vector<SupportCount> counts;  // by ID
  std::set<PatternId> leaves;
  std::vector<RefRule> rules;
  std::vector<std::string> warnings;  // rule generation's debugger lines
  bool truncated = false;             // the pattern limit was reached
};

// The minimum and maximum counts of the support bounds.
std::pair<std::uint32_t, std::uint32_t> ReferenceBounds(std::uint64_t n, double minsupp,
                                                        double maxsupp);

// ItemsetAt(p) of `sequence` under the combining settings of `settings`,
// read from the first transaction on as the enumeration does.
Itemset ReferenceItemsetAt(const RefSequence& sequence, const AnalysisSettings& settings,
                           std::int64_t p);

// The items that item x contributes (itself and its taxonomy parents, less
// the stop list; without x when removeorg is set and a taxonomy has it).
std::vector<ItemNumber> ReferenceContributed(const RefInput& input, ItemNumber x);

// Enumerates and then generates the rules.
RefResult ReferenceRun(const RefInput& input);

}  // namespace linkan::reference
