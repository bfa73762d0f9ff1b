// transactions_test.cpp: TransactionInfo through the handle and a writer,
// checked against a plain map as the model.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <stdexcept>

#include "frame/host/module_error.h"
#include "projectdb/project_database.h"
#include "projectdb_test_util.h"

namespace linkan::testing {
namespace {

using Model = std::map<std::pair<std::string, double>, std::vector<std::int32_t>>;

Model Walk(ProjectDatabase& db) {
  Model out;
  std::pair<std::string, double> last;
  bool first = true;
  db.ForEachTransaction([&](const TransactionRecord& r) {
    const std::pair<std::string, double> key{r.sid, r.tid};
    // Byte-wise SID order, then ascending TID: the model's own order.
    if (!first) {
      EXPECT_LT(last, key);
    }
    first = false;
    last = key;
    out[key] = r.items;
  });
  return out;
}

class Transactions : public ::testing::Test {
 protected:
  void SetUp() override { OpenOrFail(db, dir.File("t.dbs")); }
  TempDir dir;
  ProjectDatabase db;
};

TEST_F(Transactions, InsertFindCountAndSequencesInTimeOrder) {
  db.InsertTransaction({"s2", 5.0, {4}});
  db.InsertTransaction({"s1", 3.5, {9, 2}});
  db.InsertTransaction({"s1", -1.0, {1}});
  db.InsertTransaction({"s1", 1e20, {7}});
  db.InsertTransaction({"s1", 2.0, {}});
  EXPECT_EQ(db.CountTransactions(), 5u);

  TransactionRecord found;
  ASSERT_TRUE(db.FindTransaction("s1", 3.5, found));
  EXPECT_EQ(found, (TransactionRecord{"s1", 3.5, {9, 2}}));  // stored as given
  EXPECT_FALSE(db.FindTransaction("s1", 3.25, found));
  EXPECT_FALSE(db.FindTransaction("S1", 3.5, found));
  EXPECT_FALSE(db.FindTransaction("s1", std::nan(""), found));
  EXPECT_EQ(found.tid, 3.5);  // untouched by the misses

  std::vector<TransactionRecord> sequence;
  ASSERT_EQ(db.SelectSequence("s1", sequence), 4u);
  EXPECT_EQ(sequence,
            (std::vector<TransactionRecord>{
                {"s1", -1.0, {1}}, {"s1", 2.0, {}}, {"s1", 3.5, {9, 2}}, {"s1", 1e20, {7}}}));
  ASSERT_EQ(db.SelectSequence("s2", sequence), 1u);  // cleared first
  EXPECT_EQ(sequence, (std::vector<TransactionRecord>{{"s2", 5.0, {4}}}));

  EXPECT_EQ(db.SelectSequence("nobody", sequence), 0u);
  EXPECT_EQ(sequence, (std::vector<TransactionRecord>{{"s2", 5.0, {4}}}));
}

TEST_F(Transactions, IdentifiersAreDataNeverSql) {
  const std::string tricky = "x' OR '1'='1";
  db.InsertTransaction({tricky, 1.0, {1}});
  db.InsertTransaction({"y", 1.0, {2}});
  std::vector<TransactionRecord> sequence;
  EXPECT_EQ(db.SelectSequence(tricky, sequence), 1u);
  EXPECT_EQ(db.SelectSequence("x", sequence), 0u);
  db.InsertTransaction({"\"; DROP TABLE TransactionInfo; --", 2.0, {3}});
  EXPECT_EQ(db.CountTransactions(), 3u);
}

TEST_F(Transactions, WalkIsByteWiseBySidThenByTime) {
  db.InsertTransaction({"b", 2.0, {1}});
  db.InsertTransaction({"\xc3\xa9", 1.0, {1}});
  db.InsertTransaction({"B", 1.0, {1}});
  db.InsertTransaction({"b", -3.0, {1}});
  db.InsertTransaction({"ab", 1.0, {1}});
  db.InsertTransaction({"a", 9.0, {1}});
  std::vector<std::string> order;
  db.ForEachTransaction([&](const TransactionRecord& r) {
    order.push_back(r.sid + "@" + std::to_string(static_cast<int>(r.tid)));
  });
  EXPECT_EQ(order, (std::vector<std::string>{"B@1", "a@9", "ab@1", "b@-3", "b@2", "\xc3\xa9@1"}));
}

TEST_F(Transactions, UncommittedInsertsEndWithTheConnection) {
  db.InsertTransaction({"kept", 1.0, {1}});
  db.EndReadAccess();
  db.InsertTransaction({"dropped", 1.0, {2}});
  db.CloseProjectDatabase();
  OpenOrFail(db, dir.File("t.dbs"));
  TransactionRecord r;
  EXPECT_TRUE(db.FindTransaction("kept", 1.0, r));
  EXPECT_FALSE(db.FindTransaction("dropped", 1.0, r));
}

TEST_F(Transactions, DuplicateKeysAndNanTimesAreRefused) {
  db.InsertTransaction({"s", 1.0, {1}});
  EXPECT_THROW(db.InsertTransaction({"s", 1.0, {2}}), ModuleError);
  try {
    db.InsertTransaction({"s", std::nan(""), {2}});
    ADD_FAILURE();
  } catch (const ModuleError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kInvalidInput);
  }
  db.EndReadAccess();
  EXPECT_EQ(db.CountTransactions(), 1u);
}

TEST_F(Transactions, RewriteChangesItemsInPlaceAndCommitsOnce) {
  for (int i = 0; i < 50; ++i) {
    db.InsertTransaction({"s" + std::to_string(i % 7), 1.0 * i, {i, 1}});
  }
  // The renumbering: item x becomes 100 - x, positions kept.
  db.RewriteAllTransactions([](TransactionRecord& r) {
    if (r.items[0] % 2 != 0) return false;
    for (auto& item : r.items) item = 100 - item;
    return true;
  });
  EXPECT_EQ(db.RewriteCount(), 25u);
  TransactionRecord r;
  ASSERT_TRUE(db.FindTransaction("s4", 4.0, r));
  EXPECT_EQ(r.items, (std::vector<std::int32_t>{96, 99}));
  ASSERT_TRUE(db.FindTransaction("s3", 3.0, r));
  EXPECT_EQ(r.items, (std::vector<std::int32_t>{3, 1}));

  // A rewrite that fails half-way leaves every record as it was.
  int visited = 0;
  EXPECT_THROW(db.RewriteAllTransactions([&](TransactionRecord& t) {
    if (++visited == 30) throw std::runtime_error("cancelled");
    t.items = {0};
    return true;
  }),
               std::runtime_error);
  EXPECT_EQ(db.RewriteCount(), 25u);
  ASSERT_TRUE(db.FindTransaction("s4", 4.0, r));
  EXPECT_EQ(r.items, (std::vector<std::int32_t>{96, 99}));

  db.ClearTransactions();
  EXPECT_EQ(db.CountTransactions(), 0u);
  db.CloseProjectDatabase();
  OpenOrFail(db, dir.File("t.dbs"));
  EXPECT_EQ(db.CountTransactions(), 0u);
  EXPECT_EQ(db.RewriteCount(), 0u);
}

TEST_F(Transactions, RewriteVisitsEveryRecordOfALargeTableOnce) {
  constexpr int kRecords = 9001;  // more than one chunk of the walk
  {
    AttachedWriter writer(db);
    for (int i = 0; i < kRecords; ++i) {
      writer.Insert("s" + std::to_string(i % 977), i, {i, -i});
    }
    writer.Detach();
  }
  std::set<std::pair<std::string, double>> seen;
  db.RewriteAllTransactions([&](TransactionRecord& r) {
    EXPECT_TRUE(seen.insert({r.sid, r.tid}).second) << r.sid << " " << r.tid;
    r.items = {r.items[0] + 1};
    r.sid = "changing the key has no effect";
    return true;
  });
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kRecords));
  EXPECT_EQ(db.RewriteCount(), static_cast<std::uint64_t>(kRecords));
  int checked = 0;
  db.ForEachTransaction([&](const TransactionRecord& r) {
    EXPECT_EQ(r.items, (std::vector<std::int32_t>{static_cast<std::int32_t>(r.tid) + 1}));
    ++checked;
  });
  EXPECT_EQ(checked, kRecords);
}

