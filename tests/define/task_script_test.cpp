// Tests of task scripts: property names, types, variable names, the checks
// before a run and their messages, and that a failing task changes nothing.
#include "define/task_script.h"

#include "define/define_task.h"

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
    seq->StartAnalysis();
  }
  bool Apply(const std::string& json) {
    return ApplyTaskScript(*seq->defineTask(), json, TaskAction::kCheck, result);
  }
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
      // A wrong type is an error also where the key would have no effect.
      {R"({"UseExistingProject": 1, "GoToResultsDialogWithoutAddingDocuments": 1,
           "UseTaxonomies": 2})",
       "\"UseTaxonomies\" must be 0, 1, true or false"},
      // The module's own messages, with the key and what it accepts there.
      {R"({"Variables": {"id": "basket", "responses": ["item"]}, "MinimumSupport": 1.5})",
       "\"MinimumSupport\": Invalid value for Minimum Support: must be within ( 0.0 ; 1.0 ). "
       "(a number from 0 to 1)"},
      {R"({"Variables": {"id": "basket", "responses": ["item"]}, "MaxSizeOfItemsetsInHead": 0})",
       "\"MaxSizeOfItemsetsInHead\": Invalid number was entered (a whole number from 1 to 200)"},
      {R"({"Variables": {"id": "basket", "responses": ["item"]}, "MaxSizeOfItemset": 2.5})",
       "\"MaxSizeOfItemset\": Invalid number was entered (a whole number from 1 to 200)"},
      {R"({"GenerateNonsequentialAssociation": 1, "MaxSizeOfItemset": 1,
           "Variables": {"id": "basket", "responses": ["item"]}})",
       "\"MaxSizeOfItemset\": Maximum number of elements in an itemset should be larger than 1 "
       "in case of non-sequential association analysis (a whole number from 2 to 200)"},
      {R"({"Variables": {"id": "basket", "responses": ["item"]},
           "MinimumSupport": 0.3, "MaximumSupport": 0.25})",
       "\"MaximumSupport\": Invalid value for Maximum Support: must be within ( 0.0 ; 1.0 ) and "
       "more than (or equal to) Minimum Support. (a number from 0.3 to 1)"},
      {R"({"Variables": {"id": "basket", "continuous": ["price"]},
           "NumberOfCutsForContinuousVariable": 21})",
       "\"NumberOfCutsForContinuousVariable\": Invalid number was entered (a whole number from 1 "
       "to 20)"},
      {R"({"Variables": {"id": "basket", "time": "day", "responses": ["item"]},
           "UseMinimumAndMaximumTimeFilter": 1, "MinimumTime": 5, "MaximumTime": 5})",
       "\"MaximumTime\": Minimum time should be less than maximum time (a number above the "
       "minimum time 5, at most 100000000)"},
      {R"({"Variables": {"id": "basket", "time": "day", "responses": ["item"]},
           "UseMinimumAndMaximumTimeFilter": 1, "MinimumTime": 1, "MaximumTime": 9.5,
           "CombineItemsetsInFixedLengthOfTimeIntoOneItemset": 1,
           "FixedLengthOfTimeForCombiningIntoOneItemset": 9})",
       "\"FixedLengthOfTimeForCombiningIntoOneItemset\": Invalid time length was entered; must "
       "be 0 < x < max(time) - min(time). (a number from 0 to 8.5, the maximum time minus the "
       "minimum time)"},
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
  EXPECT_EQ(result.error, "\"Variables\": Variable selection not valid.");
  EXPECT_FALSE(Apply(R"({"Variables": {"id": "basket"}})"));
  EXPECT_EQ(result.error,
            "\"Variables\": Not enough variables were specified. Please select at least two "
            "dichotomy (continuous) variables or one response variable .");
  EXPECT_FALSE(Apply(R"({"GenerateNonsequentialAssociation": 1,
                         "Variables": {"continuous": ["price"]}})"));
  EXPECT_EQ(result.error.rfind("\"Variables\": Not enough variables", 0), 0u);
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
  EXPECT_EQ(result.error,
            "\"NonsequentialVariables\": One of NS variables overlaps standard variables!");
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
  EXPECT_EQ(result.error, "\"SingleCodeForAllDichotomyVariables\": Single code for all "
                          "dichotomy variables is not specified.");
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
  EXPECT_EQ(result.error,
            "\"SingleCodeForAllDichotomyVariables\": Variable 4 does not contain maybe (\"d1\")");
}

