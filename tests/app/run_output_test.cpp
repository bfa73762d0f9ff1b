// run_output_test.cpp
//
// The pieces of `linkan run` below the command: the staged output folder,
// index.html, the task file and the project file's choice, the summary.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <limits>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "app_test_util.h"
#include "data_error.h"
#include "html_index.h"
#include "linkanalysis/results_table.h"
#include "memory_limit.h"
#include "output_folder.h"
#include "run_outputs.h"
#include "run_report.h"
#include "task_file.h"
#include "terminal_host.h"

namespace linkan::app {
namespace {

namespace fs = std::filesystem;
using testing::Listing;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// A `rows` x 2 spreadsheet: a text column and a number column.
ResultsTable Table(const std::string& name, int rows) {
  ResultsTable t;
  t.documentName = name;
  t.titles = {"Title of " + name, "second <line>", ""};
  t.rows = rows;
  t.cols = 2;
  t.columnNames = {"Item name", "Support(%)"};
  for (int r = 0; r < rows; ++r) t.rowNames.push_back(std::to_string(r + 1));
  t.texts.assign(static_cast<std::size_t>(rows) * 2, "");
  t.hasText.assign(static_cast<std::size_t>(rows) * 2, 0);
  t.numbers.assign(static_cast<std::size_t>(rows) * 2, std::numeric_limits<double>::quiet_NaN());
  t.textColumn = {1, 0};
  for (int r = 0; r < rows; ++r) {
    t.texts[t.Index(r, 0)] = "item " + std::to_string(r);
    t.hasText[t.Index(r, 0)] = 1;
    t.numbers[t.Index(r, 1)] = 100.0 / 3 * r;
  }
  return t;
}

TEST(RunOutputFolderTest, NothingAppearsBeforeCommit) {
  TempDir dir;
  WriteFile(dir.File("rules.csv"), "old rules\n");
  WriteFile(dir.File("rules-selected.csv"), "old selection\n");
  WriteFile(dir.File("index.html"), "old index\n");
  {
    OutputFolder out(dir.path(), OutputMode::kRun);
    EXPECT_EQ(out.AddSpreadsheet(Table("rules", 2)), dir.File("rules.csv"));
    out.AddMessage("rules-selected-heads", "There is no rule to produce.");
    // Staged: the folder still shows the earlier run, plus the staging folder.
    EXPECT_EQ(ReadFile(dir.File("rules.csv")), "old rules\n");
    EXPECT_EQ(Listing(dir.path()).size(), 4u);
  }
  // Not committed: the staging folder is gone, the earlier run untouched.
  EXPECT_EQ(Listing(dir.path()),
            (std::vector<std::string>{"index.html", "rules-selected.csv", "rules.csv"}));
  EXPECT_EQ(ReadFile(dir.File("index.html")), "old index\n");
}

TEST(RunOutputFolderTest, CommitMovesFilesRemovesObsoleteOnesAndWritesTheIndexLast) {
  TempDir dir;
  WriteFile(dir.File("rules-selected.csv"), "old selection\n");
  WriteFile(dir.File("notes.txt"), "the user's own file\n");
  OutputFolder out(dir.path(), OutputMode::kRun);
  out.AddSpreadsheet(Table("items", 1));
  out.AddSpreadsheet(Table("rules", 2));
  out.AddSpreadsheet(Table("rules", 3));  // same name: numbered
  out.AddMessage("rules-selected", "no rule");
  ASSERT_EQ(out.documents().size(), 4u);
  EXPECT_EQ(out.documents()[2].file, dir.File("rules-2.csv"));
  EXPECT_EQ(out.documents()[2].rows, 3);
  EXPECT_EQ(out.documents()[3].kind, "message");
  out.Commit("<html></html>\n", {"items.csv", "rules.csv", "rules-selected.csv"});
  EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"index.html", "items.csv", "notes.txt",
                                                          "rules-2.csv", "rules.csv"}));
  EXPECT_EQ(ReadFile(dir.File("index.html")), "<html></html>\n");
  EXPECT_EQ(ReadFile(dir.File("rules.csv")),
            ",Item name,Support(%)\n1,item 0,0\n2,item 1,33.333333333333336\n");
  EXPECT_THROW(out.AddSpreadsheet(Table("late", 1)), DataError);
}

