// Tests of the transaction database construction over an in-memory store:
// ID and time rules, the time filter, single-element itemsets, the
// non-sequential itemset, taxonomy labels, and the ways a construction ends
// early.
#include "engine/construction/build_transaction_database.h"

#include <gtest/gtest.h>

#include <functional>

#include "construction_fixture.h"
#include "frame/host/debug_sink.h"
#include "frame/host/module_error.h"
#include "memory_transaction_store.h"

namespace linkan {
namespace {

using testing::ConstructionFixture;
using testing::MemoryTransactionStore;
using testing::NamedRecords;
using testing::TestColumn;

class ConstructionTest : public ConstructionFixture {
 protected:
  NamedRecords Build() {
    BuildTransactionDatabase(*engine, store);
    return Named(store.Records());
  }
  MemoryTransactionStore store;
};

TEST_F(ConstructionTest, SameIdAndTimeAreMergedIntoOneRecord) {
  host.AddText("id", {"A", "A", "B", "A"});
  host.AddNumeric("t", {1, 1, 1, 2});
  host.AddText("item", {"x", "y", "x", "x"});
  Engine();
  UseIdVariable(1);
  UseTimeVariable(2);
  AddResponse(3);
  const NamedRecords expected = {
      {{"A", 1}, {"x", "y"}}, {{"A", 2}, {"x"}}, {{"B", 1}, {"x"}}};
  EXPECT_EQ(Build(), expected);
  EXPECT_EQ(engine->transactionIds, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(Settings().size, 2u);
  EXPECT_TRUE(NumberedInNameOrder());
}

TEST_F(ConstructionTest, WithoutTimeVariableSequencesUseTheCaseNumber) {
  host.AddText("id", {"A", "A", "B"});
  host.AddText("item", {"x", "y", "z"});
  Engine();
  UseIdVariable(1);
  AddResponse(2);
  const NamedRecords expected = {{{"A", 1}, {"x"}}, {{"A", 2}, {"y"}}, {{"B", 3}, {"z"}}};
  EXPECT_EQ(Build(), expected);
}

TEST_F(ConstructionTest, NonSequentialWithoutIdVariableMakesEveryCaseATransaction) {
  host.AddText("a", {"x", "y", "x"});
  host.AddText("b", {"y", "", "z"});
  Engine();
  Settings().noseq = 1;
  AddResponse(1);
  AddResponse(2);
  const NamedRecords expected = {
      {{"1", 0}, {"x", "y"}}, {{"2", 0}, {"y"}}, {{"3", 0}, {"x", "z"}}};
  EXPECT_EQ(Build(), expected);
  EXPECT_EQ(engine->transactionIds, (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(ConstructionTest, MinMaxTimeFilterLeavesCasesOut) {
  host.AddText("id", {"A", "A", "A", "B"});
  host.AddNumeric("t", {4.9, 5, 10, 10.5});
  host.AddText("item", {"early", "x", "y", "late"});
  Engine();
  UseIdVariable(1);
  UseTimeVariable(2);
  AddResponse(3);
  Settings().iMinMaxFilter = 1;
  Settings().MinTime = 5;
  Settings().MaxTime = 10;
  const NamedRecords expected = {{{"A", 5}, {"x"}}, {{"A", 10}, {"y"}}};
  EXPECT_EQ(Build(), expected);
  // B's only case was filtered: it never became a transaction.
  EXPECT_EQ(engine->transactionIds, (std::vector<std::string>{"A"}));
  EXPECT_FALSE(engine->items.Contains("early"));
}

TEST_F(ConstructionTest, MissingIdOrTimeSkipsTheCase) {
  host.AddNumeric("id", {1, -9999, 2, 3});
  host.AddNumeric("t", {1, 1, -9999, std::nan("")});
  host.AddText("item", {"x", "y", "z", "w"});
  Engine();
  UseIdVariable(1);
  UseTimeVariable(2);
  AddResponse(3);
  const NamedRecords expected = {{{"1", 1}, {"x"}}};
  EXPECT_EQ(Build(), expected);
  EXPECT_EQ(engine->transactionIds, (std::vector<std::string>{"1"}));
}

TEST_F(ConstructionTest, IdTextFallsBackToTheFormattedValue) {
  TestColumn id;
  id.name = "id";
  id.values = {12.5, 3};
  id.texts = {"", " \x01K7"};  // formatting codes are removed
  host.AddColumn(id);
  host.AddText("item", {"x", "y"});
  Engine();
  Settings().noseq = 1;
  UseIdVariable(1);
  AddResponse(2);
  const NamedRecords expected = {{{"1.25000000000000e+01", 0}, {"x"}}, {{" K7", 0}, {"y"}}};
  EXPECT_EQ(Build(), expected);
}

// Texts over 999 bytes are cut; texts that differ only after the cut become
// one ID or one item, and one warning after the last case says so.
TEST_F(ConstructionTest, LongTextsAreCutWithOneWarning) {
  const std::string longId(1000, 'A');
  const std::string longItem(1200, 'x');
  host.AddText("id", {longId + "1", longId + "2", "B", longId + "1"});
  host.AddText("item", {longItem, "y", longItem + "z", "y"});
  Engine();
  Settings().noseq = 1;
  UseIdVariable(1);
  AddResponse(2);
  const std::string cutId(999, 'A');
  const std::string cutItem(999, 'x');
  const NamedRecords expected = {{{cutId, 0}, {cutItem, "y"}}, {{"B", 0}, {cutItem}}};
  EXPECT_EQ(Build(), expected);
  EXPECT_EQ(engine->transactionIds, (std::vector<std::string>{cutId, "B"}));
  EXPECT_EQ(host.messages,
            (std::vector<std::string>{
                "warning: texts longer than 999 bytes were cut to 999 bytes (texts that differ "
                "only after that became one): \"id\": 3 values; \"item\": 2 values"}));
}

// A case without items still makes its ID a transaction (it counts in N and
// supports nothing), but no record is stored for it.
TEST_F(ConstructionTest, CaseWithoutItemsCountsButStoresNothing) {
  host.AddText("id", {"A", "B"});
  host.AddText("item", {"x", ""});
  Engine();
  Settings().noseq = 1;
  UseIdVariable(1);
  AddResponse(2);
  const NamedRecords expected = {{{"A", 0}, {"x"}}};
  EXPECT_EQ(Build(), expected);
  EXPECT_EQ(Settings().size, 2u);
}

TEST_F(ConstructionTest, SingleElementItemsetsFollowTheCaseNumber) {
  host.AddText("id", {"A", "A"});
  host.AddNumeric("t", {100, 50});
  host.AddText("r1", {"x", "z"});
  host.AddText("r2", {"", "x"});
  host.AddText("r3", {"y", ""});
  Engine();
  UseIdVariable(1);
  UseTimeVariable(2);
  AddResponse(3);
  AddResponse(4);
  AddResponse(5);
  Settings().iSingleItemset = 1;
  Settings().MaxSequenceSize = 6;
  // Base time 6 x case number, plus k for the k-th item of the case.
  const NamedRecords expected = {
      {{"A", 6}, {"x"}}, {{"A", 7}, {"y"}}, {{"A", 12}, {"z"}}, {{"A", 13}, {"x"}}};
  EXPECT_EQ(Build(), expected);
  // The time variable is dropped from the settings.
  EXPECT_EQ(Settings().ntidvar, 0);
  EXPECT_EQ(Settings().tidvar[0], 0);
}

TEST_F(ConstructionTest, NonSequentialItemsGoToTheLastItemset) {
  host.AddText("id", {"A", "A", "B"});
  host.AddText("item", {"x", "y", ""});
  host.AddText("region", {"north", "south", "north"});
  Engine();
  UseIdVariable(1);
  AddResponse(2);
  AddNonSequentialResponse(3);
  const NamedRecords expected = {{{"A", 1}, {"x"}},
                                 {{"A", 2}, {"y"}},
                                 {{"A", 1e20}, {"north", "south"}},
                                 {{"B", 1e20}, {"north"}}};
  EXPECT_EQ(Build(), expected);
}

// Regression: taxonomy parents were looked up as items but never entered
// the dictionary, so a run with taxonomies ended with "value not found".
TEST_F(ConstructionTest, TaxonomyLabelsJoinTheDictionaryInNameOrder) {
  host.AddText("item", {"Lettuce", "Tomatoes", "Bread"});
  Engine();
  Settings().noseq = 1;
  AddResponse(1);
  Settings().taxon = 1;
  engine->taxonomies = {{{"Lettuce", "Produce"}, {"Tomatoes", "Produce"}},
                        {{"Bread", "Bakery"}}};
  Build();
  EXPECT_EQ(engine->items.NamesByNumber(),
            (std::vector<std::string>{"Bakery", "Bread", "Lettuce", "Produce", "Tomatoes"}));

  // Without `taxon` the tables are not used.
  Engine();
  Settings().noseq = 1;
  AddResponse(1);
  engine->taxonomies = {{{"Lettuce", "Produce"}}};
  MemoryTransactionStore other;
  BuildTransactionDatabase(*engine, other);
  EXPECT_FALSE(engine->items.Contains("Produce"));
}

TEST_F(ConstructionTest, EveryCaseSkippedGivesSizeZero) {
  host.AddText("id", {"A", "B"});
  host.AddText("item", {"x", "y"});
  host.SkipCase(1);
  host.SkipCase(2);
  Engine();
  UseIdVariable(1);
  AddResponse(2);
  EXPECT_TRUE(Build().empty());
  EXPECT_EQ(Settings().size, 0u);
  EXPECT_TRUE(engine->items.empty());
}

TEST_F(ConstructionTest, ProgressAndTimingLines) {
  host.AddText("item", {"x"});
  Engine();
  Settings().noseq = 1;
  AddResponse(1);
  std::vector<std::string> lines;
  ScopedDebugSink sink([&lines](std::string_view l) { lines.emplace_back(l); });
  Build();
  EXPECT_EQ(host.progressLog.front(), "title:Constructing transaction database...");
  EXPECT_EQ(host.progressLog[1], "start:1");
  EXPECT_EQ(host.progressLog.back(), "stop");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("SAL [Item index remapping]"), std::string::npos);
  EXPECT_NE(lines[1].find("SAL [transaction database construction]"), std::string::npos);
}

void ExpectRunError(const std::function<void()>& run, const std::string& text) {
  try {
    run();
    ADD_FAILURE() << "expected the error " << text;
  } catch (const ModuleError& e) {
    EXPECT_EQ(std::string(e.what()), text);
  }
}

TEST_F(ConstructionTest, StoppedReadAndRefusedMemoryEndTheRun) {
  host.AddText("item", {"x", "y", "z"});
  Engine();
  Settings().noseq = 1;
  AddResponse(1);
  host.StopAtCase(2);
  ExpectRunError([&] { Build(); }, "Operation was cancelled");
  EXPECT_EQ(host.progressLog.back(), "stop");

  host.StopAtCase(100);
  host.FailAllocations(true);
  ExpectRunError([&] { Build(); }, "Memory allocation failed");
}

TEST_F(ConstructionTest, WriterFailureEndsTheRun) {
  host.AddText("item", {"x", "y", "z"});
  Engine();
  Settings().noseq = 1;
  AddResponse(1);
  store.FailWrite(2);
  try {
    Build();
    ADD_FAILURE() << "expected the writer's error";
  } catch (const ModuleError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kIo);
  }
  // The failed writer committed nothing.
  EXPECT_TRUE(store.Records().empty());
}

}  // namespace
}  // namespace linkan