TEST_F(TaskScriptTest, GoingToTheResultsOfAProjectSkipsEveryCheck) {
  ASSERT_TRUE(Apply(R"({"UseExistingProject": 1, "GoToResultsDialogWithoutAddingDocuments": 1,
                        "DatabaseFile": "/tmp/old.dbs", "MinimumSupport": 7})"))
      << result.error;
  EXPECT_EQ(s().projectMode, 1);
  EXPECT_EQ(s().existingProjectAction, 1);
  EXPECT_EQ(seq->projectDb().Path(), "/tmp/old.dbs");
}

TEST_F(TaskScriptTest, SequenceOptionsAreStored) {
  ASSERT_TRUE(Apply(R"({"GenerateNonsequentialAssociation": 0,
                        "Variables": {"id": "basket", "time": "day", "responses": ["item"]},
                        "UseMinimumAndMaximumTimeFilter": true, "MinimumTime": 1, "MaximumTime": 9,
                        "CombineItemsetsInFixedLengthOfTimeIntoOneItemset": 1,
                        "FixedLengthOfTimeForCombiningIntoOneItemset": 2,
                        "MaximumNumberOfItemsetsInASequence": 4, "StandardSupport": 1})"))
      << result.error;
  EXPECT_EQ(s().iMinMaxFilter, 1);
  EXPECT_EQ(s().MinTime, 1.0);
  EXPECT_EQ(s().MaxTime, 9.0);
  EXPECT_EQ(s().CombineItemsetMode, 1);
  EXPECT_EQ(s().FixedTimeLength, 2.0);
  EXPECT_EQ(s().MaxSequenceSize, 4);
  EXPECT_EQ(s().StandardSupport, 1);
  EXPECT_TRUE(host.messages.empty());  // every key was read
}

// What a task leaves out is said once: the analysis kind, the time
// variable of a sequence analysis, the ID of transactions of items.
TEST_F(TaskScriptTest, WarningsAboutWhatATaskLeftOut) {
  const std::string kind =
      R"(warning: the task does not set "GenerateNonsequentialAssociation": this is a sequence )"
      R"(analysis (the default); set it to 1 for association rules, 0 to say so)";
  const std::string noTime = R"(warning: a sequence analysis without a time variable )"
                             R"(("Variables": "time"): the order of the cases is the time)";
  const std::string noId =
      R"(warning: no ID variable ("Variables": "id"): every case is a transaction of its own)";
  const struct {
    std::string task;
    std::vector<std::string> warnings;
  } cases[] = {
      {R"("Variables": {"id": "basket", "responses": ["item"]})", {kind, noTime}},
      {R"("Variables": {"id": "basket", "time": "day", "responses": ["item"]})", {kind}},
      {R"("GenerateNonsequentialAssociation": 0,
          "Variables": {"id": "basket", "time": "day", "responses": ["item"]})", {}},
      {R"("GenerateNonsequentialAssociation": 0, "UseEachCaseAsSingleElementItemsetsInASequence": 1,
          "Variables": {"id": "basket", "responses": ["item"]})", {}},
      {R"("GenerateNonsequentialAssociation": 1, "Variables": {"responses": ["item"]})", {noId}},
      {R"("GenerateNonsequentialAssociation": 1, "Variables": {"dichotomies": ["n1", "price"]},
          "UseSingleCodeForAllDichotomyVariables": 1, "SingleCodeForAllDichotomyVariables": 1)",
       {}},
      {R"("GenerateNonsequentialAssociation": 1,
          "Variables": {"id": "basket", "responses": ["item"]})", {}},
  };
  for (const auto& c : cases) {
    seq->Init();
    ASSERT_TRUE(Apply("{" + c.task + "}")) << c.task << "\n" << result.error;
    EXPECT_EQ(host.messages, c.warnings) << c.task;
    host.messages.clear();
  }
}

