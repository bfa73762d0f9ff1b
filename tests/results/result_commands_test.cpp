// The output commands of the results dialog end to end: a scripted run on a
// tiny table, then every picture and table command through
// RunResultCommand, with what each returns and which document reaches the
// host, or which message it shows instead (network range, selection).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "frame/sequence.h"
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

  std::filesystem::path folder_;
  TestHost host_;
  std::unique_ptr<CSequence> seq_;
};

TEST_F(ResultCommandsTest, EveryOutputCommandProducesItsDocumentOrSaysWhyNot) {
  const std::string tooFew(LookupString(msg::kTooFewItems));
  struct Case {
    bool association;
    std::string selected;
    int command;
    int result;                    // RunResultCommand
    std::string document;          // produced, or the message when result is 2
    const char* networkLow = "1";  // edits 1034 and 1035
    const char* networkHigh = "5";
  };
  const Case cases[] = {
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
    EXPECT_EQ(seq_->RunResultCommand(c.command, error), c.result) << error;
    EXPECT_EQ(c.result == 0 ? Produced(graphs, charts, sheets) : error, c.document);
    if (c.result != 0) {
      EXPECT_EQ(Produced(graphs, charts, sheets), "");
    }
  }
}

}  // namespace
}  // namespace linkan
