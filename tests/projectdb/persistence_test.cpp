// persistence_test.cpp: the engine's state through the project record and
// the pattern records, end to end.
#include <gtest/gtest.h>

#include "engine/persistence/project_record_conversion.h"
#include "engine/sal_engine.h"
#include "frame/host/module_error.h"
#include "projectdb/project_database.h"
#include "projectdb_test_util.h"
#include "testutil/test_host.h"

namespace linkan::testing {
namespace {

class Persistence : public ::testing::Test {
 protected:
  void SetUp() override {
    OpenOrFail(db, dir.File("LinkAnalysis.dbs"));
    SalEngine& e = engine;
    e.settings = FullProjectRecord().settings;
    e.contStats = {{/*min=*/1.0, /*max=*/10.0, /*width=*/0.9, /*mean=*/5.5, /*m2=*/2.25},
                   {-3.0, -1.0, 0.2, -2.0, 0.5}};
    e.mdContStats = {{0.0, 100.0, 10.0, 50.0, 12.5}};
    e.items.Add("zeta");
    e.items.Add("alpha");
    e.items.Add("mid");
    e.transactionIds = {"c1", "c2", "c3"};
    e.stoplist = {"the", "a"};
    e.ncodes = {2, 1};
    e.Codes = {1.0, 2.0, 5.0};
    e.taxonomies = {{{"alpha", "A"}, {"zeta", "Z"}}, {{"mid", "M"}}};
  }

  TempDir dir;
  ProjectDatabase db;
  TestHost host;
  TestAnalysis analysis{&host};
  SalEngine engine{analysis, &db};
};

TEST_F(Persistence, RecordCarriesTheEngineStateInStoredForm) {
  const ProjectRecord r = MakeProjectRecord(engine);
  EXPECT_EQ(r.itemNames, (std::vector<std::string>{"zeta", "alpha", "mid"}));
  EXPECT_EQ(r.stoplist, (std::vector<std::string>{"a", "the"}));
  // max, mean, min, variance, width per variable.
  EXPECT_EQ(r.coinfo, (std::vector<double>{10.0, 5.5, 1.0, 2.25, 0.9, -1.0, -2.0, -3.0, 0.5, 0.2}));
  EXPECT_EQ(r.mdcoinfo, (std::vector<double>{100.0, 50.0, 0.0, 12.5, 10.0}));
  EXPECT_EQ(r.ncodes, engine.ncodes);
  EXPECT_EQ(r.codes, engine.Codes);
  EXPECT_EQ(r.transactionIds, engine.transactionIds);
}

TEST_F(Persistence, EngineStateSurvivesSaveCloseReopenAndRestore) {
  db.SaveProjectRecord(MakeProjectRecord(engine));
  db.CloseProjectDatabase();
  OpenOrFail(db, dir.File("LinkAnalysis.dbs"));

  SalEngine restored(analysis, &db);
  restored.settings.projectMode = 1;            // the current run's choice
  restored.settings.existingProjectAction = 1;  // go to results
  ProjectRecord record;
  ASSERT_TRUE(db.LoadProjectRecord(record));
  RestoreFromProjectRecord(restored, record);

  AnalysisSettings expected = engine.settings;
  expected.projectMode = 1;
  expected.existingProjectAction = 1;
  ExpectSameSettings(expected, restored.settings);
  EXPECT_EQ(restored.contStats, engine.contStats);
  EXPECT_EQ(restored.mdContStats, engine.mdContStats);
  EXPECT_EQ(restored.items.Name(1), "zeta");
  EXPECT_EQ(restored.items.Number("mid"), 3);
  EXPECT_EQ(restored.items, engine.items);
  EXPECT_EQ(restored.transactionIds, engine.transactionIds);
  EXPECT_EQ(restored.stoplist, engine.stoplist);
  EXPECT_EQ(restored.ncodes, engine.ncodes);
  EXPECT_EQ(restored.Codes, engine.Codes);
  EXPECT_EQ(restored.taxonomies, engine.taxonomies);
}

TEST_F(Persistence, AGapInTheItemNumbersWritesNoRecord) {
  db.SaveProjectRecord(MakeProjectRecord(engine));
  engine.items.Clear();
  engine.items.Insert("a", 1);
  engine.items.Insert("c", 3);  // item 2 has no name
  try {
    db.SaveProjectRecord(MakeProjectRecord(engine));
    ADD_FAILURE() << "no error";
  } catch (const ModuleError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kNotFound);
    EXPECT_STREQ(e.what(), "value not found");
  }
  ProjectRecord stored;
  ASSERT_TRUE(db.LoadProjectRecord(stored));
  EXPECT_EQ(stored.itemNames, (std::vector<std::string>{"zeta", "alpha", "mid"}));
}

TEST_F(Persistence, ARecordNamingAnItemTwiceLeavesTheEngineAlone) {
  ProjectRecord record = MakeProjectRecord(engine);
  record.itemNames = {"x", "y", "x"};
  record.transactionIds = {"other"};
  EXPECT_THROW(RestoreFromProjectRecord(engine, record), ModuleError);
  EXPECT_EQ(engine.items.Number("alpha"), 2);
  EXPECT_EQ(engine.transactionIds, (std::vector<std::string>{"c1", "c2", "c3"}));
}

TEST_F(Persistence, PatternsAreStoredInIdOrderWithLeavesAsPositions) {
  engine.patterns.Record({{2, 3}}, 4);
  engine.patterns.Record({{1}}, 9);
  engine.patterns.Record({{1}, {2, 3}}, 2);
  engine.leaves = {2, 0};
  db.SaveFrequentPatterns(StoredPatternsOf(engine.patterns), StoredLeavesOf(engine.leaves));
  std::vector<StoredPattern> patterns;
  std::vector<std::uint32_t> leaves;
  db.LoadFrequentPatterns(patterns, leaves);
  EXPECT_EQ(patterns, (std::vector<StoredPattern>{{4, {{2, 3}}}, {9, {{1}}}, {2, {{1}, {2, 3}}}}));
  EXPECT_EQ(leaves, (std::vector<std::uint32_t>{0, 2}));
}

}  // namespace
}  // namespace linkan::testing
