// attached_writer.cpp
//
// AttachedWriter: a worker's own connection. Its first write starts one
// write transaction (BEGIN IMMEDIATE: the look-up and the insert or update
// of a Merge can never interleave with another writer's), which Detach
// commits and the destructor otherwise rolls back. Another writer's
// BEGIN IMMEDIATE waits in the busy handler until this one commits.
#include <algorithm>

#include "frame/host/module_error.h"
#include "projectdb/blob_codec.h"
#include "projectdb/project_connection.h"
#include "projectdb/project_database_internal.h"

namespace linkan {

using projectdb::Statement;
using projectdb::StatementUse;

namespace {

// `items` when ascending and distinct, else a sorted distinct copy in
// `scratch`.
const std::vector<std::int32_t>& AscendingDistinct(const std::vector<std::int32_t>& items,
                                                   std::vector<std::int32_t>& scratch) {
  if (std::adjacent_find(items.begin(), items.end(), std::greater_equal<>()) == items.end()) {
    return items;
  }
  scratch = items;
  std::sort(scratch.begin(), scratch.end());
  scratch.erase(std::unique(scratch.begin(), scratch.end()), scratch.end());
  return scratch;
}

}  // namespace

struct AttachedWriter::Impl {
  projectdb::SqliteDb db;
  std::string path;
  Statement find;
  Statement insert;
  Statement update;
  bool inTransaction = false;
  std::string bytes;
  std::vector<std::int32_t> stored;
  std::vector<std::int32_t> merged;
  std::vector<std::int32_t> sorted;
  std::vector<std::int32_t> storedSorted;

  sqlite3* raw() const {
    if (!db) throw ModuleError(ErrorKind::kInternal, "Project database: the writer is detached");
    return db.get();
  }

  void Begin() {
    if (inTransaction) return;
    projectdb::Exec(raw(), "BEGIN IMMEDIATE", "starting a write");
    inTransaction = true;
  }

  // True with the record's items in `stored` when present.
  bool Find(const std::string& sid, double tid) {
    StatementUse use(find);
    find.BindText(1, sid);
    find.BindDouble(2, tid);
    if (!find.Step("finding a transaction record")) return false;
    projectdb::DecodeItems(path, sid, tid, find.ColumnBlob(0), stored);
    return true;
  }

  // False when the record (sid, tid) exists already.
  bool Insert(const std::string& sid, double tid, const std::vector<std::int32_t>& items) {
    bytes.clear();
    projectdb::AppendInt32Array(bytes, items);
    insert.BindText(1, sid);
    insert.BindDouble(2, tid);
    insert.BindBlob(3, bytes);
    return insert.RunUnlessDuplicate("inserting a transaction record");
  }

  void Merge(const std::string& sid, double tid, const std::vector<std::int32_t>& items) {
    const std::vector<std::int32_t>& add = AscendingDistinct(items, sorted);
    if (!Find(sid, tid)) {
      if (!Insert(sid, tid, add)) {
        throw ModuleError(ErrorKind::kInternal,
                          "Project database: a record appeared inside a write");
      }
      return;
    }
    // Records rewritten by the renumbering keep their order, so the stored
    // items need not be ascending.
    const std::vector<std::int32_t>& have = AscendingDistinct(stored, storedSorted);
    merged.clear();
    std::set_union(have.begin(), have.end(), add.begin(), add.end(), std::back_inserter(merged));
    if (merged == stored) return;
    bytes.clear();
    projectdb::AppendInt32Array(bytes, merged);
    StatementUse use(update);
    update.BindText(1, sid);
    update.BindDouble(2, tid);
    update.BindBlob(3, bytes);
    update.Step("updating a transaction record");
  }
};

AttachedWriter::AttachedWriter(const ProjectDatabase& db) : impl_(std::make_unique<Impl>()) {
  if (!db.IsOpen()) {
    throw ModuleError(ErrorKind::kInternal, "Project database: the project file is not open");
  }
  impl_->path = db.Path();  // damage is reported under the project's name
  impl_->db = projectdb::OpenWriterConnection(db.openPath_);
  sqlite3* raw = impl_->db.get();
  impl_->find = Statement(raw, projectdb::kFindTransactionSql, "preparing the transaction lookup");
  impl_->insert =
      Statement(raw, projectdb::kInsertTransactionSql, "preparing the transaction insert");
  impl_->update = Statement(raw, projectdb::kUpdateItemsSql, "preparing the transaction update");
}

AttachedWriter::~AttachedWriter() {
  if (impl_ && impl_->inTransaction) projectdb::RollbackQuietly(impl_->db.get());
}

void AttachedWriter::Merge(const std::string& sid, double tid,
                           const std::vector<std::int32_t>& items) {
  projectdb::CheckTime(tid);
  impl_->Begin();
  impl_->Merge(sid, tid, items);
}

void AttachedWriter::Insert(const std::string& sid, double tid,
                            const std::vector<std::int32_t>& items) {
  projectdb::CheckTime(tid);
  impl_->Begin();
  // A record stored meanwhile by another writer (both saw an empty table):
  // union with it instead of failing.
  if (!impl_->Insert(sid, tid, items)) impl_->Merge(sid, tid, items);
}

void AttachedWriter::Detach() {
  if (!impl_->db) return;
  if (impl_->inTransaction) {
    projectdb::Exec(impl_->db.get(), "COMMIT", "committing the writer's records");
    impl_->inTransaction = false;
  }
  impl_->find = {};
  impl_->insert = {};
  impl_->update = {};
  impl_->db.reset();
}

}  // namespace linkan
