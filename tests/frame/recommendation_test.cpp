// Recommendation without data, end to end through the analysis object: a
// mined model saved by the task's "SaveAsPMML" (and by the results
// dialog's PMML button) answers the deployment query of a recommendation
// task in another analysis object, with no project and nothing mined; the
// task keys of the model and their refusals.
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "engine/sal_engine.h"
#include "frame/sequence.h"
#include "linkanalysis/automation.h"
#include "results/seq_result_dialog.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using testing::TestHost;
namespace fs = std::filesystem;

class Recommendation : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("linkan-recommend-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder);
    host.AddNumeric("basket", {1, 1, 2, 2, 3, 3, 4});
    host.AddText("item", {"Milk", "bread", "Milk", "bread", "Milk", "eggs", "bread"});
    host.SetAutomation(true);
    host.SetDataFolder(folder.string());
  }
  void TearDown() override { fs::remove_all(folder); }

  int Run(CSequence& seq, const std::string& task) {
    seq.Initialize();
    seq.ExecuteStep(kStepInit);
    return seq.RunTask(task, error);
  }
  std::string Mine(const std::string& extra) {
    return R"({"GenerateNonsequentialAssociation": 1, "Variables": {"id": "basket", "responses": ["item"]},
               "MinimumSupport": 0.2, "MinimumConfidence": 0.1, "DatabaseFile": ")" +
           (folder / "p.dbs").string() + "\"" + extra + "}";
  }
  std::string Deploy(const std::string& model, const std::string& extra = "") {
    return R"({"UseExistingProject": 1, "DeployNewDocuments": 1, "DatabaseFile": ")" +
           (folder / "none" / "p.dbs").string() + R"(", "LoadModels": ")" + model + "\"" + extra + "}";
  }

  fs::path folder;
  TestHost host;
  std::string error;
};

TEST_F(Recommendation, AModelSavedByARunAnswersQueriesWithoutDataOrProject) {
  const std::string native = (folder / "model.pmml").string();
  const std::string standard = (folder / "model-4.4.pmml").string();
  CSequence miner(&host);
  ASSERT_EQ(Run(miner, Mine(R"(, "SaveAsPMML": ")" + native + R"(", "SaveAsPMML44": ")" + standard + "\"")), 0)
      << error;
  ASSERT_TRUE(fs::exists(native));
  ASSERT_TRUE(fs::exists(standard));

  for (const std::string& model : {native, standard}) {
    host.spreadsheets.clear();
    CSequence recommender(&host);
    ASSERT_EQ(Run(recommender, Deploy(model, R"(, "QueryStringForRules": "milk")")), 0) << error;
    EXPECT_FALSE(fs::exists(folder / "none"));
    ASSERT_TRUE(recommender.resultDialog()->IsRecommendationMode());
    RunSummary summary;
    ASSERT_TRUE(recommender.GetRunSummary(summary));
    EXPECT_TRUE(summary.recommendation);
    EXPECT_EQ(summary.items, 3u);

    // The query through LNKResult, as a script asks it.
    IAutomationObject* results = recommender.ResultAutomation();
    ASSERT_NE(results, nullptr);
    std::string answer;
    ASSERT_EQ(results->Get("QueriedRules", answer), kAutomationOk) << results->ErrorDescription();
    EXPECT_EQ(answer, "true");
    const ResultsTable& t = host.spreadsheets.back();
    EXPECT_EQ(t.documentName, "queried-rules");
    ASSERT_EQ(t.rows, 2);  // Milk ==> bread and Milk ==> eggs
    const int r = t.Text(0, 1) == "(  bread  )" ? 0 : 1;
    EXPECT_EQ(t.Text(r, 0), "(  Milk  )");
    EXPECT_EQ(t.Text(r, 1), "(  bread  )");
    EXPECT_DOUBLE_EQ(t.Number(r, 2), 50.0);           // {Milk, bread} in 2 of 4
    EXPECT_DOUBLE_EQ(t.Number(r, 3), 200.0 / 3.0);    // of the 3 with Milk
    EXPECT_DOUBLE_EQ(t.Number(r, 4), 4 * (2.0 / 3) / 3);

    ASSERT_EQ(results->Put("QueryStringForRules", R"("eggs, bread")"), kAutomationOk);
    ASSERT_EQ(results->Get("QueriedRules", answer), kAutomationOk);
    EXPECT_EQ(answer, "null");
    EXPECT_EQ(host.messages.back(), "There is no rule with the specified antecedent itemset(s)");
    // A text too long for the query is refused whole, not cut.
    const std::string tooLong = nlohmann::json("milk, " + std::string(1000000, 'x')).dump();
    ASSERT_EQ(results->Put("QueryStringForRules", tooLong), kAutomationOk);
    ASSERT_EQ(results->Get("QueriedRules", answer), kAutomationOk);
    EXPECT_EQ(answer, "null");
    EXPECT_EQ(host.messages.back(), "The query is too long (1000006 bytes; at most 1000000).");

    // A loaded model holds no mined results to save.
    const std::string again = nlohmann::json((folder / "again.pmml").string()).dump();
    EXPECT_EQ(results->Put("SaveAsPMML", again), kAutomationException);
    EXPECT_NE(results->ErrorDescription().find("no mined results"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder / "again.pmml"));
  }
}

TEST_F(Recommendation, TaskKeysOfTheModelAndTheirRefusals) {
  CSequence seq(&host);
  // An empty model name is refused and changes nothing.
  EXPECT_EQ(Run(seq, Deploy("")), 1);
  EXPECT_EQ(error, "\"LoadModels\": Improper string provided for PMML file names.");
  EXPECT_EQ(seq.engine()->settings.existingProjectAction, 0);
  EXPECT_EQ(Run(seq, Mine(R"(, "SaveAsPMML": "")")), 1);
  EXPECT_EQ(error, "\"SaveAsPMML\": Improper string provided for PMML file names.");
  // A missing model: the reader's messages, and the run fails.
  EXPECT_EQ(Run(seq, Deploy((folder / "missing.pmml").string())), 1);
  EXPECT_EQ(error, "Preparsing failed!");
  // A model file only for deployment.
  EXPECT_EQ(Run(seq, Mine(R"(, "LoadModels": "x.pmml", "VariableSelectionViaPMML": 1)")), 0) << error;
  EXPECT_EQ(seq.engine()->settings.pmmlFile, "");
  // The PMML button: the host's save dialog names the file; cancelled, nothing.
  host.saveFileAnswer = (folder / "button.xml").string();
  ASSERT_TRUE(seq.resultDialog()->SendCommand(1197));
  EXPECT_TRUE(fs::exists(host.saveFileAnswer));
  EXPECT_EQ(host.saveFileRequests, (std::vector<std::string>{"Save PMML file|Default.xml|.XML"}));
  host.saveFileAnswer.clear();
  fs::remove(folder / "button.xml");
  ASSERT_TRUE(seq.resultDialog()->SendCommand(1197));
  EXPECT_FALSE(fs::exists(folder / "button.xml"));
}

}  // namespace
}  // namespace linkan
