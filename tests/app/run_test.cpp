// run_test.cpp
//
// End to end: `linkan run` on small tables written here, checked against
// tables worked out by hand; the reopen and update paths of the project
// file; the tables of selected items; every bad-input path, each of which
// must leave the output folder as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <filesystem>
#include <limits>
#include <map>
#include <numeric>
#include <random>
#include <regex>
#include <tuple>

#include "app_test_util.h"
#include "csv_parser.h"
#include "linkan_process.h"

namespace linkan::app {
namespace {

namespace fs = std::filesystem;
using testing::Listing;
using testing::OneLine;
using testing::ReadFile;
using testing::RunLinkan;
using testing::RunResult;
using testing::TempDir;
using testing::WriteFile;

using Rows = std::vector<std::vector<std::string>>;

std::string HtmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) out += c == '"' ? std::string("&quot;") : std::string(1, c);
  return out;
}

Rows ReadCsv(const std::string& path) {
  const std::string text = ReadFile(path);
  std::deque<std::string> arena;
  CsvParser parser(text, ',', path, arena);
  Rows rows;
  CsvRecord record;
  while (parser.Next(record)) rows.emplace_back(record.fields.begin(), record.fields.end());
  return rows;
}

// The files of a run of the basket task: the tables, the pictures of its
// 4 rules and its clusters, the model, the index and the project.
std::vector<std::string> BasketRunFiles() {
  std::vector<std::string> files = {".LinkAnalysis.dbs.lock", "LinkAnalysis.dbs", "clusters.csv",
                                    "disjoint.csv", "index.html", "items.csv", "itemsets.csv",
                                    "model-4.4.pmml", "model.pmml", "rules.csv"};
  for (const char* picture : {"cluster-tree", "confidence-chart", "correlation-chart",
                              "support-chart"}) {
    for (const char* extension : {".json", ".png", ".svg"}) {
      files.push_back(std::string(picture) + extension);
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

// ---- Expected tables ----------------------------------------------------------

struct Item {
  std::string name;
  int count;
  double support;  // percent
};

struct Itemset {
  std::string text;
  int size;
  int count;
  double support;
};

struct Rule {
  std::string body, head;
  double support, confidence, lift;  // lift NaN: the table has no lift column
};

constexpr double kNoLift = std::numeric_limits<double>::quiet_NaN();

double Cell(const std::string& text) {
  std::size_t used = 0;
  const double x = std::stod(text, &used);
  EXPECT_EQ(used, text.size()) << text;
  return x;
}

void ExpectNear(const std::string& cell, double expected, const std::string& where) {
  EXPECT_NEAR(Cell(cell), expected, 1e-9 * std::max(1.0, std::fabs(expected))) << where;
}

// Row names are 1, 2, ...; the order of rows is the engine's, so rows are
// compared as sets, keyed by their texts.
void ExpectRowNames(const Rows& rows) {
  for (std::size_t r = 1; r < rows.size(); ++r) EXPECT_EQ(rows[r][0], std::to_string(r));
}

void ExpectItems(const std::string& path, std::vector<Item> expected) {
  Rows rows = ReadCsv(path);
  ASSERT_FALSE(rows.empty()) << path;
  EXPECT_EQ(rows[0], (std::vector<std::string>{"", "Item name", "Frequency", "Support(%)"}));
  ExpectRowNames(rows);
  ASSERT_EQ(rows.size(), expected.size() + 1) << path;
  rows.erase(rows.begin());
  std::sort(rows.begin(), rows.end(), [](auto& a, auto& b) { return a[1] < b[1]; });
  std::sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.name < b.name; });
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 4u);
    EXPECT_EQ(rows[i][1], expected[i].name);
    EXPECT_EQ(rows[i][2], std::to_string(expected[i].count)) << expected[i].name;
    ExpectNear(rows[i][3], expected[i].support, expected[i].name);
  }
}

void ExpectItemsets(const std::string& path, bool sequences, std::vector<Itemset> expected) {
  Rows rows = ReadCsv(path);
  ASSERT_FALSE(rows.empty()) << path;
  EXPECT_EQ(rows[0], (std::vector<std::string>{
                         "", sequences ? "Frequent sequences" : "Frequent itemsets",
                         sequences ? "Number of itemsets" : "Number of items", "Frequency",
                         "Support(%)"}));
  ExpectRowNames(rows);
  ASSERT_EQ(rows.size(), expected.size() + 1) << path;
  rows.erase(rows.begin());
  std::sort(rows.begin(), rows.end(), [](auto& a, auto& b) { return a[1] < b[1]; });
  std::sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.text < b.text; });
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 5u);
    EXPECT_EQ(rows[i][1], expected[i].text);
    EXPECT_EQ(rows[i][2], std::to_string(expected[i].size)) << expected[i].text;
    EXPECT_EQ(rows[i][3], std::to_string(expected[i].count)) << expected[i].text;
    ExpectNear(rows[i][4], expected[i].support, expected[i].text);
  }
}

