// The task dialog as a model: which controls each configuration enables,
// the LNKStartup members' get/put round trips and frame, the host dialogs
// the buttons open, and the mended behaviours (code texts, overlaps found
// at OK, refusals under automation, paths, what a model file refreshes).
#include "define/define_task.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "define/code_text.h"
#include "define/define_task_controls.h"
#include "define/lnk_startup.h"
#include "engine/sal_engine.h"
#include "frame/sequence.h"
#include "projectdb/project_database.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using nlohmann::json;
using testing::TestHost;
using namespace task_ctl;

class DefineTaskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.AddNumeric("basket", {1, 1, 2});              // 1
    host.AddText("item", {"milk", "bread", "milk"});   // 2
    host.AddNumeric("day", {1, 2, 3});                 // 3
    host.AddText("d1", {"yes", "no", "yes"});          // 4
    host.AddText("d2", {"no", "yes", "no"});           // 5
    host.AddNumeric("price", {1.5, 2.5, 3.5});         // 6
    seq = std::make_unique<CSequence>(&host);
    seq->Initialize();
    seq->Init();
    ASSERT_EQ(seq->StartAnalysis(), -1);
  }
  CDefineTask& dialog() { return *seq->defineTask(); }
  LnkStartup& lnk() { return dialog().automation(); }
  AnalysisSettings& s() { return seq->engine()->settings; }
  void Put(const std::string& member, const json& value) {
    ASSERT_EQ(lnk().PutValue(member, value), kAutomationOk)
        << member << ": " << lnk().ErrorDescription();
  }
  json Get(const std::string& member) {
    json value;
    EXPECT_EQ(lnk().GetValue(member, value), kAutomationOk) << member;
    return value;
  }
  bool Enabled(int id) { return dialog().FindControl(id)->enabled; }

  TestHost host;
  std::unique_ptr<CSequence> seq;
};

