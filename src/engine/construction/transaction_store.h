// transaction_store.h
//
// TransactionStore: where the construction writes its records and where the
// renumbering rewrites them. The project database is the store of a run
// (ProjectTransactionStore); the interface lets the construction run over
// any store that keeps one record per (SID, TID).
//
// Contract of a store:
// - Attach() may be called from any thread and gives that thread a writer
//   of its own; two writers may be attached and write at the same time.
// - TransactionWriter::Merge is insert-or-union: after any interleaving of
//   writers there is exactly one record per (SID, TID), holding the union
//   of every item merged into it.
// - TransactionWriter::Insert adds a record known to be absent (the caller
//   guarantees that no record and no other writer has that key).
// - Detach() commits the writer's changes; a writer destroyed without
//   Detach() discards them.
// - CountTransactions and RewriteAllTransactions belong to the analysis
//   thread and are not called while writers are attached.
//
// Thread safety: as stated per operation above.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "projectdb/project_database.h"

namespace linkan {

class TransactionWriter {
 public:
  virtual ~TransactionWriter() = default;
  // `items` ascending and distinct.
  virtual void Merge(const std::string& sid, double tid, const std::vector<std::int32_t>& items) = 0;
  virtual void Insert(const std::string& sid, double tid,
                      const std::vector<std::int32_t>& items) = 0;
  virtual void Detach() = 0;
};

class TransactionStore {
 public:
  virtual ~TransactionStore() = default;
  virtual std::uint64_t CountTransactions() = 0;
  virtual std::unique_ptr<TransactionWriter> Attach() = 0;
  // Visits every record; `rewrite` may change `items` in place and returns
  // true to have the record rewritten. All-or-nothing: when `rewrite`
  // throws, no record is changed.
  virtual void RewriteAllTransactions(const std::function<bool(TransactionRecord&)>& rewrite) = 0;
};

// The open project database as a store.
class ProjectTransactionStore : public TransactionStore {
 public:
  // REQUIRES: `db` is open for the life of the store.
  explicit ProjectTransactionStore(ProjectDatabase& db) : db_(db) {}

  std::uint64_t CountTransactions() override { return db_.CountTransactions(); }
  std::unique_ptr<TransactionWriter> Attach() override;
  void RewriteAllTransactions(const std::function<bool(TransactionRecord&)>& rewrite) override {
    db_.RewriteAllTransactions(rewrite);
  }

 private:
  ProjectDatabase& db_;
};

}  // namespace linkan
