// Tests of the pictures of the results dialog (charts, matrices, web and
// rule graphs, association networks, the clustering tree and table): the
// display lists of small engines worked out by hand, pinned exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/mining/item_clustering.h"
#include "engine/sal_engine.h"
#include "results/association_network.h"
#include "results/cluster_outputs.h"
#include "results/result_graph.h"
#include "results/rule_charts.h"
#include "results/rule_graph.h"
#include "results/rule_matrices.h"
#include "results/rule_tables.h"
#include "results/web_graph.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using testing::TestAnalysis;
using testing::TestHost;
using Items = std::vector<std::pair<Pattern, SupportCount>>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.1415926535;

// An engine over items named "a", "b", ... (numbers 1, 2, ...) with the
// given patterns, N transactions and every frequent single item selected.
class GraphOutputsTest : public ::testing::Test {
 protected:
  void Make(bool association, int n, const Items& patterns, int itemCount = 7) {
    host = TestHost();
    host.AddNumeric("v", {1});
    engine = std::make_unique<SalEngine>(support, nullptr);
    engine->settings.noseq = association ? 1 : 0;
    engine->settings.size = static_cast<unsigned long>(n);
    for (int i = 0; i < itemCount; ++i)
      engine->items.Add(std::string(1, static_cast<char>('a' + i)));
    for (const auto& [p, count] : patterns) {
      engine->patterns.Record(p, count);
      if (p.size() == 1 && p[0].size() == 1) {
        engine->itemFrequency[p[0][0]] = count;
        engine->selectedItems.insert(p[0][0]);
      }
    }
  }
  // `count` rules {a} ==> {b} from {a, b}, each with its own counts.
  void MakeRules(std::size_t count) {
    Make(true, 1000, {{{{1}}, 500}, {{{2}}, 400}, {{{1, 2}}, 200}});
    for (std::size_t k = 0; k < count; ++k) {
      engine->rules.push_back({0, 1, 2, 500, 400, static_cast<SupportCount>(100 + k)});
    }
  }
  const GraphDocument& OnlyGraph() {
    EXPECT_EQ(host.graphs.size(), 1u);
    return host.graphs.back();
  }

  TestHost host;
  TestAnalysis support{&host};
  std::unique_ptr<SalEngine> engine;
};

// Expected lists are written with the builder's own member functions.
GraphDocument Expect(const std::string& name) {
  GraphDocument d;
  d.documentName = name;
  d.Create();
  return d;
}

void ExpectSameOperations(const GraphDocument& expected, const GraphDocument& actual) {
  EXPECT_EQ(actual.documentName, expected.documentName);
  ASSERT_EQ(actual.operations.size(), expected.operations.size());
  for (std::size_t k = 0; k < expected.operations.size(); ++k) {
    const GraphOperation& e = expected.operations[k];
    const GraphOperation& a = actual.operations[k];
    SCOPED_TRACE("operation " + std::to_string(k));
    EXPECT_EQ(a.kind, e.kind);
    EXPECT_EQ(a.axis, e.axis);
    for (const auto& [x, y] : {std::pair{a.a, e.a}, {a.b, e.b}, {a.c, e.c}, {a.d, e.d}}) {
      EXPECT_NEAR(x, y, 1e-12);
    }
    EXPECT_TRUE(std::isnan(a.width) ? std::isnan(e.width) : a.width == e.width);
    EXPECT_EQ(a.colour, e.colour);
    EXPECT_EQ(a.placement, e.placement);
    EXPECT_EQ(a.text, e.text);
    EXPECT_EQ(a.text2, e.text2);
  }
}