void ExpectRules(const std::string& path, std::vector<Rule> expected) {
  const bool lift = expected.empty() || !std::isnan(expected[0].lift);
  Rows rows = ReadCsv(path);
  ASSERT_FALSE(rows.empty()) << path;
  std::vector<std::string> header = {"", "Body", " ==> ", "Head", "Support(%)", "Confidence(%)"};
  if (lift) header.push_back("Lift");
  EXPECT_EQ(rows[0], header) << path;
  ExpectRowNames(rows);
  ASSERT_EQ(rows.size(), expected.size() + 1) << path;
  rows.erase(rows.begin());
  auto key = [](const std::vector<std::string>& r) { return std::tie(r[1], r[3]); };
  std::sort(rows.begin(), rows.end(), [&](auto& a, auto& b) { return key(a) < key(b); });
  std::sort(expected.begin(), expected.end(),
            [](auto& a, auto& b) { return std::tie(a.body, a.head) < std::tie(b.body, b.head); });
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Rule& e = expected[i];
    const std::string where = path + ": " + e.body + " ==> " + e.head;
    ASSERT_EQ(rows[i].size(), header.size()) << where;
    EXPECT_EQ(rows[i][1], e.body) << where;
    EXPECT_EQ(rows[i][2], " ==> ");
    EXPECT_EQ(rows[i][3], e.head) << where;
    ExpectNear(rows[i][4], e.support, where);
    ExpectNear(rows[i][5], e.confidence, where);
    if (lift) ExpectNear(rows[i][6], e.lift, where);
  }
}

// ---- The small baskets ------------------------------------------------------------
//
// Five baskets over three items:
//   1: a b c   2: a b   3: a c   4: b c   5: a b
// Counts: a 4, b 4, c 3; ab 3 (1, 2, 5), ac 2 (1, 3), bc 2 (1, 4), abc 1.
// Minimum support 0.3 of 5 baskets: a count of at least 1.5, so everything
// but abc is frequent. Minimum confidence 0.6:
//   a => b 3/4 = 75%   b => a 3/4 = 75%   (support 3/5 = 60%, lift 5 x 0.75 / 4)
//   c => a 2/3         c => b 2/3         (support 40%, lift 5 x (2/3) / 4)
//   a => c, b => c 2/4 = 50%: below the minimum.
constexpr const char* kBaskets =
    "ID,item\n1,a\n1,b\n1,c\n2,a\n2,b\n3,a\n3,c\n4,b\n4,c\n5,a\n5,b\n";

std::string BasketTask(const std::string& extra = "") {
  return R"({"GenerateNonsequentialAssociation": 1,
             "Variables": {"id": "ID", "responses": ["item"]},
             "MinimumSupport": 0.3, "MinimumConfidence": 0.6, "MaxSizeOfItemset": 3)" +
         extra + "}";
}

const std::vector<Item> kBasketItems = {{"a", 4, 80}, {"b", 4, 80}, {"c", 3, 60}};
const std::vector<Itemset> kBasketItemsets = {{"a", 1, 4, 80},    {"b", 1, 4, 80},
                                              {"c", 1, 3, 60},    {"a, b", 2, 3, 60},
                                              {"a, c", 2, 2, 40}, {"b, c", 2, 2, 40}};
const std::vector<Rule> kBasketRules = {{"a", "b", 60, 75, 5 * 0.75 / 4},
                                        {"b", "a", 60, 75, 5 * 0.75 / 4},
                                        {"c", "a", 40, 200.0 / 3, 5 * (2.0 / 3) / 4},
                                        {"c", "b", 40, 200.0 / 3, 5 * (2.0 / 3) / 4}};

class RunTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& content) {
    const std::string path = dir_.File(name);
    WriteFile(path, content);
    return path;
  }
  std::string Out(const std::string& name) const { return dir_.File(name); }

  TempDir dir_;
};