TEST_F(DefineTaskTest, OpensWithSixPagesAndTheDefaults) {
  EXPECT_EQ(dialog().ShownPages(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(Get("MinimumSupport"), 0.2);
  EXPECT_EQ(dialog().GetControlText(kCodesLabel), "none");
  EXPECT_EQ(dialog().GetControlText(kTaxonomyFileLabel), "none");
  EXPECT_EQ(dialog().FindControl(kMinSupport)->precision, 4);
  EXPECT_EQ(dialog().FindControl(kMinSupport)->rangeMax, 0.9999);
  EXPECT_EQ(lnk().Members().size(), 13u + 38u + 1u);
  EXPECT_EQ(lnk().Members()[13].dispatchId, 0x60020000);
  // MaximumConfidence is the last member of the interface: offset 73.
  EXPECT_EQ(lnk().Members()[13 + 37].name, "MaximumConfidence");
  EXPECT_EQ(lnk().Members()[13 + 37].dispatchId, 0x60020000 + 73);
  Put("GenerateNonsequentialAssociation", 1);
  EXPECT_EQ(dialog().ShownPages(), (std::vector<int>{0, 1, 3, 5}));
}

// Each enabling rule: the puts that make a configuration, and controls
// with the state they must then have.
TEST_F(DefineTaskTest, EnablingFollowsTheSettings) {
  const struct {
    const char* name;
    json puts;  // [[member, value], ...] in order
    std::vector<std::pair<int, bool>> expected;
  } cases[] = {
      {"defaults", json::array(),
       {{kCodes, false}, {kSingleCode, false}, {kNsVariables, false}, {kTaxonomyFile, false},
        {kTimeLabel, true}, {kTimeFilter, false}, {kCuts, false}, {kFixedNumber, true},
        {kFixedTime, false}, {kUpdate, false}, {kPmmlButton, false}, {kMinSupport, true}}},
      {"dichotomies", json::parse(R"([["Variables", {"id": "basket", "dichotomies": ["d1"]}]])"),
       {{kCodes, true}, {kSingleCode, true}, {kSingleCodeEdit, false}, {kNsVariables, true}}},
      {"single code", json::parse(R"([["Variables", {"id": "basket", "dichotomies": ["d1"]}],
                                      ["UseSingleCodeForAllDichotomyVariables", 1]])"),
       {{kCodes, false}, {kCodesLabel, false}, {kSingleCodeEdit, true}}},
      {"time variable", json::parse(R"([["Variables", {"id": "basket", "time": "day",
                                                      "responses": ["item"]}]])"),
       {{kTimeFilter, true}, {kByTime, true}, {kMinTime, false}, {kFixedTime, false}}},
      {"time filter", json::parse(R"([["Variables", {"id": "basket", "time": "day",
                                                    "responses": ["item"]}],
                                     ["UseMinimumAndMaximumTimeFilter", 1]])"),
       {{kMinTime, true}, {kMaxTime, true}}},
      {"single itemsets", json::parse(R"([["Variables", {"id": "basket", "time": "day",
                                                        "responses": ["item"]}],
                                         ["UseMinimumAndMaximumTimeFilter", 1],
                                         ["UseEachCaseAsSingleElementItemsetsInASequence", 1]])"),
       {{kTimeFilter, false}, {kMinTime, false}, {kByTime, false}}},
      {"combine by time", json::parse(R"([["Variables", {"id": "basket", "time": "day",
                                                        "responses": ["item"]}],
                                         ["CombineItemsetsInFixedLengthOfTimeIntoOneItemset", 1]])"),
       {{kFixedTime, true}, {kFixedNumber, false}}},
      {"association", json::parse(R"([["GenerateNonsequentialAssociation", 1]])"),
       {{kTimeLabel, false}, {kSingleItemsets, false}, {kMaxSequenceSize, false},
        {kFixedNumber, false}}},
      {"continuous", json::parse(R"([["Variables", {"id": "basket", "continuous": ["price"]}]])"),
       {{kCuts, true}, {kCutsLabel, true}}},
      {"taxonomies", json::parse(R"([["UseTaxonomies", 1]])"),
       {{kTaxonomyFile, true}, {kAssignTaxonomy, true}, {kRemoveOriginal, true}}},
      {"existing project", json::parse(R"([["UseExistingProject", 1]])"),
       {{kUpdate, true}, {kGoToResults, true}, {kPmmlButton, false}, {kMinSupport, true}}},
      {"go to results", json::parse(R"([["UseExistingProject", 1],
                                       ["GoToResultsDialogWithoutAddingDocuments", 1]])"),
       {{kMinSupport, false}, {kVariables, false}, {kMaxSupport, true}, {kMaxConfidence, true},
        {kTaxonomies, false}, {kDatabaseEdit, true}}},
      {"recommendation", json::parse(R"([["UseExistingProject", 1], ["DeployNewDocuments", 1]])"),
       {{kPmmlButton, true}, {kPmmlLabel, true}, {kMaxSupport, false}, {kVariables, false}}},
  };
  for (const auto& c : cases) {
    seq->Init();
    for (const json& put : c.puts) Put(put[0].get<std::string>(), put[1]);
    for (const auto& [id, enabled] : c.expected) {
      EXPECT_EQ(Enabled(id), enabled) << c.name << ": control " << id;
    }
  }
}