TEST_F(GraphOutputsTest, WebGraphEdgeCases) {
  struct Case {
    const char* name;
    Items patterns;  // over N = 4
    const char *low, *high;
    double radius[3];
    std::vector<std::tuple<int, int, int, int>> lines;  // i, j, colour, width
  };
  const Case cases[] = {
      // s = 0.5, 0.5, 0.25; no pair recorded: no line, joint and lift all 0.
      {"never together",
       {{{{1}}, 2}, {{{2}}, 2}, {{{3}}, 1}},
       "0.000",
       "0.000",
       {1.1 / 3, 1.1 / 3, 0.1 / 3},  // ((s - 0.25) / 0.25 + 0.1) / 3
       {}},
      // Equal supports: range 1, radius 0.1 / n. {a,b} 0.25 (lift 1), {a,c}
      // 0.5 (lift 2), {b,c} 0: width 0.25 x 7 / 0.5 = 3, colour 1 - 1/2.
      {"equal supports",
       {{{{1}}, 2}, {{{2}}, 2}, {{{3}}, 2}, {{{1, 2}}, 1}, {{{1, 3}}, 2}},
       "0.000",
       "2.000",
       {0.1 / 3, 0.1 / 3, 0.1 / 3},
       {{0, 1, 32767, 3}, {0, 2, 0, 7}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Make(true, 4, c.patterns);
    ASSERT_TRUE(ShowWebGraph(support, *engine));
    GraphDocument d = Expect("web-graph");
    d.SetTitle("Web graph");
    d.AddSubtitle("Node size: Relative support of each item");
    d.AddSubtitle("Line thickness: Relative joint support of two items");
    d.AddSubtitle("Color darkness of line: Relative lift of two items");
    d.AddPlot("Plot 1");
    d.SetAxisRange(GraphAxis::kY, -1.3, 1.3, 2.6);
    d.SetAxisRange(GraphAxis::kX, -1.2, 1.2, 2.4);
    d.AddColourScale(0.85, 0.98, 1.0, 1.0, c.low, c.high);
    auto x = [](int i) { return std::cos(2 * kPi * i / 3); };
    auto y = [](int i) { return std::sin(2 * kPi * i / 3); };
    for (int i = 0; i < 3; ++i) {
      const bool upper = i * 360 / 3 < 180;
      d.AddText(x(i), y(i) + (upper ? c.radius[i] : -c.radius[i]), std::string(1, 'a' + i),
                upper ? 8 : 5);
      d.AddCircle(x(i), y(i), c.radius[i], 58981);
      for (const auto& [from, to, colour, width] : c.lines) {
        if (from == i) d.AddLine(x(i), y(i), x(to), y(to), colour, width);
      }
    }
    d.PlainAxes();
    d.Show();
    ExpectSameOperations(d, OnlyGraph());
  }
}

TEST_F(GraphOutputsTest, RuleGraphDiagonalOnlyInSequenceAnalysis) {
  // N = 10, s(a) = 0.5, s(b) = 0.4. Association: {a,b} 0.2; sequences:
  // a->a 0.3, a->b 0.2, b->a 0.1 (b->b not frequent).
  struct Case {
    bool association;
    Items patterns;
    // (row, column, radius factor of d / 2, colour)
    std::vector<std::tuple<int, int, double, int>> circles;
    std::string low, high;
  };
  const Case cases[] = {
      // conf a->b 0.4, b->a 0.5; joints equal: range 1, radius 0.05.
      {true,
       {{{{1}}, 5}, {{{2}}, 4}, {{{1, 2}}, 2}},
       {{1, 2, 0.05, 65535}, {2, 1, 0.05, 0}},
       "0.400",
       "0.500"},
      // conf a->a 0.6, a->b 0.4, b->a 0.25; joint 0.1 .. 0.3.
      {false,
       {{{{1}}, 5}, {{{2}}, 4}, {{{1}, {1}}, 3}, {{{1}, {2}}, 2}, {{{2}, {1}}, 1}},
       {{1, 1, 1.05, 0},
        {1, 2, 0.55, static_cast<int>(65535 - (0.4 - 0.25) / 0.35 * 65535)},
        {2, 1, 0.05, 65535}},
       "0.250",
       "0.600"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.association ? "association" : "sequence");
    Make(c.association, 10, c.patterns, 2);
    ASSERT_TRUE(ShowRuleGraph(support, *engine));
    const double d = 1.0 / 3;
    GraphDocument e = Expect("rule-graph");
    e.SetTitle("Rule graph");
    e.AddSubtitle("Node size: Relative support of each item");
    e.AddSubtitle("Color darkness: Relative confidence");
    e.AddPlot("Plot 1");
    e.SetAxisRange(GraphAxis::kX, 0, 1, d);
    e.SetAxisRange(GraphAxis::kY, 0, 1, d);
    e.PlainAxes();
    e.SetAxisTitle(GraphAxis::kX, "Head");
    e.SetAxisTitle(GraphAxis::kY, "Body");
    e.AddColourScale(0.85, 0.98, 1.0, 1.0, c.low, c.high);
    for (int row = 1; row <= 2; ++row) {
      e.AddAxisLabel(GraphAxis::kX, row * d, row == 1 ? "a" : "b");
      e.AddAxisLabel(GraphAxis::kY, row * d, row == 1 ? "a" : "b");
      for (const auto& [i, j, factor, colour] : c.circles) {
        if (i == row) e.AddCircle(j * d, i * d, factor * d * 0.5, colour);
      }
    }
    e.Show();
    ExpectSameOperations(e, OnlyGraph());
  }
}

TEST_F(GraphOutputsTest, ChartsDrawOneToOneHundredRulesAndShowLiftAsCorrelation) {
  struct Case {
    std::size_t rules;
    RuleMeasure measure;
    const char* message;  // null: a chart
  };
  const Case cases[] = {
      {0, RuleMeasure::kSupport, kNoAssociationMessage},
      {1, RuleMeasure::kConfidence, nullptr},
      {100, RuleMeasure::kCorrelation, nullptr},
      {101, RuleMeasure::kSupport, kTooManyRulesMessage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rules);
    MakeRules(c.rules);
    engine->settings.maxpat = 3;
    EXPECT_EQ(ShowRuleChart(support, *engine, c.measure), c.message == nullptr);
    if (c.message) {
      EXPECT_TRUE(host.charts.empty());
      EXPECT_EQ(host.messages, std::vector<std::string>{c.message});
      continue;
    }
    ASSERT_EQ(host.charts.size(), 1u);
    const DiscreteContourChart& chart = host.charts[0];
    const std::string name = RuleMeasureName(c.measure);
    EXPECT_EQ(chart.documentName,
              c.measure == RuleMeasure::kConfidence ? "confidence-chart" : "correlation-chart");
    EXPECT_EQ(chart.type, 20);
    EXPECT_EQ(chart.title, (std::vector<std::string>{name + " bar chart",
                                                     "Min: support = 20.0%, confidence = 10.0%",
                                                     "Max. size of an itemset = 3"}));
    EXPECT_EQ(chart.axisTitles, (std::array<std::string, 3>{"Body", "Head", name + "(%)"}));
    ASSERT_EQ(chart.size, static_cast<int>(c.rules));
    EXPECT_EQ(chart.rowLabels, std::vector<std::string>(c.rules, "a"));
    EXPECT_EQ(chart.columnLabels, std::vector<std::string>(c.rules, "b"));
    for (int row = 0; row < chart.size; ++row) {
      for (int col = 0; col < chart.size; ++col) {
        if (row != col) {
          EXPECT_TRUE(std::isnan(chart.Value(row, col)));
          continue;
        }
        const double count = 100 + row;
        // Confidence count / 500 x 100; lift 1000 x (count / 500) / 400.
        const double expected =
            c.measure == RuleMeasure::kConfidence ? count / 5 : 1000 * (count / 500) / 400;
        EXPECT_FLOAT_EQ(chart.Value(row, col), static_cast<float>(expected));
      }
    }
  }
}

TEST_F(GraphOutputsTest, RuleMatricesShowTheMeasureOnTheDiagonalAndRefuseWhatCannotBeHeld) {
  MakeRules(3);
  ASSERT_TRUE(ShowRuleMatrix(support, *engine, RuleMeasure::kCorrelation));
  ASSERT_EQ(host.spreadsheets.size(), 1u);
  const ResultsTable& t = host.spreadsheets[0];
  EXPECT_EQ(t.documentName, "correlation-matrix");
  EXPECT_EQ(t.titles[0], "Correlation rule matrix");
  EXPECT_EQ(t.corner, "Body\\Head");
  EXPECT_EQ(t.rowNames, std::vector<std::string>(3, "a"));
  EXPECT_EQ(t.columnNames, std::vector<std::string>(3, "b"));
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      if (r == c) {
        EXPECT_DOUBLE_EQ(t.Number(r, c), 1000 * ((100.0 + r) / 500) / 400);
      } else {
        EXPECT_TRUE(t.IsMissing(r, c));
      }
    }
  }
  // 5793 x 5793 cells are more than 2^25: a message, no table; 16384 rules
  // (whose cells overflow 32-bit sizes) likewise.
  for (const std::size_t rules : {std::size_t{5793}, std::size_t{16384}}) {
    MakeRules(rules);
    EXPECT_FALSE(ShowRuleMatrix(support, *engine, RuleMeasure::kSupport));
    EXPECT_TRUE(host.spreadsheets.empty());
    EXPECT_EQ(host.messages, std::vector<std::string>{RuleMatrixTooLargeMessage(rules)});
  }
  EXPECT_EQ(RuleMatrixTooLargeMessage(5793),
            "The rule matrix of 5793 rules is too large: it would need 5793 x 5793 cells, more "
            "than the 33554432 cells (5792 rules) a rule matrix may hold. Raise the minimum "
            "support or the minimum confidence to have fewer rules.");
}

