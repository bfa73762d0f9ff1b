// Tests of the construction into a real project database: many portions,
// the hand-over to the enumeration, and the same data added twice (which
// renumbers every stored record).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/construction/build_transaction_database.h"
#include "engine/construction/transaction_store.h"
#include "engine/mining/sequence_database.h"
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

// Every portion holds the same keys: exactly one record per key must
// result, with the union of the items.
TEST_F(ProjectConstructionTest, ManyPortionsStoreOneRecordPerKey) {
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
  options.handOverThreshold = 20;  // about 150 portions
  BuildTransactionDatabase(*engine, options);

  const auto stored = StoredRecords(db);
  EXPECT_EQ(Named(stored), expected);
  EXPECT_EQ(stored.size(), expected.size());
  EXPECT_TRUE(NumberedInNameOrder());
}

// The sequences handed to the enumeration are the ones it would read back
// from the project, for every way of combining itemsets.
TEST_F(ProjectConstructionTest, HandedOverSequencesAreTheStoredOnes) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> id(0, 40), time(0, 30), item(0, 50), coin(0, 4);
  std::vector<std::string> ids, items, regions;
  std::vector<double> times;
  for (int c = 0; c < 2000; ++c) {
    ids.push_back("Q" + std::to_string(id(rng)));
    times.push_back(time(rng) * 0.5);
    items.push_back(coin(rng) == 0 ? "" : "i" + std::to_string(item(rng)));
    regions.push_back(coin(rng) == 0 ? "r" + std::to_string(coin(rng)) : "");
  }
  host.AddText("id", ids);
  host.AddNumeric("t", times);
  host.AddText("item", items);
  host.AddText("region", regions);
  host.SetTextsFollowValues(true);
  const ItemsetCombining combinings[] = {{0, 1, 0.0}, {0, 3, 0.0}, {1, 1, 0.0}, {1, 1, 2.5}};
  for (const ItemsetCombining& combining : combinings) {
    SCOPED_TRACE(std::to_string(combining.mode) + " " +
                 std::to_string(combining.fixedNumItemsets) + " " +
                 std::to_string(combining.fixedTimeLength));
    db.ClearTransactions();
    Engine(&db);
    UseIdVariable(1);
    UseTimeVariable(2);
    AddResponse(3);
    AddNonSequentialResponse(4);
    Settings().CombineItemsetMode = combining.mode;
    Settings().FixedNumItemsets = combining.fixedNumItemsets;
    Settings().FixedTimeLength = combining.fixedTimeLength;
    ConstructionOptions options;
    options.handOverThreshold = 300;
    BuildTransactionDatabase(*engine, options);

    ASSERT_NE(engine->builtSequences, nullptr);
    const SequenceDatabase& built = *engine->builtSequences;
    const SequenceDatabase stored =
        LoadSequenceDatabase(db, engine->transactionIds, combining, engine->items.size());
    ASSERT_EQ(built.size(), stored.size());
    EXPECT_EQ(built.TotalTransactions(), stored.TotalTransactions());
    for (std::size_t s = 0; s < stored.size(); ++s) {
      ASSERT_EQ(built.TransactionCount(s), stored.TransactionCount(s)) << s;
      for (std::size_t t = 0; t < stored.TransactionCount(s); ++t) {
        EXPECT_EQ(built.TransactionTime(s, t), stored.TransactionTime(s, t));
        EXPECT_TRUE(std::ranges::equal(built.TransactionItems(s, t), stored.TransactionItems(s, t)));
        EXPECT_TRUE(std::ranges::equal(built.ItemsetAt(s, t), stored.ItemsetAt(s, t)));
      }
    }
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
