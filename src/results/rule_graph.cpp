// rule_graph.cpp
#include "results/rule_graph.h"

#include <algorithm>
#include <vector>

#include "engine/sal_engine.h"
#include "frame/host/analysis_support.h"
#include "results/pattern_support.h"
#include "results/result_graph.h"

namespace linkan {

bool ShowRuleGraph(CAnalysisSupport& support, const SalEngine& engine) {
  const auto items = SelectedItemNames(engine);
  const std::size_t n = items.size();
  if (n < 2) return false;
  const bool assoc = engine.IsAssociationMode();
  const double d = 1.0 / (static_cast<double>(n) + 1.0);

  // joint and confidence of (body i, head j) at i * n + j.
  std::vector<double> joint(n * n, 0.0);
  std::vector<double> confidence(n * n, 0.0);
  bool any = false;
  double minConf = 0, maxConf = 0, minJoint = 0, maxJoint = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double s = ItemSupport(engine, items[i].first);
    for (std::size_t j = 0; j < n; ++j) {
      if (assoc && i == j) continue;
      const double pj = assoc ? PairSupport(engine, items[i].first, items[j].first)
                              : SequencePairSupport(engine, items[i].first, items[j].first);
      if (!(pj > 0.0)) continue;
      const double conf = s > 0.0 ? pj / s : 0.0;
      joint[i * n + j] = pj;
      confidence[i * n + j] = conf;
      if (!any) {
        minConf = maxConf = conf;
        minJoint = maxJoint = pj;
        any = true;
      }
      minConf = std::min(minConf, conf);
      maxConf = std::max(maxConf, conf);
      minJoint = std::min(minJoint, pj);
      maxJoint = std::max(maxJoint, pj);
    }
  }
  const double confRange = RangeOrOne(minConf, maxConf);
  const double jointRange = RangeOrOne(minJoint, maxJoint);

  CResultGraph g(support, "rule-graph");
  g.Create();
  g.SetTitle("Rule graph");
  g.AddSubtitle("Node size: Relative support of each item");
  g.AddSubtitle("Color darkness: Relative confidence");
  g.AddPlot();
  g.SetAxisRange(GraphAxis::kX, 0.0, 1.0, d);
  g.SetAxisRange(GraphAxis::kY, 0.0, 1.0, d);
  g.PlainAxes();
  g.SetAxisTitle(GraphAxis::kX, "Head");
  g.SetAxisTitle(GraphAxis::kY, "Body");
  g.AddColourScale(0.85, 0.98, 1.0, 1.0, FormatString("%.3f", minConf),
                   FormatString("%.3f", maxConf));
  for (std::size_t i = 0; i < n; ++i) {
    const double row = static_cast<double>(i + 1) * d;
    g.AddAxisLabel(GraphAxis::kX, row, items[i].second);
    g.AddAxisLabel(GraphAxis::kY, row, items[i].second);
    for (std::size_t j = 0; j < n; ++j) {
      const double pj = joint[i * n + j];
      if (!(pj > 0.0)) continue;
      const double radius = ((pj - minJoint) / jointRange + 0.05) * d * 0.5;
      const int colour = ColourOfRelative((confidence[i * n + j] - minConf) / confRange);
      g.AddCircle(static_cast<double>(j + 1) * d, row, radius, colour);
    }
  }
  return g.Show();
}

}  // namespace linkan
