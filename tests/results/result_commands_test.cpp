// The output commands of the results dialog end to end: a scripted run on a
// tiny table, then every picture and table command, through its LNKResult
// member where it has one (true: a document, null: a message) and through
// RunResultCommand otherwise, with which document reaches the host, or
// which message it shows instead (network range, selection); and the
// model files the SaveAsPMML members write.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "frame/sequence.h"
#include "linkanalysis/automation.h"
#include "resources/string_table.h"
#include "results/seq_result_dialog.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using testing::TestHost;

class ResultCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("linkan-commands-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    seq_.reset();
    std::filesystem::remove_all(folder_);
  }

  // Five baskets (association) or five visitors' pages in time order
  // (sequences) over a, b, c; `selected` as the SelectedItems key.
  void Run(bool association, const std::string& selected) {
    host_ = TestHost();
    host_.SetAutomation(true);
    host_.SetDataFolder(folder_.string());
    host_.AddNumeric("id", {1, 1, 2, 2, 3, 3, 3, 4, 5, 5});
    host_.AddNumeric("time", {1, 2, 1, 2, 1, 2, 3, 1, 1, 2});
    host_.AddText("item", {"a", "b", "a", "b", "a", "b", "c", "c", "a", "c"});
    seq_ = std::make_unique<CSequence>(&host_);
    seq_->Initialize();
    seq_->ExecuteStep(kStepInit);
    std::filesystem::remove(folder_ / "p.dbs");
    std::string task =
        std::string(R"({"GenerateNonsequentialAssociation": )") + (association ? "1" : "0") +
        R"(, "Variables": {"id": "id", )" + (association ? "" : R"("time": "time", )") +
        R"("responses": ["item"]}, "MinimumSupport": 0.2, "MinimumConfidence": 0.1, )"
        R"("MaxSizeOfItemset": 3, "DatabaseFile": ")" +
        (folder_ / "p.dbs").string() + "\"";
    if (!selected.empty()) task += R"(, "SelectedItems": ")" + selected + "\"";
    std::string error;
    ASSERT_EQ(seq_->RunTask(task + "}", error), 0) << error;
  }

  // The name of the document the last command produced, "" for none.
  std::string Produced(std::size_t graphs, std::size_t charts, std::size_t sheets) const {
    if (host_.graphs.size() > graphs) return host_.graphs.back().documentName;
    if (host_.charts.size() > charts) return host_.charts.back().documentName;
    if (host_.spreadsheets.size() > sheets) return host_.spreadsheets.back().documentName;
    return "";
  }

  // Runs `command` as a script or a host would: through its LNKResult member
  // when it has one, else RunResultCommand. The result in RunResultCommand's
  // terms, with the message shown instead of a document in `error`.
  int Press(int command, std::string& error) {
    static const std::map<int, std::string> kMembers = {
        {1022, "Summary"},
        {1023, "FrequentItemsets"},
        {1024, "SupportGraph"},
        {1025, "ConfidenceGraph"},
        {1074, "WebGraph"},
        {1075, "RuleGraph"},
        {1190, "RulesOnlyWithSelectedItemsAsHeads"},
        {1191, "FrequentItemsetsOnlyWithSelectedItems"},
        {1192, "RulesOnlyWithSelectedItems"},
        {1193, "RulesOnlyWithSelectedItemsAsBodies"},
        {1072, "ClusteringGraphOfItems"},
        {1070, "ClusteringOfItems"},
        {1212, "DisjointSequences"},
        {1211, "QueriedRules"}};
    const auto member = kMembers.find(command);
    if (member == kMembers.end()) return seq_->RunResultCommand(command, error);
    IAutomationObject* result = seq_->ResultAutomation();
    const std::size_t messages = host_.messages.size();
    std::string value;
    const AutomationResult code = result->Get(member->second, value);
    if (code != kAutomationOk) {
      error = result->ErrorDescription();
      return 1;
    }
    EXPECT_TRUE(value == "true" || value == "null") << value;
    if (value == "true") return 0;
    error = host_.messages.size() > messages ? host_.messages.back() : "no document was produced";
    return 2;
  }

  std::filesystem::path folder_;
  TestHost host_;
  std::unique_ptr<CSequence> seq_;
};

