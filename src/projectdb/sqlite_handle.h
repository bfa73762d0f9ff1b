// sqlite_handle.h
//
// RAII ownership of SQLite connections and prepared statements, and the
// small helpers every project database file uses to run SQL:
//   SqliteDb       owns a sqlite3* (closed with sqlite3_close_v2);
//   Statement      owns a sqlite3_stmt* prepared once and reused; binding
//                  helpers take values only (never SQL text);
//   StatementUse   resets and clears a statement when the scope ends, so a
//                  read never keeps its snapshot open after it is done;
//   WriteTransaction  BEGIN IMMEDIATE ... COMMIT, rolled back by the
//                  destructor unless committed.
// A failing SQLite call throws ModuleError(kIo, "<operation>: <SQLite's
// message>"), a damage report (project_damage.h) when SQLite found the file
// corrupt. Column readers do not throw.
//
// Thread safety: a connection and its statements belong to one thread at a
// time.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace linkan::projectdb {

struct SqliteCloser {
  void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
using SqliteDb = std::unique_ptr<sqlite3, SqliteCloser>;

// Throws ModuleError(kIo) naming `operation` with the connection's message.
[[noreturn]] void ThrowSqlite(sqlite3* db, std::string_view operation);
// Throws when `rc` is not SQLITE_OK.
void CheckSqlite(sqlite3* db, int rc, std::string_view operation);

// Runs SQL without parameters (schema statements, pragmas, BEGIN/COMMIT).
void Exec(sqlite3* db, const std::string& sql, std::string_view operation);
// Runs a query that yields one integer (a pragma, count(*)).
std::int64_t QueryInt(sqlite3* db, const std::string& sql, std::string_view operation);

class Statement {
 public:
  Statement() = default;
  Statement(sqlite3* db, const std::string& sql, std::string_view operation);
  Statement(Statement&&) noexcept = default;
  Statement& operator=(Statement&&) noexcept = default;

  bool valid() const { return stmt_ != nullptr; }
  sqlite3_stmt* get() const { return stmt_.get(); }
  sqlite3* db() const { return sqlite3_db_handle(stmt_.get()); }

  // Parameters are numbered from 1.
  void BindText(int index, std::string_view text);
  void BindDouble(int index, double value);
  void BindInt64(int index, std::int64_t value);
  // A zero-length blob (never NULL) when `bytes` is empty. The bytes are
  // copied by SQLite only when `transient`; otherwise they must outlive the
  // step.
  void BindBlob(int index, std::string_view bytes, bool transient = false);
  // The index of the named parameter (":name"); throws when absent.
  int ParameterIndex(const std::string& name) const;

  // One step: true with a row, false when done. Throws on failure.
  bool Step(std::string_view operation);
  // Steps a statement that returns no row.
  void Run(std::string_view operation);
  // Steps a statement that returns no row: true when done, false when it
  // broke a UNIQUE or PRIMARY KEY constraint (its change undone); throws
  // otherwise.
  bool RunUnlessDuplicate(std::string_view operation);
  void Reset() noexcept;

  // Column readers for the current row.
  std::int64_t ColumnInt64(int column) const { return sqlite3_column_int64(stmt_.get(), column); }
  double ColumnDouble(int column) const { return sqlite3_column_double(stmt_.get(), column); }
  std::string_view ColumnText(int column) const;
  std::string_view ColumnBlob(int column) const;
  int ColumnType(int column) const { return sqlite3_column_type(stmt_.get(), column); }

 private:
  struct Finalizer {
    void operator()(sqlite3_stmt* s) const noexcept { sqlite3_finalize(s); }
  };
  std::unique_ptr<sqlite3_stmt, Finalizer> stmt_;
};

// Resets (and unbinds) a statement on scope exit.
class StatementUse {
 public:
  explicit StatementUse(Statement& s) : s_(s) {}
  ~StatementUse() { s_.Reset(); }
  StatementUse(const StatementUse&) = delete;
  StatementUse& operator=(const StatementUse&) = delete;

 private:
  Statement& s_;
};

// One write transaction: BEGIN IMMEDIATE on construction (waiting through
// the connection's busy handler), COMMIT by Commit(), ROLLBACK when
// destroyed uncommitted.
class WriteTransaction {
 public:
  WriteTransaction(sqlite3* db, std::string_view operation);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;
  void Commit();

 private:
  sqlite3* db_;
  std::string operation_;
  bool open_ = true;
};

// Rolls back the connection's open transaction, if any; never throws.
void RollbackQuietly(sqlite3* db) noexcept;

}  // namespace linkan::projectdb