TEST(RunOutputFolderTest, TerminalHostReportsAFailedWriteOnce) {
  TempDir dir;
  std::ostringstream out, err;
  std::istringstream in;
  const DataTable table = ParseDataTable("a\n1\n", "t.csv");
  TerminalHost host(table, {.outputFolder = dir.File("gone"), .outputMode = OutputMode::kRun},
                    out, err, in);
  EXPECT_FALSE(host.ShowSpreadsheet(Table("rules", 1)));
  EXPECT_NE(host.writeError().find("gone"), std::string::npos) << host.writeError();
  EXPECT_EQ(err.str(), "");  // the run reports it as its error
}

TEST(RunOutputFolderTest, HeldMessagesAreReturnedNotPrinted) {
  std::ostringstream out, err;
  std::istringstream in;
  const DataTable table = ParseDataTable("a\n1\n", "t.csv");
  TerminalHost host(table, {}, out, err, in);
  host.HoldMessages();
  host.ShowMessage("first");
  host.ShowMessageBox("CAPTION", "second");
  const std::vector<HeldMessage> held = host.ReleaseMessages();
  ASSERT_EQ(held.size(), 2u);
  EXPECT_EQ(held[1].line, "CAPTION: second");
  EXPECT_EQ(held[1].text, "second");
  EXPECT_EQ(err.str(), "");
  host.ShowMessage("third");
  EXPECT_EQ(err.str(), "third\n");
}

TEST(RunOutputFolderTest, CountingBarsAndProfileDefaults) {
  std::ostringstream out, err;
  std::istringstream in;
  const DataTable table = ParseDataTable("a\n1\n", "t.csv");
  TerminalHost host(table,
                    {.progress = ProgressMode::kBar,
                     .countingBars = true,
                     .profileDefaults = {{424242, 1}}},
                    out, err, in);
  ::unsetenv("LINKAN_PROFILE_424242");
  EXPECT_EQ(host.GetProfileInt(424242, 0), 1);
  EXPECT_EQ(host.GetProfileInt(424243, 7), 7);
  ::setenv("LINKAN_PROFILE_424242", "0", 1);
  EXPECT_EQ(host.GetProfileInt(424242, 5), 0);  // the environment wins
  ::unsetenv("LINKAN_PROFILE_424242");
  {
    // The module's enumeration bar: a range of 10000, its position a count.
    auto bar = host.NewProgressBar(0, 10000, "Collecting", true, true);
    bar->SetText("a, b : 3");
    // A count is redrawn at most every 100 ms: wait that long once.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    bar->SetPosition(12345);
  }
  EXPECT_NE(err.str().find("Collecting 12345  a, b : 3"), std::string::npos) << err.str();
  EXPECT_EQ(err.str().find('%'), std::string::npos);
}

