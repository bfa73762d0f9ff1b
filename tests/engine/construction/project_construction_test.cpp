// Tests of the construction into a real project database: two writers
// merging the same (SID, TID) keys, the same data added twice, and the
// renumbering of every stored record.
#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "engine/construction/bucket_pipeline.h"
#include "engine/construction/build_transaction_database.h"
#include "engine/construction/transaction_store.h"
#include "temp_project.h"

namespace linkan {
namespace {

using testing::NamedRecords;
using testing::StoredRecords;
using testing::TempProject;

class ProjectConstructionTest : public testing::ConstructionFixture {
 protected:
  void SetUp() override {
    db.SetPath(temp.path());
    ASSERT_EQ(db.OpenProjectDatabase(), 0);
  }
  TempProject temp;
  ProjectDatabase db;
};

// Regression: the writer of the tenth bucket and the writer of the first may
// run at once; each looked a key up, found nothing and inserted it, so a
// (SID, TID) could be stored twice. Every bucket here holds the same keys
// and writers overlap as the ten buckets wrap around: exactly one record
// per key must result, with the union of the items.
TEST_F(ProjectConstructionTest, OverlappingWritersStoreOneRecordPerKey) {
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> id(0, 5), time(0, 2), item(0, 60);
  std::vector<std::string> ids, items;
  std::vector<double> times;
  NamedRecords expected;
  for (int c = 0; c < 3000; ++c) {
    ids.push_back("K" + std::to_string(id(rng)));
    times.push_back(time(rng));
    items.push_back("i" + std::to_string(item(rng)));
    expected[{ids.back(), times.back()}].insert(items.back());
  }
  host.AddText("id", ids);
  host.AddNumeric("t", times);
  host.AddText("item", items);
  Engine(&db);
  UseIdVariable(1);
  UseTimeVariable(2);
  AddResponse(3);
  ConstructionOptions options;
  options.handOverThreshold = 20;  // about 150 hand-overs
  BuildTransactionDatabase(*engine, options);

  const auto stored = StoredRecords(db);
  EXPECT_EQ(Named(stored), expected);
  EXPECT_EQ(stored.size(), expected.size());
  EXPECT_TRUE(NumberedInNameOrder());
}

// The same key merged by two writers at once, many times over.
TEST_F(ProjectConstructionTest, TwoWritersAtOnceUnionTheirItems) {
  ProjectTransactionStore store(db);
  Bucket first, second;
  std::map<std::pair<std::string, double>, std::set<std::int32_t>> want;
  for (int k = 0; k < 200; ++k) {
    const auto sequence = static_cast<std::uint32_t>(k % 50);
    const std::string sid = "s" + std::to_string(sequence);
    const double tid = k / 50;
    first[sequence].sid = second[sequence].sid = sid;
    first[sequence].times[tid] = {k % 7 + 1, 10};
    second[sequence].times[tid] = {k % 5 + 20, 10};
    want[{sid, tid}] = {k % 7 + 1, k % 5 + 20, 10};
  }
  std::thread a([&] { WriteBucket(store, first, false); });
  std::thread b([&] { WriteBucket(store, second, false); });
  a.join();
  b.join();
  const auto stored = StoredRecords(db);
  ASSERT_EQ(stored.size(), 200u);
  for (const auto& [key, items] : stored) {
    EXPECT_EQ(std::set<std::int32_t>(items.begin(), items.end()), want.at(key)) << key.first;
    EXPECT_EQ(items.size(), want.at(key).size());
  }
}

TEST_F(ProjectConstructionTest, SameDataTwiceLeavesRecordsUnchangedInContent) {
  host.AddText("id", {"A", "A", "B", "C"});
  host.AddNumeric("t", {1, 1, 2, 2});
  host.AddText("item", {"zeta", "alpha", "mid", "alpha"});
  Engine(&db);
  UseIdVariable(1);
  UseTimeVariable(2);
  AddResponse(3);
  BuildTransactionDatabase(*engine);
  const NamedRecords once = Named(StoredRecords(db));
  // Renumbered in place: zeta (1) and alpha (2) of A became 3 and 1.
  EXPECT_EQ(StoredRecords(db).at({"A", 1}), (std::vector<std::int32_t>{3, 1}));

  BuildTransactionDatabase(*engine);
  EXPECT_EQ(Named(StoredRecords(db)), once);
  EXPECT_EQ(engine->transactionIds, (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(Settings().size, 3u);
  EXPECT_EQ(db.CountTransactions(), 3u);
}

}  // namespace
}  // namespace linkan
