// Tests of the analysis object: identity, step table, Init, documents,
// dialogs and the paged codes selection, and the exported factory.
#include "frame/sequence.h"

#include <dlfcn.h>

#include <memory>

#include <gtest/gtest.h>

#include "define/define_task.h"
#include "engine/sal_engine.h"
#include "frame/sequence_modeless_dialog.h"
#include "projectdb/project_database.h"
#include "results/seq_result_dialog.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using testing::TestHost;

class SequenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.AddNumeric("id", {1, 2, 3});
    host.AddText("item", {"a", "b", "a"});
    host.SetDataFolder("/data/files");
    seq = std::make_unique<CSequence>(&host);
    seq->Initialize();
  }
  TestHost host;
  std::unique_ptr<CSequence> seq;
};

TEST_F(SequenceTest, IdentityHoldsInEveryState) {
  CSequence bare(nullptr);
  EXPECT_EQ(bare.GetAnalysisID(), 6670);
  EXPECT_EQ(bare.GetAnalysisName(), "Link Analysis");
  seq->Init();
  EXPECT_EQ(seq->GetAnalysisID(), 6670);
  EXPECT_EQ(seq->GetAnalysisName(), "Link Analysis");
}

TEST_F(SequenceTest, StepTableAndWalk) {
  const auto table = seq->GetSequenceTable();
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[0].id, 100);
  EXPECT_EQ(table[0].next, 101);
  EXPECT_EQ(table[1].id, 101);
  EXPECT_EQ(table[1].next, 0);
  EXPECT_EQ(table[2].id, 102);
  EXPECT_EQ(table[2].next, 0);
  EXPECT_EQ(seq->ExecuteStep(100), 101);
  ASSERT_NE(seq->engine(), nullptr);
  EXPECT_EQ(seq->ExecuteStep(101), 0);
  EXPECT_EQ(host.createdDialogs, (std::vector<int>{6671}));
  EXPECT_EQ(seq->ExecuteStep(999), 0);
}

TEST_F(SequenceTest, SecondInitDiscardsEverythingAndReturnsToDefaults) {
  EXPECT_EQ(seq->Init(), 1);
  EXPECT_EQ(seq->projectDb().Path(), "/data/files/LinkAnalysis.dbs");
  SalEngine& first = *seq->engine();
  EXPECT_EQ(first.settings.NbVars, 2);
  EXPECT_EQ(first.settings.ncases, 3);
  first.settings.minsupp = 0.5;
  first.items.Add("x");
  first.patterns.Record({{1}}, 3);
  seq->taxonomyFile = "tax.csv";
  seq->projectDb().SetPath("/elsewhere/p.dbs");

  EXPECT_EQ(seq->Init(), 1);
  const SalEngine& second = *seq->engine();
  EXPECT_EQ(second.settings.minsupp, 0.2);
  EXPECT_TRUE(second.items.empty());
  EXPECT_TRUE(second.patterns.empty());
  EXPECT_TRUE(seq->taxonomyFile.empty());
  EXPECT_EQ(seq->projectDb().Path(), "/data/files/LinkAnalysis.dbs");
}

TEST_F(SequenceTest, InitRepointsAnOpenTaskDialog) {
  seq->Init();
  ASSERT_EQ(seq->StartAnalysis(), -1);
  seq->Init();
  ASSERT_NE(seq->defineTask()->engine(), nullptr);
  EXPECT_EQ(seq->defineTask()->engine(), seq->engine());
}

TEST_F(SequenceTest, DialogsReportCreationByTheHost) {
  seq->Init();
  EXPECT_EQ(seq->ResultDialog(), -1);
  host.SetDialogCreation(false);
  EXPECT_EQ(seq->StartAnalysis(), 0);
  EXPECT_EQ(seq->ResultDialog(), 0);
  EXPECT_EQ(host.createdDialogs, (std::vector<int>{6676}));
}

TEST_F(SequenceTest, TempFileNameAsksForTheModulePrefix) {
  const std::string a = seq->TempFileName(0);
  const std::string b = seq->TempFileName(77);
  EXPECT_NE(a, b);
  EXPECT_EQ(host.tempNameRequests, (std::vector<std::string>{"LNK|tmp", "LNK|tmp"}));
}

