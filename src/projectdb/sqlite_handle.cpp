// sqlite_handle.cpp
#include "projectdb/sqlite_handle.h"

#include "frame/host/module_error.h"
#include "projectdb/project_damage.h"

namespace linkan::projectdb {

void ThrowSqlite(sqlite3* db, std::string_view operation) {
  // SQLite met pages or records that break its file format: the file is
  // damaged, which the report says rather than a plain failure.
  const int code = db ? (sqlite3_extended_errcode(db) & 0xff) : SQLITE_NOMEM;
  if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB) {
    ThrowDamaged(db, std::string(operation) + ": " + sqlite3_errmsg(db));
  }
  std::string text = "Project database: ";
  text += operation;
  text += " failed: ";
  text += db ? sqlite3_errmsg(db) : "out of memory";
  throw ModuleError(ErrorKind::kIo, text);
}

void CheckSqlite(sqlite3* db, int rc, std::string_view operation) {
  if (rc != SQLITE_OK) ThrowSqlite(db, operation);
}

void Exec(sqlite3* db, const std::string& sql, std::string_view operation) {
  CheckSqlite(db, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), operation);
}

std::int64_t QueryInt(sqlite3* db, const std::string& sql, std::string_view operation) {
  Statement s(db, sql, operation);
  if (!s.Step(operation)) return 0;
  return s.ColumnInt64(0);
}

Statement::Statement(sqlite3* db, const std::string& sql, std::string_view operation) {
  sqlite3_stmt* raw = nullptr;
  const int rc = sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size() + 1),
                                    SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
  stmt_.reset(raw);
  if (rc != SQLITE_OK) ThrowSqlite(db, operation);
}

void Statement::BindText(int index, std::string_view text) {
  CheckSqlite(db(),
              sqlite3_bind_text64(stmt_.get(), index, text.data(), text.size(), SQLITE_TRANSIENT,
                                  SQLITE_UTF8),
              "binding a text");
}

void Statement::BindDouble(int index, double value) {
  CheckSqlite(db(), sqlite3_bind_double(stmt_.get(), index, value), "binding a number");
}

void Statement::BindInt64(int index, std::int64_t value) {
  CheckSqlite(db(), sqlite3_bind_int64(stmt_.get(), index, value), "binding a number");
}

void Statement::BindBlob(int index, std::string_view bytes, bool transient) {
  int rc;
  if (bytes.empty()) {
    rc = sqlite3_bind_zeroblob(stmt_.get(), index, 0);
  } else {
    rc = sqlite3_bind_blob64(stmt_.get(), index, bytes.data(), bytes.size(),
                             transient ? SQLITE_TRANSIENT : SQLITE_STATIC);
  }
  CheckSqlite(db(), rc, "binding an array");
}

int Statement::ParameterIndex(const std::string& name) const {
  const int index = sqlite3_bind_parameter_index(stmt_.get(), name.c_str());
  if (index == 0) {
    throw ModuleError(ErrorKind::kInternal, "Project database: no parameter " + name);
  }
  return index;
}

bool Statement::Step(std::string_view operation) {
  const int rc = sqlite3_step(stmt_.get());
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  // Keep the message before the reset replaces it.
  const int code = rc & 0xff;
  std::string message = sqlite3_errmsg(db());
  sqlite3_reset(stmt_.get());
  if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB) {
    ThrowDamaged(db(), std::string(operation) + ": " + message);
  }
  throw ModuleError(ErrorKind::kIo, "Project database: " + std::string(operation) + " failed: " + message);
}

void Statement::Run(std::string_view operation) {
  StatementUse use(*this);
  while (Step(operation)) {
  }
}

bool Statement::RunUnlessDuplicate(std::string_view operation) {
  StatementUse use(*this);
  const int rc = sqlite3_step(stmt_.get());
  if (rc == SQLITE_DONE) return true;
  const int code = sqlite3_extended_errcode(db());
  if (code == SQLITE_CONSTRAINT_UNIQUE || code == SQLITE_CONSTRAINT_PRIMARYKEY) return false;
  if (rc == SQLITE_ROW) return true;
  ThrowSqlite(db(), operation);
}

void Statement::Reset() noexcept {
  if (!stmt_) return;
  sqlite3_reset(stmt_.get());
  sqlite3_clear_bindings(stmt_.get());
}

std::string_view Statement::ColumnText(int column) const {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_.get(), column));
  const int n = sqlite3_column_bytes(stmt_.get(), column);
  return p ? std::string_view(p, static_cast<std::size_t>(n)) : std::string_view();
}

std::string_view Statement::ColumnBlob(int column) const {
  const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_.get(), column));
  const int n = sqlite3_column_bytes(stmt_.get(), column);
  return p ? std::string_view(p, static_cast<std::size_t>(n)) : std::string_view();
}

WriteTransaction::WriteTransaction(sqlite3* db, std::string_view operation)
    : db_(db), operation_(operation) {
  Exec(db_, "BEGIN IMMEDIATE", operation_);
}

WriteTransaction::~WriteTransaction() {
  if (open_) RollbackQuietly(db_);
}

void WriteTransaction::Commit() {
  Exec(db_, "COMMIT", operation_);
  open_ = false;
}

void RollbackQuietly(sqlite3* db) noexcept {
  if (db && !sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
}

}  // namespace linkan::projectdb