TEST_F(GraphOutputsTest, AssociationNetworkAtTheMinimumSupportDrawsNoNaN) {
  // N = 10, minsupp 0.2, minconf 0.1. Bodies {a} and {b} at exactly the
  // minimum support (range 0 -> 1), head {c} 0.5; rules a->c and b->c.
  Make(true, 10, {{{{1}}, 2}, {{{2}}, 2}, {{{3}}, 5}, {{{1, 3}}, 2}, {{{2, 3}}, 2}});
  engine->rules = {{0, 2, 3, 2, 5, 2}, {1, 2, 4, 2, 5, 2}};
  for (const bool threeD : {false, true}) {
    host.graphs.clear();
    ASSERT_TRUE(ShowAssociationNetwork(support, *engine, threeD, 1, 5));
    const GraphDocument& g = OnlyGraph();
    EXPECT_EQ(g.documentName, threeD ? "network-3d" : "network-2d");
    for (const GraphOperation& op : g.operations) {
      for (const double v : {op.a, op.b, op.c, op.d}) EXPECT_TRUE(std::isfinite(v));
      EXPECT_GE(op.colour, 0);
      EXPECT_LE(op.colour, 65535);
    }
    if (threeD) continue;
    // B = 2, H = 1: body column 0.7, head column 2.3 at y = 1.5.
    std::vector<GraphOperation> circles;
    for (const GraphOperation& op : g.operations) {
      if (op.kind == GraphOpKind::kAddCircle) circles.push_back(op);
    }
    ASSERT_EQ(circles.size(), 3u);
    // Body a at the minimum: r = 0 (not 0/0), lightest.
    EXPECT_NEAR(circles[0].a, 0.7, 1e-12);
    EXPECT_NEAR(circles[0].b, 2.0 / 3 + 0.5, 1e-12);
    EXPECT_EQ(circles[0].c, 0);
    EXPECT_EQ(circles[0].colour, 65535);
    // Head support 0.5 against 0.2, alone at the top of its range: r = 1,
    // radius min(0.5 x 2 / 2, 0.2) = 0.2, darkest.
    EXPECT_NEAR(circles[2].c, 0.2, 1e-12);
    EXPECT_EQ(circles[2].colour, 0);
    EXPECT_NEAR(circles[2].b, 1.5, 1e-12);
    EXPECT_EQ(g.operations[1].text, "Association rules network");
    EXPECT_EQ(g.operations[4].text,
              "Max. body supp: 20.0; Max joint supp: 20.0; Max head supp: 50.0; Max conf: 100.0");
  }
  // A head range that no head fits: no association.
  EXPECT_FALSE(ShowAssociationNetwork(support, *engine, false, 2, 5));
  EXPECT_EQ(host.messages.back(), kNoAssociationMessage);
}

