// Tests of the run driver: its messages and questions, the three project
// paths, and that a project stays usable after a run ends early. The mining
// phases are replaced by recorders; the driver's own work (statistics,
// construction, the project file) is real.
#include "engine/driver/run_analysis.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/sal_engine.h"
#include "frame/host/module_error.h"
#include "projectdb/project_database.h"
#include "resources/string_table.h"
#include "temp_project.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using testing::NamedRecords;
using testing::StoredRecords;
using testing::TempProject;
using testing::TestAnalysis;
using testing::TestHost;

std::string Text(int id) { return std::string(LookupString(id)); }
std::string Question(int id) { return std::string(kHostProductName) + "|" + Text(id); }

std::string FileContent(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// A host whose input table must not be read.
class SealedHost : public TestHost {
 public:
  CaseReadResult ReadCase(long, std::vector<double>&, bool&, double&) override {
    ADD_FAILURE() << "the input table was read";
    return CaseReadResult::kStop;
  }
  std::string GetCellText(long, int) const override {
    ADD_FAILURE() << "a cell of the input table was read";
    return {};
  }
};

class RunAnalysisTest : public ::testing::Test {
 protected:
  RunAnalysisTest() {
    db.SetPath(temp.path());
    options.runPhases = [this](SalEngine& e) {
      ++mined;
      minedSize = e.settings.size;
    };
    options.rebuildFromProject = [this](SalEngine&) { ++rebuilt; };
  }

  // A sequence table: ID, time and one response variable.
  void Table(const std::vector<std::string>& ids, const std::vector<std::string>& items) {
    host = std::make_unique<TestHost>();
    host->AddText("id", ids);
    std::vector<double> times;
    for (std::size_t i = 0; i < ids.size(); ++i) times.push_back(static_cast<double>(i));
    host->AddNumeric("t", times);
    host->AddText("item", items);
    analysis.AttachDocument(host.get());
    if (!engine) {
      engine = std::make_unique<SalEngine>(analysis, &db);
      AnalysisSettings& s = engine->settings;
      s.nsidvar = 1;
      s.sidvar[0] = 1;
      s.ntidvar = 1;
      s.tidvar[0] = 2;
      s.nresvars = 1;
      s.resvars[0] = 3;
      s.minsupp = 0.9;
    }
  }
  int Run() { return RunAnalysis(*engine, nullptr, options); }
  void Mode(int projectMode, int action = 0) {
    engine->settings.projectMode = static_cast<std::uint16_t>(projectMode);
    engine->settings.existingProjectAction = static_cast<std::uint16_t>(action);
  }
  // The stored records by item name, read through a fresh look at the file.
  NamedRecords Stored() {
    NamedRecords out;
    for (const auto& [key, items] : StoredRecords(db)) {
      for (const std::int32_t i : items) out[key].insert(engine->items.Name(i));
    }
    return out;
  }

  TempProject temp;
  ProjectDatabase db;
  TestAnalysis analysis{nullptr};
  std::unique_ptr<TestHost> host;
  std::unique_ptr<SalEngine> engine;
  RunOptions options;
  int mined = 0;
  int rebuilt = 0;
  std::uint64_t minedSize = 0;
};

TEST_F(RunAnalysisTest, MissingFolderShows10128) {
  Table({"A"}, {"x"});
  db.SetPath((temp.folder() / "no-such-folder" / "LinkAnalysis.dbs").string());
  for (const int mode : {0, 1}) {
    for (const int action : {0, 1, 2}) {
      host->messages.clear();
      Mode(mode, action);
      EXPECT_EQ(Run(), 1);
      EXPECT_EQ(host->messages, (std::vector<std::string>{Text(msg::kDirectoryMissing)}));
    }
  }
  EXPECT_EQ(mined + rebuilt, 0);
}

TEST_F(RunAnalysisTest, NewProjectBuildsAndMines) {
  Table({"A", "A", "B"}, {"x", "y", "x"});
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(mined, 1);
  EXPECT_EQ(minedSize, 2u);
  EXPECT_TRUE(host->questions.empty());  // no file to overwrite; 0.9 > 1 / 2
}

TEST_F(RunAnalysisTest, RefusedOverwriteLeavesTheFileUntouched) {
  {
    std::ofstream out(temp.path());
    out << "not to be lost";
  }
  Table({"A", "B", "C"}, {"x", "y", "z"});
  host->QueueAnswer(false);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(host->questions, (std::vector<std::string>{Question(msg::kDatabaseExists)}));
  EXPECT_EQ(FileContent(temp.path()), "not to be lost");
  EXPECT_EQ(mined, 0);
}

TEST_F(RunAnalysisTest, AutomationAnswersYes) {
  {
    std::ofstream out(temp.path());
    out << "old";
  }
  Table({"A", "B", "C"}, {"x", "y", "z"});
  host->SetAutomation(true);
  engine->settings.minsupp = 0.2;  // below 1/3: the support question too
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(host->questions.empty());
  EXPECT_EQ(mined, 1);
  EXPECT_NE(FileContent(temp.path()), "old");
}

TEST_F(RunAnalysisTest, UndeletableFileShows10130) {
  std::filesystem::create_directory(temp.path());  // a folder where the file should be
  Table({"A"}, {"x"});
  host->QueueAnswer(true);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(host->messages, (std::vector<std::string>{Text(msg::kDatabaseInaccessible)}));
}

TEST_F(RunAnalysisTest, UnopenableProjectShows10200) {
  {
    std::ofstream out(temp.path());
    out << "this is no project database, just text that must stay as it is";
  }
  const std::string before = FileContent(temp.path());
  Table({"A"}, {"x"});
  for (const int action : {0, 1}) {
    host->messages.clear();
    Mode(1, action);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(host->messages, (std::vector<std::string>{Text(msg::kDatabaseOpenFailed)}));
  }
  EXPECT_EQ(FileContent(temp.path()), before);
  EXPECT_EQ(mined + rebuilt, 0);
}

TEST_F(RunAnalysisTest, NoTransactionsShows10186) {
  Table({"A", "B"}, {"x", "y"});
  host->SkipCase(1);
  host->SkipCase(2);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(host->messages, (std::vector<std::string>{Text(msg::kNoData)}));
  EXPECT_EQ(mined, 0);
}

// 50 transactions: 1 / 50 = 0.02. A minimum support of 0.02 is not above it
// and asks, with the value in the text; 0.021 is above it and does not.
TEST_F(RunAnalysisTest, SmallSupportQuestion10187) {
  std::vector<std::string> ids, items;
  for (int i = 0; i < 50; ++i) ids.push_back("T" + std::to_string(i)), items.push_back("x");
  Table(ids, items);
  engine->settings.minsupp = 0.02;
  host->QueueAnswer(false);
  EXPECT_EQ(Run(), 1);
  ASSERT_EQ(host->questions.size(), 1u);
  const std::string asked = host->questions[0];
  EXPECT_EQ(asked.rfind(std::string(kHostProductName) + "|Minimum support specified is small", 0),
            0u);
  EXPECT_NE(asked.find("higher minimum support than 0.020000, or"), std::string::npos);
  EXPECT_EQ(mined, 0);

  // Each run creates the project anew: the first question asks to replace
  // the file the run before left.
  host->questions.clear();
  host->QueueAnswer(true);
  host->QueueAnswer(true);
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(host->questions.size(), 2u);
  EXPECT_EQ(host->questions[0], Question(msg::kDatabaseExists));
  EXPECT_EQ(host->questions[1], asked);
  EXPECT_EQ(mined, 1);

  host->questions.clear();
  host->QueueAnswer(true);
  engine->settings.minsupp = 0.021;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(host->questions, (std::vector<std::string>{Question(msg::kDatabaseExists)}));
  EXPECT_EQ(mined, 2);
}

TEST_F(RunAnalysisTest, GoToResultsNeverReadsTheInputTable) {
  Table({"A", "A", "B"}, {"y", "x", "z"});
  ASSERT_EQ(Run(), 0);
  const auto ids = engine->transactionIds;
  const auto items = engine->items.EntriesByName();

  SealedHost sealed;
  analysis.AttachDocument(&sealed);
  engine->items.Clear();
  engine->transactionIds.clear();
  engine->settings.minsupp = 0.3;
  Mode(1, 1);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(rebuilt, 1);
  EXPECT_EQ(engine->transactionIds, ids);
  EXPECT_EQ(engine->items.EntriesByName(), items);
  EXPECT_EQ(engine->settings.minsupp, 0.9);  // restored from the project
  EXPECT_TRUE(sealed.messages.empty());
}

TEST_F(RunAnalysisTest, GoToResultsOfAProjectWithoutRecord) {
  ASSERT_EQ(db.OpenProjectDatabase(), 0);  // an empty project file
  db.CloseProjectDatabase();
  Table({"A"}, {"x"});
  Mode(1, 1);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(host->messages, (std::vector<std::string>{Text(msg::kNoData)}));
  EXPECT_EQ(rebuilt, 0);
}

TEST_F(RunAnalysisTest, RecommendationViaPmmlStopsForNow) {
  Table({"A"}, {"x"});
  Mode(1, 2);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(mined + rebuilt, 0);
}

// Regression: an update built its transaction list from the new cases only,
// so stored sequences the new data did not mention dropped out of N. It now
// starts from the stored list and dictionary: old sequences still count and
// the old records keep the right item names under the new numbering.
TEST_F(RunAnalysisTest, UpdateCountsOldSequencesAndKeepsItemNumbersConsistent) {
  Table({"A", "A", "B"}, {"milk", "bread", "milk"});
  ASSERT_EQ(Run(), 0);
  const NamedRecords first = Stored();

  Table({"C", "C", "A"}, {"apple", "milk", "zucchini"});
  Mode(1, 0);
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(minedSize, 3u);
  EXPECT_EQ(engine->settings.size, 3u);
  EXPECT_EQ(engine->transactionIds, (std::vector<std::string>{"A", "B", "C"}));

  NamedRecords expected = first;
  expected[{"C", 0}] = {"apple"};
  expected[{"C", 1}] = {"milk"};
  expected[{"A", 2}] = {"zucchini"};
  EXPECT_EQ(Stored(), expected);
  EXPECT_EQ(engine->items.NamesByNumber(),
            (std::vector<std::string>{"apple", "bread", "milk", "zucchini"}));

  // A third run reads the second's numbering back correctly.
  Table({"B"}, {"bread"});
  ASSERT_EQ(Run(), 0);
  expected[{"B", 0}].insert("bread");
  EXPECT_EQ(Stored(), expected);
}

// A run abandoned after construction (here: the support question refused)
// leaves a project whose record names the renumbered items, so a later
// update reads the stored records right.
TEST_F(RunAnalysisTest, AbandonedRunLeavesAConsistentProject) {
  std::vector<std::string> ids, items;
  for (int i = 0; i < 10; ++i) ids.push_back("S" + std::to_string(i % 4));
  for (int i = 0; i < 10; ++i) items.push_back(std::string(1, static_cast<char>('z' - i)));
  Table(ids, items);
  engine->settings.minsupp = 0.1;
  host->QueueAnswer(false);
  ASSERT_EQ(Run(), 1);
  const NamedRecords first = Stored();

  Table({"S9"}, {"m"});
  engine->items.Clear();
  engine->transactionIds.clear();
  Mode(1, 0);
  ASSERT_EQ(Run(), 0);
  NamedRecords expected = first;
  expected[{"S9", 0}] = {"m"};
  EXPECT_EQ(Stored(), expected);
  EXPECT_EQ(engine->settings.size, 5u);
}

// Patterns stored by an earlier run are numbered by the old dictionary; once
// an update has renumbered the items they are removed with the new record.
TEST_F(RunAnalysisTest, UpdateRemovesPatternsOfTheOldNumbering) {
  Table({"A", "B"}, {"x", "y"});
  ASSERT_EQ(Run(), 0);
  StoredPattern old;
  old.count = 1;
  old.itemsets = {{1}};
  db.SaveFrequentPatterns({old}, {0});

  Table({"C"}, {"a"});
  Mode(1, 0);
  ASSERT_EQ(Run(), 0);
  std::vector<StoredPattern> patterns;
  std::vector<std::uint32_t> leaves;
  db.LoadFrequentPatterns(patterns, leaves);
  EXPECT_TRUE(patterns.empty());
  EXPECT_TRUE(leaves.empty());
  ProjectRecord record;
  ASSERT_TRUE(db.LoadProjectRecord(record));
  EXPECT_EQ(record.itemNames, (std::vector<std::string>{"a", "x", "y"}));
  EXPECT_EQ(record.transactionIds, (std::vector<std::string>{"A", "B", "C"}));
}

// Cancelling an update part-way (after workers stored some of the new
// records) leaves a project that the same update, run again, completes
// exactly.
TEST_F(RunAnalysisTest, CancelledUpdateCanBeRunAgain) {
  Table({"A", "B"}, {"p", "q"});
  ASSERT_EQ(Run(), 0);

  std::vector<std::string> ids, items;
  for (int i = 0; i < 40; ++i) {
    ids.push_back("N" + std::to_string(i % 9));
    items.push_back("v" + std::to_string(i % 13));
  }
  Table(ids, items);
  host->CancelAfterSteps(25);
  options.construction.handOverThreshold = 3;
  Mode(1, 0);
  try {
    Run();
    ADD_FAILURE() << "expected the cancellation";
  } catch (const ModuleError& e) {
    EXPECT_STREQ(e.what(), "Operation was cancelled");
  }
  EXPECT_GT(db.CountTransactions(), 2u);  // workers stored part of the update

  host->CancelAfterSteps(1000000);
  engine->items.Clear();
  engine->transactionIds.clear();
  ASSERT_EQ(Run(), 0);
  NamedRecords expected = {{{"A", 0}, {"p"}}, {{"B", 1}, {"q"}}};
  for (int i = 0; i < 40; ++i) expected[{ids[i], static_cast<double>(i)}].insert(items[i]);
  EXPECT_EQ(Stored(), expected);
  std::vector<std::string> order = {"A", "B"};
  for (int i = 0; i < 9; ++i) order.push_back("N" + std::to_string(i));
  EXPECT_EQ(engine->transactionIds, order);
}

// The whole run with the engine's own phases: an update mines over the
// stored transactions too, and going to the results afterwards restores the
// same figures without reading the table.
TEST_F(RunAnalysisTest, UpdateMinesOverOldAndNewTransactions) {
  options = DefaultRunOptions();
  Table({"T1", "T1", "T2"}, {"milk", "bread", "milk"});
  engine->settings.noseq = 1;
  engine->settings.ntidvar = 0;
  engine->settings.minsupp = 0.6;  // a count of 2 of 2, then of 3
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(engine->itemFrequency.at(engine->items.Number("milk")), 2u);
  EXPECT_EQ(engine->itemFrequency.count(engine->items.Number("bread")), 0u);

  Table({"T3"}, {"bread"});
  Mode(1, 0);
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(engine->settings.size, 3u);
  EXPECT_EQ(engine->itemFrequency.at(engine->items.Number("milk")), 2u);
  EXPECT_EQ(engine->itemFrequency.at(engine->items.Number("bread")), 2u);
  const auto frequencies = engine->itemFrequency;
  const std::size_t patterns = engine->patterns.size();

  SealedHost sealed;
  analysis.AttachDocument(&sealed);
  Mode(1, 1);
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(engine->itemFrequency, frequencies);
  EXPECT_EQ(engine->patterns.size(), patterns);
  EXPECT_EQ(engine->settings.size, 3u);
}

TEST_F(RunAnalysisTest, CancelledStatisticsAbandonTheRun) {
  Table({"A", "B"}, {"x", "y"});
  host->AddNumeric("c", {1, 2});  // a new column: make a fresh engine for it
  engine = std::make_unique<SalEngine>(analysis, &db);
  AnalysisSettings& s = engine->settings;
  s.nsidvar = 1;
  s.sidvar[0] = 1;
  s.ncontvars = 1;
  s.contvars[0] = 4;
  host->SetCancelled(true);
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(host->messages.empty());
  EXPECT_EQ(mined, 0);
}

}  // namespace
}  // namespace linkan
