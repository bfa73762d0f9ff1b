// working_copy_test.cpp: a run's changes reach the project only through a
// working copy that replaces it in one rename. (Which runs may hold a
// project together: tests/engine/driver/run_analysis_test.cpp.)
#include <gtest/gtest.h>

#include <filesystem>

#include "projectdb/project_database.h"
#include "projectdb_test_util.h"

namespace linkan::testing {
namespace {

using Mode = projectdb::ProjectLock::Mode;
using Start = ProjectDatabase::WorkingCopyStart;

std::uint64_t CountIn(const std::string& path) {
  ProjectDatabase reader;
  OpenOrFail(reader, path);
  return reader.CountTransactions();
}

class WorkingCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.File("LinkAnalysis.dbs");
    db.SetPath(path);
    db.LockProject(Mode::kExclusive);
    ASSERT_EQ(db.OpenWorkingCopy(Start::kEmptyProject), 0) << db.LastError();
    db.InsertTransaction({"old", 1.0, {1}});
    db.CommitWorkingCopy();
    db.CloseProjectDatabase();
  }
  TempDir dir;
  std::string path;
  ProjectDatabase db;
};

// The project changes only at the commit; before it a reader sees the old
// project, after it the new one, and nothing is left beside it.
TEST_F(WorkingCopy, TheProjectChangesOnlyAtTheCommit) {
  for (const Start start : {Start::kCopyOfProject, Start::kEmptyProject}) {
    const std::uint64_t before = CountIn(path);
    ASSERT_EQ(db.OpenWorkingCopy(start), 0) << db.LastError();
    EXPECT_EQ(db.CountTransactions(), start == Start::kCopyOfProject ? before : 0u);
    db.InsertTransaction({"new" + std::to_string(before), 2.0, {1, 2}});
    db.EndReadAccess();
    EXPECT_EQ(CountIn(path), before);
    db.CommitWorkingCopy();
    EXPECT_TRUE(db.IsOpen());
    EXPECT_EQ(db.Path(), path);
    EXPECT_EQ(db.CountTransactions(), start == Start::kCopyOfProject ? before + 1 : 1u);
    db.CloseProjectDatabase();
    EXPECT_EQ(CountIn(path), start == Start::kCopyOfProject ? before + 1 : 1u);
    EXPECT_EQ(dir.Entries(),
              (std::vector<std::string>{".LinkAnalysis.dbs.lock", "LinkAnalysis.dbs"}));
  }
}

// A discarded working copy, or one a killed run left behind, changes
// nothing; the next run removes the leftovers.
TEST_F(WorkingCopy, DiscardedAndLeftoverCopiesChangeNothing) {
  const std::string before = ReadBytes(path);
  ASSERT_EQ(db.OpenWorkingCopy(Start::kCopyOfProject), 0);
  db.InsertTransaction({"lost", 3.0, {4}});
  db.EndReadAccess();
  db.CloseProjectDatabase();  // closing discards
  EXPECT_EQ(ReadBytes(path), before);

  WriteBytes(dir.File(".LinkAnalysis.dbs.run-dead01"), "left by a killed run");
  WriteBytes(dir.File(".LinkAnalysis.dbs.run-dead01-wal"), "its log");
  WriteBytes(dir.File(".LinkAnalysis.dbs.run-notes.txt"), "only named like one");
  EXPECT_EQ(ReadBytes(path), before);
  ASSERT_EQ(db.OpenWorkingCopy(Start::kCopyOfProject), 0);
  db.DiscardWorkingCopy();
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(dir.Entries(),
            (std::vector<std::string>{".LinkAnalysis.dbs.lock", ".LinkAnalysis.dbs.run-notes.txt",
                                      "LinkAnalysis.dbs"}));
}

// A copy of a file that is not a project fails and leaves it as it was.
TEST_F(WorkingCopy, NoCopyOfAForeignFile) {
  WriteBytes(path, "not a project");
  EXPECT_EQ(db.OpenWorkingCopy(Start::kCopyOfProject), 1);
  EXPECT_NE(db.LastError().find("not an SQLite database"), std::string::npos) << db.LastError();
  EXPECT_EQ(ReadBytes(path), "not a project");
  EXPECT_FALSE(db.HasWorkingCopy());
  EXPECT_NE(ProjectDatabase::CheckReplaceable(path), "");
  EXPECT_EQ(ProjectDatabase::CheckReplaceable(dir.File("missing.dbs")), "");
}

}  // namespace
}  // namespace linkan::testing
