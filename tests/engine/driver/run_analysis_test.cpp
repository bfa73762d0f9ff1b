// Tests of the run driver: its messages and questions, the three project
// paths, and that a run that ends early leaves the previous project exactly
// as it was. The mining phases are replaced by recorders that record one
// pattern; the driver's own work (statistics, construction, the project
// file) is real.
#include "engine/driver/run_analysis.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <optional>
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
      e.patterns.Record({{1}}, 1);  // a run without patterns is abandoned
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

  // The stored records and project record of the project file, read through
  // a handle of its own; nullopt when there is no file.
  struct Snapshot {
    std::map<std::pair<std::string, double>, std::vector<std::int32_t>> records;
    std::vector<std::string> itemNames, transactionIds;
    bool operator==(const Snapshot&) const = default;
  };
  std::optional<Snapshot> Project() const {
    if (!std::filesystem::exists(temp.path())) return std::nullopt;
    ProjectDatabase reader;
    reader.SetPath(temp.path());
    EXPECT_EQ(reader.OpenProjectDatabase(), 0) << reader.LastError();
    Snapshot out;
    out.records = StoredRecords(reader);
    ProjectRecord record;
    if (reader.LoadProjectRecord(record)) {
      out.itemNames = record.itemNames;
      out.transactionIds = record.transactionIds;
    }
    return out;
  }
  // No working copy left beside the project.
  void ExpectNoWorkingCopies() const {
    for (const auto& entry : std::filesystem::directory_iterator(temp.folder())) {
      const std::string name = entry.path().filename().string();
      EXPECT_EQ(name.find(".run-"), std::string::npos) << name;
    }
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
  // Every path that uses the project (recommendation does not: below).
  for (const auto& [mode, action] : {std::pair{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}}) {
    host->messages.clear();
    Mode(mode, action);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(host->messages, (std::vector<std::string>{Text(msg::kDirectoryMissing)}));
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
  Table({"A", "B"}, {"old", "old"});
  ASSERT_EQ(Run(), 0);
  Table({"A", "B", "C"}, {"x", "y", "z"});
  host->SetAutomation(true);
  engine->settings.minsupp = 0.2;  // below 1/3: the support question too
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(host->questions.empty());
  EXPECT_EQ(mined, 2);
  EXPECT_EQ(Project()->transactionIds, (std::vector<std::string>{"A", "B", "C"}));
  ExpectNoWorkingCopies();
}

// A file that is not a sound, writable project of ours is never replaced
// or changed, whatever the run: each gets the module's message and the
// reason, and the file keeps every byte. A write-protected project still
// opens to show its results.
TEST_F(RunAnalysisTest, FilesThatAreNoWritableProjectAreLeftUntouched) {
  enum Kind { kText, kForeignDatabase, kFolder, kProtectedProject };
  struct Case {
    Kind kind;
    int projectMode, action;
    int firstMessage;  // 0: the run succeeds
    const char* reason;
  };
  const Case cases[] = {
      {kText, 0, 0, msg::kDatabaseOpenFailed, "is not an SQLite database"},
      {kText, 1, 0, msg::kDatabaseOpenFailed, "is not an SQLite database"},
      {kText, 1, 1, msg::kDatabaseOpenFailed, "is not an SQLite database"},
      {kForeignDatabase, 0, 0, msg::kDatabaseOpenFailed, "another application"},
      {kForeignDatabase, 1, 0, msg::kDatabaseOpenFailed, "another application"},
      {kFolder, 0, 0, msg::kDatabaseOpenFailed, "is not a regular file"},
      {kProtectedProject, 0, 0, msg::kDatabaseInaccessible, "is write-protected"},
      {kProtectedProject, 1, 0, msg::kDatabaseInaccessible, "is write-protected"},
      {kProtectedProject, 1, 1, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "kind " << c.kind << ", mode " << c.projectMode << "/"
                                    << c.action);
    std::filesystem::remove_all(temp.path());
    Table({"A", "B"}, {"x", "x"});
    Mode(0);
    if (c.kind == kProtectedProject) {
      ASSERT_EQ(Run(), 0);
      db.CloseProjectDatabase();
      ASSERT_EQ(::chmod(temp.path().c_str(), 0444), 0);
    } else if (c.kind == kFolder) {
      std::filesystem::create_directory(temp.path());
    } else if (c.kind == kForeignDatabase) {
      ProjectDatabase foreign;  // an SQLite file without the project's marks
      foreign.SetPath(temp.path());
      ASSERT_EQ(foreign.OpenProjectDatabase(), 0);
      foreign.CloseProjectDatabase();
      sqlite3* raw = nullptr;
      ASSERT_EQ(sqlite3_open(temp.path().c_str(), &raw), SQLITE_OK);
      ASSERT_EQ(sqlite3_exec(raw, "PRAGMA application_id = 7", nullptr, nullptr, nullptr),
                SQLITE_OK);
      sqlite3_close(raw);
    } else {
      std::ofstream(temp.path()) << "this is no project database, just text to keep";
    }
    const std::string before =
        c.kind == kFolder ? std::string() : FileContent(temp.path());
    host->messages.clear();
    host->SetAutomation(true);
    Mode(c.projectMode, c.action);
    const int rc = Run();
    if (c.firstMessage == 0) {
      EXPECT_EQ(rc, 0);
      EXPECT_TRUE(db.IsReadOnly());
    } else {
      EXPECT_EQ(rc, 1);
      ASSERT_EQ(host->messages.size(), 2u);
      EXPECT_EQ(host->messages[0], Text(c.firstMessage));
      EXPECT_NE(host->messages[1].find(c.reason), std::string::npos) << host->messages[1];
    }
    db.CloseProjectDatabase();
    if (c.kind != kFolder) {
      EXPECT_EQ(FileContent(temp.path()), before);
    }
    ExpectNoWorkingCopies();
    ::chmod(temp.path().c_str(), 0644);
  }
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

  // The refused run left no project file; the next asks only the support
  // question, the one after it to replace the project.
  EXPECT_FALSE(std::filesystem::exists(temp.path()));
  host->questions.clear();
  host->QueueAnswer(true);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(host->questions, (std::vector<std::string>{asked}));
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

// Recommendation hands over to the model loader, whose result is the run's;
// nothing is mined and the project file is neither made nor opened, even
// in a folder that does not exist.
TEST_F(RunAnalysisTest, RecommendationViaPmmlHandsOverToTheModelLoader) {
  Table({"A"}, {"x"});
  Mode(1, 2);
  db.SetPath((std::filesystem::path(db.Path()).parent_path() / "missing" / "p.dbs").string());
  EXPECT_EQ(Run(), 1);  // no loader given
  int loads = 0;
  for (const int result : {0, 1}) {
    options.loadPmmlModel = [&](SalEngine&) { return ++loads, result; };
    EXPECT_EQ(Run(), result);
  }
  EXPECT_EQ(loads, 2);
  EXPECT_EQ(mined + rebuilt, 0);
  EXPECT_FALSE(std::filesystem::exists(db.Path()));
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

// Every way a run can end early, after the project existed: the previous
// project stays exactly as it was (records, item dictionary, IDs), no
// working copy is left, and an update afterwards builds on it.
TEST_F(RunAnalysisTest, AbandonedRunsLeaveThePreviousProject) {
  Table({"S0", "S1", "S0"}, {"p", "q", "r"});
  ASSERT_EQ(Run(), 0);
  const std::optional<Snapshot> before = Project();
  ASSERT_TRUE(before && !before->records.empty());

  std::vector<std::string> ids, items;
  for (int i = 0; i < 40; ++i) {
    ids.push_back("S" + std::to_string(i % 7));
    items.push_back("v" + std::to_string(i % 11));
  }
  // The support question is asked by new projects only; an update without
  // new cases is a run like any other.
  enum End { kSupportRefused, kNoData, kNoPattern, kCancelledConstruction };
  const std::pair<End, int> ends[] = {{kSupportRefused, 0},       {kNoData, 0},
                                      {kNoPattern, 0},            {kNoPattern, 1},
                                      {kCancelledConstruction, 0}, {kCancelledConstruction, 1}};
  for (const auto& [end, projectMode] : ends) {
    SCOPED_TRACE(::testing::Message() << "end " << end << ", mode " << projectMode);
    Table(ids, items);
    Mode(projectMode, 0);
    engine->settings.minsupp = end == kSupportRefused ? 0.01 : 0.9;
    if (projectMode == 0) host->QueueAnswer(true);  // replace the project
    if (end == kSupportRefused) host->QueueAnswer(false);
    if (end == kNoData) {
      for (long c = 1; c <= 40; ++c) host->SkipCase(c);
    }
    if (end == kCancelledConstruction) host->CancelAfterSteps(25);
    options.construction.handOverThreshold = 3;  // workers commit records early
    const RunOptions kept = options;
    if (end == kNoPattern) options.runPhases = [](SalEngine&) {};
    if (end == kCancelledConstruction) {
      EXPECT_THROW(Run(), ModuleError);
    } else {
      EXPECT_EQ(Run(), 1);
    }
    options = kept;
    host->CancelAfterSteps(1000000);
    EXPECT_EQ(Project(), before);
    ExpectNoWorkingCopies();
  }

  Table({"S9"}, {"m"});
  Mode(1, 0);
  engine->settings.minsupp = 0.9;
  ASSERT_EQ(Run(), 0);
  Snapshot expected = *before;
  expected.transactionIds.push_back("S9");
  EXPECT_EQ(Project()->transactionIds, expected.transactionIds);
  EXPECT_EQ(Project()->records.size(), before->records.size() + 1);
}

// A second run on a project that a run holds is refused at once, and the
// project is not touched; a run that only shows results may share it with
// another such run.
TEST_F(RunAnalysisTest, ARunHoldingTheProjectExcludesOthers) {
  Table({"A", "B"}, {"x", "x"});
  ASSERT_EQ(Run(), 0);
  const std::optional<Snapshot> before = Project();
  for (const auto mode : {projectdb::ProjectLock::Mode::kExclusive,
                          projectdb::ProjectLock::Mode::kShared}) {
    const projectdb::ProjectLock other = projectdb::ProjectLock::Acquire(temp.path(), mode);
    for (const auto& [projectMode, action] : {std::pair{0, 0}, {1, 0}, {1, 1}}) {
      host->messages.clear();
      host->SetAutomation(true);
      Mode(projectMode, action);
      const bool readerBesideReader =
          mode == projectdb::ProjectLock::Mode::kShared && action == 1;
      EXPECT_EQ(Run(), readerBesideReader ? 0 : 1);
      if (!readerBesideReader) {
        ASSERT_EQ(host->messages.size(), 1u);
        EXPECT_NE(host->messages[0].find("is in use by another run"), std::string::npos);
      }
    }
  }
  EXPECT_EQ(Project(), before);
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