// Items a..g, N = 10, every single item 4. {c,d} lift 2.5 seeds and grows
// by e and f (lift 2.5 each); {a,b} lift 1.875; g is left alone.
Items WorkedClusteringTable() {
  Items t;
  for (ItemNumber i = 1; i <= 7; ++i) t.push_back({{{i}}, 4});
  t.push_back({{{3, 4}}, 4});
  t.push_back({{{3, 4, 5}}, 4});
  t.push_back({{{3, 4, 5, 6}}, 4});
  t.push_back({{{1, 2}}, 3});
  return t;
}

TEST_F(GraphOutputsTest, ClusterTreeOfAWorkedTableDrawsAStaircaseAUAndATopLine) {
  Make(true, 10, WorkedClusteringTable());
  ASSERT_EQ(ClusterItems(*engine), 0);
  ASSERT_TRUE(ShowClusterTree(support, *engine));
  GraphDocument e = Expect("cluster-tree");
  e.SetTitle("Cluster of items");
  e.AddPlot("Plot 1");
  auto line = [&](double x1, double y1, double x2, double y2) { e.AddLine(x1, y1, x2, y2, 0, 1); };
  const char* names = "cdefabg";
  for (int k = 0; k < 7; ++k) {
    e.AddAxisLabel(GraphAxis::kX, k + 1, std::string(1, names[k]));
    if (k == 1) line(1, 1, 1, 0), line(1, 1, 2, 1), line(2, 1, 2, 0);  // U of c, d
    if (k == 2) line(1.5, 2, 1.5, 1), line(1.5, 2, 3, 2), line(3, 2, 3, 0);
    if (k == 3) line(2.5, 3, 2.5, 2), line(2.5, 3, 4, 3), line(4, 3, 4, 0);
    if (k == 5) line(5, 1, 5, 0), line(5, 1, 6, 1), line(6, 1, 6, 0);  // U of a, b
  }
  // Tops (3.5, 3), (5.5, 1), (7, 0) rise to H = 3 and are joined there.
  line(5.5, 1, 5.5, 3);
  line(7, 0, 7, 3);
  line(3.5, 3, 7, 3);
  e.SetAxisRange(GraphAxis::kX, 0.5, 7.5, 1);
  e.SetAxisTitle(GraphAxis::kX, "Items");
  e.SetAxisRange(GraphAxis::kY, 0, 3, 1);
  e.SetAxisTitle(GraphAxis::kY, "Step");
  e.Show();
  ExpectSameOperations(e, OnlyGraph());

  ASSERT_TRUE(ShowClusterTable(support, *engine));
  ASSERT_EQ(host.spreadsheets.size(), 1u);
  const ResultsTable& t = host.spreadsheets[0];
  EXPECT_EQ(t.documentName, "clusters");
  EXPECT_EQ(t.titles[0], "Cluster of frequent itemsets");
  EXPECT_EQ(t.columnNames, (std::vector<std::string>{"Frequent itemsets", "Number of items",
                                                     "Frequency", "Support(%)"}));
  ASSERT_EQ(t.rows, 3);
  const char* texts[][3] = {{"c, d, e, f", "4", "4"}, {"a, b", "2", "3"}, {"g", "1", "4"}};
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(t.rowNames[static_cast<std::size_t>(r)], std::to_string(r + 1));
    for (int c = 0; c < 3; ++c) EXPECT_EQ(t.Text(r, c), texts[r][c]);
    EXPECT_DOUBLE_EQ(t.Number(r, 3), std::stod(texts[r][2]) * 10);
  }
}

