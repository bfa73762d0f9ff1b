// cli_test.cpp
//
// End to end: runs the built `linkan` on the bundled examples and on broken
// inputs, and checks its output, its error line and its exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "app_test_util.h"
#include "linkan_process.h"

namespace linkan::app {
namespace {

using testing::OneLine;
using testing::ReadFile;
using testing::RunLinkan;
using testing::RunResult;
using testing::TempDir;
using testing::WriteFile;

std::string Example(const std::string& name) {
  return std::string(LINKAN_EXAMPLES_DIR) + "/" + name;
}

TEST(LinkanInfoTest, MarketBasket) {
  const RunResult r = RunLinkan({"info", Example("market_basket.csv")});
  ASSERT_EQ(r.status, 0) << r.err;
  // 12 baskets with 2+4+4+4+4+2+2+3+2+3+3+4 = 37 items; 8 distinct products.
  EXPECT_EQ(r.out, "file: " + Example("market_basket.csv") +
                       "\n"
                       "cases: 37\n"
                       "variables: 2\n"
                       "  #  name  kind       missing  labels\n"
                       "  1  ID    numeric          0       0\n"
                       "  2  item  text             0       8\n"
                       "weight: none\n"
                       "module: Link Analysis (id 6670)\n"
                       "steps: 100 101\n");
}

TEST(LinkanInfoTest, SurveyWithWeight) {
  const RunResult r = RunLinkan({"info", Example("shopping_survey.csv"), "--weight", "weight"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("cases: 12\n"), std::string::npos);
  EXPECT_NE(r.out.find("variables: 9\n"), std::string::npos);
  EXPECT_NE(r.out.find("  2  bread       numeric          0       0\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  8  income      numeric          1       0\n"), std::string::npos);
  EXPECT_NE(r.out.find("  9  weight      numeric          1       0\n"), std::string::npos);
  EXPECT_NE(r.out.find("weight: weight\n"), std::string::npos);
}

TEST(LinkanInfoTest, WebSequences) {
  const RunResult r = RunLinkan({"info", Example("web_sequences.csv")});
  ASSERT_EQ(r.status, 0) << r.err;
  // 5+4+4+5+4+4+3+5 = 34 page views; pages home catalog product cart
  // checkout search reviews; devices desktop mobile tablet.
  EXPECT_NE(r.out.find("cases: 34\n"), std::string::npos);
  EXPECT_NE(r.out.find("  3  page     text             0       7\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  4  device   text             0       3\n"), std::string::npos);
}

TEST(LinkanInfoTest, BadDataGivesOneLineWithFileLineAndColumn) {
  TempDir dir;
  const std::string data = dir.File("bad.csv");
  WriteFile(data, "ID,item\n1,bread\n2,milk,extra\n");
  const RunResult r = RunLinkan({"info", data});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "linkan: error: " + data +
                       ":3:8: the row has 3 fields but the header names 2 variables\n");

  const RunResult w = RunLinkan({"info", Example("market_basket.csv"), "--weight", "item"});
  EXPECT_EQ(w.status, 1);
  EXPECT_EQ(w.err, "linkan: error: " + Example("market_basket.csv") +
                       ":2:3: the weight variable \"item\" must be numeric, but \"bread\" is "
                       "not a number\n");

  const RunResult missing = RunLinkan({"info", dir.File("none.csv")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "linkan: error: " + dir.File("none.csv") +
                             ": cannot read: No such file or directory\n");
}

// The host side of the module contract, through dlopen, with a stand-in
// module: cases and weights read by the module, a report, a question.
TEST(LinkanInfoTest, HostServesAModuleLoadedWithDlopen) {
  const RunResult r = RunLinkan({"info", Example("shopping_survey.csv"), "--weight", "weight",
                                 "--module", LINKAN_FAKE_MODULE});
  ASSERT_EQ(r.status, 0) << r.err;
  // Weights 1 + 1.5 + 1 + 0.5 + 1 + 1 + 2 + 1 + 1 + 1 + 1 = 12 over 11 cases;
  // respondent 12 has no weight. stdin is not a terminal: the answer is No.
  EXPECT_EQ(r.err,
            "fake: 11 cases used, 1 skipped, weight sum 12\n"
            "FAKE: Continue? [y/n] n (not asked: not an interactive terminal)\n"
            "fake: answered no\n");
  EXPECT_EQ(r.out.rfind("== Fake report ==\nfirst variable: respondent\nfile: ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\nmodule: Fake Analysis (id 1)\nsteps: 100 101\n"), std::string::npos);

  // The same through LINKAN_MODULE.
  ::setenv("LINKAN_MODULE", LINKAN_FAKE_MODULE, 1);
  const RunResult env = RunLinkan({"info", Example("market_basket.csv")});
  ::unsetenv("LINKAN_MODULE");
  EXPECT_EQ(env.status, 0) << env.err;
  EXPECT_NE(env.out.find("module: Fake Analysis (id 1)"), std::string::npos);
}

TEST(LinkanInfoTest, ModuleThatCannotBeLoaded) {
  const RunResult r =
      RunLinkan({"info", Example("market_basket.csv"), "--module", "/nonexistent/lib.so"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(OneLine(r.err)) << r.err;
  EXPECT_EQ(r.err.rfind("linkan: error: cannot load the analysis module: ", 0), 0u) << r.err;
}

TEST(LinkanUsageTest, UsageErrorsExitWithTwoAndNameTheMistake) {
  const struct {
    std::vector<std::string> args;
    std::string said;  // part of the error line
  } cases[] = {
      {{}, "subcommand is required"},
      {{"info"}, "DATA is required"},
      {{"info", Example("market_basket.csv"), "--bogus"}, "unknown option --bogus of linkan info"},
      {{"run", "x.csv", "--taks", "t.json", "--out", "o"},
       "unknown option --taks of linkan run; did you mean --task?"},
      {{"--progres", "none", "info", "x.csv"},
       "unknown option --progres of linkan; did you mean --progress?"},
      {{"info", Example("market_basket.csv"), "--delimiter", "ab"}, "--delimiter"},
      {{"info", Example("market_basket.csv"), "--encoding", "utf-16"}, "--encoding"},
      {{"import", "--format", "xml", Example("baskets.txt"), "/tmp/never-written.csv"}, "xml"},
      {{"frobnicate"},
       "unknown command \"frobnicate\" (the commands: info, import, run, query, task, serve)"},
      {{"rnu", "x.csv"},
       "unknown command \"rnu\" (the commands: info, import, run, query, task, serve); did you "
       "mean run?"},
  };
  for (const auto& c : cases) {
    const RunResult r = RunLinkan(c.args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(OneLine(r.err)) << r.err;
    EXPECT_EQ(r.err.rfind("linkan: error: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists("/tmp/never-written.csv"));
  const RunResult help = RunLinkan({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("info"), std::string::npos);
  EXPECT_NE(help.out.find("import"), std::string::npos);
  const RunResult version = RunLinkan({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("linkan ", 0), 0u) << version.out;
}

TEST(LinkanImportTest, BasketFileGivesTheMarketBasketTable) {
  TempDir dir;
  const std::string out = dir.File("baskets.csv");
  const RunResult r = RunLinkan({"import", "--format", "basket", Example("baskets.txt"), out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, out + ": 37 cases, variables ID item\n");
  EXPECT_EQ(ReadFile(out), ReadFile(Example("market_basket.csv")));
}

TEST(LinkanImportTest, SpmfFileGivesTheVisitsTable) {
  TempDir dir;
  const std::string out = dir.File("visits.csv");
  const RunResult r = RunLinkan({"import", "--format", "spmf", Example("sequences.spmf.txt"), out});
  ASSERT_EQ(r.status, 0) << r.err;
  // The expected table: web_sequences.csv without its last variable.
  std::istringstream lines(ReadFile(Example("web_sequences.csv")));
  std::string line, expected = "ID,time,item\n";
  std::getline(lines, line);  // header
  while (std::getline(lines, line)) expected += line.substr(0, line.rfind(',')) + "\n";
  EXPECT_EQ(ReadFile(out), expected);
}

TEST(LinkanImportTest, ErrorsWriteNothing) {
  TempDir dir;
  const std::string in = dir.File("bad.spmf");
  const std::string out = dir.File("out.csv");
  WriteFile(in, "1 -1 -2\n2 -7 -2\n");
  const RunResult r = RunLinkan({"import", "--format", "spmf", in, out});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "linkan: error: " + in +
                       ":2:3: unexpected \"-7\": -1 ends an itemset, -2 ends a sequence, items "
                       "are not negative\n");
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(testing::Listing(dir.path()), (std::vector<std::string>{"bad.spmf"}));

  // Latin-1 text is refused as UTF-8, with the option that reads it.
  WriteFile(in, "caf\xE9 th\xE9\n");
  const RunResult latin1 = RunLinkan({"import", "--format", "basket", in, out});
  EXPECT_EQ(latin1.status, 1);
  EXPECT_NE(latin1.err.find(in + ":1:4: byte 0xE9 is not valid UTF-8"), std::string::npos);
  EXPECT_NE(latin1.err.find("--encoding latin1"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(out));
  const RunResult converted =
      RunLinkan({"import", "--format", "basket", "--encoding", "latin1", in, out});
  ASSERT_EQ(converted.status, 0) << converted.err;
  EXPECT_EQ(ReadFile(out), "ID,item\n1,caf\xC3\xA9\n1,th\xC3\xA9\n");

  // The output may not replace the input.
  WriteFile(in, "a b\n");
  const RunResult same = RunLinkan({"import", "--format", "basket", in, in});
  EXPECT_EQ(same.status, 2);
  EXPECT_EQ(ReadFile(in), "a b\n");
}

// Every bundled example runs with its task file, as scripts/run-examples.sh
// runs it, and leaves its tables and index.html.
TEST(LinkanRunTest, EveryExampleRuns) {
  int examples = 0;
  for (const auto& entry : std::filesystem::directory_iterator(LINKAN_EXAMPLES_DIR)) {
    const std::string file = entry.path().filename();
    const std::string suffix = ".task.json";
    if (file.size() <= suffix.size() || file.substr(file.size() - suffix.size()) != suffix) continue;
    ++examples;
    const std::string name = file.substr(0, file.size() - suffix.size());
    TempDir dir;
    const std::string out = dir.File(name);
    const RunResult r =
        RunLinkan({"run", Example(name + ".csv"), "--task", Example(file), "--out", out});
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    for (const char* table : {"items.csv", "rules.csv", "itemsets.csv", "index.html"}) {
      EXPECT_TRUE(std::filesystem::exists(out + "/" + table)) << name << ": " << table;
    }
    if (name == "market_basket") {
      // Beer is in 5 of the 12 baskets, each time with diapers (in 6):
      // beer ==> diapers has support 5/12, confidence 100% and lift
      // 12 x 1 / 6 = 2.
      const std::string rules = ReadFile(out + "/rules.csv");
      const std::string rule = "beer,\" ==> \",diapers,";
      const std::size_t at = rules.find(rule);
      ASSERT_NE(at, std::string::npos) << rules;
      std::istringstream cells(rules.substr(at + rule.size(), rules.find('\n', at) - at - rule.size()));
      double support = 0, confidence = 0, lift = 0;
      char comma = 0;
      cells >> support >> comma >> confidence >> comma >> lift;
      EXPECT_NEAR(support, 500.0 / 12, 1e-9);
      EXPECT_NEAR(confidence, 100, 1e-9);
      EXPECT_NEAR(lift, 2, 1e-9);
      EXPECT_TRUE(std::filesystem::exists(out + "/rules-selected.csv"));
    }
    if (name == "grocery") {
      // The taxonomy file beside the task is read: the groups are items, the
      // stop list's plastic bags are not.
      const std::string items = ReadFile(out + "/items.csv");
      EXPECT_NE(items.find("Produce"), std::string::npos) << items;
      EXPECT_NE(items.find("Fresh food"), std::string::npos) << items;
      EXPECT_EQ(items.find("Plastic bag"), std::string::npos) << items;
    }
  }
  EXPECT_EQ(examples, 5);
}

// `linkan run` with a stand-in module that draws: the pictures are written
// beside the tables and shown in the index; a second run writes the same
// bytes for the same picture in a new process and removes the pictures it
// did not make; "Outputs" is the host's (the module refuses a task holding
// it) and an unknown name in it stops the run before anything is written.
TEST(LinkanRunTest, PicturesOfAModuleThatDraws) {
  TempDir dir;
  const std::string data = dir.File("d.csv");
  WriteFile(data, "ID,item\n1,a\n");
  const std::string out = dir.File("out");
  const std::string selected = R"("SelectedItems": "milk | bread | beer | whole milk")";
  auto run = [&](const std::string& task) {
    WriteFile(dir.File("t.json"), "{" + task + "}");
    return RunLinkan({"run", data, "--task", dir.File("t.json"), "--out", out, "--module",
                      LINKAN_FAKE_MODULE});
  };
  auto pictures = [](const std::vector<std::string>& names) {
    std::vector<std::string> files;
    for (const std::string& n : names) {
      for (const char* e : {".svg", ".png", ".json"}) files.push_back(n + e);
    }
    return files;
  };

  const RunResult first = run(selected);
  ASSERT_EQ(first.status, 0) << first.err;
  std::vector<std::string> expected = pictures({"cluster-tree", "rule-graph", "support-chart", "web-graph"});
  for (const char* f : {"index.html", "items.csv", "itemsets.csv", "model-4.4.pmml", "model.pmml",
                        "rules.csv"}) {
    expected.push_back(f);
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(testing::Listing(out), expected);
  EXPECT_NE(first.out.find("  confidence-chart: There is no association between items\n"),
            std::string::npos) << first.out;
  const std::string index = ReadFile(out + "/index.html");
  std::size_t inline_ = 0;
  for (std::size_t at = index.find("<svg "); at != std::string::npos; at = index.find("<svg ", at + 1)) ++inline_;
  EXPECT_EQ(inline_, 4u);
  EXPECT_NE(index.find("<h2>confidence-chart</h2>\n<p class=\"msg\">There is no association"),
            std::string::npos);
  std::vector<std::string> web;
  for (const std::string& f : pictures({"web-graph"})) web.push_back(ReadFile(out + "/" + f));

  const RunResult second = run(selected + R"(, "Outputs": ["WebGraph", "Summary"])");
  ASSERT_EQ(second.status, 0) << second.err;
  expected = pictures({"web-graph"});
  for (const char* f : {"index.html", "items.csv", "model-4.4.pmml", "model.pmml", "rules.csv"}) {
    expected.push_back(f);
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(testing::Listing(out), expected);
  for (std::size_t i = 0; i < web.size(); ++i) {
    EXPECT_TRUE(ReadFile(out + "/" + pictures({"web-graph"})[i]) == web[i]) << i;
  }

  const std::string before = ReadFile(out + "/index.html");
  const RunResult unknown = run(selected + R"(, "Outputs": ["WebGraph", "Webgraph"])");
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.err.find("\"Outputs\": unknown output \"Webgraph\"; the outputs are Summary, "),
            std::string::npos) << unknown.err;
  EXPECT_TRUE(OneLine(unknown.err)) << unknown.err;
  EXPECT_EQ(testing::Listing(out), expected);
  EXPECT_EQ(ReadFile(out + "/index.html"), before);
}

// `linkan task` spells a task out: for every example, the printed task is a
// fixed point (printing it again gives the same text) and runs to the same
// rules as the task it came from; a bad task is refused as `run` refuses it.
TEST(LinkanTaskTest, PrintedTasksAreCompleteAndMeanTheSame) {
  for (const char* name : {"market_basket", "web_log", "shopping_survey"}) {
    TempDir dir;
    const std::string data = Example(std::string(name) + ".csv");
    const RunResult first =
        RunLinkan({"task", data, "--task", Example(std::string(name) + ".task.json")});
    ASSERT_EQ(first.status, 0) << name << ": " << first.err;
    EXPECT_NE(first.out.find("\"MinimumSupport\""), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("\"MaximumNumberOfItemsetsInASequence\""), std::string::npos);
    const std::string printed = dir.File("printed.task.json");
    WriteFile(printed, first.out);
    const RunResult second = RunLinkan({"task", data, "--task", printed});
    ASSERT_EQ(second.status, 0) << name << ": " << second.err;
    EXPECT_EQ(second.out, first.out) << name;
    const RunResult a = RunLinkan({"run", data, "--task", Example(std::string(name) + ".task.json"),
                                   "--out", dir.File("a"), "--project", dir.File("a.dbs")});
    const RunResult b = RunLinkan(
        {"run", data, "--task", printed, "--out", dir.File("b"), "--project", dir.File("b.dbs")});
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(ReadFile(dir.File("a/rules.csv")), ReadFile(dir.File("b/rules.csv"))) << name;
    EXPECT_EQ(ReadFile(dir.File("a/itemsets.csv")), ReadFile(dir.File("b/itemsets.csv"))) << name;
  }
  TempDir dir;
  const std::string bad = dir.File("bad.task.json");
  WriteFile(bad, R"({"GenerateNonsequentialAssociation": 1, "MinimumSupport": 2,
                     "Variables": {"id": "ID", "responses": ["item"]}})");
  const RunResult r = RunLinkan({"task", Example("market_basket.csv"), "--task", bad});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("\"MinimumSupport\": Invalid value for Minimum Support"), std::string::npos)
      << r.err;
  EXPECT_TRUE(r.out.empty());
}

}  // namespace
}  // namespace linkan::app
