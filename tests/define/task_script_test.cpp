// Tests of task scripts: property names, types, variable names, the checks
// before a run and their messages, and that a failing task changes nothing.
#include "define/task_script.h"

#include <gtest/gtest.h>

#include "engine/sal_engine.h"
#include "frame/sequence.h"
#include "projectdb/project_database.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using testing::TestHost;

class TaskScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.AddNumeric("basket", {1, 1, 2});          // 1
    host.AddText("item", {"milk", "bread", "milk"});  // 2
    host.AddNumeric("day", {1, 2, 3});             // 3
    host.AddText("d1", {"yes", "no", "yes"});      // 4 labels: yes=1, no=2
    host.AddText("d2", {"no", "yes", "no"});       // 5 labels: no=1, yes=2
    host.AddNumeric("price", {1.5, 2.5, 3.5});     // 6
    host.AddNumeric("n1", {0, 1, 1});              // 7
    host.SetDataFolder("/data");
    seq = std::make_unique<CSequence>(&host);
    seq->Initialize();
    seq->Init();
  }
  bool Apply(const std::string& json) { return ApplyTaskScript(*seq, json, result); }
  const AnalysisSettings& s() const { return seq->engine()->settings; }

  TestHost host;
  std::unique_ptr<CSequence> seq;
  TaskScriptResult result;
};

TEST_F(TaskScriptTest, AssociationTaskSetsEveryNamedProperty) {
  ASSERT_TRUE(Apply(R"({
      "Variables": {"id": "basket", "responses": ["item"]},
      "GenerateNonsequentialAssociation": 1,
      "MinimumSupport": 0.05, "MaximumSupport": 0.9,
      "MinimumConfidence": 0.5, "MaxSizeOfItemset": 4, "MaxSizeOfItemsetsInHead": 2,
      "DatabaseFile": "/tmp/p.dbs", "SelectedItems": "milk | bread"})"))
      << result.error;
  // The non-sequential switch applies first, so the variables survive it.
  EXPECT_EQ(s().noseq, 1);
  EXPECT_EQ(s().nsidvar, 1);
  EXPECT_EQ(s().sidvar[0], 1);
  EXPECT_EQ(s().nresvars, 1);
  EXPECT_EQ(s().resvars[0], 2);
  EXPECT_EQ(s().minsupp, 0.05);
  EXPECT_EQ(s().maxsupp, 0.9);
  EXPECT_EQ(s().minconf, 0.5);
  EXPECT_EQ(s().maxpat, 4);
  EXPECT_EQ(s().maxhead, 2);
  EXPECT_EQ(seq->projectDb().Path(), "/tmp/p.dbs");
  EXPECT_TRUE(result.hasSelectedItems);
  EXPECT_EQ(result.selectedItems, "milk | bread");
}

