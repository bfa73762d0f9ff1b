// Tests of the item index remapping: numbers follow the byte-wise name
// order, records are rewritten in place without sorting, and nothing changes
// on an empty dictionary or an unknown stored number.
#include "engine/construction/item_remapping.h"

#include <gtest/gtest.h>

#include "construction_fixture.h"
#include "engine/construction/build_transaction_database.h"
#include "frame/host/module_error.h"
#include "memory_transaction_store.h"

namespace linkan {
namespace {

using testing::MemoryTransactionStore;

TEST(RemappingTest, FirstMetOrderBecomesNameOrder) {
  testing::TestHost host;
  host.AddText("item", {"b", "a", "c", "b"});
  testing::TestAnalysis analysis(&host);
  SalEngine engine(analysis, nullptr);
  engine.settings.noseq = 1;
  engine.settings.nresvars = 1;
  engine.settings.resvars[0] = 1;
  MemoryTransactionStore store;
  BuildTransactionDatabase(engine, store);
  EXPECT_EQ(engine.items.Number("b"), 2);
  EXPECT_EQ(engine.items.Number("a"), 1);
  EXPECT_EQ(engine.items.Number("c"), 3);
  const auto records = store.Records();
  EXPECT_EQ(records.at({"1", 0}), (std::vector<std::int32_t>{2}));
  EXPECT_EQ(records.at({"2", 0}), (std::vector<std::int32_t>{1}));
  EXPECT_EQ(records.at({"3", 0}), (std::vector<std::int32_t>{3}));
}

TEST(RemappingTest, RecordsAreRewrittenInPlaceWithoutSorting) {
  ItemDictionary dictionary;
  dictionary.Add("zeta");   // 1
  dictionary.Add("alpha");  // 2
  MemoryTransactionStore store;
  store.Put("s", 0, {1, 2});
  store.Put("t", 3, {2});
  RemapItemIndices(dictionary, store);
  EXPECT_EQ(store.Records().at({"s", 0}), (std::vector<std::int32_t>{2, 1}));
  EXPECT_EQ(store.Records().at({"t", 3}), (std::vector<std::int32_t>{1}));
  EXPECT_EQ(dictionary.Number("alpha"), 1);
  EXPECT_EQ(dictionary.Number("zeta"), 2);
  EXPECT_EQ(dictionary.size(), 2u);
}

TEST(RemappingTest, ByteWiseOrderWithPrefixesAndHighBytes) {
  ItemDictionary dictionary;
  for (const char* name : {"ab", "\xC3\xA9t\xC3\xA9", "a", "B", "abc"}) dictionary.Add(name);
  const auto table = RenumberingTable(dictionary);
  // "B" < "a" < "ab" < "abc" < "\xC3..." (bytes compare unsigned).
  EXPECT_EQ(table, (std::vector<ItemNumber>{0, 3, 5, 2, 1, 4}));
}

TEST(RemappingTest, EmptyDictionaryLeavesRecordsUntouched) {
  ItemDictionary dictionary;
  MemoryTransactionStore store;
  store.Put("s", 0, {5, 7});
  RemapItemIndices(dictionary, store);
  EXPECT_EQ(store.Records().at({"s", 0}), (std::vector<std::int32_t>{5, 7}));
  EXPECT_EQ(store.Rewrites(), 0);
}

TEST(RemappingTest, UnknownStoredNumberChangesNothing) {
  ItemDictionary dictionary;
  dictionary.Add("b");
  dictionary.Add("a");
  MemoryTransactionStore store;
  store.Put("s", 0, {1, 2});
  store.Put("t", 0, {9});
  try {
    RemapItemIndices(dictionary, store);
    ADD_FAILURE() << "expected value not found";
  } catch (const ModuleError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kNotFound);
    EXPECT_STREQ(e.what(), "value not found");
  }
  EXPECT_EQ(store.Records().at({"s", 0}), (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(dictionary.Number("b"), 1);
}

}  // namespace
}  // namespace linkan
