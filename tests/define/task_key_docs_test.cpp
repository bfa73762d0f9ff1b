// The task key reference: docs/task-file.md shows every key a task script
// accepts, as the code documents it, and each documented range is the one
// a task script enforces (the refusal names the key and the range).
//
// After changing a key, rewrite the table in the docs with
//   LINKAN_UPDATE_DOCS=1 build/tests/define/define_test --gtest_filter='TaskKeyDocs*'
#include "define/task_key_docs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "define/define_task.h"
#include "define/task_script.h"
#include "engine/sal_engine.h"
#include "frame/sequence.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

constexpr const char* kBegin = "<!-- task keys: generated from src/define/task_key_docs.cpp -->\n";
constexpr const char* kEnd = "<!-- end of task keys -->\n";

TEST(TaskKeyDocsTest, TheDocsShowEveryKeyAsTheCodeDocumentsIt) {
  std::vector<std::string> documented;
  for (const TaskKeyDoc& d : TaskKeyDocs()) documented.emplace_back(d.name);
  EXPECT_EQ(documented, TaskScriptKeys());

  std::ifstream in(LINKAN_TASK_FILE_DOC);
  ASSERT_TRUE(in) << LINKAN_TASK_FILE_DOC;
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::string doc = buffer.str();
  const std::size_t begin = doc.find(kBegin);
  const std::size_t end = doc.find(kEnd);
  ASSERT_NE(begin, std::string::npos);
  ASSERT_NE(end, std::string::npos);
  const std::size_t from = begin + std::string(kBegin).size();
  const std::string shown = doc.substr(from, end - from);
  const std::string generated = TaskKeyReference();
  if (shown != generated) {
    const char* update = std::getenv("LINKAN_UPDATE_DOCS");
    if (update && *update) {
      doc.replace(from, end - from, generated);
      std::ofstream(LINKAN_TASK_FILE_DOC) << doc;
    } else {
      ADD_FAILURE() << "docs/task-file.md does not show the task keys as the code documents "
                       "them; rewrite it with LINKAN_UPDATE_DOCS=1 (see this test's header)";
    }
  }
}

class TaskKeyRangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.AddNumeric("id", {1, 1, 2});
    host.AddNumeric("t", {1, 2, 3});
    host.AddText("item", {"a", "b", "a"});
    host.AddNumeric("x", {1.5, 2.5, 3.5});
    seq = std::make_unique<CSequence>(&host);
    seq->Initialize();
    seq->Init();
  }
  // The error of a task ("" when it applies).
  std::string Error(const std::string& task) {
    seq->Init();
    if (!seq->defineTask()) seq->StartAnalysis();
    TaskScriptResult result;
    ApplyTaskScript(*seq->defineTask(), "{" + task + "}", TaskAction::kCheck, result);
    return result.error;
  }

  testing::TestHost host;
  std::unique_ptr<CSequence> seq;
};

// Each numeric key at both ends of its documented range applies, and just
// past either end is refused with the key and the range named.
TEST_F(TaskKeyRangeTest, DocumentedRangesAreTheOnesEnforced) {
  const std::string assoc =
      R"("GenerateNonsequentialAssociation": 1, "Variables": {"id": "id", "responses": ["item"]})";
  const std::string sequence = R"("GenerateNonsequentialAssociation": 0,
      "Variables": {"id": "id", "time": "t", "responses": ["item"]})";
  const std::string continuous = R"("GenerateNonsequentialAssociation": 1,
      "Variables": {"id": "id", "responses": ["item"], "continuous": ["x"]})";
  const struct {
    std::string key, context, low, high, belowLow, aboveHigh, range;
  } cases[] = {
      {"MinimumSupport", assoc, "0", "1", "-0.001", "1.001", "(a number from 0 to 1)"},
      {"MinimumConfidence", assoc, "0", "1", "-0.5", "2", "(a number from 0 to 1)"},
      {"MaxSizeOfItemsetsInHead", assoc, "1", "200", "0", "201", "(a whole number from 1 to 200)"},
      {"MaxSizeOfItemset", sequence, "1", "200", "0", "201", "(a whole number from 1 to 200)"},
      {"MaxSizeOfItemset", assoc, "2", "200", "1", "201", "(a whole number from 2 to 200)"},
      {"NumberOfCutsForContinuousVariable", continuous, "1", "20", "0", "21",
       "(a whole number from 1 to 20)"},
      {"MaximumNumberOfItemsetsInASequence", sequence, "2", "100", "1", "101",
       "(a whole number from 2 to 100)"},
      {"FixedNumberOfItemsetsForCombiningIntoOneItemset",
       sequence + R"(, "CombineFixedNumberOfItemsetsIntoOneItemset": 1)", "1", "100", "0", "101",
       "(a whole number from 1 to 100)"},
      {"MinimumTime", sequence + R"(, "UseMinimumAndMaximumTimeFilter": 1)", "-1000000000",
       "99999999", "-1000000001", "100000001", "(a number from -1000000000 to 100000000)"},
  };
  for (const auto& c : cases) {
    for (const std::string& value : {c.low, c.high}) {
      EXPECT_EQ(Error(c.context + ", \"" + c.key + "\": " + value), "") << c.key << " " << value;
    }
    for (const std::string& value : {c.belowLow, c.aboveHigh}) {
      const std::string error = Error(c.context + ", \"" + c.key + "\": " + value);
      EXPECT_EQ(error.rfind("\"" + c.key + "\": ", 0), 0u) << c.key << " " << value << ": " << error;
      EXPECT_NE(error.find(c.range), std::string::npos) << c.key << " " << value << ": " << error;
    }
  }
}

}  // namespace
}  // namespace linkan
