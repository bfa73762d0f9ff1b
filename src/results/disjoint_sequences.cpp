// disjoint_sequences.cpp
#include "results/disjoint_sequences.h"

#include <algorithm>
#include <map>
#include <vector>

#include "engine/sal_engine.h"
#include "engine/text/pattern_text.h"
#include "frame/host/analysis_support.h"
#include "frame/progress.h"
#include "results/results_table_builder.h"
#include "results/rule_tables.h"
#include "results/table_rows.h"

namespace linkan {

bool IsNested(const Pattern& a, const Pattern& b) {
  if (a.size() > b.size()) return false;
  // The earliest match of each itemset leaves the most room for the rest.
  std::size_t j = 0;
  for (const Itemset& set : a) {
    while (j < b.size() && !std::includes(b[j].begin(), b[j].end(), set.begin(), set.end())) ++j;
    if (j == b.size()) return false;
    ++j;
  }
  return true;
}

bool EliminateNestedLeaves(CAnalysisSupport& support, SalEngine& engine) {
  std::set<PatternId>& leaves = engine.leaves;
  StartProgress(support, static_cast<long>(leaves.size()), kEliminationProgressText);
  // The patterns, decoded once.
  std::map<PatternId, Pattern> patterns;
  for (const PatternId id : leaves) patterns.emplace(id, engine.patterns.PatternOf(id));
  long step = 0;
  for (auto a = leaves.begin(); a != leaves.end();) {
    support.termom(++step);
    if (IsAnalysisCancelled(support)) {
      StopProgress(support);
      return false;
    }
    const Pattern& pa = patterns.at(*a);
    bool removeA = false;
    for (auto b = std::next(a); b != leaves.end();) {
      const Pattern& pb = patterns.at(*b);
      if (IsNested(pa, pb)) {
        removeA = true;
        break;
      }
      b = IsNested(pb, pa) ? leaves.erase(b) : std::next(b);
    }
    a = removeA ? leaves.erase(a) : std::next(a);
  }
  StopProgress(support);
  return true;
}

int ShowDisjointSequences(CAnalysisSupport& support, SalEngine& engine, bool& shown) {
  shown = false;
  if (!EliminateNestedLeaves(support, engine)) return 1;
  const std::vector<PatternId> ids(engine.leaves.begin(), engine.leaves.end());
  const bool assoc = engine.IsAssociationMode();
  const int rows = static_cast<int>(ids.size());
  ResultsTableBuilder t(support, "disjoint");
  if (rows > 0 && t.Create(rows, 4)) {
    t.SetTitle(0, assoc ? "Frequent itemsets computed" : "Disjointed sequences computed");
    t.SetTitle(1, SupportConfidenceTitle(engine.settings));
    SetPatternColumnNames(t, assoc);
  }
  const double n = engine.N();  // all 64 bits of N: a 32-bit N turns negative past 2^31
  PatternTextWriter texts(engine);
  const bool done = FillRows(support, rows, [&](int r) {
    const PatternId id = ids[static_cast<std::size_t>(r)];
    const FrequentPatternTable::Key key = engine.patterns.KeyOf(id);
    const SupportCount count = engine.patterns.CountOf(id);
    const std::size_t size = assoc ? static_cast<std::size_t>(key.empty() ? 0 : key[0])
                                   : FrequentPatternTable::KeyItemsetCount(key);
    t.SetRowName(r, RowNumberName(r));
    t.SetText(r, 0, texts.Text(key, true, false));
    t.SetInteger(r, 1, static_cast<long long>(size));
    t.SetInteger(r, 2, count);
    t.SetNumber(r, 3, static_cast<double>(count) / n * 100.0);
  });
  if (!done) return 1;
  if (rows > 0) {
    shown = t.Show();
  } else {
    support.dsplst(0, kNoRuleMessage);
  }
  return 0;
}

}  // namespace linkan