// A get answers what a put gave, for every kind of member.
TEST_F(DefineTaskTest, EveryPropertyReadsBackWhatWasPut) {
  const json puts = json::parse(R"([
      ["WeightedMoments", 1],
      ["Variables", {"id": "basket", "time": "day", "responses": ["item"],
                     "dichotomies": ["d1", "d2"]}],
      ["MultipleDichotomyCodes", {"d1": [1, 2], "d2": [2]}],
      ["NonsequentialVariables", {"continuous": ["price"]}],
      ["UseSingleCodeForAllNonsequentialDichotomyVariables", 0],
      ["MaxSizeOfItemset", 4], ["MaxSizeOfItemsetsInHead", 2], ["MinimumSupport", 0.123456789],
      ["MinimumConfidence", 0.5], ["NumberOfCutsForContinuousVariable", 7],
      ["CombineItemsetsInFixedLengthOfTimeIntoOneItemset", 1],
      ["MaximumNumberOfItemsetsInASequence", 9], ["FixedNumberOfItemsetsForCombiningIntoOneItemset", 3],
      ["UseEachCaseAsSingleElementItemsetsInASequence", 0],
      ["FixedLengthOfTimeForCombiningIntoOneItemset", 2.5], ["UseMinimumAndMaximumTimeFilter", 1],
      ["MinimumTime", -3], ["MaximumTime", 1e9], ["UseTaxonomies", 1],
      ["DataFileNameForTaxonomy", "tax.csv"], ["ReplaceOriginalItemsWithTaxonomies", 1],
      ["DatabaseFile", "/tmp/a b/p.dbs"], ["UseExistingProject", 1], ["DeployNewDocuments", 1],
      ["VariableSelectionViaPMML", 1], ["LoadModels", "/m/model.xml"], ["MaximumSupport", 0.9],
      ["MaximumConfidence", 0.95], ["StandardSupport", 1]])");
  for (const json& put : puts) Put(put[0].get<std::string>(), put[1]);
  for (const json& put : puts) {
    EXPECT_EQ(Get(put[0].get<std::string>()), put[1]) << put[0];
  }
  EXPECT_EQ(Get("GenerateNonsequentialAssociation"), 0);
  EXPECT_EQ(Get("CombineFixedNumberOfItemsetsIntoOneItemset"), 0);
  EXPECT_EQ(Get("CreateNewProject"), 0);
  EXPECT_EQ(dialog().GetControlText(kPmmlLabel), "model.xml");
  EXPECT_EQ(dialog().GetControlText(kTaxonomyFileLabel), "tax.csv");
  EXPECT_EQ(dialog().GetControlText(kIdLabel), "basket");
  EXPECT_EQ(dialog().GetControlText(kDichotomiesLabel), "d1, d2");
  EXPECT_EQ(dialog().GetControlText(kCodesLabel), "selected");
}

TEST_F(DefineTaskTest, FailuresNameTheMemberInTheHostLog) {
  EXPECT_EQ(lnk().PutValue("LoadModels", ""), kAutomationException);
  EXPECT_EQ(lnk().ErrorDescription(), "Improper string provided for PMML file names.");
  ASSERT_FALSE(host.logEntries.empty());
  EXPECT_NE(host.logEntries.back().find("Exception in automation method "
                                        "[CDefineTask::put_LoadModels]: Improper string provided "
                                        "for PMML file names."),
            std::string::npos)
      << host.logEntries.back();
  EXPECT_EQ(lnk().PutValue("MinimumSuport", 0.1), kAutomationUnknownName);
  EXPECT_EQ(lnk().PutValue("GenerateNonsequentialAssociation", 2), kAutomationTypeMismatch);
  // Under automation OK refuses at once instead of opening the variables.
  EXPECT_NE(lnk().Call("OK"), kAutomationOk);
  EXPECT_EQ(lnk().ErrorDescription(), "Variable selection not valid.");
  EXPECT_TRUE(host.variableDialogs.empty());
  dialog().SendCommand(kCancel);
  EXPECT_EQ(lnk().PutValue("MinimumSupport", 0.1), kAutomationDialogClosed);
}

// Mended: a refused selection under automation fails with the message
// rather than opening the host's dialog again, which a script cannot
// answer; for a user the dialog reopens until the choice is acceptable.
TEST_F(DefineTaskTest, RefusedSelectionsFailUnderAutomationAndReopenForAUser) {
  EXPECT_NE(lnk().PutValue("Variables", json::parse(R"({"id": "basket"})")), kAutomationOk);
  EXPECT_EQ(lnk().ErrorDescription().rfind("Not enough variables were specified.", 0), 0u);
  EXPECT_TRUE(host.variableDialogs.empty());
  // A user: first a refused choice, then an accepted one.
  host.QueueVariablesAnswer(std::vector<std::vector<int>>{{1}, {}, {}, {}, {}});
  host.QueueVariablesAnswer(std::vector<std::vector<int>>{{1}, {3}, {2}, {}, {}});
  ASSERT_TRUE(dialog().SendCommand(kVariables));
  ASSERT_EQ(host.variableDialogs.size(), 2u);
  EXPECT_EQ(host.variableDialogs[0].title, "Select variables");
  EXPECT_EQ(host.variableDialogs[0].listCaptions[0], "Sequence ID variable");
  EXPECT_EQ(host.variableDialogs[0].listCodes, (std::vector<int>{7, 7, 7, 1, 2}));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].rfind("Not enough variables", 0), 0u);
  EXPECT_EQ(s().nsidvar, 1);
  EXPECT_EQ(s().ntidvar, 1);
  EXPECT_EQ(s().tidvar[0], 3);
}