TEST_F(RunTest, BasketsGiveTheTablesWorkedOutByHand) {
  const std::string data = Write("baskets.csv", kBaskets);
  const std::string task = Write("task.json", BasketTask());
  const std::string out = Out("out/run1");  // neither folder exists yet
  const RunResult r = RunLinkan({"run", data, "--task", task, "--out", out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");  // no progress without a terminal, no messages

  ExpectItems(out + "/items.csv", kBasketItems);
  ExpectItemsets(out + "/itemsets.csv", false, kBasketItemsets);
  ExpectRules(out + "/rules.csv", kBasketRules);
  EXPECT_EQ(Listing(out), BasketRunFiles());

  // The summary line, the files, the project and the index.
  EXPECT_TRUE(std::regex_search(
      r.out, std::regex("^5 transactions, 3 items \\(3 frequent\\), 6 frequent itemsets, "
                        "4 association rules in [0-9.]+ s\n")))
      << r.out;
  EXPECT_NE(r.out.find("  " + out + "/rules.csv (4 rows)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("project: " + out + "/LinkAnalysis.dbs\n"), std::string::npos);
  EXPECT_NE(r.out.find("results: " + out + "/index.html\n"), std::string::npos);

  const std::string index = ReadFile(out + "/index.html");
  const std::size_t items = index.find("<h2>Frequent items</h2>");
  const std::size_t rules = index.find("<h2>Summary of association rules</h2>");
  const std::size_t itemsets = index.find("<h2>Frequent itemsets computed</h2>");
  ASSERT_NE(items, std::string::npos);
  ASSERT_NE(rules, std::string::npos);
  ASSERT_NE(itemsets, std::string::npos);
  EXPECT_LT(items, rules);
  EXPECT_LT(rules, itemsets);
  EXPECT_NE(index.find("<p class=\"t\">Min: support = 30.0%, confidence = 60.0%</p>"),
            std::string::npos);
  EXPECT_NE(index.find("<p class=\"t\">Max. size of an itemset = 3</p>"), std::string::npos);
  EXPECT_NE(index.find("<th> ==&gt; </th>"), std::string::npos);
  EXPECT_NE(index.find("<a href=\"rules.csv\">"), std::string::npos);
}

// Selection "a | c": a rule qualifies for rules-selected when its whole
// pattern is selected (c => a), for -bodies when its body is (a => b,
// c => a, c => b), for -heads when its head is (b => a, c => a); the
// itemsets of selected items are a, c and ac.
TEST_F(RunTest, TablesOfSelectedItems) {
  const std::string data = Write("baskets.csv", kBaskets);
  const std::string out = Out("sel");
  const RunResult r = RunLinkan(
      {"run", data, "--task", Write("t.json", BasketTask(R"(, "SelectedItems": "a | c")")),
       "--out", out});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto& all = kBasketRules;
  ExpectRules(out + "/rules-selected.csv", {all[2]});
  ExpectRules(out + "/rules-selected-bodies.csv", {all[0], all[2], all[3]});
  ExpectRules(out + "/rules-selected-heads.csv", {all[1], all[2]});
  ExpectItemsets(out + "/itemsets-selected.csv", false,
                 {kBasketItemsets[0], kBasketItemsets[2], kBasketItemsets[4]});
  ExpectRules(out + "/rules.csv", kBasketRules);  // the full table is unchanged

  // Selection "c": no rule has both its items in it, no rule has the head
  // c; both tables are a message, not a file, and the index says so.
  const std::string out2 = Out("sel2");
  const RunResult c = RunLinkan(
      {"run", data, "--task", Write("c.json", BasketTask(R"(, "SelectedItems": "c")")), "--out",
       out2});
  ASSERT_EQ(c.status, 0) << c.err;
  ExpectRules(out2 + "/rules-selected-bodies.csv", {all[2], all[3]});
  ExpectItemsets(out2 + "/itemsets-selected.csv", false, {kBasketItemsets[2]});
  EXPECT_FALSE(fs::exists(out2 + "/rules-selected.csv"));
  EXPECT_FALSE(fs::exists(out2 + "/rules-selected-heads.csv"));
  // The module's message, and what to change on the command line.
  const std::string noRule =
      "There is no rule to produce. Please modify analysis setting such as minimum support, or "
      "minimum confidence for better results. In the task file: lower \"MinimumSupport\" or "
      "\"MinimumConfidence\" (docs/task-file.md).";
  EXPECT_NE(c.out.find("  rules-selected: " + noRule + "\n"), std::string::npos) << c.out;
  EXPECT_NE(c.out.find("  rules-selected-heads: " + noRule + "\n"), std::string::npos);
  const std::string index = ReadFile(out2 + "/index.html");
  // Each table of selected items has a heading of its own, linked from
  // the list under the summary.
  EXPECT_NE(index.find("<li><a href=\"#doc-5\">Rules with selected items as bodies</a></li>"),
            std::string::npos)
      << index;
  EXPECT_NE(index.find("<section id=\"doc-5\">\n<h2>Rules with selected items as bodies</h2>"),
            std::string::npos);
  EXPECT_NE(index.find("<h2>Rules with selected items as heads</h2>\n<p class=\"msg\">" +
                       HtmlEscaped(noRule) + "</p>"),
            std::string::npos);

  // A name that is not an item is most likely a typing mistake: warned. So
  // is a key without effect in this kind of analysis (the module's warning).
  const RunResult typo = RunLinkan(
      {"run", data, "--task",
       Write("x.json", BasketTask(R"(, "SelectedItems": "a | cc",
                                     "MaximumNumberOfItemsetsInASequence": 4)")),
       "--out", Out("sel3")});
  ASSERT_EQ(typo.status, 0) << typo.err;
  EXPECT_EQ(typo.err,
            "warning: \"MaximumNumberOfItemsetsInASequence\" has no effect: the task is a "
            "non-sequential association analysis (\"GenerateNonsequentialAssociation\")\n"
            "linkan: warning: \"SelectedItems\": \"cc\" is not in the item list (items.csv)\n");
}

// A selection text with an empty name fails the run with the key named,
// once on stderr (not again as the host log's line), and writes nothing.
TEST_F(RunTest, SelectionWithAnEmptyNameFailsTheRun) {
  const std::string data = Write("baskets.csv", kBaskets);
  int folder = 0;
  for (const char* text : {"a || c", "a |", ""}) {
    SCOPED_TRACE(text);
    const std::string out = Out("empty" + std::to_string(++folder));
    const std::string task =
        Write("e.json", BasketTask(std::string(R"(, "SelectedItems": ")") + text + "\""));
    const RunResult r = RunLinkan({"run", data, "--task", task, "--out", out});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "linkan: error: " + task +
                         ": \"SelectedItems\": no item name may be empty: name items separated by "
                         "\" | \" (\"a | b\"), with \"\\|\" for a \"|\" and \"\\\\\" for a \"\\\" "
                         "inside a name; the selection is unchanged\n");
    EXPECT_FALSE(fs::exists(out + "/index.html"));
  }
}

// Sequences (visitor, time, page):
//   1: a b c   2: a c   3: b a c       (times 1, 2, 3 in each)
// Counts: a 3, b 2, c 3; <a c> 3, <b c> 2, <a b> 1, <b a> 1, longer 1.
// Minimum support 0.5 of 3 sequences: a count of at least 1.5.
// Rules (minimum confidence 0.5): a => c 3/3 (support 100%, lift 3 x 1 / 3)
// and b => c 2/2 (support 2/3, lift 1). The tables of selected items have
// no lift column in sequence analysis.
TEST_F(RunTest, SequencesGiveTheTablesWorkedOutByHand) {
  const std::string data =
      Write("seq.csv", "visitor,t,page\n1,1,a\n1,2,b\n1,3,c\n2,1,a\n2,2,c\n3,1,b\n3,2,a\n3,3,c\n");
  const std::string task = Write("seq.json", R"({"GenerateNonsequentialAssociation": 0,
      "Variables": {"id": "visitor", "time": "t", "responses": ["page"]},
      "MinimumSupport": 0.5, "MinimumConfidence": 0.5, "SelectedItems": "b | c"})");
  const std::string out = Out("seq");
  const RunResult r = RunLinkan({"run", data, "--task", task, "--out", out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(std::regex_search(
      r.out, std::regex("^3 sequences, 3 items \\(3 frequent\\), 5 frequent sequences, "
                        "2 sequential rules in [0-9.]+ s\n")))
      << r.out;
  ExpectItems(out + "/items.csv", {{"a", 3, 100}, {"b", 2, 200.0 / 3}, {"c", 3, 100}});
  ExpectItemsets(out + "/itemsets.csv", true,
                 {{"a", 1, 3, 100},
                  {"b", 1, 2, 200.0 / 3},
                  {"c", 1, 3, 100},
                  {"a, c", 2, 3, 100},
                  {"b, c", 2, 2, 200.0 / 3}});
  ExpectRules(out + "/rules.csv", {{"a", "c", 100, 100, 1}, {"b", "c", 200.0 / 3, 100, 1}});
  ExpectRules(out + "/rules-selected.csv", {{"b", "c", 200.0 / 3, 100, kNoLift}});
  ExpectRules(out + "/rules-selected-heads.csv",
              {{"a", "c", 100, 100, kNoLift}, {"b", "c", 200.0 / 3, 100, kNoLift}});
  EXPECT_NE(ReadFile(out + "/index.html").find("<h2>Summary of sequential rules</h2>"),
            std::string::npos);
}

// A time variable of ISO date-times orders each sequence by time whatever
// the row order (a log listed newest first, zones mixed), giving the tables
// of the numeric times above; a duration text equals its seconds; a time
// variable of other text is refused by name.
TEST_F(RunTest, DateTimesOrderTheSequencesWhateverTheRowOrder) {
  const std::string numeric =
      Write("seq.csv", "visitor,t,page\n1,1,a\n1,2,b\n1,3,c\n2,1,a\n2,2,c\n3,1,b\n3,2,a\n3,3,c\n");
  const std::string dated = Write(
      "log.csv",
      "visitor,t,page\n3,2026-03-01T10:03:00Z,c\n2,2026-03-01T11:02+01:00,c\n"
      "1,2026-03-01T10:03Z,c\n3,2026-03-01T10:02Z,a\n1,2026-03-01T10:02Z,b\n"
      "2,2026-03-01T10:01Z,a\n3,2026-03-01 10:01,b\n1,2026-03-01T10:01Z,a\n");
  const std::string task = Write("seq.json", R"({"GenerateNonsequentialAssociation": 0,
      "Variables": {"id": "visitor", "time": "t", "responses": ["page"]},
      "MinimumSupport": 0.5, "MinimumConfidence": 0.5})");
  ASSERT_EQ(RunLinkan({"run", numeric, "--task", task, "--out", Out("n")}).status, 0);
  const RunResult r = RunLinkan({"run", dated, "--task", task, "--out", Out("d")});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* table : {"/items.csv", "/itemsets.csv", "/rules.csv"}) {
    EXPECT_EQ(ReadFile(Out("d") + table), ReadFile(Out("n") + table)) << table;
  }

  // Combining views within a window: "2 minutes" is 120 seconds.
  std::string windowed;
  for (const char* window : {R"("2 minutes")", "120"}) {
    const std::string t = Write("w.json", std::string(R"({"GenerateNonsequentialAssociation": 0,
        "Variables": {"id": "visitor", "time": "t", "responses": ["page"]},
        "CombineItemsetsInFixedLengthOfTimeIntoOneItemset": 1,
        "FixedLengthOfTimeForCombiningIntoOneItemset": )") + window +
                                                 R"(, "MinimumSupport": 0.5})");
    const RunResult w = RunLinkan({"run", dated, "--task", t, "--out", Out("w")});
    ASSERT_EQ(w.status, 0) << w.err;
    const std::string itemsets = ReadFile(Out("w") + "/itemsets.csv");
    EXPECT_NE(itemsets.find("\"(a, b)\""), std::string::npos) << itemsets;
    if (windowed.empty()) windowed = itemsets;
    EXPECT_EQ(itemsets, windowed);
  }

  const struct {
    std::string data, task, said;
  } refused[] = {
      {Write("text.csv", "visitor,t,page\n1,,a\n1,early,b\n1,late,c\n"), task,
       "the time variable \"t\" holds text that is not a date (\"early\" in case 2)"},
      {numeric,
       Write("dur.json", R"({"GenerateNonsequentialAssociation": 0,
           "Variables": {"id": "visitor", "time": "t", "responses": ["page"]},
           "CombineItemsetsInFixedLengthOfTimeIntoOneItemset": 1,
           "FixedLengthOfTimeForCombiningIntoOneItemset": "2 minutes"})"),
       "\"FixedLengthOfTimeForCombiningIntoOneItemset\": \"2 minutes\" needs a "
       "time variable of ISO dates or date-times"},
      {dated,
       Write("bound.json", R"({"GenerateNonsequentialAssociation": 0,
           "Variables": {"id": "visitor", "time": "t", "responses": ["page"]},
           "UseMinimumAndMaximumTimeFilter": 1, "MinimumTime": "March 1st"})"),
       "\"MinimumTime\": a number or an ISO 8601 date or date-time"},
  };
  for (const auto& c : refused) {
    const RunResult bad = RunLinkan({"run", c.data, "--task", c.task, "--out", Out("bad")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find(c.said), std::string::npos) << bad.err;
    EXPECT_FALSE(fs::exists(Out("bad")));
  }
}

// The same data through the importers: a basket file reads as (ID, item),
// an SPMF file as (ID, time, item).
TEST_F(RunTest, ImportedFormats) {
  const std::string baskets = Write("b.txt", "a b c\na b\na c\nb c\na b\n");
  const RunResult b = RunLinkan({"run", baskets, "--format", "basket", "--task",
                                 Write("t.json", BasketTask()), "--out", Out("b")});
  ASSERT_EQ(b.status, 0) << b.err;
  ExpectRules(Out("b") + "/rules.csv", kBasketRules);

  const std::string spmf =
      Write("s.txt", "@ITEM=1=a\n@ITEM=2=b\n@ITEM=3=c\n1 -1 2 -1 3 -2\n1 -1 3 -2\n2 -1 1 -1 3 -2\n");
  const RunResult s = RunLinkan(
      {"run", spmf, "--format", "spmf", "--task",
       Write("s.json", R"({"Variables": {"id": "ID", "time": "time", "responses": ["item"]},
                          "MinimumSupport": 0.5, "MinimumConfidence": 0.5})"),
       "--out", Out("s")});
  ASSERT_EQ(s.status, 0) << s.err;
  ExpectRules(Out("s") + "/rules.csv", {{"a", "c", 100, 100, 1}, {"b", "c", 200.0 / 3, 100, 1}});
}

// Reopening the project with another table (whose content does not matter)
// reproduces every table byte for byte; an update adds the new table's
// cases to the project's.
TEST_F(RunTest, ReopenAndUpdateTheProject) {
  const std::string data = Write("baskets.csv", kBaskets);
  const std::string first = Out("first");
  const std::string select = R"(, "SelectedItems": "a | c")";
  ASSERT_EQ(RunLinkan({"run", data, "--task", Write("t.json", BasketTask(select)), "--out", first})
                .status,
            0);
  const std::string project = first + "/LinkAnalysis.dbs";

  const std::string other = Write("other.csv", "x,y\n1,2\n");
  const std::string reopen = Out("reopen");
  const RunResult r = RunLinkan(
      {"run", other, "--task",
       Write("r.json", R"({"UseExistingProject": 1, "GoToResultsDialogWithoutAddingDocuments": 1,
                           "SelectedItems": "a | c"})"),
       "--project", project, "--out", reopen});
  ASSERT_EQ(r.status, 0) << r.err;
  // Every table and picture comes out byte for byte the same.
  for (const char* file :
       {"items.csv", "rules.csv", "itemsets.csv", "rules-selected.csv", "rules-selected-bodies.csv",
        "rules-selected-heads.csv", "itemsets-selected.csv", "clusters.csv", "disjoint.csv",
        "support-chart.svg", "support-chart.png", "support-chart.json", "cluster-tree.svg",
        "web-graph.png", "web-graph.json", "rule-graph.svg"}) {
    const std::string a = ReadFile(first + "/" + file);
    EXPECT_FALSE(a.empty()) << file;
    EXPECT_EQ(ReadFile(reopen + "/" + file), a) << file;
  }
  EXPECT_FALSE(fs::exists(reopen + "/LinkAnalysis.dbs"));  // --project was used
  EXPECT_NE(r.out.find("project: " + project + "\n"), std::string::npos);

  // Update: baskets 6 and 7 both hold a and c. Now N = 7, a 6, b 4, c 5,
  // ab 3, ac 4, bc 2. Minimum support 0.3 x 7 = 2.1: bc drops out. Rules:
  // b => a 3/4 (lift 7 x 0.75 / 6), a => c 4/6 and c => a 4/5 (lift
  // 7 x (4/6) / 5 = 7 x 0.8 / 6); a => b 3/6 is below 60%.
  const std::string more = Write("more.csv", "ID,item\n6,a\n6,c\n7,a\n7,c\n");
  const std::string copy = Out("copy.dbs");
  fs::copy_file(project, copy);
  const std::string updated = Out("updated");
  const RunResult u = RunLinkan(
      {"run", more, "--task",
       Write("u.json", BasketTask(R"(, "UseExistingProject": 1, "UpdateNewDocuments": 1)")),
       "--project", project, "--out", updated});
  ASSERT_EQ(u.status, 0) << u.err;
  ExpectItems(updated + "/items.csv",
              {{"a", 6, 600.0 / 7}, {"b", 4, 400.0 / 7}, {"c", 5, 500.0 / 7}});
  ExpectItemsets(updated + "/itemsets.csv", false,
                 {{"a", 1, 6, 600.0 / 7},
                  {"b", 1, 4, 400.0 / 7},
                  {"c", 1, 5, 500.0 / 7},
                  {"a, b", 2, 3, 300.0 / 7},
                  {"a, c", 2, 4, 400.0 / 7}});
  ExpectRules(updated + "/rules.csv", {{"b", "a", 300.0 / 7, 75, 7 * 0.75 / 6},
                                       {"a", "c", 400.0 / 7, 400.0 / 6, 7 * (4.0 / 6) / 5},
                                       {"c", "a", 400.0 / 7, 80, 7 * 0.8 / 6}});

  // An update starts from the task stored in the project: without the
  // variables and thresholds restated, the same tables; a threshold the
  // task names applies (confidence 80%: only c => a is left).
  const std::string bare = Out("bare");
  const RunResult b = RunLinkan(
      {"run", more, "--task",
       Write("b.json", R"({"UseExistingProject": 1, "UpdateNewDocuments": 1})"), "--project", copy,
       "--out", bare});
  ASSERT_EQ(b.status, 0) << b.err;
  EXPECT_EQ(b.err, "");
  for (const char* table : {"/items.csv", "/itemsets.csv", "/rules.csv"}) {
    EXPECT_EQ(ReadFile(bare + table), ReadFile(updated + table)) << table;
  }
  const RunResult c = RunLinkan(
      {"run", Write("none.csv", "ID,item\n"), "--task",
       Write("c.json", R"({"UseExistingProject": 1, "UpdateNewDocuments": 1,
                           "MinimumConfidence": 0.8})"),
       "--project", copy, "--out", Out("stricter")});
  ASSERT_EQ(c.status, 0) << c.err;
  ExpectRules(Out("stricter") + "/rules.csv", {{"c", "a", 400.0 / 7, 80, 7 * 0.8 / 6}});
}