TEST_F(ResultCommandsTest, EveryOutputCommandProducesItsDocumentOrSaysWhyNot) {
  const std::string tooFew(LookupString(msg::kTooFewItems));
  const std::string noRule =
      "There is no rule to produce. Please modify analysis setting such as minimum support, or "
      "minimum confidence for better results.";
  struct Case {
    bool association;
    std::string selected;
    int command;
    int result;                    // 0 document, 2 message
    std::string document;          // produced, or the message when result is 2
    const char* networkLow = "1";  // edits 1034 and 1035
    const char* networkHigh = "5";
  };
  const Case cases[] = {
      {true, "", 1022, 0, "rules"},
      {true, "", 1023, 0, "itemsets"},
      {true, "", 1189, 0, "items"},
      {true, "", 1024, 0, "support-chart"},
      {true, "", 1025, 0, "confidence-chart"},
      {true, "", 1026, 0, "correlation-chart"},
      {true, "", 1027, 0, "support-matrix"},
      {true, "", 1028, 0, "confidence-matrix"},
      {true, "", 1029, 0, "correlation-matrix"},
      {true, "", 1030, 0, "network-2d"},
      {true, "", 1031, 0, "network-3d", "1", "200"},
      {true, "", 1030, 0, "network-2d", "1", "1"},
      {true, "", 1030, 2, "Invalid number was entered", "3", "2"},
      {true, "", 1031, 2, "Invalid number was entered", "0", "5"},
      {true, "", 1030, 2, "Invalid number was entered", "1", "201"},
      {true, "", 1030, 2, "Invalid number was entered", "x", "5"},
      {true, "", 1070, 0, "clusters"},
      {true, "", 1072, 0, "cluster-tree"},
      {true, "", 1074, 0, "web-graph"},
      {true, "", 1075, 0, "rule-graph"},
      {true, "", 1212, 0, "disjoint"},
      {true, "a", 1074, 2, tooFew},
      {true, "a", 1075, 2, tooFew},
      {true, "a", 1192, 2, noRule},  // runs, but no rule lies wholly in {a}
      {true, "a", 1190, 0, "rules-selected-heads"},
      {true, "a", 1193, 0, "rules-selected-bodies"},
      {true, "a", 1191, 0, "itemsets-selected"},
      {false, "", 1075, 0, "rule-graph"},
      {false, "", 1212, 0, "disjoint"},
      {false, "", 1024, 0, "support-chart"},
      {false, "", 1070, 2, "no document was produced"},
      {false, "", 1072, 2, "no document was produced"},
  };
  bool lastAssociation = false;
  std::string lastSelected;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.command) + (c.association ? " association" : " sequences") +
                 " selected: " + c.selected);
    // One run serves the cases of its mode and selection in a row: the
    // other outputs do not read what an output changes (the disjoint
    // elimination drops nested leaves only).
    if (!seq_ || c.association != lastAssociation || c.selected != lastSelected) {
      Run(c.association, c.selected);
      lastAssociation = c.association;
      lastSelected = c.selected;
    }
    seq_->resultDialog()->SetControlText(kNetworkLowEdit, c.networkLow);
    seq_->resultDialog()->SetControlText(kNetworkHighEdit, c.networkHigh);
    const std::size_t graphs = host_.graphs.size();
    const std::size_t charts = host_.charts.size();
    const std::size_t sheets = host_.spreadsheets.size();
    std::string error;
    EXPECT_EQ(Press(c.command, error), c.result) << error;
    EXPECT_EQ(c.result == 0 ? Produced(graphs, charts, sheets) : error, c.document);
    if (c.result != 0) {
      EXPECT_EQ(Produced(graphs, charts, sheets), "");
    }
  }
}

// No row selected: every selection-driven member shows message 10110
// and answers null; a selection of rows again gives documents.
TEST_F(ResultCommandsTest, SelectionDrivenMembersFollowTheItemList) {
  Run(true, "");
  CSEQResultDialog& d = *seq_->resultDialog();
  d.SelectAllItems(false);
  const std::string tooFew(LookupString(msg::kTooFewItems));
  for (const int command : {1074, 1075, 1190, 1191, 1192, 1193}) {
    std::string error;
    EXPECT_EQ(Press(command, error), 2) << command;
    EXPECT_EQ(error, tooFew) << command;
  }
  ASSERT_TRUE(d.SetItemSelected(0, true));
  std::string error;
  EXPECT_EQ(Press(1193, error), 0) << error;
  EXPECT_EQ(Press(1075, error), 2) << error;
  ASSERT_TRUE(d.SetItemSelected(1, true));
  EXPECT_EQ(Press(1075, error), 0) << error;
}

// The SaveAsPMML members write the model without a file dialog; a task's
// keys go through the same members.
TEST_F(ResultCommandsTest, SaveAsPmmlMembersWriteTheModel) {
  Run(true, "a | b");
  IAutomationObject* result = seq_->ResultAutomation();
  std::string selected;
  ASSERT_EQ(result->Get("SelectedItems", selected), kAutomationOk);
  EXPECT_EQ(selected, R"("a | b")");
  const std::filesystem::path native = folder_ / "m.xml", standard = folder_ / "m44.xml";
  ASSERT_EQ(result->Put("SaveAsPMML", nlohmann::json(native.string()).dump()), kAutomationOk)
      << result->ErrorDescription();
  ASSERT_EQ(result->Put("SaveAsPMML44", nlohmann::json(standard.string()).dump()), kAutomationOk)
      << result->ErrorDescription();
  EXPECT_GT(std::filesystem::file_size(native), 0u);
  EXPECT_GT(std::filesystem::file_size(standard), 0u);
  EXPECT_TRUE(host_.saveFileRequests.empty());
  // A file that cannot be written: the member fails in the analysis context.
  host_.logEntries.clear();
  EXPECT_NE(result->Put("SaveAsPMML", nlohmann::json((folder_ / "no" / "m.xml").string()).dump()),
            kAutomationOk);
  ASSERT_EQ(host_.logEntries.size(), 1u);
  EXPECT_EQ(host_.logEntries[0].rfind("1:Exception in analysis method: ", 0), 0u)
      << host_.logEntries[0];
}

// An output member that outgrows the host's memory limit fails as out of
// memory, with the module's report, not as an ordinary error.
TEST_F(ResultCommandsTest, OutputMemberOverTheMemoryLimitReportsOutOfMemory) {
  Run(true, "");
  host_.SetMemoryLimit(1);
  IAutomationObject* result = seq_->ResultAutomation();
  std::string value;
  EXPECT_EQ(result->Get("FrequentItemsets", value), kAutomationOutOfMemory);
  EXPECT_EQ(result->ErrorDescription().rfind("out of memory: ", 0), 0u)
      << result->ErrorDescription();
  EXPECT_EQ(host_.messages.back(), result->ErrorDescription());
}

}  // namespace
}  // namespace linkan
