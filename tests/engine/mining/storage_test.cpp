// The in-memory sequence database (combining of transactions into
// itemsets, reading from a project) and the flat pattern table.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "engine/frequent_pattern_table.h"
#include "engine/mining/sequence_database.h"
#include "frame/host/module_error.h"
#include "mining_harness.h"
#include "projectdb/project_database.h"

namespace linkan::testing {
namespace {

// ---- Combining ----

TEST(SequenceDatabase, FixedNumberOfItemsetsGroupsTransactionsAndLeavesEmptyPositions) {
  SequenceDatabaseBuilder builder(1);
  for (int t = 0; t < 7; ++t) {
    const std::vector<ItemNumber> items{t + 1};
    builder.Add(0, t, items);
  }
  const SequenceDatabase db = std::move(builder).Build({0, 3, 0.0});
  ASSERT_EQ(db.TransactionCount(0), 7u);
  const auto at = [&](std::size_t p) {
    const auto s = db.ItemsetAt(0, p);
    return std::vector<ItemNumber>(s.begin(), s.end());
  };
  EXPECT_EQ(at(0), (std::vector<ItemNumber>{1, 2, 3}));
  EXPECT_EQ(at(1), (std::vector<ItemNumber>{4, 5, 6}));
  EXPECT_EQ(at(2), (std::vector<ItemNumber>{7}));
  for (std::size_t p = 3; p < 7; ++p) EXPECT_TRUE(at(p).empty());
}

TEST(SequenceDatabase, CombiningMatchesTheReadingOfTheTransactionsFromTheFirst) {
  std::mt19937_64 rng(3);
  std::uniform_int_distribution<int> item(1, 6), count(0, 6), pick(0, 9);
  const double lengths[] = {0.0, 1.0, 2.5, 0.5, -1.0, 3.0};
  const double steps[] = {0.0, 0.5, 1.0, 1.0, 2.0, 7.0, -1.0};
  for (int round = 0; round < 400; ++round) {
    AnalysisSettings s;
    s.CombineItemsetMode = pick(rng) == 0 ? 5 : pick(rng) % 2;
    s.FixedNumItemsets = pick(rng) % 4;
    s.FixedTimeLength = lengths[pick(rng) % 6];
    reference::RefSequence seq;
    double time = pick(rng) - 3;
    for (int t = count(rng); t > 0; --t) {
      reference::RefTransaction tr;
      tr.time = time;
      time += steps[pick(rng) % 7];  // times may repeat or (rarely) fall
      for (int k = count(rng) % 4; k > 0; --k) tr.items.push_back(item(rng));
      seq.push_back(tr);
    }
    SequenceDatabaseBuilder builder(1);
    for (const auto& tr : seq) builder.Add(0, tr.time, tr.items);
    const SequenceDatabase db = std::move(builder).Build(ItemsetCombining::FromSettings(s));
    ASSERT_EQ(db.TransactionCount(0), seq.size());
    for (std::size_t p = 0; p < seq.size(); ++p) {
      const auto got = db.ItemsetAt(0, p);
      ASSERT_EQ(Itemset(got.begin(), got.end()), reference::ReferenceItemsetAt(seq, s, p))
          << "round " << round << " position " << p;
    }
  }
}

TEST(SequenceDatabase, ReadsTheProjectOnceMappingIdsThroughTheTransactionList) {
  const auto folder = std::filesystem::temp_directory_path() / "linkan-mining-storage";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  {
    ProjectDatabase project;
    project.SetPath((folder / "LinkAnalysis.dbs").string());
    ASSERT_EQ(project.OpenProjectDatabase(), 0) << project.LastError();
    project.InsertTransaction({"s2", 5.0, {3, 1}});
    project.InsertTransaction({"s1", 2.0, {2}});
    project.InsertTransaction({"s2", 1.0, {4}});
    project.InsertTransaction({"other", 0.0, {9}});
    const SequenceDatabase db =
        LoadSequenceDatabase(project, {"s2", "s1", "empty"}, ItemsetCombining{}, 4);
    ASSERT_EQ(db.size(), 3u);
    ASSERT_EQ(db.TransactionCount(0), 2u);
    EXPECT_EQ(db.TransactionTime(0, 0), 1.0);
    EXPECT_EQ(db.TransactionTime(0, 1), 5.0);
    const auto stored = db.TransactionItems(0, 1);
    EXPECT_EQ(std::vector<ItemNumber>(stored.begin(), stored.end()),
              (std::vector<ItemNumber>{3, 1}));
    const auto combined = db.ItemsetAt(0, 1);
    EXPECT_EQ(std::vector<ItemNumber>(combined.begin(), combined.end()),
              (std::vector<ItemNumber>{1, 3}));
    EXPECT_EQ(db.TransactionCount(1), 1u);
    EXPECT_EQ(db.TransactionCount(2), 0u);
    // A kept record naming an item beyond the dictionary is damage.
    try {
      LoadSequenceDatabase(project, {"other"}, ItemsetCombining{}, 4);
      ADD_FAILURE() << "item 9 of 4 was read";
    } catch (const ModuleError& e) {
      EXPECT_EQ(e.kind(), ErrorKind::kIo);
      EXPECT_NE(std::string(e.what()).find(
                    "is damaged: TransactionInfo record (SID \"other\", TID 0): item 9 is not in "
                    "the item dictionary (4 items)"),
                std::string::npos)
          << e.what();
    }
  }
  std::filesystem::remove_all(folder);
}

// ---- The pattern table ----

TEST(FrequentPatternTable, IdsAreDenseAndTheFirstRecordingKeepsItsCount) {
  FrequentPatternTable t;
  EXPECT_EQ(t.Record({{1}}, 5), 0u);
  EXPECT_EQ(t.Record({{1}, {2, 3}}, 4), 1u);
  EXPECT_EQ(t.Record({{1}}, 9), 0u);
  EXPECT_EQ(t.CountOf(0), 5u);
  EXPECT_EQ(t.PatternOf(1), (Pattern{{1}, {2, 3}}));
  EXPECT_EQ(t.ItemsetCount(1), 2u);
  EXPECT_EQ(t.Find({{1}, {2, 3}}), std::optional<PatternId>(1));
  EXPECT_FALSE(t.Find({{1, 2, 3}}).has_value());
  EXPECT_FALSE(t.Find({{1}, {2}, {3}}).has_value());
  try {
    t.CountOf(2);
    ADD_FAILURE() << "expected value not found";
  } catch (const ModuleError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kNotFound);
    EXPECT_STREQ(e.what(), "value not found");
  }
  t.Clear();
  EXPECT_TRUE(t.empty());
  EXPECT_EQ(t.Record({{2}}, 1), 0u);
}

TEST(FrequentPatternTable, ManyPatternsSurviveGrowthAndTheOneItemsetHashIsTheKeyHash) {
  FrequentPatternTable t;
  std::map<Pattern, PatternId> model;
  std::mt19937_64 rng(9);
  std::uniform_int_distribution<int> item(1, 40), len(1, 4), sets(1, 3);
  for (int i = 0; i < 20000; ++i) {
    Pattern p;
    for (int k = sets(rng); k > 0; --k) {
      std::set<ItemNumber> s;
      for (int j = len(rng); j > 0; --j) s.insert(item(rng));
      p.emplace_back(s.begin(), s.end());
    }
    const PatternId id = t.Record(p, static_cast<SupportCount>(i));
    const auto [it, inserted] = model.emplace(p, static_cast<PatternId>(model.size()));
    ASSERT_EQ(id, it->second);
  }
  ASSERT_EQ(t.size(), model.size());
  for (const auto& [p, id] : model) {
    ASSERT_EQ(t.Find(p), std::optional<PatternId>(id));
    if (p.size() == 1) {
      std::uint64_t x = 0;
      for (const ItemNumber i : p[0]) x ^= FrequentPatternTable::ItemHash(i);
      const std::vector<std::int32_t> key = [&] {
        std::vector<std::int32_t> k;
        FrequentPatternTable::AppendKey(p, k);
        return k;
      }();
      ASSERT_EQ(FrequentPatternTable::OneItemsetHash(x, p[0].size()),
                FrequentPatternTable::HashKey(key));
    }
  }
}

TEST(FrequentPatternTable, BulkAppendsAreIndexedTogetherAndDuplicatesAreRefused) {
  FrequentPatternTable t;
  t.Record({{7}}, 1);
  std::vector<std::int32_t> key;
  for (ItemNumber x = 1; x <= 500; ++x) {
    key = {1, x + 100};
    EXPECT_EQ(t.AppendUnindexed(key, static_cast<SupportCount>(x)), static_cast<PatternId>(x));
  }
  t.IndexAppended();
  EXPECT_EQ(t.Find({{350}}), std::optional<PatternId>(250));
  EXPECT_EQ(t.Find({{7}}), std::optional<PatternId>(0));
  EXPECT_EQ(t.Record({{9999}}, 1), 501u);
  key = {1, 350};
  t.AppendUnindexed(key, 3);
  try {
    t.IndexAppended();
    ADD_FAILURE() << "expected the duplicate to be refused";
  } catch (const ModuleError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kInternal);
  }
}

}  // namespace
}  // namespace linkan::testing
