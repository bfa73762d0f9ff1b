// project_database_internal.h
//
// The open connection of a ProjectDatabase handle, shared by the files that
// implement the handle's operations, and the helpers they have in common.
//
// Transactions on the handle's connection: reads run as single statements
// (each ends its snapshot when done); InsertTransaction opens a write that
// stays open (`pendingWrite`) until EndReadAccess or the next committing
// operation commits it; every other write runs in a transaction of its own
// that commits at its end or rolls back on failure.
//
// Thread safety: used by the thread that owns the handle.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "projectdb/project_damage.h"
#include "projectdb/project_database.h"
#include "projectdb/project_tables.h"
#include "projectdb/sqlite_handle.h"

namespace linkan {

struct ProjectDatabase::Connection {
  // The registration keeps the table descriptions alive while open.
  projectdb::ProjectTablesRegistration registration;
  projectdb::SqliteDb db;
  std::string path;  // as given to the handle, for damage reports

  // Prepared once, reused (hot paths).
  projectdb::Statement insertTransaction;  // (SID, TID, items)
  projectdb::Statement findTransaction;    // SID = ?1 AND TID = ?2
  projectdb::Statement selectSequence;     // SID = ?1 ORDER BY TID
  projectdb::Statement walkTransactions;   // ORDER BY SID, TID
  projectdb::Statement countTransactions;

  bool pendingWrite = false;
  std::string buffer;  // encoding scratch

  sqlite3* raw() const { return db.get(); }
  // Opens the pending write when none is open.
  void BeginPendingWrite();
  // Commits the pending write, if any.
  void CommitPending();
};

namespace projectdb {

// SQL of the hot statements on TransactionInfo.
inline constexpr const char* kInsertTransactionSql =
    "INSERT INTO \"TransactionInfo\" (\"SID\", \"TID\", \"items\") VALUES (?1, ?2, ?3)";
inline constexpr const char* kFindTransactionSql =
    "SELECT \"items\" FROM \"TransactionInfo\" WHERE \"SID\" = ?1 AND \"TID\" = ?2";
inline constexpr const char* kUpdateItemsSql =
    "UPDATE \"TransactionInfo\" SET \"items\" = ?3 WHERE \"SID\" = ?1 AND \"TID\" = ?2";

// Throws ModuleError(kInvalidInput) for a NaN transaction time, which no
// record can be keyed by.
void CheckTime(double tid);
// Decodes the items blob of the record (sid, tid) of the project file at
// `path`, or reports the damage (project_damage.h).
void DecodeItems(const std::string& path, std::string_view sid, double tid, std::string_view blob,
                 std::vector<std::int32_t>& out);
// The TID column of the current row of `s`: a REAL (SQLite reads a stored
// whole number back as REAL), else damage.
double ReadTime(const Statement& s, int column, const std::string& path, std::string_view sid);

}  // namespace projectdb
}  // namespace linkan
