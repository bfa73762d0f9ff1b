// project_database.cpp
//
// The handle: open and close, and the operations on TransactionInfo.
#include "projectdb/project_database.h"

#include "frame/host/module_error.h"
#include "projectdb/blob_codec.h"
#include "projectdb/project_connection.h"
#include "projectdb/project_database_internal.h"

namespace linkan {

using projectdb::Statement;
using projectdb::StatementUse;

namespace projectdb {

void CheckTime(double tid) {
  if (std::isnan(tid)) {
    throw ModuleError(ErrorKind::kInvalidInput,
                      "Project database: a transaction time is not a number");
  }
}

void DecodeItems(const std::string& path, std::string_view sid, double tid, std::string_view blob,
                 std::vector<std::int32_t>& out) {
  if (!DecodeInt32Array(blob, out)) {
    ThrowDamaged(path, TransactionPlace(sid, tid) + ": the items array holds " +
                           std::to_string(blob.size()) + " bytes, no whole number of int4 values");
  }
}

double ReadTime(const Statement& s, int column, const std::string& path, std::string_view sid) {
  const int type = s.ColumnType(column);
  if (type != SQLITE_FLOAT && type != SQLITE_INTEGER) {
    ThrowDamaged(path, "TransactionInfo record (SID \"" + std::string(sid) +
                           "\"): the TID is not a number");
  }
  return s.ColumnDouble(column);
}

}  // namespace projectdb

void ProjectDatabase::Connection::BeginPendingWrite() {
  if (pendingWrite) return;
  projectdb::Exec(raw(), "BEGIN IMMEDIATE", "starting a write");
  pendingWrite = true;
}

void ProjectDatabase::Connection::CommitPending() {
  if (!pendingWrite) return;
  projectdb::Exec(raw(), "COMMIT", "committing");
  pendingWrite = false;
}

ProjectDatabase::ProjectDatabase() = default;

ProjectDatabase::~ProjectDatabase() { CloseProjectDatabase(); }

void ProjectDatabase::SetPath(const std::string& path) {
  if (path == path_) return;
  CloseProjectDatabase();
  lock_.Release();
  path_ = path;
}

ProjectDatabase::Connection& ProjectDatabase::Conn() const {
  if (!connection_) {
    throw ModuleError(ErrorKind::kInternal, "Project database: the project file is not open");
  }
  return *connection_;
}

bool ProjectDatabase::IsOpen() const { return connection_ != nullptr; }

int ProjectDatabase::OpenProjectDatabase() {
  return OpenFile(path_, IsWriteProtected(path_) ? OpenKind::kReadOnly : OpenKind::kChecked);
}

int ProjectDatabase::OpenFile(const std::string& file, OpenKind kind) {
  openFailed_ = false;
  CloseConnection();
  lastError_.clear();
  rewriteCount_ = 0;
  auto connection = std::make_unique<Connection>();
  connection->path = path_;
  std::string why;
  const projectdb::FileCheck check = kind == OpenKind::kReadOnly  ? projectdb::FileCheck::kReadOnly
                                     : kind == OpenKind::kTrusted ? projectdb::FileCheck::kHeaderAndSchema
                                                                  : projectdb::FileCheck::kEveryPage;
  try {
    connection->db = projectdb::OpenProjectFile(file, connection->registration.tables(), why, check);
    if (connection->db) PrepareStatements(*connection);
  } catch (const projectdb::ProjectDamaged& e) {
    openFailed_ = true;
    lastError_ = e.what();
    throw;
  } catch (const ModuleError& e) {
    why = e.what();
    connection.reset();
  }
  if (!connection || !connection->db) {
    openFailed_ = true;
    lastError_ = "Failed to open the project database: " + why + ".";
    return 1;
  }
  connection_ = std::move(connection);
  openPath_ = file;
  readOnly_ = kind == OpenKind::kReadOnly;
  return 0;
}

void ProjectDatabase::PrepareStatements(Connection& c) {
  sqlite3* db = c.raw();
  c.insertTransaction =
      Statement(db, projectdb::kInsertTransactionSql, "preparing the transaction insert");
  c.findTransaction =
      Statement(db, projectdb::kFindTransactionSql, "preparing the transaction lookup");
  c.selectSequence = Statement(db,
                               "SELECT \"TID\", \"items\" FROM \"TransactionInfo\" WHERE "
                               "\"SID\" = ?1 ORDER BY \"TID\"",
                               "preparing the sequence query");
  c.walkTransactions = Statement(db,
                                 "SELECT \"SID\", \"TID\", \"items\" FROM \"TransactionInfo\" "
                                 "ORDER BY \"SID\", \"TID\"",
                                 "preparing the transaction walk");
  c.countTransactions =
      Statement(db, "SELECT count(*) FROM \"TransactionInfo\"", "preparing the count");
}

void ProjectDatabase::CloseProjectDatabase() {
  openFailed_ = false;
  if (HasWorkingCopy()) {
    DiscardWorkingCopy();
    return;
  }
  CloseConnection();
}

void ProjectDatabase::CloseConnection() noexcept {
  if (connection_) {
    // Uncommitted inserts are discarded, like any write that was not
    // committed; the connection's last close checkpoints the log.
    projectdb::RollbackQuietly(connection_->raw());
    connection_.reset();
  }
  openPath_.clear();
  readOnly_ = false;
}

// ---- Transactions ----------------------------------------------------------

void ProjectDatabase::ClearTransactions() {
  Connection& c = Conn();
  c.CommitPending();
  projectdb::WriteTransaction tx(c.raw(), "clearing the transactions");
  projectdb::Exec(c.raw(), "DELETE FROM \"TransactionInfo\"", "clearing the transactions");
  tx.Commit();
}

void ProjectDatabase::InsertTransaction(const TransactionRecord& record) {
  Connection& c = Conn();
  projectdb::CheckTime(record.tid);
  c.BeginPendingWrite();
  c.buffer.clear();
  projectdb::AppendInt32Array(c.buffer, record.items);
  Statement& s = c.insertTransaction;
  StatementUse use(s);
  s.BindText(1, record.sid);
  s.BindDouble(2, record.tid);
  s.BindBlob(3, c.buffer);
  s.Step("inserting a transaction record");
}

bool ProjectDatabase::FindTransaction(const std::string& sid, double tid, TransactionRecord& out) {
  Connection& c = Conn();
  if (std::isnan(tid)) return false;
  Statement& s = c.findTransaction;
  StatementUse use(s);
  s.BindText(1, sid);
  s.BindDouble(2, tid);
  if (!s.Step("finding a transaction record")) return false;
  std::vector<std::int32_t> items;
  projectdb::DecodeItems(c.path, sid, tid, s.ColumnBlob(0), items);
  out.sid = sid;
  out.tid = tid;
  out.items = std::move(items);
  return true;
}

std::uint64_t ProjectDatabase::CountTransactions() {
  Connection& c = Conn();
  Statement& s = c.countTransactions;
  StatementUse use(s);
  s.Step("counting the transaction records");
  return static_cast<std::uint64_t>(s.ColumnInt64(0));
}

void ProjectDatabase::RewriteAllTransactions(
    const std::function<bool(TransactionRecord&)>& rewrite) {
  Connection& c = Conn();
  c.CommitPending();
  sqlite3* db = c.raw();
  projectdb::WriteTransaction tx(db, "rewriting the transaction records");
  // The records are read in key order, a chunk at a time, and a chunk's
  // rewrites are applied after its reading ended: the table is never
  // changed under a running scan, so no record is visited twice.
  Statement first(db,
                  "SELECT \"SID\", \"TID\", \"items\" FROM \"TransactionInfo\" "
                  "ORDER BY \"SID\", \"TID\" LIMIT ?1",
                  "rewriting the transaction records");
  Statement next(db,
                 "SELECT \"SID\", \"TID\", \"items\" FROM \"TransactionInfo\" "
                 "WHERE (\"SID\", \"TID\") > (?2, ?3) ORDER BY \"SID\", \"TID\" LIMIT ?1",
                 "rewriting the transaction records");
  Statement update(db, projectdb::kUpdateItemsSql, "rewriting the transaction records");
  constexpr std::int64_t kChunk = 4096;
  std::vector<TransactionRecord> chunk;
  std::vector<bool> changed;
  std::uint64_t rewritten = 0;
  for (bool more = true; more;) {
    Statement& scan = chunk.empty() ? first : next;
    {
      StatementUse use(scan);
      scan.BindInt64(1, kChunk);
      if (!chunk.empty()) {
        scan.BindText(2, chunk.back().sid);
        scan.BindDouble(3, chunk.back().tid);
      }
      std::size_t n = 0;
      while (scan.Step("reading the transaction records")) {
        if (n == chunk.size()) chunk.emplace_back();
        TransactionRecord& r = chunk[n++];
        r.sid.assign(scan.ColumnText(0));
        r.tid = projectdb::ReadTime(scan, 1, c.path, r.sid);
        projectdb::DecodeItems(c.path, r.sid, r.tid, scan.ColumnBlob(2), r.items);
      }
      if (n == 0) break;
      chunk.resize(n);
      more = n == static_cast<std::size_t>(kChunk);
    }
    changed.assign(chunk.size(), false);
    for (std::size_t i = 0; i < chunk.size(); ++i) {
      // The key stays as stored, whatever the callback does to it.
      const std::string sid = chunk[i].sid;
      const double tid = chunk[i].tid;
      try {
        changed[i] = rewrite(chunk[i]);
      } catch (const ModuleError& e) {
        // The rewrite looked up what the record names and missed: the
        // record does not fit the project it is stored in.
        if (e.kind() != ErrorKind::kNotFound) throw;
        projectdb::ThrowDamaged(c.path, projectdb::TransactionPlace(sid, tid) +
                                            ": an item is not in the item dictionary (" +
                                            e.what() + ")");
      }
      chunk[i].sid = sid;
      chunk[i].tid = tid;
    }
    for (std::size_t i = 0; i < chunk.size(); ++i) {
      if (!changed[i]) continue;
      c.buffer.clear();
      projectdb::AppendInt32Array(c.buffer, chunk[i].items);
      StatementUse use(update);
      update.BindText(1, chunk[i].sid);
      update.BindDouble(2, chunk[i].tid);
      update.BindBlob(3, c.buffer);
      update.Step("rewriting a transaction record");
      ++rewritten;
    }
  }
  tx.Commit();
  rewriteCount_ += rewritten;
}

std::size_t ProjectDatabase::SelectSequence(const std::string& sid,
                                            std::vector<TransactionRecord>& out) {
  Connection& c = Conn();
  Statement& s = c.selectSequence;
  StatementUse use(s);
  s.BindText(1, sid);
  if (!s.Step("reading a sequence")) return 0;
  out.clear();
  do {
    TransactionRecord& r = out.emplace_back();
    r.sid = sid;
    r.tid = projectdb::ReadTime(s, 0, c.path, sid);
    projectdb::DecodeItems(c.path, sid, r.tid, s.ColumnBlob(1), r.items);
  } while (s.Step("reading a sequence"));
  return out.size();
}

void ProjectDatabase::ForEachTransaction(
    const std::function<void(const TransactionRecord&)>& visit) {
  Connection& c = Conn();
  Statement& s = c.walkTransactions;
  StatementUse use(s);
  TransactionRecord record;
  while (s.Step("walking the transaction records")) {
    record.sid.assign(s.ColumnText(0));
    record.tid = projectdb::ReadTime(s, 1, c.path, record.sid);
    projectdb::DecodeItems(c.path, record.sid, record.tid, s.ColumnBlob(2), record.items);
    visit(record);
  }
}

void ProjectDatabase::EndReadAccess() { Conn().CommitPending(); }

}  // namespace linkan