// The model files of a run answer queries later without data or project:
// a recommendation task writes queried-rules.csv, `linkan query` prints the
// rules; c => a and c => b of the baskets, from either dialect.
TEST_F(RunTest, ModelFilesAnswerQueriesWithoutDataOrProject) {
  const std::string data = Write("baskets.csv", kBaskets);
  const std::string out = Out("mined");
  ASSERT_EQ(RunLinkan({"run", data, "--task", Write("t.json", BasketTask()), "--out", out}).status, 0);
  EXPECT_NE(ReadFile(out + "/model.pmml").find("<AssociationModel functionName=\"associationRules\""),
            std::string::npos);
  EXPECT_NE(ReadFile(out + "/model-4.4.pmml").find("xmlns=\"http://www.dmg.org/PMML-4_4\""),
            std::string::npos);
  EXPECT_NE(ReadFile(out + "/index.html").find("<a href=\"model.pmml\">"), std::string::npos);

  const std::string asked = Out("asked");
  const RunResult r = RunLinkan(
      {"run", data, "--out", asked, "--task",
       Write("deploy.json", R"({"UseExistingProject": 1, "DeployNewDocuments": 1, "LoadModels": ")" + out +
                                R"(/model.pmml", "QueryStringForRules": "C"})")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Listing(asked), (std::vector<std::string>{"index.html", "queried-rules.csv"}));
  const std::string expected =
      ",Body,Head,Support(%),Confidence(%),Lift\n"
      "1,(  c  ),(  a  ),40,66.66666666666666,0.8333333333333333\n"
      "2,(  c  ),(  b  ),40,66.66666666666666,0.8333333333333333\n";
  EXPECT_EQ(ReadFile(asked + "/queried-rules.csv"), expected);

  for (const char* model : {"/model.pmml", "/model-4.4.pmml"}) {
    const RunResult csv = RunLinkan({"query", out + model, "c", "--csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out, expected);
  }
  const RunResult table = RunLinkan({"query", out + "/model.pmml", "(a)"});
  ASSERT_EQ(table.status, 0) << table.err;
  EXPECT_EQ(table.out,
            "   Body     Head     Support(%)  Confidence(%)  Lift\n"
            "1  (  a  )  (  b  )  60          75             0.9375\n");
  const RunResult none = RunLinkan({"query", out + "/model.pmml", "a, b"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.err, "linkan: There is no rule with the specified antecedent itemset(s)\n");
  WriteFile(out + "/model.pmml", "<PMML><AssociationModel>");
  const RunResult broken = RunLinkan({"query", out + "/model.pmml", "a"});
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.err.find("Error Description = Start-end tags mismatch"), std::string::npos) << broken.err;
}

// A run without any rule: the rule table is a message; the other tables
// are written.
TEST_F(RunTest, NoRulesIsAMessage) {
  const std::string data = Write("baskets.csv", kBaskets);
  const std::string out = Out("none");
  const RunResult r = RunLinkan(
      {"run", data, "--task",
       Write("t.json", R"({"GenerateNonsequentialAssociation": 1,
                           "Variables": {"id": "ID", "responses": ["item"]},
                           "MinimumSupport": 0.3, "MinimumConfidence": 0.9})"),
       "--out", out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(out + "/rules.csv"));
  ExpectItemsets(out + "/itemsets.csv", false, kBasketItemsets);
  EXPECT_NE(r.out.find("  rules: No rules were generated; this usually indicates that the data "
                       "did not contain any associations between variables, given the current "
                       "specifications for the rule-finding algorithm. Try changing some of the "
                       "options on the Advanced tab of the Startup dialog. In the task file: "
                       "lower \"MinimumSupport\" or \"MinimumConfidence\" (docs/task-file.md).\n"),
            std::string::npos)
      << r.out;
}

// Every bad input: one line on stderr, status 1, and the output folder as
// it was (here: the tables of an earlier run, untouched, and no index of
// the failed run).
TEST_F(RunTest, BadInputsWriteNothing) {
  const std::string data = Write("baskets.csv", kBaskets);
  const std::string out = Out("out");
  ASSERT_EQ(RunLinkan({"run", data, "--task", Write("good.json", BasketTask(R"(, "SelectedItems": "a")")),
                       "--out", out})
                .status,
            0);
  std::map<std::string, std::string> before;
  for (const std::string& name : Listing(out)) {
    before[name] = ReadFile(out + "/" + name);  // the project too: a failed run leaves it
  }
  const std::string vars = R"("GenerateNonsequentialAssociation": 1,
                              "Variables": {"id": "ID", "responses": ["item"]})";
  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  const std::string missingData = dir_.File("none.csv");
  const std::string missingTask = dir_.File("none.json");
  const std::string badJson = Write("bad.json", "{\"MinimumSupport\": 0.2,\n");
  const std::string hugeNumber = Write("huge.json", "{\"MinimumSupport\": 1e400}");
  const std::string unknownKey = Write("key.json", "{" + vars + ", \"MinimumSuport\": 0.2}");
  const std::string unknownVar =
      Write("var.json", R"({"GenerateNonsequentialAssociation": 1,
                           "Variables": {"id": "ID", "responses": ["items"]}})");
  const std::string threshold = Write("thr.json", "{" + vars + ", \"MinimumSupport\": 1.5}");
  const std::string noFolder =
      Write("dir.json", "{" + vars + ", \"DatabaseFile\": \"" + dir_.File("no/p.dbs") + "\"}");
  const std::string good = Write("ok.json", BasketTask());
  const std::vector<Case> all = {
      {{missingData, "--task", good},
       missingData + ": cannot read: No such file or directory"},
      {{data, "--task", missingTask}, missingTask + ": cannot read: No such file or directory"},
      {{data, "--task", badJson},
       badJson + ":2:1: not valid JSON: syntax error while parsing object key - unexpected end "
                 "of input; expected string literal"},
      {{data, "--task", hugeNumber},
       hugeNumber + ":1:20: the number 1e400 is outside the range of a double"},
      {{data, "--task", unknownKey}, unknownKey + ": unknown task property \"MinimumSuport\""},
      {{data, "--task", unknownVar},
       unknownVar + ": \"Variables.responses\": no variable named \"items\" in the data"},
      {{data, "--task", threshold},
       threshold + ": \"MinimumSupport\": Invalid value for Minimum Support: must be within "
                   "( 0.0 ; 1.0 ). (a number from 0 to 1)"},
      {{data, "--task", noFolder},
       noFolder + ": Directory to database file you specified does not exists! (project file " +
           dir_.File("no/p.dbs") + ")"},
      {{data, "--task", good, "--project", dir_.File("no/q.dbs")},
       good + ": Directory to database file you specified does not exists! (project file " +
           dir_.File("no/q.dbs") + ")"},
      {{data, "--task", good, "--weight", "weight"},
       data + ":1: no variable named \"weight\" for the weight"},
  };
  for (const Case& c : all) {
    for (const std::string& folder : {out, Out("fresh/new")}) {
      std::vector<std::string> args = {"run"};
      args.insert(args.end(), c.args.begin(), c.args.end());
      args.insert(args.end(), {"--out", folder});
      const RunResult r = RunLinkan(args);
      EXPECT_EQ(r.status, 1) << c.error;
      EXPECT_EQ(r.err, "linkan: error: " + c.error + "\n");
      EXPECT_EQ(r.out, "") << c.error;
    }
    // The earlier run's files are untouched, nothing was added, and a
    // folder the failed run would have made is not left behind.
    std::map<std::string, std::string> after;
    for (const std::string& name : Listing(out)) {
      after[name] = ReadFile(out + "/" + name);
    }
    EXPECT_EQ(after, before) << c.error;
    EXPECT_FALSE(fs::exists(Out("fresh"))) << c.error;
  }

  // Command-line mistakes: status 2.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"run", data, "--task", good},
        {"run", data, "--out", out},
        {"run", data, "--task", good, "--out", out, "--format", "xml"},
        {"run", data, "--task", good, "--out", out, "--format", "basket", "--delimiter", ";"}}) {
    const RunResult r = RunLinkan(args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(OneLine(r.err)) << r.err;
  }

  // A later good run without "SelectedItems" replaces the tables and
  // removes the earlier run's tables of selected items.
  ASSERT_EQ(RunLinkan({"run", data, "--task", good, "--out", out}).status, 0);
  EXPECT_EQ(Listing(out), BasketRunFiles());
}