TEST_F(SequenceTest, CreateTextDocChoosesTheDocumentKind) {
  EXPECT_EQ(seq->CreateTextDoc(0, L"x", "t"), 0);
  EXPECT_EQ(seq->CreateTextDoc(4, L"x", "t"), 0);
  EXPECT_EQ(seq->CreateTextDoc(1, L"macro text", "My macro"), 1);
  EXPECT_EQ(seq->CreateTextDoc(2, L"caf\u00e9", ""), 1);
  host.SetWebEdition(true);
  EXPECT_EQ(seq->CreateTextDoc(1, L"m", "w"), 1);
  host.SetCancelMultipleDocs(true);
  EXPECT_EQ(seq->CreateTextDoc(2, L"r", "c"), 0);
  EXPECT_EQ(host.documents, (std::vector<std::string>{"macro|My macro|macro text",
                                                      "report||caf\xc3\xa9", "report|w|m"}));
}

TEST_F(SequenceTest, GetTextStripsFormatting) {
  std::string text;
  seq->GetText(2, 2, text);
  EXPECT_EQ(text, "b");
  seq->GetText(3, 1, text);
  EXPECT_EQ(text, "3");
}

TEST_F(SequenceTest, CodesSelectionPagesEightVariablesAtATime) {
  seq->Init();
  CSequenceModelessDialog dialog(*seq, 6671);
  std::vector<std::int16_t> vars;
  for (int v = 1; v <= 10; ++v) vars.push_back(static_cast<std::int16_t>(v));
  std::vector<std::int16_t> counts(10, 0);
  std::vector<std::int32_t> codes;
  // Page 1 gives variables 1 to 8 the code 1; page 2 answers for 9 and 10.
  host.QueueCodesAnswer(std::vector<std::vector<double>>(8, std::vector<double>{1}));
  host.QueueCodesAnswer(std::vector<std::vector<double>>{{2.9, -3.7}, {5}});
  ASSERT_EQ(dialog.SelectCodes(vars, counts, codes, "Select codes", 0), 1);
  ASSERT_EQ(host.codesPages.size(), 2u);
  EXPECT_EQ(host.codesPages[0].variables.size(), 8u);
  EXPECT_EQ(host.codesPages[0].flags, 0);
  EXPECT_EQ(host.codesPages[1].variables, (std::vector<int>{9, 10}));
  EXPECT_EQ(host.codesPages[1].flags, 0x100);
  EXPECT_EQ(counts[0], 1);
  EXPECT_EQ(counts[8], 2);
  EXPECT_EQ(counts[9], 1);
  // Column layout with stride 10; entered codes are truncated toward zero.
  EXPECT_EQ(codes[0 * 10 + 8], 2);
  EXPECT_EQ(codes[1 * 10 + 8], -3);
  EXPECT_EQ(codes[0 * 10 + 9], 5);

  // Cancelling a later page leaves the codes as they were.
  const auto savedCounts = counts;
  const auto savedCodes = codes;
  host.QueueCodesAnswer(std::vector<std::vector<double>>(8, std::vector<double>{7}));
  host.QueueCodesAnswer(std::nullopt);
  EXPECT_EQ(dialog.SelectCodes(vars, counts, codes, "Select codes", 0), 0);
  EXPECT_EQ(counts, savedCounts);
  EXPECT_EQ(codes, savedCodes);
}

TEST(ModuleEntry, FactoryIsExportedWithCLinkage) {
  void* lib = dlopen(LINKAN_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  auto factory = reinterpret_cast<NewAnalysisFn>(dlsym(lib, "Tov6NewAnalysis"));
  ASSERT_NE(factory, nullptr);
  {
    std::unique_ptr<IAnalysisModule> module(factory());
    ASSERT_NE(module, nullptr);
    TestHost host;
    host.AddNumeric("v", {1});
    module->AttachDocument(&host);
    module->Initialize();
    EXPECT_EQ(module->GetAnalysisID(), 6670);
    EXPECT_EQ(module->GetAnalysisName(), "Link Analysis");
    EXPECT_EQ(module->ExecuteStep(100), 101);
    EXPECT_EQ(module->ExecuteStep(101), 0);
    EXPECT_EQ(host.createdDialogs, (std::vector<int>{6671}));
  }
  dlclose(lib);
  // Unloading must not unmap the module (nor libtbb): the engine's worker
  // threads outlive a run and crashed when it did (a run ended by its
  // memory limit, then the host's teardown).
  void* still = dlopen(LINKAN_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
  EXPECT_NE(still, nullptr);
  if (still != nullptr) dlclose(still);
}

}  // namespace
}  // namespace linkan
