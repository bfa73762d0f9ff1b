// The phases of a run on a real project file, and the reopening of the
// project into the same results without mining.
#include "engine/run_phases.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "engine/persistence/project_record_conversion.h"
#include "engine/text/pattern_text.h"
#include "frame/host/debug_sink.h"
#include "frame/host/module_error.h"
#include "mining_harness.h"
#include "projectdb/project_database.h"

namespace linkan::testing {
namespace {

class RunPhasesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("linkan-mining-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // An engine over `input` whose project holds the input's transactions.
  std::unique_ptr<EngineFixture> Project(const reference::RefInput& input, ProjectDatabase& db) {
    db.SetPath((folder_ / "LinkAnalysis.dbs").string());
    EXPECT_EQ(db.OpenProjectDatabase(), 0) << db.LastError();
    db.ClearTransactions();
    for (std::size_t s = 0; s < input.sequences.size(); ++s) {
      for (const auto& t : input.sequences[s]) {
        db.InsertTransaction({"S" + std::to_string(s), t.time, t.items});
      }
    }
    auto fx = std::make_unique<EngineFixture>(input, &db);
    return fx;
  }

  std::filesystem::path folder_;
};

reference::RefInput SampleInput(bool association, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  for (;;) {
    reference::RefInput input =
        MakeRandomCase(rng, {.association = association, .maxSequences = 12, .maxItems = 6});
    input.settings.maxpat = 4;
    input.settings.MaxSequenceSize = 3;
    const auto result = reference::ReferenceRun(input);
    if (!result.truncated && result.patterns.size() >= 10 && !result.rules.empty() &&
        !result.leaves.empty()) {
      return input;
    }
  }
}

void ExpectSameEngineResults(const SalEngine& a, const SalEngine& b) {
  ASSERT_EQ(a.patterns.size(), b.patterns.size());
  for (PatternId id = 0; id < a.patterns.size(); ++id) {
    EXPECT_EQ(a.patterns.PatternOf(id), b.patterns.PatternOf(id));
    EXPECT_EQ(a.patterns.CountOf(id), b.patterns.CountOf(id));
  }
  EXPECT_EQ(a.leaves, b.leaves);
  ASSERT_EQ(a.rules.size(), b.rules.size());
  for (std::size_t i = 0; i < a.rules.size(); ++i) {
    EXPECT_EQ(a.rules[i].bodyId, b.rules[i].bodyId);
    EXPECT_EQ(a.rules[i].headId, b.rules[i].headId);
    EXPECT_EQ(a.rules[i].patternId, b.rules[i].patternId);
    EXPECT_EQ(a.rules[i].count, b.rules[i].count);
  }
  EXPECT_EQ(a.itemFrequency, b.itemFrequency);
  ASSERT_EQ(a.clusters.size(), b.clusters.size());
  for (std::size_t i = 0; i < a.clusters.size(); ++i) {
    EXPECT_EQ(a.clusters[i].pattern, b.clusters[i].pattern);
    EXPECT_EQ(a.clusters[i].count, b.clusters[i].count);
  }
  ASSERT_EQ(a.clusterSteps.size(), b.clusterSteps.size());
  for (std::size_t i = 0; i < a.clusterSteps.size(); ++i) {
    EXPECT_EQ(a.clusterSteps[i].item, b.clusterSteps[i].item);
    EXPECT_EQ(a.clusterSteps[i].lift, b.clusterSteps[i].lift);
  }
}

TEST_F(RunPhasesTest, ARunMinesTheStoredTransactionsAndReopensToTheSameResults) {
  for (const bool association : {true, false}) {
    const reference::RefInput input = SampleInput(association, association ? 21 : 22);
    ProjectDatabase db;
    auto run = Project(input, db);
    std::vector<std::string> lines;
    {
      ScopedDebugSink sink([&](std::string_view text) { lines.emplace_back(text); });
      RunPhases(run->engine());
    }
    const auto expected = reference::ReferenceRun(input);
    EXPECT_TRUE(SameResults(expected, run->engine())) << Describe(input);
    EXPECT_FALSE(run->engine().leaves.empty());
    // Pattern lines, then the two timing lines in order.
    ASSERT_GE(lines.size(), expected.patterns.size() + 2);
    std::vector<std::string> timings;
    for (const std::string& line : lines) {
      if (line.find("TimeIt") != std::string::npos) timings.push_back(line);
    }
    ASSERT_EQ(timings.size(), 2u);
    EXPECT_NE(timings[0].find("SAL [frequent pattern enumeration]"), std::string::npos);
    EXPECT_NE(timings[1].find("SAL [rule generation]"), std::string::npos);
    if (association) {
      EXPECT_FALSE(run->engine().clusters.empty());
    }

    // Reopen: a fresh engine restored from the project record.
    reference::RefInput bare;
    EngineFixture reopened(bare, &db);
    ProjectRecord record;
    ASSERT_TRUE(db.LoadProjectRecord(record));
    RestoreFromProjectRecord(reopened.engine(), record);
    RebuildFromProject(reopened.engine());
    ExpectSameEngineResults(run->engine(), reopened.engine());
  }
}

// Before the leaf set was stored, a reopened project showed no leaves (no
// disjoint sequences).
TEST_F(RunPhasesTest, LeavesRegressionTheLeafSetSurvivesReopening) {
  const reference::RefInput input = SampleInput(false, 5);
  ProjectDatabase db;
  auto run = Project(input, db);
  RunPhases(run->engine());
  ASSERT_FALSE(run->engine().leaves.empty());
  EngineFixture reopened(input, &db);
  reopened.engine().patterns.Record({{1}}, 99);  // stale results are replaced
  reopened.engine().leaves.insert(77);
  RebuildFromProject(reopened.engine());
  EXPECT_EQ(reopened.engine().leaves, run->engine().leaves);
}

TEST_F(RunPhasesTest, TheProfileEntryShowsTheEnumerationBar) {
  const reference::RefInput input = SampleInput(true, 8);
  ProjectDatabase db;
  auto run = Project(input, db);
  run->host().SetProfileInt(55607, 1);
  RunPhases(run->engine());
  const std::vector<std::string>& log = run->host().progressLog;
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0], "newbar:Collecting frequent itemsets / sequences:0-10000:wr");
  // The bar shows the pattern lines.
  const auto text = std::find(
      log.begin(), log.end(),
      "bartext:" + PatternText(run->engine(), run->engine().patterns.PatternOf(0), false, true) +
          " : " + std::to_string(run->engine().patterns.CountOf(0)));
  EXPECT_NE(text, log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "title:Generating rules..."), log.end());
}

TEST_F(RunPhasesTest, CancellationEndsTheRunWithTheAutomationError) {
  const reference::RefInput input = SampleInput(false, 9);
  ProjectDatabase db;
  auto run = Project(input, db);
  run->host().SetCancelled(true);
  try {
    RunPhases(run->engine());
    ADD_FAILURE() << "expected the cancellation error";
  } catch (const AutomationError& e) {
    EXPECT_STREQ(e.what(), "User has cancelled the analysis");
  }
}

}  // namespace
}  // namespace linkan::testing
