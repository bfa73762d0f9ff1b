// web_graph.cpp
#include "results/web_graph.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/sal_engine.h"
#include "frame/host/analysis_support.h"
#include "results/pattern_support.h"
#include "results/result_graph.h"

namespace linkan {
namespace {

constexpr double kPi = 3.1415926535;
constexpr int kNodeColour = 58981;

struct MinMax {
  double min = std::numeric_limits<double>::infinity();
  double max = -std::numeric_limits<double>::infinity();
  void Add(double x) {
    min = std::min(min, x);
    max = std::max(max, x);
  }
  double Range() const { return RangeOrOne(min, max); }
};

}  // namespace

bool ShowWebGraph(CAnalysisSupport& support, const SalEngine& engine) {
  const auto items = SelectedItemNames(engine);
  const std::size_t n = items.size();
  if (n < 2) return false;
  std::vector<double> s(n);
  MinMax sRange;
  for (std::size_t i = 0; i < n; ++i) {
    s[i] = ItemSupport(engine, items[i].first);
    sRange.Add(s[i]);
  }
  // joint and lift of the pair (i, j), i < j, at i * n + j.
  std::vector<double> joint(n * n, 0.0);
  std::vector<double> lift(n * n, 0.0);
  MinMax jointRange;
  MinMax liftRange;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      const double pj = PairSupport(engine, items[i].first, items[j].first);
      const double denominator = s[i] * s[j];
      const double pl = denominator > 0.0 ? pj / denominator : 0.0;
      joint[i * n + j] = pj;
      lift[i * n + j] = pl;
      jointRange.Add(pj);
      liftRange.Add(pl);
    }
  }

  CResultGraph g(support, "web-graph");
  g.Create();
  g.SetTitle("Web graph");
  g.AddSubtitle("Node size: Relative support of each item");
  g.AddSubtitle("Line thickness: Relative joint support of two items");
  g.AddSubtitle("Color darkness of line: Relative lift of two items");
  g.AddPlot();
  g.SetAxisRange(GraphAxis::kY, -1.3, 1.3, 2.6);
  g.SetAxisRange(GraphAxis::kX, -1.2, 1.2, 2.4);
  g.AddColourScale(0.85, 0.98, 1.0, 1.0, FormatString("%.3f", liftRange.min),
                   FormatString("%.3f", liftRange.max));

  std::vector<double> x(n);
  std::vector<double> y(n);
  std::vector<double> r(n);
  const auto count = static_cast<double>(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double a = 2 * kPi * static_cast<double>(i) / count;
    x[i] = std::cos(a);
    y[i] = std::sin(a);
    r[i] = ((s[i] - sRange.min) / sRange.Range() + 0.1) / count;
  }
  for (std::size_t i = 0; i < n; ++i) {
    // Names of the upper half above their node, of the lower half below.
    if (static_cast<double>(i) * 360.0 / count < 180.0) {
      g.AddText(x[i], y[i] + r[i], items[i].second, 8);
    } else {
      g.AddText(x[i], y[i] - r[i], items[i].second, 5);
    }
    g.AddCircle(x[i], y[i], r[i], kNodeColour);
    for (std::size_t j = i + 1; j < n; ++j) {
      const double pj = joint[i * n + j];
      if (!(pj > 0.0)) continue;
      const auto width = static_cast<int>((pj - jointRange.min) * 7 / jointRange.Range());
      const int colour = ColourOfRelative((lift[i * n + j] - liftRange.min) / liftRange.Range());
      g.AddLine(x[i], y[i], x[j], y[j], colour, width);
    }
  }
  g.PlainAxes();
  return g.Show();
}

}  // namespace linkan
