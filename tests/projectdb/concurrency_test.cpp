// concurrency_test.cpp: two attached writers merging overlapping batches
// into one open project at the same time, with reads on the handle.
#include <gtest/gtest.h>

#include <atomic>
#include <exception>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "projectdb/project_database.h"
#include "projectdb_test_util.h"

namespace linkan::testing {
namespace {

struct Entry {
  std::string sid;
  double tid;
  std::vector<std::int32_t> items;  // ascending, distinct
};

// One worker's batches: keys drawn from a range shared with the other
// worker, so many (SID, TID) pairs are written by both.
std::vector<std::vector<Entry>> MakeBatches(unsigned seed, int batches, int perBatch) {
  std::mt19937 rng(seed);
  std::vector<std::vector<Entry>> out(static_cast<std::size_t>(batches));
  for (auto& batch : out) {
    for (int i = 0; i < perBatch; ++i) {
      std::set<std::int32_t> items;
      const int n = 1 + static_cast<int>(rng() % 4);
      for (int k = 0; k < n; ++k) items.insert(static_cast<std::int32_t>(rng() % 50));
      batch.push_back({"seq" + std::to_string(rng() % 300),
                       static_cast<double>(rng() % 4),
                       {items.begin(), items.end()}});
    }
  }
  return out;
}

TEST(ConcurrentWriters, OverlappingMergesGiveOneRecordWithTheUnionEach) {
  TempDir dir;
  ProjectDatabase db;
  OpenOrFail(db, dir.File("c.dbs"));
  // Some records exist before the writers start.
  db.InsertTransaction({"seq1", 0.0, {100}});
  db.InsertTransaction({"seq2", 1.0, {101, 7}});
  db.EndReadAccess();

  const auto first = MakeBatches(1, 8, 600);
  const auto second = MakeBatches(2, 8, 600);
  std::map<std::pair<std::string, double>, std::set<std::int32_t>> expected;
  expected[{"seq1", 0.0}] = {100};
  expected[{"seq2", 1.0}] = {7, 101};
  for (const auto* batches : {&first, &second}) {
    for (const auto& batch : *batches) {
      for (const Entry& e : batch) expected[{e.sid, e.tid}].insert(e.items.begin(), e.items.end());
    }
  }

  std::exception_ptr failure;
  std::mutex failureMutex;
  std::atomic<int> running{2};
  const auto work = [&](const std::vector<std::vector<Entry>>& batches, bool insertFirst) {
    try {
      for (const auto& batch : batches) {
        AttachedWriter writer(db);
        for (std::size_t i = 0; i < batch.size(); ++i) {
          const Entry& e = batch[i];
          // Both writers also insert keys the other may have stored first.
          if (insertFirst && i % 5 == 0) {
            writer.Insert(e.sid, e.tid, e.items);
          } else {
            writer.Merge(e.sid, e.tid, e.items);
          }
        }
        writer.Detach();
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(failureMutex);
      failure = std::current_exception();
    }
    --running;
  };
  std::thread a(work, std::cref(first), true);
  std::thread b(work, std::cref(second), true);
  // The handle keeps reading meanwhile; a busy database never surfaces.
  std::uint64_t lastCount = 0;
  while (running.load() > 0) {
    const std::uint64_t count = db.CountTransactions();
    EXPECT_GE(count, lastCount);
    lastCount = count;
    std::this_thread::yield();
  }
  a.join();
  b.join();
  if (failure) std::rethrow_exception(failure);

  std::map<std::pair<std::string, double>, std::set<std::int32_t>> stored;
  std::size_t records = 0;
  db.ForEachTransaction([&](const TransactionRecord& r) {
    ++records;
    EXPECT_TRUE(std::is_sorted(r.items.begin(), r.items.end()));
    EXPECT_EQ(std::adjacent_find(r.items.begin(), r.items.end()), r.items.end());
    stored[{r.sid, r.tid}].insert(r.items.begin(), r.items.end());
  });
  EXPECT_EQ(records, expected.size());
  EXPECT_EQ(stored, expected);
}

}  // namespace
}  // namespace linkan::testing
