// Taxonomies end to end through the analysis object and the test host: a
// taxonomy data file is opened through the host, its variables assigned to
// roles by a task file's value or the host's dialog, read into the engine,
// and mined with "UseTaxonomies"; the reading's edge cases, the failures
// that must leave the tables in use untouched, and the file choice.
#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "define/taxonomy_file.h"
#include "define/taxonomy_roles.h"
#include "engine/sal_engine.h"
#include "frame/host/module_error.h"
#include "frame/sequence.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using nlohmann::json;
using testing::TestDataFile;
using testing::TestHost;
namespace fs = std::filesystem;

using Tables = std::vector<TaxonomyMap>;
using StopList = std::set<std::string>;

const Tables kOldTables{{{"Old item", "Old label"}}};
const StopList kOldStopList{"Old stop"};

class Taxonomy : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("linkan-taxonomy-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder);
    host.SetDataFolder(folder.string());
    // The baskets: Plastic bag is in two, with Milk both times.
    host.AddNumeric("basket", {1, 1, 2, 2, 3, 3, 4, 4, 4, 5, 5});
    host.AddText("item", {"Lettuce", "Bread", "Tomatoes", "Bread", "Lettuce", "Tomatoes", "Milk",
                          "Bread", "Plastic bag", "Milk", "Plastic bag"});
    seq.Initialize();
    seq.ExecuteStep(kStepInit);
    // Tables of an earlier assignment, which a failed one must keep.
    engine().taxonomies = kOldTables;
    engine().stoplist = kOldStopList;
  }
  void TearDown() override { fs::remove_all(folder); }

  SalEngine& engine() { return *seq.engine(); }

  int Assign(const std::string& path, const TestDataFile& file, const json& roles) {
    host.AddDataFile(path, file);
    SetTaxonomyFile(seq, path);
    return AssignTaxonomyVariables(seq, ScriptedRoleChooser(roles), host.IsOleAutomation());
  }

  // Mines the baskets into a new project; the frequent itemsets as
  // "A + B: count".
  std::set<std::string> Mine(const std::string& project, const std::string& extra = "") {
    const std::string task =
        R"({"GenerateNonsequentialAssociation": 1, "Variables": {"id": "basket", "responses": ["item"]},
            "MinimumSupport": 0.4, "MinimumConfidence": 0.1, "UseTaxonomies": 1, "DatabaseFile": ")" +
        (folder / project).string() + "\"" + extra + "}";
    std::string error;
    EXPECT_EQ(seq.RunTask(task, error), 0) << error;
    return Itemsets(engine());
  }

  static std::set<std::string> Itemsets(const SalEngine& e) {
    std::set<std::string> out;
    for (PatternId id = 0; id < e.patterns.size(); ++id) {
      std::string text;
      for (const Itemset& set : e.patterns.PatternOf(id)) {
        for (const ItemNumber x : set) text += (text.empty() ? "" : " + ") + e.items.Name(x);
      }
      out.insert(text + ": " + std::to_string(e.patterns.CountOf(id)));
    }
    return out;
  }

  fs::path folder;
  TestHost host;
  CSequence seq{&host};
};

// Lettuce and Tomatoes go to Produce; Plastic bag is ignored.
const TestDataFile kGroceryTaxonomy{
    {"item", "group", "skip"},
    {{"Lettuce", "Produce", ""}, {"Tomatoes", "Produce", "Plastic bag"}, {"Milk", "", ""}}};
const json kGroceryRoles = {{"items", "item"}, {"synonyms", "group"}, {"ignore", "skip"}};