// Mended: choosing the standard variables again after the non-sequential
// ones can make them overlap; OK finds it (10161).
TEST_F(DefineTaskTest, OkFindsNonsequentialVariablesThatCameToOverlap) {
  Put("Variables", json::parse(R"({"id": "basket", "responses": ["item"]})"));
  Put("NonsequentialVariables", json::parse(R"({"continuous": ["price"]})"));
  Put("Variables", json::parse(R"({"id": "basket", "responses": ["item"],
                                   "continuous": ["price"]})"));
  EXPECT_NE(lnk().Call("OK"), kAutomationOk);
  EXPECT_EQ(lnk().ErrorDescription(), "One of NS variables overlaps standard variables!");
  EXPECT_EQ(dialog().LastFailedControl(), kNsVariables);
}

// Mended: a model file refreshes only what depends on it; fields a script
// typed before stay.
TEST_F(DefineTaskTest, FileNamesKeepTypedFieldsAndRefuseOverlongNames) {
  Put("MinimumSupport", 0.05);
  Put("UseExistingProject", 1);
  Put("DeployNewDocuments", 1);
  Put("LoadModels", "/models/a.xml");
  EXPECT_EQ(dialog().GetControlText(kMinSupport), "0.05");
  EXPECT_EQ(dialog().GetControlText(kPmmlLabel), "a.xml");
  host.openFileAnswer = "/models/b.xml";
  ASSERT_TRUE(dialog().SendCommand(kPmmlButton));
  EXPECT_EQ(s().pmmlFile, "/models/b.xml");
  EXPECT_EQ(dialog().GetControlText(kMinSupport), "0.05");
  EXPECT_EQ(host.openFileRequests.back(),
            "Open PMML files|XML files (*.xml)|*.xml|All files (*.*)|*.*|||.xml|/models/a.xml");
  // Paths are taken whole, and one too long for a file name is refused.
  const std::string deep = "/" + std::string(300, 'd') + "/p.dbs";
  Put("DatabaseFile", deep);
  EXPECT_EQ(seq->projectDb().Path(), deep);
  EXPECT_NE(lnk().PutValue("DatabaseFile", "/" + std::string(5000, 'x')), kAutomationOk);
  EXPECT_EQ(seq->projectDb().Path(), deep);
  // The taxonomy file: blanks alone change nothing; another file forgets
  // the roles assigned to the old one's variables.
  Put("DataFileNameForTaxonomy", "  tax.csv ");
  seq->taxonomyVariables = {1, 2, 0, 0, 0, 0, 0};
  Put("DataFileNameForTaxonomy", "   ");
  Put("DataFileNameForTaxonomy", "tax.csv");
  EXPECT_EQ(seq->taxonomyFile, "tax.csv");
  EXPECT_EQ(seq->taxonomyVariables.size(), 7u);
  Put("DataFileNameForTaxonomy", "other.csv");
  EXPECT_TRUE(seq->taxonomyVariables.empty());
}

// Mended: a code given as text is a label or a whole number, nothing else.
TEST(CodeTextTest, LabelsOrWholeNumbersOnly) {
  const std::vector<std::string> labels = {"Level 1", "0"};
  const struct {
    const char* text;
    std::optional<long long> value;
  } cases[] = {
      {"Level 1", 1}, {"0", 2},           {" 12 ", 12},     {"-7", -7},      {"+3", 3},
      {"Level 10", {}}, {"2nd", {}},      {"1.5", {}},      {"", {}},        {"-", {}},
      {"2147483647", 2147483647LL},       {"-2147483648", -2147483648LL},
      {"2147483648", {}},                 {"99999999999", {}},              {"00", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ConvertCodeText(labels, c.text), c.value) << c.text;
  EXPECT_EQ(SingleCodeText({"yes", "no"}, "2"), "no");
  EXPECT_EQ(SingleCodeText({"yes", "no"}, "2.50"), "2.5");
  EXPECT_EQ(SingleCodeText({}, "7"), "7");
  EXPECT_EQ(SingleCodeText({"yes"}, "maybe"), "maybe");
}

}  // namespace
}  // namespace linkan