// A key whose dialog control would be disabled has no effect: the task
// still applies, and a warning names the key and why. One case per rule,
// and cases where the same keys are read.
TEST_F(TaskScriptTest, KeysWithoutEffectAreNamedInWarnings) {
  const std::string items = R"("Variables": {"id": "basket", "responses": ["item"]})";
  const std::string seqTime =
      R"("Variables": {"id": "basket", "time": "day", "responses": ["item"]})";
  const std::string assoc = R"("GenerateNonsequentialAssociation": 1, )" + items;
  const std::string dich = R"("Variables": {"id": "basket", "dichotomies": ["d1"]})";
  const std::string fromProject = R"(the task is the existing project's own )"
                                  R"(("UseExistingProject" without "UpdateNewDocuments"))";
  const std::string association =
      R"(the task is a non-sequential association analysis ("GenerateNonsequentialAssociation"))";
  const std::string noTime = R"(no time variable is selected ("Variables": "time"))";
  const std::string single =
      R"(the itemsets hold single elements ("UseEachCaseAsSingleElementItemsetsInASequence"))";
  const std::string filterOff = R"(the time filter is off ("UseMinimumAndMaximumTimeFilter"))";
  const std::string noDichotomy = R"(no dichotomy variable is selected in "Variables")";
  const std::string noNsDichotomy =
      R"(no dichotomy variable is selected in "NonsequentialVariables")";
  const std::string byTime = R"(itemsets are combined by a fixed length of time )"
                             R"(("CombineItemsetsInFixedLengthOfTimeIntoOneItemset"))";
  const std::string byNumber =
      R"(itemsets are combined by a fixed number of itemsets, not by a length of time )"
      R"(("CombineItemsetsInFixedLengthOfTimeIntoOneItemset" is not set))";
  const std::string newProject = R"(a new project is made ("UseExistingProject" is not set))";
  const auto warning = [](const std::string& key, const std::string& reason) {
    return "warning: \"" + key + "\" has no effect: " + reason;
  };
  const struct {
    std::string task;
    std::vector<std::string> warnings;
  } cases[] = {
      {seqTime + R"(, "UseEachCaseAsSingleElementItemsetsInASequence": 1, "MinimumTime": 1,
                   "UseMinimumAndMaximumTimeFilter": 1)",
       {warning("UseMinimumAndMaximumTimeFilter", single), warning("MinimumTime", single)}},
      {seqTime + R"(, "MinimumTime": 1, "MaximumTime": 5)",
       {warning("MinimumTime", filterOff), warning("MaximumTime", filterOff)}},
      {seqTime + R"(, "UseMinimumAndMaximumTimeFilter": 1, "MinimumTime": 1,
                    "MaximumTime": 5)",
       {}},
      {items + R"(, "UseMinimumAndMaximumTimeFilter": 1, "MaximumTime": 5)",
       {warning("UseMinimumAndMaximumTimeFilter", noTime), warning("MaximumTime", noTime)}},
      {items + R"(, "CombineItemsetsInFixedLengthOfTimeIntoOneItemset": 1,
                "FixedLengthOfTimeForCombiningIntoOneItemset": 2,
                "FixedNumberOfItemsetsForCombiningIntoOneItemset": 2)",
       {warning("CombineItemsetsInFixedLengthOfTimeIntoOneItemset", noTime),
        warning("FixedNumberOfItemsetsForCombiningIntoOneItemset", noTime),
        warning("FixedLengthOfTimeForCombiningIntoOneItemset", noTime)}},
      {seqTime + R"(, "CombineItemsetsInFixedLengthOfTimeIntoOneItemset": 1,
                    "FixedNumberOfItemsetsForCombiningIntoOneItemset": 2)",
       {warning("FixedNumberOfItemsetsForCombiningIntoOneItemset", byTime)}},
      {seqTime + R"(, "FixedLengthOfTimeForCombiningIntoOneItemset": 2)",
       {warning("FixedLengthOfTimeForCombiningIntoOneItemset", byNumber)}},
      {seqTime + R"(, "CombineFixedNumberOfItemsetsIntoOneItemset": 1,
                    "FixedNumberOfItemsetsForCombiningIntoOneItemset": 2)", {}},
      {assoc + R"(, "UseEachCaseAsSingleElementItemsetsInASequence": 1,
                  "MaximumNumberOfItemsetsInASequence": 4,
                  "CombineFixedNumberOfItemsetsIntoOneItemset": 1,
                  "NonsequentialVariables": {"responses": ["d1"]},
                  "UseSingleCodeForAllNonsequentialDichotomyVariables": 1)",
       {warning("NonsequentialVariables", association),
        warning("UseSingleCodeForAllNonsequentialDichotomyVariables", association),
        warning("UseEachCaseAsSingleElementItemsetsInASequence", association),
        warning("CombineFixedNumberOfItemsetsIntoOneItemset", association),
        warning("MaximumNumberOfItemsetsInASequence", association)}},
      {items + R"(, "NonsequentialVariables": {"continuous": ["price"]},
                "NumberOfCutsForContinuousVariable": 5)",
       {warning("NumberOfCutsForContinuousVariable",
                R"(no continuous variable is selected in "Variables" )"
                R"((the non-sequential continuous variables keep 10 cuts))")}},
      {R"("Variables": {"id": "basket", "continuous": ["price"]},
          "NumberOfCutsForContinuousVariable": 5)", {}},
      {items + R"(, "UseSingleCodeForAllDichotomyVariables": 1,
                "SingleCodeForAllDichotomyVariables": "yes",
                "UseSingleCodeForAllNonsequentialDichotomyVariables": 1)",
       {warning("UseSingleCodeForAllDichotomyVariables", noDichotomy),
        warning("UseSingleCodeForAllNonsequentialDichotomyVariables", noNsDichotomy),
        warning("SingleCodeForAllDichotomyVariables", noDichotomy)}},
      {dich + R"(, "MultipleDichotomyCodes": {"d1": [1]},
                 "SingleCodeForAllDichotomyVariables": 1)",
       {warning("SingleCodeForAllDichotomyVariables",
                R"("UseSingleCodeForAllDichotomyVariables" is off)")}},
      {dich + R"(, "UseSingleCodeForAllDichotomyVariables": 1,
                 "MultipleDichotomyCodes": {"d1": [2]},
                 "SingleCodeForAllDichotomyVariables": "yes")",
       {warning("MultipleDichotomyCodes",
                R"(every dichotomy variable takes the single code )"
                R"(("UseSingleCodeForAllDichotomyVariables"))")}},
      {items + R"(, "NonsequentialVariables": {"dichotomies": ["d1"]},
                "UseSingleCodeForAllNonsequentialDichotomyVariables": 1,
                "NonsequentialMultipleDichotomyCodes": {"d1": [1]},
                "SingleCodeForAllNonsequentialDichotomyVariables": "yes")",
       {warning("NonsequentialMultipleDichotomyCodes",
                R"(every non-sequential dichotomy variable takes the single code )"
                R"(("UseSingleCodeForAllNonsequentialDichotomyVariables"))")}},
      {items + R"(, "NonsequentialVariables": {"dichotomies": ["d1"]},
                "NonsequentialMultipleDichotomyCodes": {"d1": [1]},
                "SingleCodeForAllNonsequentialDichotomyVariables": "yes")",
       {warning("SingleCodeForAllNonsequentialDichotomyVariables",
                R"("UseSingleCodeForAllNonsequentialDichotomyVariables" is off)")}},
      {items + R"(, "ReplaceOriginalItemsWithTaxonomies": 1)",
       {warning("ReplaceOriginalItemsWithTaxonomies",
                R"(taxonomies are not used ("UseTaxonomies"))")}},
      {items + R"(, "UseTaxonomies": 1, "ReplaceOriginalItemsWithTaxonomies": 1)", {}},
      {items + R"(, "UpdateNewDocuments": 1, "GoToResultsDialogWithoutAddingDocuments": 0)",
       {warning("UpdateNewDocuments", newProject),
        warning("GoToResultsDialogWithoutAddingDocuments", newProject)}},
      {items + R"(, "UseExistingProject": 1, "GoToResultsDialogWithoutAddingDocuments": 1,
                "WeightedMoments": 1, "MinimumSupport": 7, "SelectedItems": "milk")",
       {warning("Variables", fromProject), warning("WeightedMoments", fromProject),
        warning("MinimumSupport", fromProject)}},
      {items + R"(, "UseExistingProject": 1, "UpdateNewDocuments": 1, "MinimumSupport": 0.5)",
       {}},
  };
  for (const auto& c : cases) {
    seq->Init();  // a fresh engine: no settings of the case before
    ASSERT_TRUE(Apply("{" + c.task + "}")) << c.task << "\n" << result.error;
    std::erase_if(host.messages, [](const std::string& m) {
      return m.find("has no effect") == std::string::npos;  // WarningsAboutWhatATaskLeftOut
    });
    EXPECT_EQ(host.messages, c.warnings) << c.task;
    host.messages.clear();
  }
  // What has no effect is not applied either: in an association analysis,
  // single-element itemsets and non-sequential variables would change the
  // transactions.
  ASSERT_TRUE(Apply("{" + assoc + R"(, "UseEachCaseAsSingleElementItemsetsInASequence": 1,
                                      "NonsequentialVariables": {"responses": ["d1"]}})"));
  EXPECT_EQ(s().iSingleItemset, 0);
  EXPECT_EQ(s().nmdresvars, 0);
}

}  // namespace
}  // namespace linkan
