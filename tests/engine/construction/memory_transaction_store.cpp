// memory_transaction_store.cpp
#include "memory_transaction_store.h"

#include <algorithm>
#include <thread>

#include "frame/host/module_error.h"

namespace linkan::testing {

class MemoryWriter : public TransactionWriter {
 public:
  explicit MemoryWriter(MemoryTransactionStore& store) : store_(store) {
    const int now = ++store_.writers_;
    int seen = store_.maxWriters_.load();
    while (now > seen && !store_.maxWriters_.compare_exchange_weak(seen, now)) {
    }
  }
  ~MemoryWriter() override { --store_.writers_; }

  void Merge(const std::string& sid, double tid, const std::vector<std::int32_t>& items) override {
    store_.CountWrite();
    changes_.push_back({false, sid, tid, items});
  }
  void Insert(const std::string& sid, double tid,
              const std::vector<std::int32_t>& items) override {
    store_.CountWrite();
    changes_.push_back({true, sid, tid, items});
  }
  void Detach() override {
    store_.Commit(changes_);
    changes_.clear();
  }

 private:
  MemoryTransactionStore& store_;
  std::vector<MemoryTransactionStore::Change> changes_;
};

std::uint64_t MemoryTransactionStore::CountTransactions() {
  std::lock_guard<std::mutex> lock(mutex_);
  return records_.size();
}

std::unique_ptr<TransactionWriter> MemoryTransactionStore::Attach() {
  ++attaches_;
  return std::make_unique<MemoryWriter>(*this);
}

void MemoryTransactionStore::CountWrite() {
  if (delay_.count() > 0) std::this_thread::sleep_for(delay_);
  if (failAt_.load() > 0 && --failAt_ == 0) {
    throw ModuleError(ErrorKind::kIo, "disk I/O error");
  }
}

void MemoryTransactionStore::Commit(const std::vector<Change>& changes) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const Change& c : changes) {
    auto it = records_.find({c.sid, c.tid});
    if (it == records_.end()) {
      records_.emplace(Key{c.sid, c.tid}, c.items);
      created_.push_back({c.sid, c.tid});
      continue;
    }
    if (c.insert) ++violations_;
    std::set<std::int32_t> all(it->second.begin(), it->second.end());
    all.insert(c.items.begin(), c.items.end());
    it->second.assign(all.begin(), all.end());
  }
}

void MemoryTransactionStore::RewriteAllTransactions(
    const std::function<bool(TransactionRecord&)>& rewrite) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto copy = records_;
  int rewrites = 0;
  for (auto& [key, items] : copy) {
    TransactionRecord record{key.first, key.second, items};
    if (rewrite(record)) {
      items = record.items;
      ++rewrites;
    }
  }
  records_ = std::move(copy);
  rewrites_ += rewrites;
}

std::map<MemoryTransactionStore::Key, std::vector<std::int32_t>> MemoryTransactionStore::Records()
    const {
  std::lock_guard<std::mutex> lock(mutex_);
  return records_;
}

std::vector<MemoryTransactionStore::Key> MemoryTransactionStore::CreationOrder() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return created_;
}

void MemoryTransactionStore::Put(const std::string& sid, double tid,
                                 std::vector<std::int32_t> items) {
  std::lock_guard<std::mutex> lock(mutex_);
  records_[{sid, tid}] = std::move(items);
}

}  // namespace linkan::testing
