// cluster_outputs.cpp
#include "results/cluster_outputs.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "engine/sal_engine.h"
#include "engine/text/pattern_text.h"
#include "frame/host/analysis_support.h"
#include "results/result_graph.h"
#include "results/results_table_builder.h"
#include "results/rule_tables.h"
#include "results/table_rows.h"

namespace linkan {

double AxisStep(double max) {
  const double raw = max / 12.0;
  if (!(raw > 1.0)) return 1.0;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10.0 * power;
}

bool ShowClusterTable(CAnalysisSupport& support, const SalEngine& engine) {
  if (!engine.IsAssociationMode()) return false;
  const int rows = static_cast<int>(engine.clusters.size());
  if (rows == 0) {
    support.dsplst(0, kNoRuleMessage);
    return false;
  }
  ResultsTableBuilder t(support, "clusters");
  if (!t.Create(rows, 4)) return false;
  t.SetTitle(0, "Cluster of frequent itemsets");
  t.SetTitle(1, SupportConfidenceTitle(engine.settings));
  t.SetTitle(2, MaxItemsetTitle(engine.settings));
  t.SetColumnName(0, "Frequent itemsets");
  t.SetColumnName(1, "Number of items");
  t.SetColumnName(2, "Frequency");
  t.SetColumnName(3, "Support(%)");
  const double n = engine.N();  // all 64 bits of N: a 32-bit N turns negative past 2^31
  PatternTextWriter texts(engine);
  const bool done = FillRows(support, rows, [&](int r) {
    const ItemCluster& cluster = engine.clusters[static_cast<std::size_t>(r)];
    const std::size_t items = cluster.pattern.empty() ? 0 : cluster.pattern.front().size();
    t.SetRowName(r, RowNumberName(r));
    t.SetText(r, 0, texts.Text(cluster.pattern, true, false));
    t.SetInteger(r, 1, static_cast<long long>(items));
    t.SetInteger(r, 2, cluster.count);
    t.SetNumber(r, 3, static_cast<double>(cluster.count) / n * 100.0);
  });
  return done && t.Show();
}

bool ShowClusterTree(CAnalysisSupport& support, const SalEngine& engine) {
  if (!engine.IsAssociationMode()) return false;
  const std::vector<ClusterStep>& leaves = engine.clusterSteps;
  if (leaves.empty()) {
    support.dsplst(0, kNoRuleMessage);
    return false;
  }
  // The cluster of each item.
  std::map<ItemNumber, std::size_t> clusterOf;
  for (std::size_t c = 0; c < engine.clusters.size(); ++c) {
    for (const Itemset& set : engine.clusters[c].pattern) {
      for (const ItemNumber item : set) clusterOf[item] = c;
    }
  }
  auto cluster = [&](std::size_t k) {
    const auto it = clusterOf.find(leaves[k].item);
    return it == clusterOf.end() ? engine.clusters.size() : it->second;
  };

  CResultGraph g(support, "cluster-tree");
  g.Create();
  g.SetTitle("Cluster of items");
  g.AddPlot();
  constexpr int kBlack = 0;
  constexpr double kWidth = 1;
  struct Point {
    double x, y;
  };
  std::vector<Point> tops;
  // The top of a run of `length` leaves whose last leaf stands at x = end.
  auto topOf = [](double end, int length) {
    return length == 1 ? Point{end, 0.0} : Point{end - 0.5, static_cast<double>(length - 1)};
  };
  int c = 0;
  int height = 0;  // H
  const std::size_t n = leaves.size();
  for (std::size_t k = 0; k < n; ++k) {
    const auto x = static_cast<double>(k);  // leaf k - 1 stands here
    g.AddAxisLabel(GraphAxis::kX, x + 1, engine.items.Name(leaves[k].item));
    if (k == 0) continue;
    if (cluster(k) == cluster(k - 1)) {
      ++c;
      height = std::max(height, c);
      if (c == 1) {
        g.AddLine(x, 1, x, 0, kBlack, kWidth);
        g.AddLine(x, 1, x + 1, 1, kBlack, kWidth);
        g.AddLine(x + 1, 1, x + 1, 0, kBlack, kWidth);
      } else {
        g.AddLine(x - 0.5, c, x - 0.5, c - 1, kBlack, kWidth);
        g.AddLine(x - 0.5, c, x + 1, c, kBlack, kWidth);
        g.AddLine(x + 1, c, x + 1, 0, kBlack, kWidth);
      }
    } else {
      tops.push_back(topOf(x, c + 1));
      c = 0;
    }
  }
  tops.push_back(topOf(static_cast<double>(n), c + 1));
  if (tops.size() > 1) {
    const auto h = static_cast<double>(height);
    for (const Point& top : tops) {
      if (top.y < h) g.AddLine(top.x, top.y, top.x, h, kBlack, kWidth);
    }
    g.AddLine(tops.front().x, h, tops.back().x, h, kBlack, kWidth);
  }
  const auto count = static_cast<double>(n);
  g.SetAxisRange(GraphAxis::kX, 0.5, count + 0.5, 1);
  g.SetAxisTitle(GraphAxis::kX, "Items");
  const double yMax = std::max(height, 1);
  g.SetAxisRange(GraphAxis::kY, 0, yMax, AxisStep(yMax));
  g.SetAxisTitle(GraphAxis::kY, "Step");
  return g.Show();
}

}  // namespace linkan