// Texts from the data reach index.html escaped, and CSV quoted.
TEST_F(RunTest, TextsAreEscaped) {
  const std::string data = Write(
      "odd.csv", "ID,item\n1,<b>&co\n1,\"say \"\"hi\"\"\"\n2,<b>&co\n2,\"say \"\"hi\"\"\"\n");
  const std::string out = Out("odd");
  const RunResult r = RunLinkan(
      {"run", data, "--task",
       Write("t.json", R"({"GenerateNonsequentialAssociation": 1,
                           "Variables": {"id": "ID", "responses": ["item"]},
                           "MinimumSupport": 0.5, "MinimumConfidence": 0.5})"),
       "--out", out});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string index = ReadFile(out + "/index.html");
  EXPECT_EQ(index.find("<b>&co"), std::string::npos);
  EXPECT_NE(index.find("<td>&lt;b&gt;&amp;co</td>"), std::string::npos);
  EXPECT_NE(index.find("<td>say &quot;hi&quot;</td>"), std::string::npos);
  // Both items in both baskets: each => the other with 100% and lift 1.
  ExpectRules(out + "/rules.csv",
              {{"<b>&co", "say \"hi\"", 100, 100, 1}, {"say \"hi\"", "<b>&co", 100, 100, 1}});
}

// ---- A threshold that explodes ------------------------------------------------------
//
// 3000 baskets of 24 items out of 30 at a support of one basket: every subset
// of every basket (up to 12 items) is frequent, far more patterns than a run
// can hold. Such a run must be survivable: a Ctrl-C ends it promptly, the
// memory limit ends it with a clear message, and its progress shows.

