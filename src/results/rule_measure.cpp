// rule_measure.cpp
#include "results/rule_measure.h"

#include "engine/sal_engine.h"
#include "engine/text/pattern_text.h"

namespace linkan {

double RuleMeasureValue(const RuleRecord& rule, RuleMeasure measure, double n) {
  switch (measure) {
    case RuleMeasure::kSupport:
      return static_cast<double>(rule.count) / n * 100.0;
    case RuleMeasure::kConfidence:
      return static_cast<double>(rule.count) / rule.bodyCount * 100.0;
    case RuleMeasure::kCorrelation:
      return rule.Lift(n);
  }
  return 0.0;
}

const char* RuleMeasureName(RuleMeasure measure) {
  switch (measure) {
    case RuleMeasure::kSupport:
      return "Support";
    case RuleMeasure::kConfidence:
      return "Confidence";
    case RuleMeasure::kCorrelation:
      return "Correlation";
  }
  return "";
}

RuleLabels MakeRuleLabels(const SalEngine& engine) {
  RuleLabels labels;
  labels.bodies.reserve(engine.rules.size());
  labels.heads.reserve(engine.rules.size());
  PatternTextWriter texts(engine);
  for (const RuleRecord& rule : engine.rules) {
    labels.bodies.push_back(texts.Text(engine.patterns.KeyOf(rule.bodyId), true, false));
    labels.heads.push_back(texts.Text(engine.patterns.KeyOf(rule.headId), true, false));
  }
  return labels;
}

}  // namespace linkan
