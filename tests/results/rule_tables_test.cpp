// Tests of the rule and pattern tables and the results table builder, on
// small engines whose figures are worked out by hand.
#include "results/rule_tables.h"

#include <cmath>

#include <gtest/gtest.h>

#include "engine/sal_engine.h"
#include "frame/host/module_error.h"
#include "results/results_table_builder.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using testing::TestAnalysis;
using testing::TestHost;

// Items a=1, b=2, c=3 over N = 4 transactions:
//   {a}:3 (id 0), {b}:2 (id 1), {c}:4 (id 2), {a,b}:2 (id 3), {a,c}:3 (id 4)
// Rules: {b}==>{a} from {a,b}; {a}==>{b} from {a,b}; {a}==>{c} from {a,c}.
class RuleTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.AddNumeric("v", {1});
    engine = std::make_unique<SalEngine>(support, nullptr);
    engine->settings.noseq = 1;
    engine->settings.size = 4;
    for (const char* n : {"a", "b", "c"}) engine->items.Add(n);
    engine->patterns.Record({{1}}, 3);
    engine->patterns.Record({{2}}, 2);
    engine->patterns.Record({{3}}, 4);
    engine->patterns.Record({{1, 2}}, 2);
    engine->patterns.Record({{1, 3}}, 3);
    engine->rules = {{1, 0, 3, 2, 3, 2},
                     {0, 1, 3, 3, 2, 2},
                     {0, 2, 4, 3, 4, 3}};
    engine->itemFrequency = {{1, 3}, {2, 2}, {3, 4}};
  }
  const ResultsTable& Only() {
    EXPECT_EQ(host.spreadsheets.size(), 1u);
    return host.spreadsheets.back();
  }

  TestHost host;
  TestAnalysis support{&host};
  std::unique_ptr<SalEngine> engine;
};

TEST_F(RuleTablesTest, TitleLinesShowMaximaOnlyWhenBelowOne) {
  AnalysisSettings s;
  EXPECT_EQ(SupportConfidenceTitle(s), "Min: support = 20.0%, confidence = 10.0%");
  s.maxconf = 0.9;
  s.minsupp = 0.05;
  EXPECT_EQ(SupportConfidenceTitle(s),
            "Min: support =  5.0%, confidence = 10.0%   [Max: 100.0%, 90.0%]");
  EXPECT_EQ(MaxItemsetTitle(s), "Max. size of an itemset = 10");
}

TEST_F(RuleTablesTest, RuleSummaryFiguresAndLayout) {
  ASSERT_TRUE(ShowRuleSummary(support, *engine));
  const ResultsTable& t = Only();
  EXPECT_EQ(t.documentName, "rules");
  EXPECT_EQ(t.titles[0], "Summary of association rules");
  EXPECT_EQ(t.columnNames,
            (std::vector<std::string>{"Body", " ==> ", "Head", "Support(%)", "Confidence(%)",
                                      "Lift"}));
  ASSERT_EQ(t.rows, 3);
  EXPECT_EQ(t.rowNames[2], "3");
  EXPECT_EQ(t.Text(0, 0), "b");
  EXPECT_EQ(t.Text(0, 1), " ==> ");
  EXPECT_EQ(t.Text(0, 2), "a");
  EXPECT_DOUBLE_EQ(t.Number(0, 3), 50.0);          // 2 / 4
  EXPECT_DOUBLE_EQ(t.Number(0, 4), 100.0);         // 2 / 2
  EXPECT_DOUBLE_EQ(t.Number(0, 5), 4.0 / 3.0);     // 4 * 1 / 3
  EXPECT_DOUBLE_EQ(t.Number(1, 4), 200.0 / 3.0);   // 2 / 3
  EXPECT_DOUBLE_EQ(t.Number(1, 5), 4.0 / 3.0);     // 4 * (2/3) / 2
  // {a} ==> {c}: confidence 100 and a head in every transaction: lift 1.
  EXPECT_DOUBLE_EQ(t.Number(2, 4), 100.0);
  EXPECT_DOUBLE_EQ(t.Number(2, 5), 1.0);
  EXPECT_EQ(host.progressLog.front(), "title:Computing...");
}