TEST_F(Transactions, RandomMergesAndInsertsMatchAMapModel) {
  std::mt19937 rng(7);
  Model committed;
  const double times[] = {-2.5, 0.0, 1.0, 1e20, 3.25};
  for (int round = 0; round < 5; ++round) {
    Model pending = committed;
    {
      AttachedWriter writer(db);
      for (int op = 0; op < 300; ++op) {
        const std::string sid = "id" + std::to_string(rng() % 30);
        const double tid = times[rng() % std::size(times)];
        std::vector<std::int32_t> items(rng() % 5);
        for (auto& item : items) item = static_cast<std::int32_t>(rng() % 12) - 2;
        const bool insert = rng() % 3 == 0;
        if (insert) {  // the construction inserts ascending distinct sets
          std::set<std::int32_t> set(items.begin(), items.end());
          items.assign(set.begin(), set.end());
        }
        auto& stored = pending[{sid, tid}];
        std::set<std::int32_t> merged(items.begin(), items.end());
        merged.insert(stored.begin(), stored.end());
        stored.assign(merged.begin(), merged.end());
        if (insert) {
          writer.Insert(sid, tid, items);  // a present record is merged instead
        } else {
          writer.Merge(sid, tid, items);
        }
      }
      if (round != 2) writer.Detach();  // round 2 is never detached: rolled back
    }
    if (round != 2) committed = pending;
    EXPECT_EQ(Walk(db), committed) << "after round " << round;
  }
}

TEST_F(Transactions, MergeSortsRecordsLeftUnsortedByTheRenumbering) {
  db.InsertTransaction({"s", 1.0, {9, 3, 5}});
  db.InsertTransaction({"t", 1.0, {9, 3}});
  db.EndReadAccess();
  AttachedWriter writer(db);
  writer.Merge("s", 1.0, {4, 9});
  writer.Merge("t", 1.0, {});
  writer.Detach();
  EXPECT_EQ(Walk(db), (Model{{{"s", 1.0}, {3, 4, 5, 9}}, {{"t", 1.0}, {3, 9}}}));
  EXPECT_THROW(writer.Merge("s", 1.0, {1}), ModuleError);  // detached
}

}  // namespace
}  // namespace linkan::testing
