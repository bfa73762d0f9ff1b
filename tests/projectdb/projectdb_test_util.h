// projectdb_test_util.h
//
// Helpers of the project database tests: a temporary folder removed at the
// end, whole-file reads and writes, a fully populated project record, a
// field-by-field comparison of settings, and a raw SQLite connection for
// looking into a project file the way any SQLite tool would.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "projectdb/project_database.h"

namespace linkan::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // The names in the folder, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::string path_;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// Every scalar set away from its default, every list and array filled:
// two dichotomy variables with 3 and 1 codes, one non-sequential dichotomy
// variable with 2 codes, two continuous variables and one non-sequential,
// two taxonomy maps over the same three items, a stop list of two names.
ProjectRecord FullProjectRecord();

// Compares every stored field of two settings records (gtest expectations).
void ExpectSameSettings(const AnalysisSettings& expected, const AnalysisSettings& actual);

// A read-only SQLite connection to a project file.
class RawDb {
 public:
  explicit RawDb(const std::string& path, bool writable = false);
  ~RawDb();
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;
  sqlite3* get() const { return db_; }
  std::int64_t Int(const std::string& sql) const;
  std::string Text(const std::string& sql) const;
  std::string Blob(const std::string& sql) const;
  void Exec(const std::string& sql) const;
  // One row per result row, the columns joined by '|'.
  std::vector<std::string> Rows(const std::string& sql) const;

 private:
  sqlite3* db_ = nullptr;
};

// Opens `path` as a project or fails the test.
void OpenOrFail(ProjectDatabase& db, const std::string& path);

// Runs `action` and expects the damage report of the project file at
// `path`: an I/O ModuleError reading "the project file "<path>" is damaged: "
// and then what it found, which is returned ("" and a failure when there
// was no report).
std::string DamageReport(const std::string& path, const std::function<void()>& action);

}  // namespace linkan::testing