TEST(HtmlIndexTest, EscapesEverythingAndLimitsRows) {
  EXPECT_EQ(HtmlEscape("a<b>&\"c\"'d'"), "a&lt;b&gt;&amp;&quot;c&quot;&#39;d&#39;");
  ResultsTable t = Table("items", 5);
  t.texts[t.Index(1, 0)] = "<script>";
  const std::string html = SpreadsheetHtml(t, 3, "items.csv");
  EXPECT_NE(html.find("<h2>Title of items</h2>\n<p class=\"t\">second &lt;line&gt;</p>\n"),
            std::string::npos)
      << html;
  EXPECT_EQ(html.find("<script>"), std::string::npos);
  EXPECT_NE(html.find("<td>&lt;script&gt;</td>"), std::string::npos);
  EXPECT_NE(html.find("<tr><th>3</th>"), std::string::npos);
  EXPECT_EQ(html.find("<tr><th>4</th>"), std::string::npos);
  EXPECT_NE(html.find("2 more rows in items.csv."), std::string::npos);
  // Numbers: 6 significant digits shown, the exact value in the tooltip;
  // a missing cell is empty.
  EXPECT_NE(html.find("<td class=\"n\" title=\"33.333333333333336\">33.3333</td>"),
            std::string::npos);
  t.numbers[t.Index(0, 1)] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_NE(SpreadsheetHtml(t, 3, "").find("<td class=\"n\"></td>"), std::string::npos);

  IndexPage page{.title = "Link analysis of <x>.csv", .facts = {{"Task", "a&b.json"}},
                 .summary = "5 transactions"};
  std::vector<OutputDocument> docs(2);
  docs[0].kind = "spreadsheet";
  docs[0].html = "<h2>T</h2>\n";
  docs[1].kind = "message";
  docs[1].name = "rules";
  docs[1].text = "no <rule>";
  const std::string index = IndexHtml(page, docs);
  EXPECT_NE(index.find("<h1>Link analysis of &lt;x&gt;.csv</h1>"), std::string::npos);
  EXPECT_NE(index.find("<dt>Task</dt><dd>a&amp;b.json</dd>"), std::string::npos);
  EXPECT_LT(index.find("<h2>T</h2>"), index.find("<p class=\"msg\">no &lt;rule&gt;</p>"));
}

// Every problem of a task file is reported at its place in plain words,
// never with the JSON library's exception tags.
TEST(TaskFileTest, ErrorsNameFileLineAndColumn) {
  using namespace std::string_literals;
  const std::string deep = std::string(70, '[') + std::string(70, ']');
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{\n  \"a\": ,\n}", "t.json:2:8: not valid JSON: syntax error while parsing value"},
      {"{\"MinimumSupport\": 1e400}",
       "t.json:1:20: the number 1e400 is outside the range of a double"},
      {"{\"a\":\n -1e309 }", "t.json:2:2: the number -1e309 is outside the range of a double"},
      {"", "t.json:1:1: not valid JSON: syntax error while parsing value - unexpected end"},
      {"{\"a\": 1} x", "t.json:1:10: not valid JSON: syntax error"},
      {"{\"\xC3\xA4\": \"caf\xE9\"}", "t.json:1:11: byte 0xE9 is not valid UTF-8"},
      {"{\"a\": \"x\0\"}"s, "t.json:1:9: NUL byte (0x00)"},
      {"{\"a\": " + deep + "}", "t.json:1:70: the JSON is nested more than 64 levels deep"},
      {"[1, 2]", "t.json: the task must be a JSON object of task properties"},
  };
  for (const auto& [text, expected] : cases) {
    try {
      ParseTaskFile(text, "t.json");
      ADD_FAILURE() << "no error for " << text;
    } catch (const DataError& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.substr(0, expected.size()), expected) << what;
      EXPECT_EQ(what.find("json.exception"), std::string::npos) << what;
    }
  }
  EXPECT_EQ(ParseTaskFile("\xEF\xBB\xBF{\"a\": 1}", "t.json").json["a"], 1);
}

TEST(TaskFileTest, ProjectFileOrder) {
  TaskFile plain = ParseTaskFile("{}", "t.json");
  EXPECT_EQ(ApplyProjectFile(plain, std::nullopt, "out/x"), "out/x/LinkAnalysis.dbs");
  EXPECT_EQ(plain.json["DatabaseFile"], "out/x/LinkAnalysis.dbs");

  TaskFile named = ParseTaskFile(R"({"DatabaseFile": "shop.dbs"})", "t.json");
  EXPECT_EQ(ApplyProjectFile(named, std::nullopt, "out"), "shop.dbs");
  EXPECT_EQ(named.json["DatabaseFile"], "shop.dbs");
  EXPECT_EQ(ApplyProjectFile(named, std::string("cli.dbs"), "out"), "cli.dbs");
  EXPECT_EQ(named.json["DatabaseFile"], "cli.dbs");

  TaskFile wrong = ParseTaskFile(R"({"DatabaseFile": 3})", "t.json");
  EXPECT_EQ(ApplyProjectFile(wrong, std::nullopt, "out"), "");
  EXPECT_EQ(wrong.json["DatabaseFile"], 3);  // left for the module to refuse
}