TEST_F(GraphOutputsTest, ClusterTreeOfSingleItemsHasHeightOneAndOnlyTheTopLine) {
  Make(true, 10, {{{{1}}, 4}, {{{2}}, 4}, {{{3}}, 4}});
  ASSERT_EQ(ClusterItems(*engine), 0);
  ASSERT_TRUE(ShowClusterTree(support, *engine));
  GraphDocument e = Expect("cluster-tree");
  e.SetTitle("Cluster of items");
  e.AddPlot("Plot 1");
  for (int k = 0; k < 3; ++k) e.AddAxisLabel(GraphAxis::kX, k + 1, std::string(1, 'a' + k));
  e.AddLine(1, 0, 3, 0, 0, 1);
  e.SetAxisRange(GraphAxis::kX, 0.5, 3.5, 1);
  e.SetAxisTitle(GraphAxis::kX, "Items");
  e.SetAxisRange(GraphAxis::kY, 0, 1, 1);
  e.SetAxisTitle(GraphAxis::kY, "Step");
  e.Show();
  ExpectSameOperations(e, OnlyGraph());

  // Sequence analysis: neither form shows anything.
  engine->settings.noseq = 0;
  EXPECT_FALSE(ShowClusterTree(support, *engine));
  EXPECT_FALSE(ShowClusterTable(support, *engine));
  EXPECT_EQ(host.graphs.size(), 1u);
  EXPECT_TRUE(host.spreadsheets.empty());
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(GraphOutputsTest, CountsPastThirtyTwoBitsKeepTheirFiguresAndDigits) {
  // N = 4.2e9 (past 2^31), counts past 2^16 x 2^16: figures in double,
  // counts printed whole.
  const SupportCount big = 3'000'000'000u;
  Make(true, 1, {{{{1}}, 3'500'000'000u}, {{{2}}, 4'000'000'000u}, {{{1, 2}}, big}});
  engine->settings.size = 4'200'000'000ul;
  engine->rules = {{0, 1, 2, 3'500'000'000u, 4'000'000'000u, big}};
  engine->clusters = {{{{1, 2}}, big}};
  ASSERT_TRUE(ShowRuleMatrix(support, *engine, RuleMeasure::kCorrelation));
  ASSERT_TRUE(ShowRuleMatrix(support, *engine, RuleMeasure::kSupport));
  ASSERT_TRUE(ShowClusterTable(support, *engine));
  ASSERT_EQ(host.spreadsheets.size(), 3u);
  EXPECT_DOUBLE_EQ(host.spreadsheets[0].Number(0, 0), 4.2e9 * (3.0 / 3.5) / 4e9);
  EXPECT_DOUBLE_EQ(host.spreadsheets[1].Number(0, 0), 3e9 / 4.2e9 * 100);
  EXPECT_EQ(host.spreadsheets[2].Text(0, 2), "3000000000");
  EXPECT_DOUBLE_EQ(host.spreadsheets[2].Number(0, 3), 3e9 / 4.2e9 * 100);
  // The web graph's lift 0.9 is on the legend.
  ASSERT_TRUE(ShowWebGraph(support, *engine));
  EXPECT_EQ(OnlyGraph().operations[8].text2, "0.900");
}

TEST(AxisStep, AtLeastOneAndAboutTwelveIntervals) {
  const std::pair<double, double> cases[] = {{0, 1},  {1, 1},    {12, 1},  {13, 2},
                                             {30, 5}, {100, 10}, {250, 50}};
  for (const auto& [max, step] : cases) EXPECT_EQ(AxisStep(max), step) << max;
}

}  // namespace
}  // namespace linkan
