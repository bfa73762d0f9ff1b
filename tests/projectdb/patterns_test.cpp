// patterns_test.cpp: the frequent patterns and leaves in ResultInfo.
#include <gtest/gtest.h>

#include "frame/host/module_error.h"
#include "projectdb/project_database.h"
#include "projectdb_test_util.h"

namespace linkan::testing {
namespace {

TEST(FrequentPatterns, RoundTripInStoredOrderWithLeaves) {
  TempDir dir;
  const std::string path = dir.File("p.dbs");
  // Counts deliberately not in stored order: the order is the given one.
  const std::vector<StoredPattern> patterns = {
      {7, {{1}}},           {9, {{1, 4}, {2}}}, {3, {{2}, {}, {5, 6, 8}}}, {7, {{-1, 2147483647}}},
      {4294967295u, {{3}}},
  };
  const std::vector<std::uint32_t> leaves = {1, 3, 4};
  {
    ProjectDatabase db;
    OpenOrFail(db, path);
    db.SaveFrequentPatterns(patterns, leaves);
  }
  {
    RawDb raw(path);
    EXPECT_EQ(raw.Rows("SELECT ClassID, RelatedNumber, hex(nitems), hex(items) FROM ResultInfo "
                       "ORDER BY rowid"),
              (std::vector<std::string>{
                  "1|7|01000000|01000000", "1|9|0200000001000000|010000000400000002000000",
                  "1|3|010000000000000003000000|02000000050000000600000008000000",
                  "1|7|02000000|FFFFFFFFFFFFFF7F", "1|4294967295|01000000|03000000", "2|1||",
                  "2|3||", "2|4||"}));
  }
  ProjectDatabase db;
  OpenOrFail(db, path);
  std::vector<StoredPattern> readPatterns = {{1, {{1}}}};
  std::vector<std::uint32_t> readLeaves = {42};
  db.LoadFrequentPatterns(readPatterns, readLeaves);
  EXPECT_EQ(readPatterns, patterns);
  EXPECT_EQ(readLeaves, leaves);
}

TEST(FrequentPatterns, ASecondSaveKeepsOnlyTheLastRun) {
  TempDir dir;
  ProjectDatabase db;
  OpenOrFail(db, dir.File("p.dbs"));
  db.SaveFrequentPatterns({{5, {{1}}}, {4, {{2}}}, {3, {{1, 2}}}}, {2});
  db.SaveFrequentPatterns({{8, {{7}}}}, {0});
  std::vector<StoredPattern> patterns;
  std::vector<std::uint32_t> leaves;
  db.LoadFrequentPatterns(patterns, leaves);
  EXPECT_EQ(patterns, (std::vector<StoredPattern>{{8, {{7}}}}));
  EXPECT_EQ(leaves, (std::vector<std::uint32_t>{0}));

  db.SaveFrequentPatterns({}, {});
  db.LoadFrequentPatterns(patterns, leaves);
  EXPECT_TRUE(patterns.empty());
  EXPECT_TRUE(leaves.empty());
}

TEST(FrequentPatterns, ALeafOutsideThePatternsWritesNothing) {
  TempDir dir;
  ProjectDatabase db;
  OpenOrFail(db, dir.File("p.dbs"));
  const std::vector<StoredPattern> kept = {{5, {{1}}}};
  db.SaveFrequentPatterns(kept, {0});
  EXPECT_THROW(db.SaveFrequentPatterns({{2, {{2}}}}, {1}), ModuleError);
  std::vector<StoredPattern> patterns;
  std::vector<std::uint32_t> leaves;
  db.LoadFrequentPatterns(patterns, leaves);
  EXPECT_EQ(patterns, kept);
}

// Damaged rows, and (checked against the item dictionary, here 8 items)
// rows that no run stores, are reported with their row.
TEST(FrequentPatterns, DamagedRowsAndRowsThatNoRunStoresAreReported) {
  TempDir dir;
  const std::string path = dir.File("p.dbs");
  ProjectDatabase db;
  OpenOrFail(db, path);
  const std::vector<StoredPattern> good = {{5, {{1}}}, {4, {{2}}}, {3, {{1, 2}}}, {3, {{1}, {2}}}};
  const struct {
    const char* sql;
    const char* report;
  } kCases[] = {
      {"INSERT INTO ResultInfo VALUES (1, 3, x'02000000', x'01000000')",
       "ResultInfo row 7: the itemset sizes in nitems add up to more than the 1 items"},
      {"INSERT INTO ResultInfo VALUES (2, 5, x'', x'')",
       "ResultInfo row 7: leaf of pattern 5, but 4 patterns are stored"},
      {"INSERT INTO ResultInfo VALUES (1, -1, x'', x'')",
       "ResultInfo row 7: RelatedNumber -1 is outside 0 to 4294967295"},
      {"UPDATE ResultInfo SET items = x'0900000002000000' WHERE rowid = 3",
       "ResultInfo row 3: item 9 is not in the item dictionary (8 items)"},
      {"UPDATE ResultInfo SET items = x'0200000001000000' WHERE rowid = 3",
       "ResultInfo row 3: the items of itemset 1 are not ascending and distinct"},
      {"UPDATE ResultInfo SET nitems = x'0000000002000000' WHERE rowid = 3",
       "ResultInfo row 3: itemset 1 is empty"},
      {"UPDATE ResultInfo SET items = x'02000000' WHERE rowid = 1",
       "ResultInfo row 2: the pattern of row 1 again"},
      {"UPDATE ResultInfo SET RelatedNumber = 0 WHERE rowid = 6",
       "ResultInfo row 6: the leaves are not ascending and distinct"},
      {"UPDATE ResultInfo SET RelatedNumber = 'x' WHERE rowid = 2",
       "ResultInfo row 2: a value of the wrong type"},
      {"UPDATE ResultInfo SET nitems = x'03000000', items = x'010000000200000003000000' "
       "WHERE rowid = 4",
       "ResultInfo row 4: an itemset of 3 items, but only 4 patterns are stored"},
  };
  for (const auto& c : kCases) {
    db.SaveFrequentPatterns(good, {1, 3});
    {
      RawDb raw(path, /*writable=*/true);
      raw.Exec(c.sql);
    }
    std::vector<StoredPattern> patterns;
    std::vector<std::uint32_t> leaves;
    EXPECT_EQ(DamageReport(path, [&] { db.LoadFrequentPatterns(patterns, leaves, 8); }), c.report)
        << c.sql;
    EXPECT_TRUE(patterns.empty()) << c.sql;
  }
  db.SaveFrequentPatterns(good, {1, 3});
  std::vector<StoredPattern> patterns;
  std::vector<std::uint32_t> leaves;
  db.LoadFrequentPatterns(patterns, leaves, 8);
  EXPECT_EQ(patterns, good);
  EXPECT_EQ(leaves, (std::vector<std::uint32_t>{1, 3}));
}

}  // namespace
}  // namespace linkan::testing
