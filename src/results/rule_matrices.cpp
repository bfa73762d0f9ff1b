// rule_matrices.cpp
#include "results/rule_matrices.h"

#include <cmath>

#include "engine/sal_engine.h"
#include "frame/host/analysis_support.h"
#include "results/results_table_builder.h"
#include "results/rule_tables.h"
#include "results/table_rows.h"

namespace linkan {

std::string RuleMatrixTooLargeMessage(std::uint64_t rules) {
  const auto most =
      static_cast<unsigned long long>(std::sqrt(static_cast<double>(kMaxRuleMatrixCells)));
  return FormatString(
      "The rule matrix of %llu rules is too large: it would need %llu x %llu cells, more than "
      "the %llu cells (%llu rules) a rule matrix may hold. Raise the minimum support or the "
      "minimum confidence to have fewer rules.",
      static_cast<unsigned long long>(rules), static_cast<unsigned long long>(rules),
      static_cast<unsigned long long>(rules), static_cast<unsigned long long>(kMaxRuleMatrixCells),
      most);
}

bool ShowRuleMatrix(CAnalysisSupport& support, const SalEngine& engine, RuleMeasure measure) {
  const std::uint64_t count = engine.rules.size();
  if (count == 0) {
    support.dsplst(0, kNoRuleMessage);
    return false;
  }
  // count <= 2^32 here in any real run, so count x count fits in 64 bits;
  // the first test keeps it so for any count.
  if (count > kMaxRuleMatrixCells || count * count > kMaxRuleMatrixCells) {
    support.dsplst(0, RuleMatrixTooLargeMessage(count));
    return false;
  }
  const int r = static_cast<int>(count);
  const std::string name = RuleMeasureName(measure);
  const char* documentName = measure == RuleMeasure::kSupport      ? "support-matrix"
                             : measure == RuleMeasure::kConfidence ? "confidence-matrix"
                                                                   : "correlation-matrix";
  ResultsTableBuilder t(support, documentName);
  if (!t.Create(r, r)) return false;
  t.SetTitle(0, name + " rule matrix");
  t.SetTitle(1, SupportConfidenceTitle(engine.settings));
  t.SetTitle(2, MaxItemsetTitle(engine.settings));
  t.SetCorner("Body\\Head");
  const RuleLabels labels = MakeRuleLabels(engine);
  for (int c = 0; c < r; ++c) t.SetColumnName(c, labels.heads[static_cast<std::size_t>(c)]);
  const double n = engine.N();
  const bool done = FillRows(support, r, [&](int k) {
    const auto at = static_cast<std::size_t>(k);
    t.SetRowName(k, labels.bodies[at]);
    t.SetNumber(k, k, RuleMeasureValue(engine.rules[at], measure, n));
  });
  return done && t.Show();
}

}  // namespace linkan