class ExplodingRunTest : public RunTest {
 protected:
  void SetUp() override {
    std::mt19937 rng(11);
    std::vector<int> items(30);
    std::string text;
    for (int b = 0; b < 3000; ++b) {
      std::iota(items.begin(), items.end(), 0);
      std::shuffle(items.begin(), items.end(), rng);
      for (int k = 0; k < 24; ++k) text += (k ? " i" : "i") + std::to_string(items[k]);
      text += '\n';
    }
    data_ = Write("baskets.txt", text);
    task_ = Write("explode.json", R"({"GenerateNonsequentialAssociation": 1,
                                      "Variables": {"id": "ID", "responses": ["item"]},
                                      "MinimumSupport": 0.00001, "MaxSizeOfItemset": 12})");
  }
  std::vector<std::string> Args(const std::string& progress, const std::string& memory) const {
    return {"--progress", progress, "run", data_, "--format", "basket", "--task", task_,
            "--out", Out("out"), "--memory-limit", memory};
  }
  std::string data_, task_;
};

TEST_F(ExplodingRunTest, TheMemoryLimitEndsTheRunWithAClearMessage) {
  const RunResult r = RunLinkan(Args("none", "300M"));
  EXPECT_EQ(r.status, 1) << r.err;
  // The question of a support this small is answered Yes, and shown.
  EXPECT_NE(r.err.find("linkan: warning: QUILLON: Minimum support specified is small enough"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(std::regex_search(
      r.err, std::regex("\nlinkan: error: out of memory: the run needed more than 300\\.0 MiB "
                        "\\(--memory-limit\\) while collecting frequent patterns, after "
                        "[1-9][0-9]* patterns; raise the minimum support or lower the maximum "
                        "itemset size\n$")))
      << r.err;
  EXPECT_FALSE(fs::exists(Out("out") + "/index.html"));  // only the project file is there
}

// Ctrl-C at random moments (loading, construction, the enumeration): the run
// ends by itself with status 130 (or 0 had it finished), never by a signal,
// and well within the bound; no table is written.
TEST_F(ExplodingRunTest, CtrlCEndsTheRunAtAnyMoment) {
  std::mt19937 rng(::testing::UnitTest::GetInstance()->random_seed());
  std::uniform_real_distribution<double> delay(0.05, 1.5);
  for (int trial = 0; trial < 5; ++trial) {
    const double seconds = delay(rng);
    SCOPED_TRACE("SIGINT after " + std::to_string(seconds) + " s");
    fs::remove_all(Out("out"));  // a trial that finished left its tables
    const testing::InterruptedRun run = testing::RunLinkanInterrupted(
        Args("none", "4G"), std::chrono::duration<double>(seconds), std::chrono::seconds(10));
    ASSERT_TRUE(run.exitedInTime) << run.result.err;
    // A signal that comes while the process is still starting (before main,
    // slow under the sanitizers) ends it as it ends any program; a crash
    // would be another signal.
    EXPECT_TRUE(run.signal == 0 || (run.signal == SIGINT && run.result.err.empty()))
        << run.signal << ": " << run.result.err;
    EXPECT_TRUE(run.result.status == 130 || run.result.status == 0 || run.signal == SIGINT)
        << run.result.status << "\n" << run.result.err;
    if (run.result.status == 130) {
      EXPECT_NE(run.result.err.find("linkan: error: cancelled"), std::string::npos)
          << run.result.err;
      EXPECT_FALSE(fs::exists(Out("out") + "/index.html"));
    }
  }
}

// Plain progress lines show the enumeration's count every few seconds.
TEST_F(ExplodingRunTest, ProgressLinesCountThePatterns) {
  const testing::InterruptedRun run = testing::RunLinkanInterrupted(
      Args("lines", "4G"), std::chrono::seconds(60), std::chrono::seconds(10),
      "Collecting frequent itemsets / sequences: ");
  ASSERT_TRUE(run.exitedInTime);
  EXPECT_EQ(run.result.status, 130) << run.result.err;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(
      run.result.err, m,
      std::regex("\nCollecting frequent itemsets / sequences: ([1-9][0-9]*) patterns\n")))
      << run.result.err;
}

}  // namespace
}  // namespace linkan::app
