// The two dialogs as a front end drives them through the module's
// interface (linkanalysis/dialog_model.h): controls by id in layout order,
// clicks and typing as a user's, refusals with the control they concern,
// the run from OK to the results dialog, and the results dialog's pages,
// item list and commands.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "frame/dialog_model_view.h"
#include "frame/sequence.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using testing::TestHost;

const DialogControlView* Find(const std::vector<DialogControlView>& controls, int id,
                              int page = -2) {
  for (const DialogControlView& c : controls) {
    if (c.id == id && (page == -2 || c.page == page)) return &c;
  }
  return nullptr;
}

std::vector<std::string> Captions(const std::vector<DialogPageView>& pages) {
  std::vector<std::string> out;
  for (const DialogPageView& p : pages) out.push_back(p.caption);
  return out;
}

TEST(ShownControlTextTest, MarkersAndAccessKeys) {
  struct Case {
    const char* text;
    bool button;
    const char* shown;
  } cases[] = {
      {"!249A&ssociation rules", true, "Association rules"},
      {"gOK", true, "OK"},
      {"`Open D&ata", true, "Open Data"},
      {"eFre&quent itemsets", true, "Frequent itemsets"},
      {"!965&Rule graph (support && confidence)", true, "Rule graph (support & confidence)"},
      {"gamma && delta", false, "gamma & delta"},  // only a button has a style marker
      {"", true, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ShownControlText(c.text, c.button), c.shown) << c.text;
}

TEST(DialogModelTest, FromTheTaskDialogThroughTheRunToTheResultsDialog) {
  TestHost host;
  std::vector<double> ids;
  std::vector<std::string> items;
  // Ten baskets: a in all, b in eight, c in five, d in two.
  for (int t = 1; t <= 10; ++t) {
    for (const char* item : {"a", "b", "c", "d"}) {
      const bool in = item[0] == 'a' || (item[0] == 'b' && t <= 8) || (item[0] == 'c' && t <= 5) ||
                      (item[0] == 'd' && t <= 2);
      if (!in) continue;
      ids.push_back(t);
      items.push_back(item);
    }
  }
  host.AddNumeric("basket", ids);
  host.AddText("item", items);
  // The project goes to a folder of this test's own.
  char folder[] = "/tmp/linkan-dialog-model-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  struct Cleanup {
    std::string path;
    ~Cleanup() { std::filesystem::remove_all(path); }
  } cleanup{folder};
  host.SetDataFolder(folder);
  CSequence seq(&host);
  IAnalysisModule& module = seq;
  EXPECT_EQ(module.TaskDialog(), nullptr);  // before Init there is no engine
  module.Initialize();
  module.ExecuteStep(kStepInit);

  IDialogModel* task = module.TaskDialog();
  ASSERT_NE(task, nullptr);
  EXPECT_EQ(task->DialogId(), 6671);
  EXPECT_EQ(Captions(task->Pages()),
            (std::vector<std::string>{"Quick", "Advanced", "Sequence", "Taxonomy", "Nonsequential",
                                      "Project"}));
  std::vector<DialogControlView> controls = task->Controls();
  EXPECT_EQ(Find(controls, 1)->text, "OK");
  // The Quick page in layout order, captions as shown.
  std::vector<int> quick;
  for (const DialogControlView& c : controls) {
    if (c.page == 0) quick.push_back(c.id);
  }
  ASSERT_GE(quick.size(), 3u);
  EXPECT_EQ(std::vector<int>(quick.begin(), quick.begin() + 3), (std::vector<int>{1044, 1000, 1036}));
  EXPECT_EQ(Find(controls, 1000)->text, "Variables");
  EXPECT_EQ(Find(controls, 1013)->caption, "Minimum: ");
  EXPECT_EQ(Find(controls, 1013)->precision, 4);

  // A click is a user's: the check turns on and the sequence pages go.
  EXPECT_EQ(task->Click(1044).code, DialogClick::kDone);
  EXPECT_TRUE(Find(task->Controls(), 1044)->checked);
  EXPECT_EQ(Captions(task->Pages()),
            (std::vector<std::string>{"Quick", "Advanced", "Taxonomy", "Project"}));
  // Unknown, disabled or non-edit controls are refused without effect.
  EXPECT_EQ(task->Click(9999).code, DialogClick::kUnknown);
  EXPECT_EQ(task->Click(1007).code, DialogClick::kUnknown);  // codes: no dichotomies chosen
  EXPECT_FALSE(task->TypeText(1044, "x"));
  EXPECT_FALSE(task->TypeText(9999, "x"));

  host.QueueVariablesAnswer(std::vector<std::vector<int>>{{1}, {2}, {}, {}});
  EXPECT_EQ(task->Click(1000).code, DialogClick::kDone);
  EXPECT_EQ(Find(task->Controls(), 1037)->text, "basket");

  // OK refuses a support out of range, naming its field; nothing runs.
  ASSERT_TRUE(task->TypeText(1013, "5"));
  DialogClick refused = task->Click(1);
  EXPECT_EQ(refused.code, DialogClick::kMessage);
  EXPECT_EQ(refused.control, 1013);
  EXPECT_NE(refused.message.find("Minimum Support"), std::string::npos) << refused.message;
  EXPECT_FALSE(refused.closed);
  EXPECT_FALSE(refused.resultsOpened);
  EXPECT_EQ(module.ResultsDialog(), nullptr);

  ASSERT_TRUE(task->TypeText(1013, "0.3"));
  DialogClick ran = task->Click(1);
  ASSERT_EQ(ran.code, DialogClick::kDone) << ran.message;
  EXPECT_TRUE(ran.closed);
  EXPECT_TRUE(ran.resultsOpened);

  IDialogModel* results = module.ResultsDialog();
  ASSERT_NE(results, nullptr);
  EXPECT_EQ(Captions(results->Pages()),
            (std::vector<std::string>{"Quick", "Advanced", "Visualization"}));
  controls = results->Controls();
  // One command on two pages is listed for each, with that page's caption.
  ASSERT_NE(Find(controls, 1022, 0), nullptr);
  ASSERT_NE(Find(controls, 1022, 1), nullptr);
  EXPECT_EQ(Find(controls, 1022, 0)->text, "Association rules");
  EXPECT_EQ(Find(controls, 1022, 0)->group, 1062);
  EXPECT_EQ(Find(controls, 1074, 0)->text, "Web graph ");
  EXPECT_EQ(Find(controls, 1074, 2)->text, "Web graph (support & lift)");
  EXPECT_EQ(Find(controls, 1074, 2)->group, 0);
  EXPECT_FALSE(Find(controls, 1215)->visible);  // Deployment is not shown

  // The item list: sorted by frequency, descending, by two header clicks.
  DialogListView list;
  ASSERT_TRUE(results->GetList(1189, list));
  EXPECT_EQ(list.rows.size(), 3u);  // d is below 30%
  ASSERT_TRUE(results->SortList(1189, 1));
  ASSERT_TRUE(results->SortList(1189, 1));
  ASSERT_TRUE(results->GetList(1189, list));
  EXPECT_EQ(list.sortColumn, 1);
  EXPECT_FALSE(list.ascending);
  EXPECT_EQ(list.rows[0][0], "a");
  EXPECT_EQ(list.rows[2][0], "c");
  EXPECT_FALSE(results->SortList(1189, 7));
  EXPECT_FALSE(results->SelectListRows(1189, {3}));

  // The web graph needs two selected items; with one it shows a message.
  ASSERT_TRUE(results->SelectListRows(1189, {0}));
  const std::size_t graphs = host.graphs.size();
  DialogClick one = results->Click(1074);
  EXPECT_EQ(one.code, DialogClick::kMessage);
  EXPECT_FALSE(one.message.empty());
  EXPECT_EQ(host.graphs.size(), graphs);
  ASSERT_TRUE(results->SelectListRows(1189, {0, 2}));
  EXPECT_EQ(results->Click(1074).code, DialogClick::kDone);
  EXPECT_EQ(host.graphs.size(), graphs + 1);
  ASSERT_TRUE(results->GetList(1189, list));
  EXPECT_EQ(list.selected, (std::vector<bool>{true, false, true}));

  const std::size_t tables = host.spreadsheets.size();
  EXPECT_EQ(results->Click(1022).code, DialogClick::kDone);
  ASSERT_EQ(host.spreadsheets.size(), tables + 1);
  EXPECT_GT(host.spreadsheets.back().rows, 0);

  // The task dialog opens again over the same settings.
  IDialogModel* again = module.TaskDialog();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(Find(again->Controls(), 1013)->text, "0.3");
  EXPECT_TRUE(Find(again->Controls(), 1044)->checked);
}

}  // namespace
}  // namespace linkan
