// terminal_host_test.cpp
#include "terminal_host.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <sstream>

#include "app_test_util.h"
#include "interrupt.h"

namespace linkan::app {
namespace {

using testing::TempDir;

class TerminalHostTest : public ::testing::Test {
 protected:
  TerminalHostTest()
      : table_(ParseDataTable("id,item,w\n1,bread,2\n1,milk,\n2,bread,0.5\n", "/data/set/t.csv",
                              {.weightVariable = "w"})) {}

  std::unique_ptr<TerminalHost> MakeHost(TerminalOptions options = {}) {
    return std::make_unique<TerminalHost>(table_, std::move(options), out_, err_, in_);
  }

  DataTable table_;
  std::ostringstream out_;
  std::ostringstream err_;
  std::istringstream in_;
};

TEST_F(TerminalHostTest, ReadCaseByVariableNumberWithWeights) {
  auto host = MakeHost();
  EXPECT_EQ(host->GetNbVars(), 3);
  EXPECT_EQ(host->GetNbCases(), 3);
  std::vector<double> values;
  bool weighted = false;
  double weight = 0;
  ASSERT_EQ(host->ReadCase(1, values, weighted, weight), CaseReadResult::kUse);
  EXPECT_EQ(values, (std::vector<double>{0, 1, 1, 2}));  // [0] unused; "bread" is code 1
  EXPECT_TRUE(weighted);
  EXPECT_EQ(weight, 2.0);
  // A case without a weight is skipped.
  EXPECT_EQ(host->ReadCase(2, values, weighted, weight), CaseReadResult::kSkip);
  ASSERT_EQ(host->ReadCase(3, values, weighted, weight), CaseReadResult::kUse);
  EXPECT_EQ(values, (std::vector<double>{0, 2, 1, 0.5}));
  EXPECT_EQ(weight, 0.5);
  EXPECT_EQ(host->ReadCase(4, values, weighted, weight), CaseReadResult::kStop);
  EXPECT_EQ(host->ReadCase(0, values, weighted, weight), CaseReadResult::kStop);
}

TEST_F(TerminalHostTest, UnweightedTableReadsWeightOne) {
  const DataTable plain = ParseDataTable("a\n7\n", "t.csv");
  TerminalHost host(plain, {}, out_, err_, in_);
  std::vector<double> values;
  bool weighted = true;
  double weight = 0;
  ASSERT_EQ(host.ReadCase(1, values, weighted, weight), CaseReadResult::kUse);
  EXPECT_FALSE(weighted);
  EXPECT_EQ(weight, 1.0);
  EXPECT_EQ(values, (std::vector<double>{0, 7}));
}

TEST_F(TerminalHostTest, NamesCellTextsLabelsAndMissingCodes) {
  auto host = MakeHost();
  EXPECT_EQ(host->GetVariableName(2), "item");
  EXPECT_EQ(host->GetVariableName(4), "");
  EXPECT_EQ(host->GetCellText(2, 2), "milk");
  EXPECT_EQ(host->GetCellText(3, 3), "0.5");
  EXPECT_EQ(host->GetCellText(2, 3), "");  // missing
  EXPECT_EQ(host->GetCellText(9, 1), "");
  EXPECT_EQ(host->GetValueLabels(2), (std::vector<std::string>{"bread", "milk"}));
  EXPECT_TRUE(host->GetValueLabels(1).empty());
  EXPECT_EQ(host->GetMissingCode(1), -9999.0);
  EXPECT_EQ(host->GetDefaultDatafilesPath(), "/data/set");
}

// Data documents (taxonomy files) are read as the input table is: a text
// cell is its label, an empty cell the empty label, a number has none; a
// file that cannot be read is refused with the reader's description. The
// role dialog is left (a task file answers it).
TEST_F(TerminalHostTest, OpensDataDocumentsAsTheInputTableIsRead) {
  TempDir dir;
  testing::WriteFile(dir.File("tax.csv"), "item,group,code\nLettuce,Produce,3\n Milk ,,\n");
  auto host = MakeHost();
  std::string error;
  const std::unique_ptr<HostDataDocument> doc = host->OpenDataDocument(dir.File("tax.csv"), error);
  ASSERT_NE(doc, nullptr) << error;
  EXPECT_EQ(doc->VariableCount(), 3);
  EXPECT_EQ(doc->VariableName(2), "group");
  EXPECT_EQ(doc->CaseCount(), 2);
  std::string text;
  EXPECT_TRUE(doc->CellLabel(1, 2, text));
  EXPECT_EQ(text, "Produce");
  EXPECT_TRUE(doc->CellLabel(2, 1, text));
  EXPECT_EQ(text, " Milk ");  // the module trims
  EXPECT_TRUE(doc->CellLabel(2, 2, text));
  EXPECT_EQ(text, "");
  EXPECT_FALSE(doc->CellLabel(1, 3, text));
  EXPECT_EQ(doc->CellNumber(1, 3), 3.0);
  EXPECT_TRUE(doc->CellLabel(2, 3, text));
  EXPECT_EQ(text, "");

  EXPECT_EQ(host->OpenDataDocument(dir.File("none.csv"), error), nullptr);
  EXPECT_EQ(error, dir.File("none.csv") + ": cannot read: No such file or directory");
  OutputFieldDialog dialog;
  EXPECT_NE(host->ChooseOutputFieldDialog(dialog), 0);
}

TEST_F(TerminalHostTest, QuestionsUnderAutomationAreYesWithoutAskingAndShown) {
  auto host = MakeHost({.automation = true, .interactive = true});
  EXPECT_TRUE(host->IsOleAutomation());
  EXPECT_TRUE(host->AskYesNo("QUILLON", "Overwrite?"));
  EXPECT_EQ(err_.str(),
            "linkan: warning: QUILLON: Overwrite? [y/n] y (not asked: the run is scripted)\n");
}

TEST_F(TerminalHostTest, QuestionsWithoutATerminalAreNo) {
  auto host = MakeHost();
  EXPECT_FALSE(host->AskYesNo("QUILLON", "Overwrite?"));
  EXPECT_EQ(err_.str(), "QUILLON: Overwrite? [y/n] n (not asked: not an interactive terminal)\n");
}

TEST_F(TerminalHostTest, InteractiveQuestionsAskUntilAnswered) {
  in_.str("maybe\n  YES \nn\n");
  auto host = MakeHost({.interactive = true});
  EXPECT_TRUE(host->AskYesNo("C", "Go?"));
  EXPECT_EQ(err_.str(), "C: Go? [y/n] C: Go? [y/n] ");
  EXPECT_FALSE(host->AskYesNo("C", "Again?"));
  EXPECT_FALSE(host->AskYesNo("C", "At the end of input?"));  // no input left: No
}

TEST_F(TerminalHostTest, MessagesAndLogLinesGoToTheErrorStream) {
  auto host = MakeHost();
  host->ShowMessage("hello");
  host->ShowMessageBox("QUILLON", "careful");
  host->LogEntry(1, "not logged");
  host->DebugOutput("not shown\n");
  EXPECT_EQ(err_.str(), "hello\nQUILLON: careful\n");
  auto debug = MakeHost({.debug = true});
  debug->LogEntry(1, "failed member");
  debug->DebugOutput("{1} TimeIt | 5 ms | x\n");
  EXPECT_EQ(err_.str().substr(err_.str().rfind("log[1]")),
            "log[1]: failed member\n{1} TimeIt | 5 ms | x\n");
}

TEST_F(TerminalHostTest, ProfileEntriesComeFromTheEnvironment) {
  auto host = MakeHost();
  ::unsetenv("LINKAN_PROFILE_55607");
  EXPECT_EQ(host->GetProfileInt(55607, 0), 0);
  ::setenv("LINKAN_PROFILE_55607", "1", 1);
  EXPECT_EQ(host->GetProfileInt(55607, 0), 1);
  ::setenv("LINKAN_PROFILE_55607", " -12 ", 1);
  EXPECT_EQ(host->GetProfileInt(55607, 0), -12);
  ::setenv("LINKAN_PROFILE_55607", "on", 1);
  EXPECT_EQ(host->GetProfileInt(55607, 3), 3);
  ::unsetenv("LINKAN_PROFILE_55607");
}

TEST_F(TerminalHostTest, TemporaryNamesAreNewFilesInTheTemporaryFolder) {
  TempDir dir;
  auto host = MakeHost({.tempFolder = dir.path()});
  const std::string a = host->GetTempFileName("LNK", "tmp");
  const std::string b = host->GetTempFileName("LNK", "tmp");
  EXPECT_NE(a, b);
  for (const std::string& name : {a, b}) {
    const std::filesystem::path p(name);
    EXPECT_EQ(p.parent_path().string(), dir.path());
    EXPECT_EQ(p.filename().string().substr(0, 3), "LNK");
    EXPECT_EQ(p.extension().string(), ".tmp");
    EXPECT_TRUE(std::filesystem::exists(p));
  }
}

TEST_F(TerminalHostTest, CancelFlagReachesTheModuleAndItsBars) {
  auto host = MakeHost();
  auto bar = host->NewProgressBar(0, 10, "Collecting", true, true);
  EXPECT_FALSE(host->UserCancelled());
  EXPECT_FALSE(bar->WasCancelled());
  host->RequestCancel();
  EXPECT_TRUE(host->UserCancelled());
  EXPECT_TRUE(bar->WasCancelled());
  host->ResetCancel();
  EXPECT_FALSE(host->UserCancelled());
}

TEST_F(TerminalHostTest, ProgressLinesAtEachTenth) {
  auto host = MakeHost({.progress = ProgressMode::kLines});
  host->ProgressTitle("Initializing...");
  host->ProgressStart(200);
  for (long i = 1; i <= 200; ++i) host->ProgressStep(i);
  host->ProgressStop();
  std::string expected;
  for (int p = 10; p <= 100; p += 10) expected += "Initializing...: " + std::to_string(p) + "%\n";
  EXPECT_EQ(err_.str(), expected);
}

TEST_F(TerminalHostTest, NestedBarShowsWhileItLives) {
  auto host = MakeHost({.progress = ProgressMode::kLines});
  host->ProgressTitle("Outer");
  host->ProgressStart(10);
  host->ProgressStep(1);
  {
    auto bar = host->NewProgressBar(100, 110, "Inner", false, false);
    bar->SetPosition(105);
    host->ProgressStep(5);  // hidden under the inner bar
    bar->SetPosition(110);
  }
  host->ProgressStep(10);
  host->ProgressStop();
  EXPECT_EQ(err_.str(), "Outer: 10%\nInner: 50%\nInner: 100%\nOuter: 100%\n");
}

TEST_F(TerminalHostTest, ProgressBarRedrawsInPlaceAndClearsForMessages) {
  auto host = MakeHost({.progress = ProgressMode::kBar});
  host->ProgressTitle("Work");
  host->ProgressStart(4);
  host->ProgressStep(2);
  host->ShowMessage("note");
  host->ProgressStep(4);
  host->ProgressStop();
  const std::string half = "Work [" + std::string(12, '#') + std::string(12, '.') + "] 50%";
  const std::string full = "Work [" + std::string(24, '#') + "] 100%";
  const std::string clear = "\r\033[K";
  EXPECT_EQ(err_.str(), clear + "Work [" + std::string(24, '.') + "] 0%" + clear + half + clear +
                            "note\n" + clear + half + clear + full + clear);
  auto none = MakeHost({.progress = ProgressMode::kNone});
  err_.str("");
  none->ProgressStart(3);
  none->ProgressStep(3);
  none->ProgressStop();
  EXPECT_EQ(err_.str(), "");
}

// ---- Ctrl-C ----

std::atomic<int> g_moduleSwitch{0};
void ModuleSwitch(int on) { g_moduleSwitch.store(on); }

TEST(InterruptScopeTest, FirstCtrlCCancelsAndSetsTheModuleSwitch) {
  std::atomic<bool> flag{false};
  struct sigaction before {};
  ::sigaction(SIGINT, nullptr, &before);
  {
    g_moduleSwitch.store(0);
    InterruptScope scope(flag, &ModuleSwitch);
    ::raise(SIGINT);
    EXPECT_TRUE(flag.load());
    EXPECT_EQ(g_moduleSwitch.load(), 1);
    EXPECT_EQ(InterruptScope::Presses(), 1);
  }
  struct sigaction after {};
  ::sigaction(SIGINT, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST(InterruptScopeDeathTest, SecondCtrlCEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::atomic<bool> flag{false};
        InterruptScope scope(flag, nullptr);
        ::raise(SIGINT);
        ::raise(SIGINT);
      },
      ::testing::ExitedWithCode(130), "interrupted");
}

}  // namespace
}  // namespace linkan::app
