// Tests of the in-memory construction against a plain reference: random
// sequences with repeated and cut texts, read by text or by value, in one
// portion or many, give the same records, ID list, numbering, warning and
// row order; adding to existing records merges; a cancelled construction
// writes nothing.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "construction_fixture.h"
#include "engine/coding/item_names.h"
#include "engine/construction/build_transaction_database.h"
#include "engine/mining/sequence_database.h"
#include "frame/host/module_error.h"
#include "memory_transaction_store.h"

namespace linkan {
namespace {

using testing::MemoryTransactionStore;
using testing::NamedRecords;
using Key = MemoryTransactionStore::Key;

// A random table of sequences: ID texts (some longer than a name may be),
// times, two response variables (one with long texts that differ only after
// the cut) and one non-sequential response variable.
struct RandomSequences {
  std::vector<std::string> ids, a, b, region;
  std::vector<double> times;

  RandomSequences(unsigned seed, int cases, int idCount, int vocabulary,
                  const std::string& idPrefix = "S") {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> id(0, idCount - 1), time(0, 4), item(0, vocabulary - 1),
        coin(0, 3), digit(0, 9);
    const std::string longText(kMaxNameLength, 'L');
    for (int c = 0; c < cases; ++c) {
      const int k = id(rng);
      ids.push_back(k < 2 ? longText + std::to_string(k) : idPrefix + std::to_string(k));
      times.push_back(time(rng));
      a.push_back(coin(rng) == 0 ? longText + std::to_string(digit(rng))
                                 : "item" + std::to_string(item(rng)));
      b.push_back(coin(rng) == 0 ? "" : "item" + std::to_string(item(rng)));
      region.push_back(coin(rng) == 0 ? "R" + std::to_string(coin(rng)) : "");
    }
  }
};

// What a plain construction makes of `data`: records by name, the ID list,
// the key order of the rows (portion by portion, each by ID text and time,
// a portion ending after the case that takes it beyond `threshold` items),
// and how many ID and item texts were cut.
struct Reference {
  NamedRecords records;
  std::vector<std::string> idOrder;
  std::vector<Key> rowOrder;
  long idCuts = 0, itemCuts = 0;

