// Tests of the deployment query: every accepted form and every message,
// table by table, against a small loaded model; the queried rules' table.
#include "results/deployment_query.h"

#include <gtest/gtest.h>

#include "engine/sal_engine.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using testing::TestAnalysis;
using testing::TestHost;

// A loaded association model: fields 1 basket, 2 item, 3 Gender
// (dichotomy), 4 Age (continuous: lower 10, width 10, 4 cuts implied).
class DeploymentQuery : public ::testing::Test {
 protected:
  void SetUp() override {
    host.AddNumeric("unrelated", {1});  // the host's table is not the model's
    engine = std::make_unique<SalEngine>(support, nullptr);
    AnalysisSettings& s = engine->settings;
    s.ResetToDefaults(4);
    s.noseq = 1;
    s.projectMode = 1;
    s.existingProjectAction = 2;
    s.ncategpco = 2;  // the dialog's count, not the model's
    s.nresvars = 1, s.resvars[0] = 2;
    s.ndichvars = 1, s.dichvars[0] = 3;
    s.ncontvars = 1, s.contvars[0] = 4;
    // z = 2.5758: sd chosen so that 2 z sd / width - 1 = 4 and lower =
    // mean - z sd = 10.
    const double z = 2.5758293035489004;
    const double sd = 25.0 / z;
    engine->contStats = {{.min = 20, .max = 50, .width = 10, .mean = 10 + z * sd, .m2 = sd * sd}};
    engine->model.fieldNames = {"basket", "item", "Gender", "Age"};
    const std::vector<std::string> names = {"This", "that", "\"and other\"", "A", "B", "b",
                                            "C", "D", "E", "Gender=Male", "Age<=20.000",
                                            "Age:{20.000;30.000}", "7", "x y"};
    for (std::size_t k = 0; k < names.size(); ++k) {
      const auto id = static_cast<ItemNumber>(k + 1);
      engine->modelItems.Insert(names[k], id);
      engine->model.lowerCaseNames.emplace(AsciiLower(names[k]), id);
    }
    Rule({{1, 2, 3}}, {{4}}, 0.25, 0.5, 2.0);
    Rule({{1, 2, 3}}, {{5}}, 0.125, 0.25, 1.5);
    Rule({{6}}, {{7}}, 0.5, 1.0, 1.0);
    Rule({{4, 5, 7}, {5, 8, 9}}, {{1}}, 0.1, 0.2, 3.0);
    Rule({{10}}, {{1}}, 0.3, 0.6, 1.2);
    Rule({{12}}, {{1}}, 0.3, 0.6, 1.2);
    Rule({{13}}, {{1}}, 0.3, 0.6, 1.2);
    Rule({{14}}, {{1}}, 0.3, 0.6, 1.2);
  }
  void Rule(const Pattern& body, const Pattern& head, double support_, double confidence, double lift) {
    engine->model.rules[body].push_back({head, support_, confidence, lift});
  }
  std::string Parse(const std::string& text) {
    const auto r = ParseDeploymentQuery(support, *engine, text);
    if (const auto* message = std::get_if<std::string>(&r)) return *message;
    std::string out;
    for (const Itemset& set : std::get<Pattern>(r)) {
      out += "(";
      for (const ItemNumber i : set) out += (out.back() == '(' ? "" : " ") + std::to_string(i);
      out += ")";
    }
    return out;
  }

  TestHost host;
  TestAnalysis support{&host};
  std::unique_ptr<SalEngine> engine;
};

TEST_F(DeploymentQuery, EveryFormAndEveryMessage) {
  const std::string syntax = kQuerySyntaxError;
  const struct {
    const char* text;
    std::string expected;
  } cases[] = {
      // The four examples of the page's help text.
      {"This, that, 'and other'", "(1 2 3)"},
      {"(A; B; C) (B, D, E)", "(4 5 7)(5 8 9)"},
      {"Gender = Male", "(10)"},
      {"(Age=23)", "(12)"},
      // Separators alike and repeated; a set; order inside a group free.
      {"(C;;,B , A)(E, D; B)", "(4 5 7)(5 8 9)"},
      {"A, A", "(4)"},
      // Lookup: the exact name wins, then letter case is ignored.
      {"B", "(5)"},
      {"b", "(6)"},
      {"tHiS", "(1)"},
      {"\"and other\"", "(3)"},  // with its quotes first
      {"x y", syntax},           // two words are no item
      {"'x y'", "(14)"},         // quoted: stripped on the second try
      {"7", "(13)"},
      {"+7", "(13)"},
      {"Age = 20", "(11)"},
      {"Age = '23'", "(12)"},    // a quoted value is used without its quotes
      {"Gender = 'Male'", "(10)"},
      {"Age = 23,0", "There is no item matching '0'"},  // "23" and then the item "0"
      {"(Age = 9999)", "There is no item matching ''"},
      // Messages.
      {"", kQueryEmpty},
      {"  \n", kQueryEmpty},
      {"()", syntax},
      {"(A,)", syntax},
      {"(A B)", syntax},
      {"A = B", syntax},          // no variable A
      {"gender = Male", syntax},  // variable names are exact
      {"Age = old", syntax},      // no number for a continuous variable
      {"(Gender = Male x)", syntax},
      {"(A) junk", syntax},
      {"word (A)", syntax},
      {"(A) (", syntax},
      {"(A", syntax},
      {"'unterminated", syntax},
      {"Z", "There is no item matching 'Z'"},
      {"Gender = Female", "There is no item matching 'Gender=Female'"},
  };
  for (const auto& c : cases) EXPECT_EQ(Parse(c.text), c.expected) << "query: " << c.text;
}

TEST_F(DeploymentQuery, TableOfTheQueriedRules) {
  ASSERT_TRUE(RunDeploymentQuery(support, *engine, "This, that, 'and other'"));
  ASSERT_EQ(host.spreadsheets.size(), 1u);
  const ResultsTable& t = host.spreadsheets[0];
  EXPECT_EQ(t.documentName, "queried-rules");
  EXPECT_EQ(t.titles, (std::array<std::string, 3>{"Query result of deployment", "", ""}));
  EXPECT_EQ(t.columnNames, (std::vector<std::string>{"Body", "Head", "Support(%)", "Confidence(%)", "Lift"}));
  ASSERT_EQ(t.rows, 2);
  EXPECT_EQ(t.rowNames, (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(t.Text(0, 0), "(  This,  that,  \"and other\"  )");
  EXPECT_EQ(t.Text(1, 1), "(  B  )");
  EXPECT_DOUBLE_EQ(t.Number(1, 2), 12.5);
  EXPECT_DOUBLE_EQ(t.Number(1, 3), 25.0);
  EXPECT_DOUBLE_EQ(t.Number(1, 4), 1.5);

  engine->settings.noseq = 0;
  ASSERT_TRUE(RunDeploymentQuery(support, *engine, "(A; B; C) (B, D, E)"));
  EXPECT_EQ(host.spreadsheets.back().cols, 4);
  EXPECT_EQ(host.spreadsheets.back().Text(0, 0), "(  A,  B,  C  ), (  B,  D,  E  )");

  EXPECT_FALSE(RunDeploymentQuery(support, *engine, "C"));
  EXPECT_FALSE(RunDeploymentQuery(support, *engine, "Z"));
  EXPECT_EQ(host.messages, (std::vector<std::string>{kQueryNoRule, "There is no item matching 'Z'"}));
  EXPECT_EQ(host.spreadsheets.size(), 2u);
}

}  // namespace
}  // namespace linkan
