// association_network.cpp
#include "results/association_network.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "engine/sal_engine.h"
#include "engine/text/pattern_text.h"
#include "frame/host/analysis_support.h"
#include "results/result_graph.h"
#include "results/rule_charts.h"
#include "results/rule_tables.h"

namespace linkan {
namespace {

struct NetworkNode {
  std::string text;
  double support = 0;  // fraction of N
};

struct NetworkRule {
  std::size_t body = 0;  // index into the bodies
  std::size_t head = 0;  // index into the heads
  double support = 0;
  double confidence = 0;
};

struct Network {
  std::vector<NetworkNode> bodies;
  std::vector<NetworkNode> heads;
  std::vector<NetworkRule> rules;
  double maxBody = 0, maxHead = 0, maxJoint = 0, maxConf = 0;
};

// Where `value` lies between the threshold `min` and the largest value,
// kept in [0, 1].
double Relative(double value, double min, double max) {
  return std::clamp((value - min) / RangeOrOne(min, max), 0.0, 1.0);
}

// Widths 1 to 7: the weakest rule still shows.
double LineWidth(double relative) { return 1 + static_cast<int>(relative * 6); }

Network CollectNetwork(const SalEngine& engine, int low, int high) {
  Network net;
  std::map<std::int32_t, std::size_t> bodyIndex;
  std::map<std::int32_t, std::size_t> headIndex;
  for (const RuleRecord& rule : engine.rules) {
    const auto body = engine.patterns.KeyOf(rule.bodyId);
    const auto head = engine.patterns.KeyOf(rule.headId);
    const bool singleItemBody = body.size() == 2 && body[0] == 1;
    const bool oneItemsetHead = !head.empty() &&
                                head.size() == static_cast<std::size_t>(head[0]) + 1 &&
                                head[0] >= low && head[0] <= high;
    if (singleItemBody && oneItemsetHead) {
      bodyIndex.emplace(rule.bodyId, 0);
      headIndex.emplace(rule.headId, 0);
    }
  }
  if (bodyIndex.empty()) return net;
  PatternTextWriter texts(engine);
  const double n = engine.N();
  for (auto& [id, index] : bodyIndex) {
    index = net.bodies.size();
    net.bodies.push_back(
        {texts.Text(engine.patterns.KeyOf(static_cast<PatternId>(id)), true, false),
         engine.patterns.CountOf(static_cast<PatternId>(id)) / n});
    net.maxBody = std::max(net.maxBody, net.bodies.back().support);
  }
  for (auto& [id, index] : headIndex) {
    index = net.heads.size();
    net.heads.push_back({texts.Text(engine.patterns.KeyOf(static_cast<PatternId>(id)), true, false),
                         engine.patterns.CountOf(static_cast<PatternId>(id)) / n});
    net.maxHead = std::max(net.maxHead, net.heads.back().support);
  }
  for (const RuleRecord& rule : engine.rules) {
    const auto b = bodyIndex.find(rule.bodyId);
    const auto h = headIndex.find(rule.headId);
    if (b == bodyIndex.end() || h == headIndex.end()) continue;
    const NetworkRule r{b->second, h->second, rule.count / n, rule.Confidence()};
    net.rules.push_back(r);
    net.maxJoint = std::max(net.maxJoint, r.support);
    net.maxConf = std::max(net.maxConf, r.confidence);
  }
  return net;
}

void AddTitles(CResultGraph& g, const SalEngine& engine, const Network& net, bool threeD,
               double scaleX1, double scaleY1, double scaleX2, double scaleY2) {
  g.Create();
  g.SetTitle(threeD ? "Association rules network, 3D" : "Association rules network");
  g.AddSubtitle("Node size: Relative support; Line thickness: Relative confidence");
  g.AddColourScale(scaleX1, scaleY1, scaleX2, scaleY2, "Min", "Max");
  g.AddSubtitle(FormatString(
      "Max. body supp: %4.1f; Max joint supp: %4.1f; Max head supp: %4.1f; Max conf: %4.1f",
      net.maxBody * 100.0, net.maxJoint * 100.0, net.maxHead * 100.0, net.maxConf * 100.0));
  g.AddSubtitle(SupportConfidenceTitle(engine.settings));
  g.AddPlot();
}

void Draw2D(CResultGraph& g, const SalEngine& engine, const Network& net) {
  const AnalysisSettings& s = engine.settings;
  const auto b = static_cast<double>(net.bodies.size());
  const auto h = static_cast<double>(net.heads.size());
  AddTitles(g, engine, net, false, 0.85, 0.98, 1.0, 1.0);
  g.SetAxisRange(GraphAxis::kX, 0.5, b + 0.5, 1.0);
  g.SetAxisRange(GraphAxis::kY, 0.5, b + 0.5, 1.0);
  const double bodyX = 0.1 * b + 0.5;
  const double headX = 0.9 * b + 0.5;
  g.AddAxisLabel(GraphAxis::kX, bodyX, "Body");
  g.AddAxisLabel(GraphAxis::kX, 0.5 * b + 0.5, "Implies");
  g.AddAxisLabel(GraphAxis::kX, headX, "Head");
  auto bodyY = [&](std::size_t k) { return static_cast<double>(k + 1) * b / (b + 1) + 0.5; };
  auto headY = [&](std::size_t j) { return static_cast<double>(j + 1) * b / (h + 1) + 0.5; };
  // Lines first, so that the nodes sit on top of them.
  for (const NetworkRule& r : net.rules) {
    const double width = LineWidth(Relative(r.confidence, s.minconf, net.maxConf));
    g.AddLine(bodyX, bodyY(r.body), headX, headY(r.head),
              ColourOfRelative(Relative(r.support, s.minsupp, net.maxJoint)), width);
  }
  const double bodyRadius = std::min(0.5, 0.1 * b);
  for (std::size_t k = 0; k < net.bodies.size(); ++k) {
    const double rel = Relative(net.bodies[k].support, s.minsupp, net.maxBody);
    g.AddCircle(bodyX, bodyY(k), bodyRadius * rel, ColourOfRelative(rel));
    g.AddText(bodyX, bodyY(k) + bodyRadius * rel, net.bodies[k].text, 8);
  }
  const double headRadius = std::min(0.5 * b / (h + 1), 0.1 * b);
  for (std::size_t j = 0; j < net.heads.size(); ++j) {
    const double rel = Relative(net.heads[j].support, s.minsupp, net.maxHead);
    g.AddCircle(headX, headY(j), headRadius * rel, ColourOfRelative(rel));
    g.AddText(headX, headY(j) + headRadius * rel, net.heads[j].text, 8);
  }
}

// Oblique projection of (body u, head depth v, height w) onto the page.
struct Oblique {
  double height;  // page units of w = 1
  double X(double u, double v) const { return u + 0.6 * v; }
  double Y(double v, double w) const { return 0.4 * v + w * height; }
};

void Draw3D(CResultGraph& g, const SalEngine& engine, const Network& net) {
  const AnalysisSettings& s = engine.settings;
  const auto b = static_cast<double>(net.bodies.size());
  const auto h = static_cast<double>(net.heads.size());
  const Oblique p{0.6 * std::max(b, h) + 1.0};
  const double maxX = p.X(b + 1.5, h + 0.5);
  const double maxY = p.Y(h + 0.5, 1.0) + 1.0;
  AddTitles(g, engine, net, true, maxX - 3.0, maxY - 0.6, maxX - 0.5, maxY - 0.4);
  g.SetAxisRange(GraphAxis::kX, 0.0, maxX, 1.0);
  g.SetAxisRange(GraphAxis::kY, -1.0, maxY, 1.0);
  g.PlainAxes();
  constexpr int kGrid = 32768;
  // The floor's two edges and the height axis at the corner.
  g.AddLine(p.X(0.5, 0.5), p.Y(0.5, 0), p.X(b + 0.5, 0.5), p.Y(0.5, 0), kGrid, 1);
  g.AddLine(p.X(0.5, 0.5), p.Y(0.5, 0), p.X(0.5, h + 0.5), p.Y(h + 0.5, 0), kGrid, 1);
  g.AddLine(p.X(0.5, 0.5), p.Y(0.5, 0), p.X(0.5, 0.5), p.Y(0.5, 1), kGrid, 1);
  g.AddText(p.X(0.5, 0.5), p.Y(0.5, 1), "Confidence", 8);
  g.AddText(p.X(0.5 * b + 0.5, 0.5), p.Y(0.5, 0) - 0.6, "Body", 5);
  g.AddText(p.X(0.5, h + 0.5), p.Y(h + 0.5, 0), "Head", 8);
  for (std::size_t k = 0; k < net.bodies.size(); ++k) {
    const auto u = static_cast<double>(k + 1);
    g.AddText(p.X(u, 0.5), p.Y(0.5, 0), net.bodies[k].text, 5);
  }
  for (std::size_t j = 0; j < net.heads.size(); ++j) {
    const auto v = static_cast<double>(j + 1);
    g.AddLine(p.X(0.5, v), p.Y(v, 0), p.X(b + 0.5, v), p.Y(v, 0), kGrid, 1);
    g.AddText(p.X(b + 1.0, v), p.Y(v, 0), net.heads[j].text, 0);
  }
  // Deeper rules first, so that nearer stems are drawn over them.
  std::vector<const NetworkRule*> order;
  for (const NetworkRule& r : net.rules) order.push_back(&r);
  std::stable_sort(order.begin(), order.end(),
                   [](const NetworkRule* x, const NetworkRule* y) { return x->head > y->head; });
  for (const NetworkRule* r : order) {
    const auto u = static_cast<double>(r->body + 1);
    const auto v = static_cast<double>(r->head + 1);
    const double conf = Relative(r->confidence, s.minconf, net.maxConf);
    const double supp = Relative(r->support, s.minsupp, net.maxJoint);
    const int colour = ColourOfRelative(supp);
    g.AddLine(p.X(u, v), p.Y(v, 0), p.X(u, v), p.Y(v, conf), colour, LineWidth(conf));
    g.AddCircle(p.X(u, v), p.Y(v, conf), 0.1 + 0.3 * supp, colour);
  }
}

}  // namespace

bool ShowAssociationNetwork(CAnalysisSupport& support, const SalEngine& engine, bool threeD,
                            int low, int high) {
  const Network net = CollectNetwork(engine, low, high);
  if (net.bodies.empty() || net.heads.empty()) {
    support.dsplst(0, kNoAssociationMessage);
    return false;
  }
  CResultGraph g(support, threeD ? "network-3d" : "network-2d");
  if (threeD) {
    Draw3D(g, engine, net);
  } else {
    Draw2D(g, engine, net);
  }
  return g.Show();
}

}  // namespace linkan