  Reference(const RandomSequences& data, std::size_t threshold) {
    std::map<Key, int> portionOf;
    int portion = 0;
    std::size_t pending = 0;
    const auto add = [&](const Key& key, const std::string& name) {
      records[key].insert(name);
      portionOf.emplace(key, portion);
    };
    for (std::size_t c = 0; c < data.ids.size(); ++c) {
      idCuts += data.ids[c].size() > kMaxNameLength;
      itemCuts += data.a[c].size() > kMaxNameLength;
      const std::string id = LimitText(data.ids[c]);
      if (std::find(idOrder.begin(), idOrder.end(), id) == idOrder.end()) idOrder.push_back(id);
      add({id, data.times[c]}, LimitText(data.a[c]));
      pending += 1;
      if (!data.b[c].empty()) {
        add({id, data.times[c]}, data.b[c]);
        pending += 1;
      }
      if (!data.region[c].empty()) {
        add({id, kNonSequentialTime}, data.region[c]);
        pending += 1;
      }
      if (pending > threshold) {
        pending = 0;
        ++portion;
      }
    }
    std::vector<std::tuple<int, std::string, double>> order;
    for (const auto& [key, p] : portionOf) order.emplace_back(p, key.first, key.second);
    std::sort(order.begin(), order.end());
    for (const auto& [p, sid, tid] : order) rowOrder.push_back({sid, tid});
  }
};

class TransactionSetTest : public testing::ConstructionFixture {
 protected:
  void Load(testing::TestHost& table, const RandomSequences& data) {
    table.AddText("id", data.ids);
    table.AddNumeric("t", data.times);
    table.AddText("a", data.a);
    table.AddText("b", data.b);
    table.AddText("region", data.region);
  }
  void Select() {
    UseIdVariable(1);
    UseTimeVariable(2);
    AddResponse(3);
    AddResponse(4);
    AddNonSequentialResponse(5);
  }
  MemoryTransactionStore store;
};

TEST_F(TransactionSetTest, MatchesAPlainConstructionInEveryReadingAndPortioning) {
  struct Case {
    bool textsFollowValues;
    std::size_t threshold;
  };
  for (const Case& tc : {Case{false, 1000000}, Case{true, 1000000}, Case{false, 40},
                         Case{true, 40}, Case{true, 1}}) {
    SCOPED_TRACE(std::to_string(tc.textsFollowValues) + " " + std::to_string(tc.threshold));
    const RandomSequences data(11 + static_cast<unsigned>(tc.threshold), 3000, 60, 40);
    const Reference want(data, tc.threshold);
    testing::TestHost table;
    table.SetTextsFollowValues(tc.textsFollowValues);
    Load(table, data);
    analysis.AttachDocument(&table);
    Engine();
    Select();
    MemoryTransactionStore store;
    ConstructionOptions options;
    options.handOverThreshold = tc.threshold;
    BuildTransactionDatabase(*engine, store, options);

    EXPECT_EQ(Named(store.Records()), want.records);
    EXPECT_EQ(store.CreationOrder(), want.rowOrder);
    EXPECT_EQ(store.Attaches(), 1);  // one writer, inserting only
    EXPECT_EQ(store.InsertViolations(), 0);
    EXPECT_EQ(engine->transactionIds, want.idOrder);
    EXPECT_EQ(Settings().size, want.idOrder.size());
    EXPECT_TRUE(NumberedInNameOrder());
    ASSERT_EQ(table.messages.size(), 1u);
    EXPECT_NE(table.messages[0].find("\"id\": " + std::to_string(want.idCuts) + " values"),
              std::string::npos)
        << table.messages[0];
    EXPECT_NE(table.messages[0].find("\"a\": " + std::to_string(want.itemCuts) + " values"),
              std::string::npos)
        << table.messages[0];
    ASSERT_NE(engine->builtSequences, nullptr);  // handed over to the enumeration
    EXPECT_EQ(engine->builtSequences->size(), want.idOrder.size());
  }
}

// Numbers of every kind (negative zero, fractions, large and missing
// values) name the same items whether read by text or by value.
TEST_F(TransactionSetTest, NumbersReadByValueNameTheSameItems) {
  std::mt19937 rng(17);
  const double kinds[] = {0.0, -0.0, 1.5, -2.0, 3.0, 1e20, 7.0, 1048576.0, -9999.0};
  std::uniform_int_distribution<int> pick(0, 8), id(0, 30);
  std::vector<double> ids, numbers;
  for (int c = 0; c < 500; ++c) {
    ids.push_back(id(rng));
    numbers.push_back(kinds[pick(rng)]);
  }
  std::vector<NamedRecords> results;
  for (const bool byValue : {false, true}) {
    testing::TestHost table;
    table.SetTextsFollowValues(byValue);
    table.AddNumeric("id", ids);
    table.AddNumeric("x", numbers);
    analysis.AttachDocument(&table);
    Engine();
    UseIdVariable(1);
    Settings().noseq = 1;
    AddResponse(2);
    MemoryTransactionStore out;
    BuildTransactionDatabase(*engine, out);
    results.push_back(Named(out.Records()));
    EXPECT_EQ(engine->items.size(), 8u);  // -0 and 0 are two items; missing is none
  }
  EXPECT_EQ(results[0], results[1]);
}

// Adding to a store that already holds records merges into them; old
// sequences the new data does not mention stay in the ID list; the
// enumeration then reads the store.
TEST_F(TransactionSetTest, AddingToExistingRecordsMergesAndKeepsOldIds) {
  const RandomSequences first(5, 600, 20, 15);
  Load(host, first);
  Engine();
  Select();
  ConstructionOptions options;
  options.handOverThreshold = 25;
  BuildTransactionDatabase(*engine, store, options);
  const NamedRecords firstRecords = Named(store.Records());
  const auto firstDictionary = engine->items.EntriesByName();
  const Reference firstWant(first, options.handOverThreshold);

  // The same data again changes no record's content and no number.
  BuildTransactionDatabase(*engine, store, options);
  EXPECT_EQ(Named(store.Records()), firstRecords);
  EXPECT_EQ(engine->items.EntriesByName(), firstDictionary);
  EXPECT_EQ(engine->transactionIds, firstWant.idOrder);
  EXPECT_EQ(engine->builtSequences, nullptr);

  // New data of other sequences, over the same engine lists.
  const RandomSequences second(6, 500, 30, 25, "N");
  testing::TestHost newHost;
  newHost.SetTextsFollowValues(true);
  Load(newHost, second);
  analysis.AttachDocument(&newHost);
  BuildTransactionDatabase(*engine, store, options);

  NamedRecords expected = firstWant.records;
  const Reference secondWant(second, options.handOverThreshold);
  for (const auto& [key, names] : secondWant.records) {
    expected[key].insert(names.begin(), names.end());
  }
  EXPECT_EQ(Named(store.Records()), expected);
  std::vector<std::string> ids = firstWant.idOrder;
  for (const std::string& id : secondWant.idOrder) {
    if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
  }
  EXPECT_EQ(engine->transactionIds, ids);
  EXPECT_EQ(Settings().size, ids.size());
  EXPECT_TRUE(NumberedInNameOrder());
  EXPECT_EQ(store.InsertViolations(), 0);
}

TEST_F(TransactionSetTest, CancellationPartWayWritesNothing) {
  const RandomSequences data(3, 3000, 50, 30);
  Load(host, data);
  Engine();
  Select();
  host.CancelAfterSteps(2000);
  try {
    BuildTransactionDatabase(*engine, store);
    ADD_FAILURE() << "expected the cancellation";
  } catch (const ModuleError& e) {
    EXPECT_STREQ(e.what(), "Operation was cancelled");
  }
  EXPECT_EQ(host.progressLog.back(), "stop");
  EXPECT_TRUE(store.Records().empty());
  EXPECT_EQ(engine->builtSequences, nullptr);
}

}  // namespace
}  // namespace linkan