TEST_F(TaskScriptTest, ErrorsNameTheKeyAndChangeNothing) {
  const struct {
    const char* task;
    const char* expected;
  } cases[] = {
      {R"({"MinimumSuport": 0.1})", "unknown task property \"MinimumSuport\""},
      {R"({"MinimumSupport": "high"})", "\"MinimumSupport\" must be a number"},
      {R"({"UseTaxonomies": 2})", "\"UseTaxonomies\" must be 0, 1, true or false"},
      {R"({"Variables": {"id": "basket", "responses": ["nosuch"]}})",
       "\"Variables.responses\": no variable named \"nosuch\" in the data"},
      {R"({"Variables": {"id": "basket", "colour": ["item"]}})",
       "\"Variables\": unknown member \"colour\""},
      {R"({"Variables": {"id": "basket", "responses": ["item"]}, "MinimumSupport": 1.5})",
       "Invalid value for Minimum Support: must be within ( 0.0 ; 1.0 )."},
      {"[1, 2]", "the task must be a JSON object of task properties"},
      {R"({"MinimumSupport": 1e400})",
       "the task, line 1, column 20: the number 1e400 is outside the range of a double"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(Apply(c.task)) << c.task;
    EXPECT_EQ(result.error, c.expected) << c.task;
  }
  EXPECT_FALSE(Apply("{not json"));
  EXPECT_EQ(result.error.rfind("the task, line 1, column 3: not valid JSON: syntax error", 0), 0u)
      << result.error;
  // Nothing of the failed tasks reached the settings.
  EXPECT_EQ(s().minsupp, 0.2);
  EXPECT_EQ(s().nresvars, 0);
  EXPECT_EQ(s().nsidvar, 0);
}

TEST_F(TaskScriptTest, VariableSelectionRulesAndMessages) {
  // Sequence analysis (the default) needs an ID variable and an item variable.
  EXPECT_FALSE(Apply(R"({"Variables": {"responses": ["item"]}})"));
  EXPECT_EQ(result.error, "\"Variables\": sequence analysis needs an \"id\" variable");
  EXPECT_FALSE(Apply(R"({})"));
  EXPECT_EQ(result.error, "Variable selection not valid.");
  EXPECT_FALSE(Apply(R"({"Variables": {"id": "basket"}})"));
  EXPECT_EQ(result.error, "Not enough variables were specified. Please select at least two "
                          "dichotomy (continuous) variables or one response variable .");
  EXPECT_FALSE(Apply(R"({"GenerateNonsequentialAssociation": 1,
                         "Variables": {"continuous": ["price"]}})"));
  EXPECT_EQ(result.error.rfind("Not enough variables", 0), 0u);
  // Two continuous variables without an ID are accepted.
  EXPECT_TRUE(Apply(R"({"GenerateNonsequentialAssociation": 1,
                        "Variables": {"continuous": ["price", "n1"]}})"))
      << result.error;
  EXPECT_EQ(s().noseq, 1);
  EXPECT_EQ(s().ncontvars, 2);
  EXPECT_EQ(s().nsidvar, 0);
}

TEST_F(TaskScriptTest, NonsequentialVariablesMustNotOverlapTheStandardOnes) {
  EXPECT_FALSE(Apply(R"({"Variables": {"id": "basket", "time": "day", "responses": ["item"]},
                         "NonsequentialVariables": {"continuous": ["day"]}})"));
  EXPECT_EQ(result.error, "One of NS variables overlaps standard variables!");
  ASSERT_TRUE(Apply(R"({"Variables": {"id": "basket", "time": "day", "responses": ["item"]},
                        "NonsequentialVariables": {"continuous": ["price"]}})"))
      << result.error;
  EXPECT_EQ(s().ntidvar, 1);
  EXPECT_EQ(s().tidvar[0], 3);
  EXPECT_EQ(s().nmdcontvars, 1);
  EXPECT_EQ(s().mdcontvars[0], 6);
}

TEST_F(TaskScriptTest, DichotomyCodesAreRequiredAndStoredByColumn) {
  const std::string vars = R"("Variables": {"id": "basket", "dichotomies": ["d1", "d2"]})";
  EXPECT_FALSE(Apply("{" + vars + "}"));
  EXPECT_NE(result.error.find("\"MultipleDichotomyCodes\""), std::string::npos);
  EXPECT_FALSE(Apply("{" + vars + R"(, "MultipleDichotomyCodes": {"d1": [1]}})"));
  EXPECT_EQ(result.error,
            "\"MultipleDichotomyCodes\" gives no codes for the dichotomy variable \"d2\"");
  ASSERT_TRUE(Apply("{" + vars + R"(, "MultipleDichotomyCodes": {"d1": [1, 2.7], "d2": [-2.5]}})"))
      << result.error;
  EXPECT_TRUE(s().codeselected);
  EXPECT_EQ(s().ndichcodes[0], 2);
  EXPECT_EQ(s().ndichcodes[1], 1);
  EXPECT_EQ(s().DichCode(0, 0), 1);
  EXPECT_EQ(s().DichCode(0, 1), 2);   // truncated toward zero
  EXPECT_EQ(s().DichCode(1, 0), -2);
}

TEST_F(TaskScriptTest, SingleCodeIsLookedUpInEveryDichotomyVariable) {
  const std::string vars = R"("Variables": {"id": "basket", "dichotomies": ["d1", "d2"]},
                              "UseSingleCodeForAllDichotomyVariables": 1)";
  EXPECT_FALSE(Apply("{" + vars + "}"));
  EXPECT_EQ(result.error, "Single code for all dichotomy variables is not specified.");
  // "yes" is code 1 of d1 and code 2 of d2.
  ASSERT_TRUE(Apply("{" + vars + R"(, "SingleCodeForAllDichotomyVariables": "yes"})"))
      << result.error;
  EXPECT_EQ(s().DichCode(0, 0), 1);
  EXPECT_EQ(s().DichCode(1, 0), 2);
  // A number is first read in the terms of the first variable: 2 is "no".
  ASSERT_TRUE(Apply("{" + vars + R"(, "SingleCodeForAllDichotomyVariables": 2})"));
  EXPECT_EQ(s().DichCode(0, 0), 2);
  EXPECT_EQ(s().DichCode(1, 0), 1);
  EXPECT_FALSE(Apply("{" + vars + R"(, "SingleCodeForAllDichotomyVariables": "maybe"})"));
  EXPECT_EQ(result.error, "Variable 4 does not contain maybe");
}

TEST_F(TaskScriptTest, GoingToTheResultsOfAProjectSkipsEveryCheck) {
  ASSERT_TRUE(Apply(R"({"UseExistingProject": 1, "GoToResultsDialogWithoutAddingDocuments": 1,
                        "DatabaseFile": "/tmp/old.dbs", "MinimumSupport": 7})"))
      << result.error;
  EXPECT_EQ(s().projectMode, 1);
  EXPECT_EQ(s().existingProjectAction, 1);
  EXPECT_EQ(seq->projectDb().Path(), "/tmp/old.dbs");
}

TEST_F(TaskScriptTest, SequenceOptionsAndTimeChecks) {
  const std::string base =
      R"("Variables": {"id": "basket", "time": "day", "responses": ["item"]},
         "UseMinimumAndMaximumTimeFilter": true)";
  EXPECT_FALSE(Apply("{" + base + R"(, "MinimumTime": 5, "MaximumTime": 5})"));
  EXPECT_EQ(result.error, "Minimum time should be less than maximum time");
  ASSERT_TRUE(Apply("{" + base + R"(, "MinimumTime": 1, "MaximumTime": 9,
                     "CombineItemsetsInFixedLengthOfTimeIntoOneItemset": 1,
                     "FixedLengthOfTimeForCombiningIntoOneItemset": 2,
                     "MaximumNumberOfItemsetsInASequence": 4})"))
      << result.error;
  EXPECT_EQ(s().iMinMaxFilter, 1);
  EXPECT_EQ(s().MinTime, 1.0);
  EXPECT_EQ(s().MaxTime, 9.0);
  EXPECT_EQ(s().CombineItemsetMode, 1);
  EXPECT_EQ(s().FixedTimeLength, 2.0);
  EXPECT_EQ(s().MaxSequenceSize, 4);
  EXPECT_FALSE(Apply("{" + base + R"(, "MinimumTime": 1, "MaximumTime": 9,
                      "CombineItemsetsInFixedLengthOfTimeIntoOneItemset": 1,
                      "FixedLengthOfTimeForCombiningIntoOneItemset": 9})"));
  EXPECT_EQ(result.error.rfind("Invalid time length was entered", 0), 0u);
}

}  // namespace
}  // namespace linkan
