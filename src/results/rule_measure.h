// rule_measure.h
//
// The measure a rule chart or rule matrix shows on its diagonal, cell
// (k, k) for rule k: support (%) = count / N x 100, confidence (%) =
// count / bodyCount x 100, or, for the kind called correlation, the lift
// N x (count / bodyCount) / headCount. All in double whatever the counts.
// Rule k's labels are the texts of its body and head (comma separated, not
// bracketed), in full: the host shows full texts where a narrow slot would
// hold a short key.
#pragma once

#include <string>
#include <vector>

namespace linkan {

class SalEngine;
struct RuleRecord;

enum class RuleMeasure { kSupport, kConfidence, kCorrelation };

double RuleMeasureValue(const RuleRecord& rule, RuleMeasure measure, double n);

// "Support", "Confidence" or "Correlation": the first word of the captions.
const char* RuleMeasureName(RuleMeasure measure);

struct RuleLabels {
  std::vector<std::string> bodies;  // one per rule, in list order
  std::vector<std::string> heads;
};

RuleLabels MakeRuleLabels(const SalEngine& engine);

}  // namespace linkan
