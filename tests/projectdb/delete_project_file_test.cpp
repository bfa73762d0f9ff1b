// delete_project_file_test.cpp: asking before a project file is replaced.
#include <gtest/gtest.h>

#include <filesystem>

#include "projectdb/project_database.h"
#include "projectdb_test_util.h"
#include "resources/string_table.h"
#include "testutil/test_host.h"

namespace linkan::testing {
namespace {

const std::string kQuestion =
    "QUILLON|The database filename already exists and will be deleted. Do you want to continue?";

class DeleteProjectFile : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.File("LinkAnalysis.dbs");
    WriteBytes(path, "project");
    WriteBytes(path + "-wal", "log");
    WriteBytes(path + "-shm", "index");
  }
  TempDir dir;
  std::string path;
  TestHost host;
  TestAnalysis analysis{&host};
};

TEST_F(DeleteProjectFile, MissingFileGoesOnWithoutAsking) {
  EXPECT_EQ(ProjectDatabase::DeleteProjectFile(analysis, dir.File("none.dbs")), 0);
  EXPECT_TRUE(host.questions.empty());
}

TEST_F(DeleteProjectFile, YesDeletesTheFileAndItsSideFiles) {
  host.QueueAnswer(true);
  EXPECT_EQ(ProjectDatabase::DeleteProjectFile(analysis, path), 0);
  EXPECT_EQ(host.questions, (std::vector<std::string>{kQuestion}));
  EXPECT_FALSE(FileExists(path));
  EXPECT_FALSE(FileExists(path + "-wal"));
  EXPECT_FALSE(FileExists(path + "-shm"));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(DeleteProjectFile, NoLeavesEverythingUntouched) {
  host.QueueAnswer(false);
  EXPECT_EQ(ProjectDatabase::DeleteProjectFile(analysis, path), 1);
  EXPECT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(ReadBytes(path), "project");
  EXPECT_EQ(ReadBytes(path + "-wal"), "log");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(DeleteProjectFile, AutomationDeletesWithoutAsking) {
  host.SetAutomation(true);
  EXPECT_EQ(ProjectDatabase::DeleteProjectFile(analysis, path), 0);
  EXPECT_TRUE(host.questions.empty());
  EXPECT_FALSE(FileExists(path));
}

TEST_F(DeleteProjectFile, ARefusedDeleteShows10130) {
  const std::string folder = dir.File("folder.dbs");
  std::filesystem::create_directory(folder);
  host.QueueAnswer(true);
  EXPECT_EQ(ProjectDatabase::DeleteProjectFile(analysis, folder), 1);
  EXPECT_EQ(host.messages,
            (std::vector<std::string>{"The database you specified cannot be accessed!"}));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(DeleteProjectFile, AnOpenProjectCanBeReplaced) {
  const std::string project = dir.File("open.dbs");
  ProjectDatabase db;
  OpenOrFail(db, project);
  db.InsertTransaction({"s", 1.0, {1}});
  db.EndReadAccess();
  db.CloseProjectDatabase();
  host.SetAutomation(true);
  ASSERT_EQ(ProjectDatabase::DeleteProjectFile(analysis, project), 0);
  OpenOrFail(db, project);
  EXPECT_EQ(db.CountTransactions(), 0u);
}

}  // namespace
}  // namespace linkan::testing
