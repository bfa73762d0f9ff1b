// rule_tables.cpp
#include "results/rule_tables.h"

#include <algorithm>
#include <functional>

#include "engine/sal_engine.h"
#include "engine/text/pattern_text.h"
#include "frame/host/analysis_support.h"
#include "results/results_table_builder.h"
#include "results/table_rows.h"

namespace linkan {
namespace {

void SetCommonTitles(ResultsTableBuilder& t, const AnalysisSettings& s, const std::string& first) {
  t.SetTitle(0, first);
  t.SetTitle(1, SupportConfidenceTitle(s));
  t.SetTitle(2, MaxItemsetTitle(s));
}

bool AllItemsSelected(FrequentPatternTable::Key key, const std::set<ItemNumber>& selected) {
  // Each itemset's length, then its items.
  for (std::size_t i = 0; i < key.size(); i += static_cast<std::size_t>(key[i]) + 1) {
    for (std::size_t k = 1; k <= static_cast<std::size_t>(key[i]); ++k) {
      if (!selected.count(key[i + k])) return false;
    }
  }
  return true;
}

std::size_t PatternSize(const SalEngine& engine, FrequentPatternTable::Key key) {
  // Association: items of the single itemset; sequences: itemsets.
  if (engine.IsAssociationMode()) return key.empty() ? 0 : static_cast<std::size_t>(key[0]);
  return FrequentPatternTable::KeyItemsetCount(key);
}

// One rule row: body, " ==> ", head, support, confidence and, when asked, lift.
void FillRuleRow(ResultsTableBuilder& t, PatternTextWriter& texts, const SalEngine& engine,
                 const RuleRecord& rule, int row, bool withLift) {
  const double n = engine.N();
  t.SetRowName(row, RowNumberName(row));
  t.SetText(row, 0, texts.Text(engine.patterns.KeyOf(rule.bodyId), true, false));
  t.SetText(row, 1, " ==> ");
  t.SetText(row, 2, texts.Text(engine.patterns.KeyOf(rule.headId), true, false));
  t.SetNumber(row, 3, rule.count / n * 100.0);
  t.SetNumber(row, 4, static_cast<double>(rule.count) / rule.bodyCount * 100.0);
  if (withLift) t.SetNumber(row, 5, rule.Lift(n));
}

void SetRuleColumns(ResultsTableBuilder& t, bool withLift) {
  const char* names[] = {"Body", " ==> ", "Head", "Support(%)", "Confidence(%)", "Lift"};
  for (int c = 0; c < (withLift ? 6 : 5); ++c) t.SetColumnName(c, names[c]);
}

bool ShowPatternTable(CAnalysisSupport& support, const SalEngine& engine,
                      const std::vector<PatternId>& ids, const std::string& documentName,
                      const std::string& title) {
  if (ids.empty()) {
    support.dsplst(0, kNoRuleMessage);
    return false;
  }
  const bool assoc = engine.IsAssociationMode();
  const int rows = static_cast<int>(ids.size());
  ResultsTableBuilder t(support, documentName);
  if (!t.Create(rows, 4)) return false;
  SetCommonTitles(t, engine.settings, title);
  SetPatternColumnNames(t, assoc);
  const double n = engine.N();  // all 64 bits of N: a 32-bit N turns negative past 2^31
  PatternTextWriter texts(engine);
  const bool done = FillRows(support, rows, [&](int r) {
    const PatternId id = ids[static_cast<std::size_t>(r)];
    const FrequentPatternTable::Key key = engine.patterns.KeyOf(id);
    const SupportCount count = engine.patterns.CountOf(id);
    t.SetRowName(r, RowNumberName(r));
    t.SetText(r, 0, texts.Text(key, true, false));
    t.SetInteger(r, 1, static_cast<long long>(PatternSize(engine, key)));
    t.SetInteger(r, 2, count);
    t.SetNumber(r, 3, count / n * 100.0);
  });
  return done && t.Show();
}

}  // namespace

std::string SupportConfidenceTitle(const AnalysisSettings& s) {
  std::string line = FormatString("Min: support = %4.1f%%, confidence = %4.1f%%",
                                  s.minsupp * 100.0, s.minconf * 100.0);
  if (s.maxsupp < 1.0 || s.maxconf < 1.0) {
    line += FormatString("   [Max: %4.1f%%, %4.1f%%]", s.maxsupp * 100.0, s.maxconf * 100.0);
  }
  return line;
}

std::string MaxItemsetTitle(const AnalysisSettings& s) {
  return FormatString("Max. size of an itemset = %d", s.maxpat);
}

void SetPatternColumnNames(ResultsTableBuilder& t, bool association) {
  t.SetColumnName(0, association ? "Frequent itemsets" : "Frequent sequences");
  t.SetColumnName(1, association ? "Number of items" : "Number of itemsets");
  t.SetColumnName(2, "Frequency");
  t.SetColumnName(3, "Support(%)");
}

bool ShowRuleSummary(CAnalysisSupport& support, const SalEngine& engine) {
  if (engine.rules.empty()) {
    support.error(
        "No rules were generated; this usually indicates that the data did not contain any "
        "associations between variables, given the current specifications for the rule-finding "
        "algorithm.\n\nTry changing some of the options on the Advanced tab of the Startup "
        "dialog.");
  }
  const int rows = static_cast<int>(engine.rules.size());
  ResultsTableBuilder t(support, "rules");
  if (!t.Create(rows, 6)) return false;
  SetCommonTitles(t, engine.settings,
                  engine.IsAssociationMode() ? "Summary of association rules"
                                             : "Summary of sequential rules");
  SetRuleColumns(t, true);
  PatternTextWriter texts(engine);
  const bool done = FillRows(support, rows, [&](int r) {
    FillRuleRow(t, texts, engine, engine.rules[static_cast<std::size_t>(r)], r, true);
  });
  return done && t.Show();
}

bool ShowRuleSummaryOfSelected(CAnalysisSupport& support, const SalEngine& engine,
                               SelectedRulePart part) {
  std::vector<const RuleRecord*> qualifying;
  for (const RuleRecord& rule : engine.rules) {
    const PatternId id = part == SelectedRulePart::kHead     ? static_cast<PatternId>(rule.headId)
                         : part == SelectedRulePart::kBody   ? static_cast<PatternId>(rule.bodyId)
                                                             : rule.patternId;
    if (AllItemsSelected(engine.patterns.KeyOf(id), engine.selectedItems)) {
      qualifying.push_back(&rule);
    }
  }
  if (qualifying.empty()) {
    support.dsplst(0, kNoRuleMessage);
    return false;
  }
  const bool assoc = engine.IsAssociationMode();
  const char* name = part == SelectedRulePart::kHead   ? "rules-selected-heads"
                     : part == SelectedRulePart::kBody ? "rules-selected-bodies"
                                                       : "rules-selected";
  const int rows = static_cast<int>(qualifying.size());
  ResultsTableBuilder t(support, name);
  if (!t.Create(rows, assoc ? 6 : 5)) return false;
  SetCommonTitles(t, engine.settings,
                  assoc ? "Summary of association rules with selected items"
                        : "Summary of sequential rules with selected items");
  SetRuleColumns(t, assoc);
  PatternTextWriter texts(engine);
  const bool done = FillRows(support, rows, [&](int r) {
    FillRuleRow(t, texts, engine, *qualifying[static_cast<std::size_t>(r)], r, assoc);
  });
  return done && t.Show();
}

bool ShowFrequentPatterns(CAnalysisSupport& support, const SalEngine& engine) {
  std::vector<PatternId> ids(engine.patterns.size());
  for (std::size_t i = 0; i < ids.size(); ++i) ids[i] = static_cast<PatternId>(i);
  return ShowPatternTable(support, engine, ids, "itemsets",
                          engine.IsAssociationMode() ? "Frequent itemsets computed"
                                                     : "Frequent sequences computed");
}

bool ShowFrequentPatternsOfSelected(CAnalysisSupport& support, const SalEngine& engine) {
  std::vector<PatternId> ids;
  for (std::size_t i = 0; i < engine.patterns.size(); ++i) {
    const auto id = static_cast<PatternId>(i);
    if (AllItemsSelected(engine.patterns.KeyOf(id), engine.selectedItems)) ids.push_back(id);
  }
  return ShowPatternTable(support, engine, ids, "itemsets-selected",
                          engine.IsAssociationMode()
                              ? "Frequent itemsets computed with selected items"
                              : "Frequent sequences computed with selected items");
}

bool ShowItemList(CAnalysisSupport& support, const SalEngine& engine) {
  const int rows = static_cast<int>(engine.itemFrequency.size());
  if (rows == 0) {
    support.dsplst(0, kNoRuleMessage);
    return false;
  }
  ResultsTableBuilder t(support, "items");
  if (!t.Create(rows, 3)) return false;
  SetCommonTitles(t, engine.settings, "Frequent items");
  t.SetColumnName(0, "Item name");
  t.SetColumnName(1, "Frequency");
  t.SetColumnName(2, "Support(%)");
  std::vector<std::pair<ItemNumber, SupportCount>> entries(engine.itemFrequency.begin(),
                                                           engine.itemFrequency.end());
  const double n = engine.N();
  const bool done = FillRows(support, rows, [&](int r) {
    const auto& [item, count] = entries[static_cast<std::size_t>(r)];
    t.SetRowName(r, RowNumberName(r));
    t.SetText(r, 0, engine.items.Name(item));
    t.SetInteger(r, 1, count);
    t.SetNumber(r, 2, 100.0 * count / n);
  });
  return done && t.Show();
}

}  // namespace linkan
