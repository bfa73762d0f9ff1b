// rule_charts.cpp
#include "results/rule_charts.h"

#include <cmath>
#include <limits>
#include <string>

#include "engine/sal_engine.h"
#include "frame/host/analysis_support.h"
#include "results/rule_tables.h"

namespace linkan {

bool ShowRuleChart(CAnalysisSupport& support, const SalEngine& engine, RuleMeasure measure) {
  const std::size_t count = engine.rules.size();
  if (count == 0) {
    support.dsplst(0, kNoAssociationMessage);
    return false;
  }
  if (count > kMaxChartRules) {
    support.dsplst(0, kTooManyRulesMessage);
    return false;
  }
  const int r = static_cast<int>(count);
  const std::string name = RuleMeasureName(measure);
  DiscreteContourChart chart;
  chart.documentName = name == "Support"      ? "support-chart"
                       : name == "Confidence" ? "confidence-chart"
                                              : "correlation-chart";
  chart.type = 20;
  chart.title = {name + " bar chart", SupportConfidenceTitle(engine.settings),
                 MaxItemsetTitle(engine.settings)};
  chart.axisTitles = {"Body", "Head", name + "(%)"};
  chart.size = r;
  chart.values.assign(count * count, std::numeric_limits<float>::quiet_NaN());
  const double n = engine.N();
  for (std::size_t k = 0; k < count; ++k) {
    chart.values[k * count + k] = static_cast<float>(RuleMeasureValue(engine.rules[k], measure, n));
  }
  RuleLabels labels = MakeRuleLabels(engine);
  chart.rowLabels = std::move(labels.bodies);
  chart.columnLabels = std::move(labels.heads);
  return support.HasDocument() && support.doc().ShowDiscreteContourGraph(chart);
}

}  // namespace linkan
