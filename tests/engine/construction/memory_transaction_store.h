// memory_transaction_store.h
//
// MemoryTransactionStore: a TransactionStore kept in memory for the tests of
// the construction. A writer collects its changes and applies them when it
// detaches (a commit); Merge unions, Insert refuses an existing key (counted
// as a violation, so a test sees a blind insert that should have merged).
// It records how many writers were attached at once, can slow every write
// down to make workers overlap, and can fail the n-th write.
//
// Thread safety: every member may be called from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/construction/transaction_store.h"

namespace linkan::testing {

class MemoryTransactionStore : public TransactionStore {
 public:
  using Key = std::pair<std::string, double>;

  std::uint64_t CountTransactions() override;
  std::unique_ptr<TransactionWriter> Attach() override;
  void RewriteAllTransactions(const std::function<bool(TransactionRecord&)>& rewrite) override;

  // Every record, ordered by (SID, TID).
  std::map<Key, std::vector<std::int32_t>> Records() const;
  void Put(const std::string& sid, double tid, std::vector<std::int32_t> items);
  // The keys of the records committed by writers, in the order they were
  // created (the order of a database's rows).
  std::vector<Key> CreationOrder() const;

  // ---- Instrumentation ----
  void SetWriteDelay(std::chrono::microseconds delay) { delay_ = delay; }
  // The `n`-th write from now on (1-based) throws ModuleError(kIo).
  void FailWrite(long n) { failAt_ = n; }
  int MaxConcurrentWriters() const { return maxWriters_.load(); }
  int Attaches() const { return attaches_.load(); }
  int InsertViolations() const { return violations_.load(); }
  int Rewrites() const { return rewrites_; }

 private:
  friend class MemoryWriter;
  struct Change {
    bool insert;
    std::string sid;
    double tid;
    std::vector<std::int32_t> items;
  };
  void Commit(const std::vector<Change>& changes);
  void CountWrite();

  mutable std::mutex mutex_;
  std::map<Key, std::vector<std::int32_t>> records_;
  std::vector<Key> created_;
  std::chrono::microseconds delay_{0};
  std::atomic<long> failAt_{0};
  std::atomic<int> writers_{0};
  std::atomic<int> maxWriters_{0};
  std::atomic<int> attaches_{0};
  std::atomic<int> violations_{0};
  int rewrites_ = 0;
};

}  // namespace linkan::testing
