// rule_charts.h
//
// The bar charts of all rules (commands 1024 support, 1025 confidence, 1026
// correlation, which shows the lift): a discrete contour chart (type 20) of
// the R x R rule cells, body labels on the rows and head labels on the
// columns, rule k's measure in cell (k, k) and every other cell missing.
// Title lines: "<Measure> bar chart", the support and confidence line, the
// maximum itemset size; axis titles "Body", "Head", "<Measure>(%)".
//
// No rule: message "There is no association between items"; more than 100
// rules: "There are too many bodies or heads to plot". No chart then.
#pragma once

#include "results/rule_measure.h"

namespace linkan {

class CAnalysisSupport;
class SalEngine;

inline constexpr int kMaxChartRules = 100;
inline constexpr const char* kNoAssociationMessage = "There is no association between items";
inline constexpr const char* kTooManyRulesMessage = "There are too many bodies or heads to plot";

// True when the host showed the chart.
bool ShowRuleChart(CAnalysisSupport& support, const SalEngine& engine, RuleMeasure measure);

}  // namespace linkan
