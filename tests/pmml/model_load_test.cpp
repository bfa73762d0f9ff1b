// Tests of loading a PMML model into the engine for recommendation: the
// variables and model tables it fills, that a second model replaces the
// first whole, that a failure changes nothing, and the loading messages.
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "engine/sal_engine.h"
#include "pmml/model_import.h"
#include "pmml/pmml_writer.h"
#include "testutil/test_host.h"

namespace linkan::pmml {
namespace {

using testing::TestAnalysis;
using testing::TestHost;

Document SequenceModel() {
  Document d;
  d.association = false;
  d.numberOfTransactions = 4;
  d.fields = {{"sid", Usage::kTransaction}, {"when", Usage::kTime}, {"page", Usage::kResponse},
              {"gender", Usage::kCategorical, "", {{"male", 1}, {"female", 2}, {"other", 3}}},
              {"age", Usage::kContinuous, "", {}, {.min = 18, .max = 70, .width = 5, .mean = 40, .m2 = 100}},
              {"w", Usage::kOther, "weight"},
              {"region", Usage::kMdResponse}};
  d.items = {{1, "Home"}, {2, "home"}, {3, "Shop"}};
  d.patterns = {{{{1}}, 0.75}, {{{1}, {3}}, 0.5}};
  d.rules = {{{{1}}, {{3}}, 0.5, 2.0 / 3, 9.0}};
  return d;
}

class ModelLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    host.AddNumeric("v", {1});
    engine = std::make_unique<SalEngine>(support, nullptr);
    engine->settings.ResetToDefaults(1);
  }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  TestHost host;
  TestAnalysis support{&host};
  std::unique_ptr<SalEngine> engine;
};

TEST_F(ModelLoad, FieldsBecomeVariablesByPositionAndTheTablesAreFilled) {
  ASSERT_EQ(LoadDocument(SequenceModel(), *engine), "");
  const AnalysisSettings& s = engine->settings;
  EXPECT_EQ(s.noseq, 0);
  EXPECT_EQ(s.SequenceIdVariable(), 1);
  EXPECT_EQ(s.TimeVariable(), 2);
  EXPECT_EQ(s.nresvars, 1);
  EXPECT_EQ(s.resvars[0], 3);
  ASSERT_EQ(s.ndichvars, 1);
  EXPECT_EQ(s.dichvars[0], 4);
  EXPECT_EQ(s.ndichcodes[0], 3);
  EXPECT_EQ(s.DichCode(0, 2), 3);
  EXPECT_EQ(s.contvars[0], 5);
  EXPECT_EQ(engine->contStats.at(0).max, 70);
  EXPECT_EQ(s.nmdresvars, 1);
  EXPECT_EQ(s.mdresvars[0], 7);  // "w" (an unknown role) takes position 6 only
  EXPECT_EQ(engine->model.fieldNames.at(5), "w");
  EXPECT_EQ(engine->modelItems.Name(2), "home");
  EXPECT_EQ(engine->model.lowerCaseNames.at("home"), 1);  // the first of a name
  ASSERT_EQ(engine->model.rules.at({{1}}).size(), 1u);
  EXPECT_EQ(engine->model.rules.at({{1}})[0].lift, 0.0);  // sequence rules have none
  EXPECT_EQ(engine->itemFrequency.at(1), 3u);              // 0.75 of 4
}

TEST_F(ModelLoad, ASecondModelReplacesTheFirstAndAFailureChangesNothing) {
  ASSERT_EQ(LoadDocument(SequenceModel(), *engine), "");
  Document other;
  other.fields = {{"basket", Usage::kTransaction}, {"item", Usage::kResponse}};
  other.items = {{7, "milk"}};
  other.patterns = {{{{7}}, 1.0}};
  ASSERT_EQ(LoadDocument(other, *engine), "");
  EXPECT_EQ(engine->settings.noseq, 1);
  EXPECT_EQ(engine->settings.ndichvars, 0);
  EXPECT_EQ(engine->settings.ntidvar, 0);
  EXPECT_EQ(engine->modelItems.size(), 1u);
  EXPECT_EQ(engine->model.lowerCaseNames.count("home"), 0u);
  EXPECT_TRUE(engine->model.rules.empty());
  EXPECT_EQ(engine->model.fieldNames, (std::vector<std::string>{"basket", "item"}));

  Document twice = SequenceModel();
  twice.items.push_back({4, "Home"});
  EXPECT_NE(LoadDocument(twice, *engine), "");
  EXPECT_EQ(engine->modelItems.size(), 1u);
  EXPECT_EQ(engine->settings.noseq, 1);
}

TEST_F(ModelLoad, LoadingMessages) {
  const struct {
    std::string file;
    std::vector<std::string> messages;
  } cases[] = {
      {"/no/such/model.pmml",
       {"The following pmml file does not exist:\n /no/such/model.pmml", "Preparsing failed!"}},
      {Write("broken.pmml", "<PMML>\n  <Header>\n</PMML>"),
       {"An error occurred when loading " + ::testing::TempDir() + "/broken.pmml" +
            "Code = 0xe\nSource = Line : 3; Char : 3\nError Description = Start-end tags mismatch\n",
        "Preparsing failed!"}},
      {Write("empty.pmml", "<PMML version=\"1.0\"><Header/></PMML>"),
       {"An error occurred when loading " + ::testing::TempDir() + "/empty.pmml" +
            "Code = 0x101\nSource = Line : 1; Char : 1\nError Description = the document holds neither "
            "an AssociationModel nor a SequenceModel\n",
        "Preparsing failed!"}},
  };
  for (const auto& c : cases) {
    host.messages.clear();
    engine->settings.pmmlFile = c.file;
    EXPECT_EQ(ReadPmmlModel(*engine), 1);
    EXPECT_EQ(host.messages, c.messages);
  }
  engine->settings.pmmlFile = Write("good.pmml", WriteDocument(SequenceModel(), Dialect::kPmml44));
  EXPECT_EQ(ReadPmmlModel(*engine), 0);
  EXPECT_EQ(engine->modelItems.size(), 3u);
}

}  // namespace
}  // namespace linkan::pmml
