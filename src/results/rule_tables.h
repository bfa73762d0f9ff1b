// rule_tables.h
//
// The spreadsheet outputs of rules and frequent patterns, all items or only
// the selected ones, and the item list as a table. Each output shows
// "Computing..." progress, one step per row, and stops without a document
// when cancelled; an output without rows shows the no-rule message instead.
//
// Pattern IDs or item numbers missing from their dictionaries throw
// ModuleError(kNotFound, "value not found").
#pragma once

#include <string>

namespace linkan {

class CAnalysisSupport;
class ResultsTableBuilder;
class SalEngine;
struct AnalysisSettings;

// Which pattern of a rule must consist of selected items.
enum class SelectedRulePart {
  kHead,     // command 1190
  kPattern,  // command 1192: the pattern the rule was made from
  kBody,     // command 1193
};

inline constexpr const char* kNoRuleMessage =
    "There is no rule to produce. Please modify analysis setting such as minimum support, or "
    "minimum confidence for better results.";

// Title line 2 of the rule and pattern tables.
std::string SupportConfidenceTitle(const AnalysisSettings& s);
// Title line 3.
std::string MaxItemsetTitle(const AnalysisSettings& s);
// The four columns of a table of frequent patterns: the pattern, its size
// (items, or itemsets of a sequence), its frequency and its support.
void SetPatternColumnNames(ResultsTableBuilder& t, bool association);

// Each returns true when a document was handed to the host.
bool ShowRuleSummary(CAnalysisSupport& support, const SalEngine& engine);
bool ShowFrequentPatterns(CAnalysisSupport& support, const SalEngine& engine);
bool ShowRuleSummaryOfSelected(CAnalysisSupport& support, const SalEngine& engine,
                               SelectedRulePart part);
bool ShowFrequentPatternsOfSelected(CAnalysisSupport& support, const SalEngine& engine);
// The frequent single items: "Item name", "Frequency", "Support(%)".
bool ShowItemList(CAnalysisSupport& support, const SalEngine& engine);

}  // namespace linkan