// The taxonomy data file comes with the task: a relative name is taken
// from the task file's folder; an absolute one, or a value that is no
// name, is left for the module.
TEST(TaskFileTest, TaxonomyFileIsFoundBesideTheTask) {
  testing::TempDir dir;
  std::filesystem::create_directories(dir.File("tasks"));
  const auto read = [&](const std::string& value) {
    WriteFile(dir.File("tasks/t.json"), "{\"DataFileNameForTaxonomy\": " + value + "}");
    return ReadTaskFile(dir.File("tasks/t.json")).json["DataFileNameForTaxonomy"];
  };
  EXPECT_EQ(read("\" tax.csv \""), dir.File("tasks/tax.csv"));
  EXPECT_EQ(read("\"../data/tax.csv\""), dir.File("data/tax.csv"));
  EXPECT_EQ(read("\"/abs/tax.csv\""), "/abs/tax.csv");
  EXPECT_EQ(read("\"\""), "");
  EXPECT_EQ(read("7"), 7);
}

TEST(TaskFileTest, SelectedItems) {
  EXPECT_FALSE(ParseTaskFile("{}", "t").SelectedItems());
  EXPECT_FALSE(ParseTaskFile(R"({"SelectedItems": 1})", "t").SelectedItems());
  EXPECT_EQ(*ParseTaskFile(R"({"SelectedItems": " a b |c "})", "t").SelectedItems(),
            (std::vector<std::string>{"a b", "c"}));
  // The module's escapes: "\|" and "\\" inside a name.
  EXPECT_EQ(*ParseTaskFile(R"({"SelectedItems": "x\\|y | c\\\\d"})", "t").SelectedItems(),
            (std::vector<std::string>{"x|y", "c\\d"}));
  // An empty name fails the run in the module; it selects nothing here.
  EXPECT_TRUE(ParseTaskFile(R"({"SelectedItems": "a||c"})", "t").SelectedItems()->empty());
}

TEST(RunReportTest, SummaryAndOneLine) {
  RunSummary s{.association = true, .transactions = 12, .items = 8, .frequentItems = 6,
               .patterns = 1, .rules = 14};
  EXPECT_EQ(FormatRunSummary(s, 0.0421),
            "12 transactions, 8 items (6 frequent), 1 frequent itemset, 14 association rules "
            "in 0.042 s");
  s.association = false;
  s.transactions = 1;
  s.rules = 1;
  EXPECT_EQ(FormatRunSummary(s, 12.34),
            "1 sequence, 8 items (6 frequent), 1 frequent sequence, 1 sequential rule in 12.3 s");
  EXPECT_EQ(OneLine("No rules.\n\nTry this.  \n  And that.\n"), "No rules. Try this. And that.");
  EXPECT_EQ(OneLine("plain"), "plain");
}

TEST(MemoryLimitTest, SizesAndTheDefault) {
  const std::pair<const char*, std::optional<std::uint64_t>> cases[] = {
      {"4G", 4ull << 30},    {"500M", 500ull << 20}, {"0", 0},         {"1.5g", 3ull << 29},
      {"512KiB", 512 << 10}, {"2GB", 2ull << 30},    {" 3T ", 3ull << 40}, {"100", 100},
      {"", std::nullopt},    {"G", std::nullopt},    {"4X", std::nullopt}, {"-1", std::nullopt},
      {"1.2.3M", std::nullopt}};
  for (const auto& [text, bytes] : cases) EXPECT_EQ(ParseByteSize(text), bytes) << text;
  const std::uint64_t physical = static_cast<std::uint64_t>(::sysconf(_SC_PHYS_PAGES)) *
                                 static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
  EXPECT_GT(DefaultMemoryLimit(), 0u);
  EXPECT_LE(DefaultMemoryLimit(), physical / 4 * 3);
}

