// temp_project.h
//
// TempProject: a fresh temporary folder for a project file, removed with
// everything in it when the object goes; and the stored records of an open
// project read back by item name.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "construction_fixture.h"
#include "projectdb/project_database.h"

namespace linkan::testing {

class TempProject {
 public:
  TempProject() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "linkan-cons-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "no temporary folder";
    folder_ = pattern;
  }
  ~TempProject() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  TempProject(const TempProject&) = delete;
  TempProject& operator=(const TempProject&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  std::string path() const { return (folder_ / "LinkAnalysis.dbs").string(); }

 private:
  std::filesystem::path folder_;
};

// Every record of the open `db` (by SID, TID) with its items as stored.
inline std::map<std::pair<std::string, double>, std::vector<std::int32_t>> StoredRecords(
    ProjectDatabase& db) {
  std::map<std::pair<std::string, double>, std::vector<std::int32_t>> out;
  db.ForEachTransaction([&out](const TransactionRecord& r) {
    EXPECT_TRUE(out.emplace(std::make_pair(r.sid, r.tid), r.items).second)
        << "two records for " << r.sid << " at " << r.tid;
  });
  return out;
}

}  // namespace linkan::testing