TEST_F(Taxonomy, ItemsAlsoCountAsTheirLabelOrOnlyAsIt) {
  // Without taxonomies Plastic bag and Milk + Plastic bag are frequent
  // (2 of 5 baskets); nothing is Produce.
  const std::set<std::string> plain{"Bread: 3",       "Lettuce: 2",  "Milk: 2",
                                    "Plastic bag: 2", "Tomatoes: 2", "Milk + Plastic bag: 2"};
  engine().taxonomies.clear();
  engine().stoplist.clear();
  EXPECT_EQ(Mine("plain.dbs"), plain);

  ASSERT_EQ(Assign("tax.csv", kGroceryTaxonomy, kGroceryRoles), 0);
  EXPECT_EQ(engine().taxonomies, (Tables{{{"Lettuce", "Produce"}, {"Tomatoes", "Produce"}}}));
  EXPECT_EQ(engine().stoplist, StopList{"Plastic bag"});
  EXPECT_EQ(seq.taxonomyVariables, (std::vector<int>{1, 2, 0, 0, 0, 0, 3}));

  // Baskets 1 to 3 hold Produce (through Lettuce or Tomatoes); baskets 1
  // and 2 with Bread.
  const std::set<std::string> alsoProduce{"Bread: 3",
                                          "Lettuce: 2",
                                          "Milk: 2",
                                          "Produce: 3",
                                          "Tomatoes: 2",
                                          "Bread + Produce: 2",
                                          "Lettuce + Produce: 2",
                                          "Produce + Tomatoes: 2"};
  EXPECT_EQ(Mine("taxonomies.dbs"), alsoProduce);

  // The project keeps the tables: reopened without the data, it shows the
  // same itemsets.
  {
    CSequence reopened(&host);
    reopened.Initialize();
    reopened.ExecuteStep(kStepInit);
    std::string error;
    ASSERT_EQ(
        reopened.RunTask(R"({"UseExistingProject": 1, "GoToResultsDialogWithoutAddingDocuments": 1,
                                   "DatabaseFile": ")" +
                             (folder / "taxonomies.dbs").string() + "\"}",
                         error),
        0)
        << error;
    EXPECT_EQ(Itemsets(*reopened.engine()), alsoProduce);
    EXPECT_EQ(reopened.engine()->taxonomies, engine().taxonomies);
    EXPECT_EQ(reopened.engine()->stoplist, engine().stoplist);
  }
  // An update from a new analysis object, which assigns no taxonomies,
  // goes on with the project's and keeps them stored.
  {
    fs::copy_file(folder / "taxonomies.dbs", folder / "update.dbs");
    CSequence updated(&host);
    updated.Initialize();
    updated.ExecuteStep(kStepInit);
    std::string error;
    ASSERT_EQ(updated.RunTask(R"({"UseExistingProject": 1, "UpdateNewDocuments": 1,
                                  "DatabaseFile": ")" +
                                  (folder / "update.dbs").string() + "\"}",
                              error),
              0)
        << error;
    EXPECT_EQ(updated.engine()->taxonomies, engine().taxonomies);
    EXPECT_EQ(updated.engine()->stoplist, engine().stoplist);
    const std::set<std::string> mined = Itemsets(*updated.engine());
    EXPECT_TRUE(std::any_of(mined.begin(), mined.end(),
                            [](const std::string& s) { return s.rfind("Produce: ", 0) == 0; }));
    EXPECT_FALSE(std::any_of(mined.begin(), mined.end(), [](const std::string& s) {
      return s.find("Plastic bag") != std::string::npos;
    }));
  }

  const std::set<std::string> onlyProduce{"Bread: 3", "Milk: 2", "Produce: 3",
                                          "Bread + Produce: 2"};
  EXPECT_EQ(Mine("replace.dbs", R"(, "ReplaceOriginalItemsWithTaxonomies": 1)"), onlyProduce);
}

// The reading, case by case: what goes into the tables and stop list.
TEST_F(Taxonomy, ReadingRules) {
  struct Case {
    std::string name;
    TestDataFile file;
    json roles;
    Tables tables;
    StopList stoplist;
  };
  const std::vector<Case> cases = {
      {"one synonym list",
       {{"item", "group"}, {{"Lettuce", "Produce"}, {"Milk", "Dairy"}}},
       {{"items", "item"}, {"synonyms", {"group"}}},
       {{{"Lettuce", "Produce"}, {"Milk", "Dairy"}}},
       {}},
      {"blank item or label adds nothing; blanks around are dropped",
       {{"item", "group"},
        {{"  Lettuce ", " Produce\t"}, {"", "Dairy"}, {"   ", "Dairy"}, {"Milk", "  "}}},
       {{"items", "item"}, {"synonyms", "group"}},
       {{{"Lettuce", "Produce"}}},
       {}},
      {"an item's first label wins",
       {{"item", "group"}, {{"Lettuce", "Produce"}, {"Lettuce", "Greens"}}},
       {{"items", "item"}, {"synonyms", "group"}},
       {{{"Lettuce", "Produce"}}},
       {}},
      {"numeric cells read as %.6f",
       {{"code", "group"}, {{3.0, 12.5}, {-1.25, std::string("Dairy")}}},
       {{"items", "code"}, {"synonyms", "group"}},
       {{{"3.000000", "12.500000"}, {"-1.250000", "Dairy"}}},
       {}},
      {"ignore list alone: a stop list, no table",
       {{"item", "skip"}, {{"Lettuce", "Plastic bag"}, {"Milk", ""}, {"Bread", " Receipt "}}},
       {{"items", "item"}, {"ignore", "skip"}},
       {},
       {"Plastic bag", "Receipt"}},
      {"the k-th synonym list feeds the k-th table, in role order",
       {{"item", "group", "department"}, {{"Lettuce", "Produce", "Fresh food"}}},
       {{"items", "item"}, {"synonyms", {"department", "group"}}},
       {{{"Lettuce", "Fresh food"}}, {{"Lettuce", "Produce"}}},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Assign(c.name, c.file, c.roles), 0);
    EXPECT_EQ(engine().taxonomies, c.tables);
    EXPECT_EQ(engine().stoplist, c.stoplist);
    EXPECT_EQ(*host.openDocuments, 0);
  }
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.progressLog.front(), "title:Updating taxonomies...");
}