// ---- The outputs of a run ------------------------------------------------------

std::vector<std::string> Documents(const std::vector<RunOutput>& outputs) {
  std::vector<std::string> names;
  for (const RunOutput& o : outputs) names.push_back(o.document);
  return names;
}

TEST(RunOutputsTest, WhatARunWritesWithAndWithoutOutputs) {
  const std::vector<std::string> base = {"items", "rules", "itemsets"};
  const std::vector<std::string> selectedTables = {"rules-selected", "rules-selected-bodies",
                                                   "rules-selected-heads", "itemsets-selected"};
  auto join = [](std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  };
  const std::vector<std::string> charts = {"support-chart", "confidence-chart", "correlation-chart"};
  const std::vector<std::string> clustering = {"clusters", "cluster-tree"};
  const std::vector<std::string> webAndRule = {"web-graph", "rule-graph"};
  struct Case {
    RunFacts facts;
    std::optional<std::vector<int>> requested;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      // No summary (an older module): today's tables and the disjoint sequences.
      {{}, std::nullopt, join({base, {"disjoint"}})},
      // 1 and 100 rules chart, 0 and 101 do not; clustering in association only.
      {{.haveSummary = true, .association = true, .rules = 1}, std::nullopt,
       join({base, charts, clustering, {"disjoint"}})},
      {{.haveSummary = true, .association = true, .rules = 100, .selection = true, .selectedItems = 2},
       std::nullopt, join({base, selectedTables, charts, clustering, {"disjoint"}, webAndRule})},
      {{.haveSummary = true, .association = true, .rules = 0}, std::nullopt,
       join({base, clustering, {"disjoint"}})},
      {{.haveSummary = true, .association = false, .rules = 101, .selection = true, .selectedItems = 1},
       std::nullopt, join({base, selectedTables, {"disjoint"}})},
      // Named outputs only (in the run's order), and the item list always.
      {{.haveSummary = true, .association = true, .rules = 5, .selection = true, .selectedItems = 3},
       std::vector<int>{1031, 1074, 1022, 1027, 1074}, {"items", "rules", "support-matrix", "web-graph", "network-3d"}},
      {{.haveSummary = true, .rules = 5}, std::vector<int>{}, {"items"}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(Documents(ChooseOutputs(cases[i].requested, cases[i].facts)), cases[i].expected) << i;
  }
  // Every document has its files, for cleaning up after an earlier run.
  const std::vector<std::string> files = AllOutputFileNames();
  for (const char* f : {"items.csv", "web-graph.svg", "web-graph.png", "web-graph.json",
                        "disjoint.csv", "network-2d.json", "correlation-matrix.csv"}) {
    EXPECT_NE(std::find(files.begin(), files.end(), f), files.end()) << f;
  }
}

TEST(RunOutputsTest, OutputsAreTakenFromTheTaskByName) {
  TaskFile task = ParseTaskFile(R"({"MinimumSupport": 0.1, "Outputs": ["WebGraph", "Summary"]})", "t.json");
  EXPECT_EQ(TakeRequestedOutputs(task), (std::vector<int>{1074, 1022}));
  EXPECT_FALSE(task.json.contains("Outputs"));  // the module does not know it
  EXPECT_EQ(task.json["MinimumSupport"], 0.1);
  EXPECT_EQ(TakeRequestedOutputs(task), std::nullopt);
  for (const char* bad : {R"({"Outputs": "WebGraph"})", R"({"Outputs": [1074]})",
                          R"({"Outputs": ["WebGraph", "webgraph"]})"}) {
    TaskFile t = ParseTaskFile(bad, "t.json");
    try {
      TakeRequestedOutputs(t);
      ADD_FAILURE() << bad;
    } catch (const DataError& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.rfind("t.json: \"Outputs\"", 0), 0u) << what;
      if (std::string(bad).find("webgraph") != std::string::npos) {
        EXPECT_NE(what.find("unknown output \"webgraph\""), std::string::npos) << what;
      }
    }
  }
}

}  // namespace
}  // namespace linkan::app
