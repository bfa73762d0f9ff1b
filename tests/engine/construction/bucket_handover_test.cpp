// Tests of the bucket hand-over: a construction large enough (with a lowered
// threshold) to hand many buckets to workers, wrapping around the ten
// buckets several times, checked record by record against a plain in-memory
// construction; at most two workers at once; adding to existing records;
// cancellation part-way.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "construction_fixture.h"
#include "engine/construction/bucket_pipeline.h"
#include "engine/construction/build_transaction_database.h"
#include "frame/host/module_error.h"
#include "memory_transaction_store.h"

namespace linkan {
namespace {

using testing::MemoryTransactionStore;
using testing::NamedRecords;

// A random table of sequences: ID texts, times, two response variables and
// one non-sequential response variable, and the records a plain
// construction makes of it.
struct RandomSequences {
  std::vector<std::string> ids, a, b, region;
  std::vector<double> times;
  NamedRecords expected;
  std::vector<std::string> idOrder;

  RandomSequences(unsigned seed, int cases, int idCount, int vocabulary,
                  const std::string& idPrefix = "S") {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> id(0, idCount - 1), time(0, 4), item(0, vocabulary - 1),
        coin(0, 3);
    for (int c = 0; c < cases; ++c) {
      ids.push_back(idPrefix + std::to_string(id(rng)));
      times.push_back(time(rng));
      a.push_back("item" + std::to_string(item(rng)));
      b.push_back(coin(rng) == 0 ? "" : "item" + std::to_string(item(rng)));
      region.push_back(coin(rng) == 0 ? "R" + std::to_string(coin(rng)) : "");
    }
    for (int c = 0; c < cases; ++c) {
      if (std::find(idOrder.begin(), idOrder.end(), ids[c]) == idOrder.end()) {
        idOrder.push_back(ids[c]);
      }
      auto& set = expected[{ids[c], times[c]}];
      set.insert(a[c]);
      if (!b[c].empty()) set.insert(b[c]);
      if (!region[c].empty()) expected[{ids[c], 1e20}].insert(region[c]);
    }
  }
};

class HandOverTest : public testing::ConstructionFixture {
 protected:
  void Load(const RandomSequences& data) {
    host.AddText("id", data.ids);
    host.AddNumeric("t", data.times);
    host.AddText("a", data.a);
    host.AddText("b", data.b);
    host.AddText("region", data.region);
    Engine();
    UseIdVariable(1);
    UseTimeVariable(2);
    AddResponse(3);
    AddResponse(4);
    AddNonSequentialResponse(5);
  }
  MemoryTransactionStore store;
};

TEST_F(HandOverTest, ManyBucketsMatchAPlainConstruction) {
  const RandomSequences data(11, 4000, 60, 40);
  Load(data);
  store.SetWriteDelay(std::chrono::microseconds(20));
  ConstructionOptions options;
  options.handOverThreshold = 40;
  BuildTransactionDatabase(*engine, store, options);

  EXPECT_GT(store.Attaches(), 30);  // the ten buckets went round several times
  EXPECT_LE(store.MaxConcurrentWriters(), 2);
  EXPECT_EQ(store.InsertViolations(), 0);
  EXPECT_EQ(Named(store.Records()), data.expected);
  EXPECT_EQ(engine->transactionIds, data.idOrder);
  EXPECT_EQ(Settings().size, data.idOrder.size());
  EXPECT_TRUE(NumberedInNameOrder());
}

// Adding to a store that already holds records merges into them; old
// sequences the new data does not mention stay in the ID list.
TEST_F(HandOverTest, AddingToExistingRecordsMergesAndKeepsOldIds) {
  const RandomSequences first(5, 600, 20, 15);
  Load(first);
  ConstructionOptions options;
  options.handOverThreshold = 25;
  BuildTransactionDatabase(*engine, store, options);
  const NamedRecords firstRecords = Named(store.Records());
  const auto firstDictionary = engine->items.EntriesByName();

  // The same data again changes no record's content and no number.
  BuildTransactionDatabase(*engine, store, options);
  EXPECT_EQ(Named(store.Records()), firstRecords);
  EXPECT_EQ(engine->items.EntriesByName(), firstDictionary);
  EXPECT_EQ(engine->transactionIds, first.idOrder);

  // New data of other sequences, over the same engine lists.
  const RandomSequences second(6, 500, 30, 25, "N");
  testing::TestHost newHost;
  newHost.AddText("id", second.ids);
  newHost.AddNumeric("t", second.times);
  newHost.AddText("a", second.a);
  newHost.AddText("b", second.b);
  newHost.AddText("region", second.region);
  analysis.AttachDocument(&newHost);
  BuildTransactionDatabase(*engine, store, options);

  NamedRecords expected = first.expected;
  for (const auto& [key, names] : second.expected) expected[key].insert(names.begin(), names.end());
  EXPECT_EQ(Named(store.Records()), expected);
  std::vector<std::string> ids = first.idOrder;
  ids.insert(ids.end(), second.idOrder.begin(), second.idOrder.end());
  EXPECT_EQ(engine->transactionIds, ids);
  EXPECT_EQ(Settings().size, ids.size());
  EXPECT_TRUE(NumberedInNameOrder());
  EXPECT_EQ(store.InsertViolations(), 0);
}

TEST_F(HandOverTest, CancellationPartWayEndsCleanly) {
  const RandomSequences data(3, 3000, 50, 30);
  Load(data);
  host.CancelAfterSteps(2000);
  store.SetWriteDelay(std::chrono::microseconds(10));
  ConstructionOptions options;
  options.handOverThreshold = 30;
  try {
    BuildTransactionDatabase(*engine, store, options);
    ADD_FAILURE() << "expected the cancellation";
  } catch (const ModuleError& e) {
    EXPECT_STREQ(e.what(), "Operation was cancelled");
  }
  EXPECT_EQ(host.progressLog.back(), "stop");
  EXPECT_GT(store.Attaches(), 0);
  EXPECT_EQ(store.InsertViolations(), 0);
  // What was written is part of the full result, under the numbers the
  // dictionary still holds.
  const NamedRecords written = Named(store.Records());
  for (const auto& [key, names] : written) {
    ASSERT_TRUE(data.expected.count(key)) << key.first;
    for (const std::string& n : names) EXPECT_TRUE(data.expected.at(key).count(n));
  }
}

// The pipeline itself: a slow store makes workers overlap; never more than
// two write at once and every group arrives exactly once.
TEST(BucketPipelineTest, AtMostTwoWritersAndEveryGroupWritten) {
  MemoryTransactionStore store;
  store.SetWriteDelay(std::chrono::microseconds(50));
  std::map<std::pair<std::string, double>, std::vector<std::int32_t>> expected;
  {
    BucketPipeline pipeline(store, 5, true);
    for (int c = 0; c < 400; ++c) {
      const auto sequence = static_cast<std::uint32_t>(c % 7);
      const std::string sid = "s" + std::to_string(sequence);
      const double tid = c % 3;
      const ItemNumber items[] = {c % 11 + 1, c % 5 + 20};
      pipeline.Add(sequence, sid, tid, items, 2);
      auto& set = expected[{sid, tid}];
      for (const ItemNumber i : items) {
        if (std::find(set.begin(), set.end(), i) == set.end()) set.push_back(i);
      }
      pipeline.EndCase();
    }
    pipeline.Finish();
    EXPECT_GT(pipeline.HandOvers(), 20u);
  }
  for (auto& [key, items] : expected) std::sort(items.begin(), items.end());
  EXPECT_EQ(store.Records(), expected);
  EXPECT_LE(store.MaxConcurrentWriters(), 2);
  EXPECT_EQ(store.InsertViolations(), 0);
}

TEST(BucketPipelineTest, SequencesAreWrittenInByteWiseOrder) {
  Bucket bucket;
  bucket[0].sid = "b";
  bucket[1].sid = "B";
  bucket[2].sid = "\xC3\xA9";
  bucket[3].sid = "ab";
  std::vector<std::string> order;
  for (const BucketSequence* s : SortedSequences(bucket)) order.push_back(s->sid);
  EXPECT_EQ(order, (std::vector<std::string>{"B", "ab", "b", "\xC3\xA9"}));
}

TEST(BucketPipelineTest, InsertItemKeepsSetsAscendingAndDistinct) {
  BucketItemSet set;
  for (const ItemNumber i : {5, 3, 9, 3, 1, 9, 7}) InsertItem(set, i);
  EXPECT_EQ(set, (BucketItemSet{1, 3, 5, 7, 9}));
}

}  // namespace
}  // namespace linkan