// Every way an assignment can fail leaves the tables in use as they were and
// releases the document.
TEST_F(Taxonomy, FailuresKeepTheTablesInUse) {
  struct Case {
    std::string name;
    json roles;
    bool automation;
    std::string message;  // shown (dsplst), or the error thrown under automation
  };
  const std::vector<Case> cases = {
      {"fewer than two roles",
       {{"items", "item"}},
       false,
       "Insufficient variable selection detected"},
      {"no item names",
       {{"synonyms", "group"}, {"ignore", "skip"}},
       false,
       "Insufficient variable selection detected"},
      {"unknown variable",
       {{"items", "item"}, {"synonyms", {"group", "aisle"}}},
       true,
       "\"AssignTaxonomyVariables\": the taxonomy data file has no variable \"aisle\" "
       "(\"synonyms\"); its variables are \"item\", \"group\", \"skip\""},
      {"unknown member",
       {{"items", "item"}, {"synonym", "group"}},
       true,
       "\"AssignTaxonomyVariables\": unknown member \"synonym\" (the members are \"items\", "
       "\"synonyms\" and \"ignore\")"},
      {"six synonym lists",
       {{"items", "item"}, {"synonyms", {"a", "b", "c", "d", "e", "f"}}},
       true,
       "\"AssignTaxonomyVariables\": \"synonyms\" names 6 variables; at most 5 synonym lists"},
      {"one variable in two roles",
       {{"items", "item"}, {"synonyms", "item"}},
       true,
       "\"AssignTaxonomyVariables\": the variable \"item\" is given two roles"},
      {"a name that is no text",
       {{"items", 1}},
       true,
       "\"AssignTaxonomyVariables\": \"items\" must be a variable name (a text)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.messages.clear();
    host.SetAutomation(c.automation);
    if (c.automation) {
      try {
        Assign("tax.csv", kGroceryTaxonomy, c.roles);
        ADD_FAILURE() << "no error";
      } catch (const AutomationError& e) {
        EXPECT_EQ(std::string(e.what()), c.message);
      }
    } else {
      EXPECT_EQ(Assign("tax.csv", kGroceryTaxonomy, c.roles), 1);
      EXPECT_EQ(host.messages, std::vector<std::string>{c.message});
    }
    EXPECT_EQ(engine().taxonomies, kOldTables);
    EXPECT_EQ(engine().stoplist, kOldStopList);
    EXPECT_EQ(*host.openDocuments, 0);
  }
  // A task file that reads the tables and then fails on another key
  // leaves the tables it found.
  host.AddDataFile("tax.csv", kGroceryTaxonomy);
  std::string error;
  EXPECT_EQ(seq.RunTask(R"({"GenerateNonsequentialAssociation": 1, "UseTaxonomies": 1,
                           "Variables": {"id": "basket", "responses": ["item"]},
                           "DataFileNameForTaxonomy": "tax.csv",
                           "AssignTaxonomyVariables": {"items": "item", "synonyms": "group"},
                           "MinimumSupport": 2})",
                        error),
            1);
  EXPECT_NE(error.find("\"MinimumSupport\""), std::string::npos) << error;
  EXPECT_EQ(engine().taxonomies, kOldTables);
  EXPECT_EQ(engine().stoplist, kOldStopList);
}

TEST_F(Taxonomy, ACancelWhileReadingKeepsTheTablesInUse) {
  host.CancelAfterSteps(2);
  EXPECT_EQ(Assign("tax.csv", kGroceryTaxonomy, kGroceryRoles), 1);
  EXPECT_EQ(engine().taxonomies, kOldTables);
  EXPECT_EQ(engine().stoplist, kOldStopList);
  EXPECT_EQ(host.progressLog,
            (std::vector<std::string>{"title:Updating taxonomies...", "start:3", "stop"}));
  EXPECT_EQ(*host.openDocuments, 0);

  // A cancel stops the reading, not the next one.
  host.CancelAfterSteps(1000);
  EXPECT_EQ(Assign("tax.csv", kGroceryTaxonomy, kGroceryRoles), 0);
  EXPECT_EQ(engine().stoplist, StopList{"Plastic bag"});
}