TEST_F(RuleTablesTest, FrequentPatternsTableWritesLargeCountsInFull) {
  engine->patterns.Clear();
  engine->patterns.Record({{1}}, 123456789);
  engine->patterns.Record({{1, 2, 3}}, 2);
  engine->settings.size = 200000000;
  ASSERT_TRUE(ShowFrequentPatterns(support, *engine));
  const ResultsTable& t = Only();
  EXPECT_EQ(t.titles[0], "Frequent itemsets computed");
  EXPECT_EQ(t.columnNames[0], "Frequent itemsets");
  EXPECT_EQ(t.columnNames[1], "Number of items");
  EXPECT_EQ(t.Text(0, 2), "123456789");  // nine digits, not "########"
  EXPECT_EQ(t.Text(1, 0), "a, b, c");
  EXPECT_EQ(t.Text(1, 1), "3");
  EXPECT_DOUBLE_EQ(t.Number(0, 3), 123456789 / 200000000.0 * 100.0);
}

TEST_F(RuleTablesTest, SequenceTablesCountItemsetsAndDropLiftWhenRestricted) {
  engine->settings.noseq = 0;
  engine->patterns.Clear();
  engine->patterns.Record({{1}}, 3);           // 0
  engine->patterns.Record({{2}}, 2);           // 1
  engine->patterns.Record({{1}, {2}}, 2);      // 2
  engine->rules = {{0, 1, 2, 3, 2, 2}};
  engine->selectedItems = {1, 2};
  ASSERT_TRUE(ShowFrequentPatterns(support, *engine));
  ASSERT_TRUE(ShowRuleSummaryOfSelected(support, *engine, SelectedRulePart::kPattern));
  ASSERT_TRUE(ShowRuleSummary(support, *engine));
  ASSERT_EQ(host.spreadsheets.size(), 3u);
  const ResultsTable& patterns = host.spreadsheets[0];
  EXPECT_EQ(patterns.titles[0], "Frequent sequences computed");
  EXPECT_EQ(patterns.columnNames[1], "Number of itemsets");
  EXPECT_EQ(patterns.Text(2, 0), "a, b");
  EXPECT_EQ(patterns.Text(2, 1), "2");
  const ResultsTable& restricted = host.spreadsheets[1];
  EXPECT_EQ(restricted.cols, 5);
  EXPECT_EQ(restricted.titles[0], "Summary of sequential rules with selected items");
  EXPECT_EQ(host.spreadsheets[2].cols, 6);
  EXPECT_EQ(host.spreadsheets[2].titles[0], "Summary of sequential rules");
}

TEST_F(RuleTablesTest, SelectionQualifiesByTheChosenPartOfTheRule) {
  engine->selectedItems = {2};  // b only
  // Bodies of b: {b} ==> {a}. Heads of b: {a} ==> {b}. Whole pattern: none.
  ASSERT_TRUE(ShowRuleSummaryOfSelected(support, *engine, SelectedRulePart::kBody));
  ASSERT_TRUE(ShowRuleSummaryOfSelected(support, *engine, SelectedRulePart::kHead));
  EXPECT_FALSE(ShowRuleSummaryOfSelected(support, *engine, SelectedRulePart::kPattern));
  ASSERT_EQ(host.spreadsheets.size(), 2u);
  EXPECT_EQ(host.spreadsheets[0].documentName, "rules-selected-bodies");
  EXPECT_EQ(host.spreadsheets[0].rows, 1);
  EXPECT_EQ(host.spreadsheets[0].Text(0, 0), "b");
  EXPECT_EQ(host.spreadsheets[1].documentName, "rules-selected-heads");
  EXPECT_EQ(host.spreadsheets[1].Text(0, 2), "b");
  EXPECT_EQ(host.messages, (std::vector<std::string>{kNoRuleMessage}));

  engine->selectedItems = {1, 3};
  ASSERT_TRUE(ShowFrequentPatternsOfSelected(support, *engine));
  const ResultsTable& t = host.spreadsheets.back();
  EXPECT_EQ(t.documentName, "itemsets-selected");
  EXPECT_EQ(t.titles[0], "Frequent itemsets computed with selected items");
  ASSERT_EQ(t.rows, 3);  // {a}, {c}, {a,c}
  EXPECT_EQ(t.Text(2, 0), "a, c");
}

TEST_F(RuleTablesTest, EmptyRuleListIsReportedThroughTheHostError) {
  engine->rules.clear();
  try {
    ShowRuleSummary(support, *engine);
    FAIL() << "expected the host's error report";
  } catch (const ModuleError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("No rules were generated;", 0), 0u);
    EXPECT_NE(std::string(e.what()).find("\n\nTry changing some of the options"),
              std::string::npos);
  }
  EXPECT_TRUE(host.spreadsheets.empty());
}

TEST_F(RuleTablesTest, ItemListShowsNamesCountsAndSupport) {
  ASSERT_TRUE(ShowItemList(support, *engine));
  const ResultsTable& t = Only();
  EXPECT_EQ(t.documentName, "items");
  EXPECT_EQ(t.columnNames, (std::vector<std::string>{"Item name", "Frequency", "Support(%)"}));
  EXPECT_EQ(t.Text(2, 0), "c");
  EXPECT_EQ(t.Text(2, 1), "4");
  EXPECT_DOUBLE_EQ(t.Number(2, 2), 100.0);
}

TEST_F(RuleTablesTest, CancelledFillShowsNothing) {
  host.SetCancelled(true);
  EXPECT_FALSE(ShowRuleSummary(support, *engine));
  EXPECT_TRUE(host.spreadsheets.empty());
  EXPECT_EQ(host.progressLog.back(), "stop");
}

TEST(ResultsTableBuilder, StreamsRowsInOrderAndDropsAnUnfinishedTable) {
  TestHost host;
  TestAnalysis support(&host);
  ResultsTableBuilder t(support, "x");
  EXPECT_FALSE(t.Create(0, 3));
  EXPECT_FALSE(t.Create(1 << 16, 1 << 11));  // 2^27 cells x 8 bytes = 2^30
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_FALSE(t.Show());

  ASSERT_TRUE(t.Create(3, 2));
  t.SetTitle(0, std::string(100, 'x'));
  t.SetColumnName(1, "n");
  t.SetRowName(1, "second");
  t.SetNumber(1, 1, 2.5);
  t.SetText(1, 0, "b");
  t.SetText(0, 0, "too late");  // row 0 was handed over (empty) already
  t.SetInteger(2, 1, 12345678901LL);
  EXPECT_TRUE(t.Show());
  EXPECT_TRUE(t.IsEmpty());
  ASSERT_EQ(host.spreadsheets.size(), 1u);
  const ResultsTable& shown = host.spreadsheets[0];
  EXPECT_EQ(shown.titles[0], std::string(80, 'x'));
  EXPECT_EQ(shown.columnNames, (std::vector<std::string>{"", "n"}));
  EXPECT_EQ(shown.rowNames, (std::vector<std::string>{"", "second", ""}));
  EXPECT_TRUE(shown.IsMissing(0, 0));
  EXPECT_EQ(shown.Text(1, 0), "b");
  EXPECT_EQ(shown.Number(1, 1), 2.5);
  EXPECT_EQ(shown.Text(2, 1), "12345678901");
  EXPECT_TRUE(shown.IsMissing(2, 0));

  ASSERT_TRUE(t.Create(2, 1));
  t.SetText(0, 0, "dropped");
  t.SetText(1, 0, "dropped");
  t.Free();
  EXPECT_EQ(host.spreadsheets.size(), 1u);
}

}  // namespace
}  // namespace linkan