TEST_F(Taxonomy, AFileThatCannotBeOpened) {
  SetTaxonomyFile(seq, "missing.csv");
  EXPECT_EQ(AssignTaxonomyVariables(seq, ScriptedRoleChooser(kGroceryRoles), false), 1);
  EXPECT_EQ(host.messages,
            std::vector<std::string>{"An error occurred: cannot open missing.csv: no such file"});

  try {
    AssignTaxonomyVariables(seq, ScriptedRoleChooser(kGroceryRoles), true);
    ADD_FAILURE() << "no error under automation";
  } catch (const AutomationError& e) {
    EXPECT_EQ(std::string(e.what()), "cannot open missing.csv: no such file");
  }
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(engine().taxonomies, kOldTables);
  EXPECT_TRUE(host.roleDialogs.empty());
}

// The host's role dialog: what it is asked, and leaving it.
TEST_F(Taxonomy, TheHostsRoleDialog) {
  host.AddDataFile("tax.csv", kGroceryTaxonomy);
  SetTaxonomyFile(seq, "tax.csv");
  seq.taxonomyVariables = {1, 2};

  // Left: nothing is read, and that is no failure.
  EXPECT_EQ(AssignTaxonomyVariables(seq, HostRoleChooser(seq), false), 0);
  ASSERT_EQ(host.roleDialogs.size(), 1u);
  const OutputFieldDialog& asked = host.roleDialogs[0];
  EXPECT_EQ(asked.title, "Assign item names and synonyms to variables");
  EXPECT_EQ((std::vector<std::string>{asked.rolesCaption, asked.variablesCaption,
                                      asked.assignedRolesCaption, asked.assignedVariablesCaption}),
            (std::vector<std::string>{"Item names and synonyms", "Variables",
                                      "Assigned names or synonyms", "Assigned variables"}));
  EXPECT_EQ(asked.roles, (std::vector<std::string>{"Item names", "Synonym list 1", "Synonym list 2",
                                                   "Synonym list 3", "Synonym list 4",
                                                   "Synonym list 5", "Ignore list 6"}));
  EXPECT_EQ(asked.variables, (std::vector<std::string>{"item", "group", "skip"}));
  EXPECT_EQ(asked.assignment, (std::vector<int>{1, 2, 0, 0, 0, 0, 0}));
  EXPECT_EQ(engine().taxonomies, kOldTables);
  EXPECT_EQ(*host.openDocuments, 0);

  // Answered: the answer is the new assignment and is read.
  host.roleAnswer = std::vector<int>{1, 0, 2, 0, 0, 0, 3};
  EXPECT_EQ(AssignTaxonomyVariables(seq, HostRoleChooser(seq), false), 0);
  EXPECT_EQ(seq.taxonomyVariables, *host.roleAnswer);
  EXPECT_EQ(engine().taxonomies, (Tables{{{"Lettuce", "Produce"}, {"Tomatoes", "Produce"}}}));
  EXPECT_EQ(engine().stoplist, StopList{"Plastic bag"});
}

// The file choice by button and by the automation put; both make the old
// role assignment go, since its variable numbers belong to the old file.
TEST_F(Taxonomy, ChoosingTheFile) {
  struct Case {
    std::string name;
    bool byDialog;
    std::string answer;  // the dialog's answer or the value put
    std::string file;    // taxonomyFile afterwards
    bool rolesKept;
  };
  const std::vector<Case> cases = {
      {"dialog cancelled", true, "", "old.csv", true},
      {"dialog name too short", true, "a.c", "old.csv", true},
      {"dialog chose a file", true, "/data/tax.qln", "/data/tax.qln", false},
      {"dialog chose the same file", true, "old.csv", "old.csv", false},
      {"put empty", false, "  ", "old.csv", true},
      {"put the same name", false, " old.csv ", "old.csv", true},
      {"put another name", false, " new.csv\t", "new.csv", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    seq.taxonomyFile = "old.csv";
    seq.taxonomyVariables = {1, 2, 0, 0, 0, 0, 3};
    if (c.byDialog) {
      host.openFileAnswer = c.answer;
      EXPECT_EQ(ChooseTaxonomyFile(seq), c.answer.size() >= 4 ? 0 : 1);
      EXPECT_EQ(host.openFileRequests.back(),
                "Open data file|qln files (*.qln)|*.qln|qli files (*.qli)|*.qli|All files "
                "(*.*)|*.*|||.qln|old.csv");
    } else {
      SetTaxonomyFile(seq, c.answer);
    }
    EXPECT_EQ(seq.taxonomyFile, c.file);
    EXPECT_EQ(seq.taxonomyVariables.empty(), !c.rolesKept);
  }
}

}  // namespace
}  // namespace linkan
