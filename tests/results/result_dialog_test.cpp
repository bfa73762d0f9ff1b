// The results dialog as a model and its automation object LNKResult, over
// engines filled by hand: pages, controls and list columns per mode, the
// fill, sorting (against a reference sort), the selection as text with its
// escapes and refusals, the member table, and the common frame's answers
// and log lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/sal_engine.h"
#include "frame/sequence.h"
#include "linkanalysis/selected_items.h"
#include "results/lnk_result.h"
#include "results/seq_result_dialog.h"
#include "testutil/test_host.h"

namespace linkan {
namespace {

using testing::TestHost;

enum class Mode { kAssociation, kSequences, kRecommendation };

class ResultDialogTest : public ::testing::Test {
 protected:
  // Opens the results dialog over `items` (name, count) in `n` transactions.
  CSEQResultDialog& Open(Mode mode, const std::vector<std::pair<std::string, SupportCount>>& items,
                         std::uint64_t n = 1000) {
    seq_ = std::make_unique<CSequence>(&host_);
    seq_->Initialize();
    seq_->Init();
    SalEngine& e = *seq_->engine();
    e.settings.noseq = mode == Mode::kSequences ? 0 : 1;
    if (mode == Mode::kRecommendation) {
      e.settings.projectMode = 1;
      e.settings.existingProjectAction = 2;
    }
    e.settings.size = n;
    for (const auto& [name, count] : items) {
      const ItemNumber id =
          mode == Mode::kRecommendation ? e.modelItems.Add(name) : e.items.Add(name);
      e.itemFrequency[id] = count;
    }
    EXPECT_EQ(seq_->ResultDialog(), -1);
    return *seq_->resultDialog();
  }
  IAutomationObject& Result() { return *seq_->ResultAutomation(); }
  std::string Get(const std::string& member) {
    std::string value;
    EXPECT_EQ(Result().Get(member, value), kAutomationOk) << Result().ErrorDescription();
    return value;
  }

  TestHost host_;
  std::unique_ptr<CSequence> seq_;
};

const std::vector<std::pair<std::string, SupportCount>> kThree = {{"a", 10}, {"b", 20}, {"c", 30}};

std::vector<std::string> Titles(const CSEQResultDialog& d) {
  std::vector<std::string> titles;
  for (const ResultTabPage& p : d.tabPages()) titles.push_back(p.title);
  return titles;
}

std::vector<std::string> Columns(const CSEQResultDialog& d) {
  std::vector<std::string> columns;
  for (const ItemListColumn& c : d.itemList().columns()) {
    columns.push_back(c.title + "/" + std::to_string(c.width));
  }
  return columns;
}

TEST_F(ResultDialogTest, PagesColumnsAndInitialStatesFollowTheMode) {
  struct Case {
    Mode mode;
    std::vector<std::string> pages;
    std::vector<std::string> columns;
    std::string summaryCaption;
    bool assocButtons;  // 1074, 1070, 1072 enabled
    bool pmmlVisible;
  };
  const Case cases[] = {
      {Mode::kAssociation,
       {"Quick", "Advanced", "Visualization"},
       {"Item name/110", "Frequency/70", "Support(%)/70"},
       "!249A&ssociation rules",
       true,
       true},
      {Mode::kSequences,
       {"Quick", "Advanced", "Visualization"},
       {"Item name/110", "Frequency/70", "Support(%)/70"},
       "!249&Sequence rules",
       false,
       true},
      {Mode::kRecommendation,
       {"Deployment"},
       {"Item name/110", "Support(%)/70"},
       "!249A&ssociation rules",
       true,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    CSEQResultDialog& d = Open(c.mode, kThree);
    EXPECT_EQ(Titles(d), c.pages);
    EXPECT_EQ(Columns(d), c.columns);
    EXPECT_EQ(d.GetControlText(1022), c.summaryCaption);
    for (const ResultTabPage& page : d.tabPages()) {
      for (const LayoutControl& control : page.controls) {
        if (control.id == 1022) {
          EXPECT_EQ(control.caption, c.summaryCaption);
        }
      }
    }
    for (const int id : {1074, 1070, 1072})
      EXPECT_EQ(d.FindControl(id)->enabled, c.assocButtons) << id;
    EXPECT_TRUE(d.FindControl(1212)->enabled);
    EXPECT_EQ(d.FindControl(1197)->visible, c.pmmlVisible);
    EXPECT_EQ(d.FindControl(kTabControl)->text, c.pages.front());
    for (const auto& [id, value] :
         {std::pair{kNetworkLowEdit, "1"}, std::pair{kNetworkHighEdit, "5"}}) {
      const DialogControl* edit = d.FindControl(id);
      ASSERT_NE(edit, nullptr);
      EXPECT_EQ(edit->text, value);
      EXPECT_EQ(edit->rangeMin, 1);
      EXPECT_EQ(edit->rangeMax, 200);
    }
    // All rows start selected: SelectedItems names every item.
    EXPECT_EQ(Get("SelectedItems"), "\"a | b | c\"");
  }
}

TEST_F(ResultDialogTest, ControlsCarryTheirStoredCaptionsPerPage) {
  CSEQResultDialog& d = Open(Mode::kAssociation, kThree);
  struct Case {
    int id;
    std::string dialogCaption;
    std::string visualizationCaption;  // "" when not on that page
    std::string shown;
  };
  const Case cases[] = {
      {2, "&Cancel", "", "Cancel"},
      {1197, "qPMM&L", "", "PMML"},
      {1023, "e&Frequent itemsets", "", "Frequent itemsets"},
      {1075, "!965&Rule graph", "!965&Rule graph (support && confidence)", "Rule graph"},
      {1074, "!965&Web graph ", "!965&Web graph (support && lift)", "Web graph "},
      {1193, "eRules only with selec&ted items as bodies", "",
       "Rules only with selected items as bodies"},
      {1212, "e&Disjoint sequences", "e&Disjoint sequences", "Disjoint sequences"},
      {1211, "e&Query of rules", "", "Query of rules"},
      {kAllItemsGroup, "With all single items", "With all single items", "With all single items"},
  };
  const ResultTabPage& visualization = d.tabPages()[2];
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(d.GetControlText(c.id), c.dialogCaption);
    EXPECT_EQ(ShownCaption(c.dialogCaption), c.shown);
    const auto on = std::find_if(visualization.controls.begin(), visualization.controls.end(),
                                 [&](const LayoutControl& l) { return l.id == c.id; });
    EXPECT_EQ(on == visualization.controls.end() ? "" : on->caption, c.visualizationCaption);
  }
  EXPECT_EQ(ShownCaption("!965&Rule graph (support && confidence)"),
            "Rule graph (support & confidence)");
  // The box "With all single items" holds exactly the buttons over all items.
  std::vector<int> inBox;
  for (const ResultTabPage& page : AllTabPages()) {
    for (const LayoutControl& c : page.controls) {
      if (c.inAllItemsGroup) inBox.push_back(c.id);
    }
  }
  EXPECT_EQ(inBox, (std::vector<int>{1022, 1023, 1022, 1023, 1024, 1025, 1072, 1070, 1212}));
}

TEST_F(ResultDialogTest, FillPrintsCountsAndSupportsWithProgress) {
  CSEQResultDialog& d = Open(Mode::kAssociation, {{"all", 8}, {"some", 3}, {"one", 1}}, 8);
  std::vector<std::vector<std::string>> cells;
  for (const ItemListRow& row : d.itemList().rows()) {
    cells.push_back(row.cells);
    EXPECT_TRUE(row.selected);
  }
  EXPECT_EQ(cells, (std::vector<std::vector<std::string>>{{"all", "8", "100.000000"},
                                                          {"some", "3", "37.500000"},
                                                          {"one", "1", "12.500000"}}));
  EXPECT_NE(std::find(host_.progressLog.begin(), host_.progressLog.end(),
                      "title:Preparing selected words"),
            host_.progressLog.end());
  // Recommendation mode: names from the model's items, the count in column 1.
  CSEQResultDialog& r = Open(Mode::kRecommendation, {{"x", 4}});
  EXPECT_EQ(r.itemList().rows().at(0).cells, (std::vector<std::string>{"x", "4"}));
}

// Sorting by every column, both ways, against a reference: text bytes for
// names, numbers for the others, ties in item order.
TEST_F(ResultDialogTest, SortingByEachColumnMatchesAReferenceSort) {
  std::mt19937 rng(13);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    std::vector<std::pair<std::string, SupportCount>> items;
    const int count = 1 + static_cast<int>(rng() % 12);
    for (int i = 0; i < count; ++i) {
      // Few distinct names' letters and counts, so ties are common; counts
      // under 10 in 1000 give supports below 1%.
      std::string name = std::string(1, static_cast<char>('a' + rng() % 4)) + std::to_string(i);
      items.emplace_back(name,
                         static_cast<SupportCount>(rng() % 3 == 0 ? rng() % 10 : rng() % 4 * 250));
    }
    CSEQResultDialog& d = Open(Mode::kAssociation, items);
    d.SetItemSelected(0, false);  // the selection travels with its row
    const ItemNumber unselected = d.itemList().rows()[0].item;
    const int clicks[] = {2, 2, 1, 0, 0, 2, 1, 1};
    int column = -1;
    bool ascending = true;
    for (const int click : clicks) {
      ascending = click == column ? !ascending : true;
      column = click;
      ASSERT_TRUE(d.ClickItemListHeader(click));
      EXPECT_EQ(d.itemList().header().sortColumn, column);
      EXPECT_EQ(d.itemList().header().ascending, ascending);
      // The reference: item numbers ordered by name or by count.
      std::vector<ItemNumber> expected;
      for (std::size_t id = 1; id <= items.size(); ++id)
        expected.push_back(static_cast<ItemNumber>(id));
      std::stable_sort(expected.begin(), expected.end(), [&](ItemNumber a, ItemNumber b) {
        const auto& x = items[a - 1];
        const auto& y = items[b - 1];
        if (column == 0) return ascending ? x.first < y.first : x.first > y.first;
        return ascending ? x.second < y.second : x.second > y.second;
      });
      std::vector<ItemNumber> got;
      for (const ItemListRow& row : d.itemList().rows()) {
        got.push_back(row.item);
        EXPECT_EQ(row.selected, row.item != unselected);
      }
      EXPECT_EQ(got, expected) << "column " << column << (ascending ? " up" : " down");
    }
    EXPECT_FALSE(d.ClickItemListHeader(3));
  }
}

TEST_F(ResultDialogTest, SupportsBelowOnePercentDoNotTie) {
  CSEQResultDialog& d = Open(Mode::kAssociation, {{"p", 9}, {"q", 5}, {"r", 7}});
  d.ClickItemListHeader(2);
  std::vector<std::string> supports;
  for (const ItemListRow& row : d.itemList().rows()) supports.push_back(row.cells[2]);
  EXPECT_EQ(supports, (std::vector<std::string>{"0.500000", "0.700000", "0.900000"}));
}

TEST_F(ResultDialogTest, SelectedItemsTexts) {
  const std::vector<std::pair<std::string, SupportCount>> items = {
      {"a", 1}, {"b", 2}, {"fish | chips", 3}, {"back\\slash", 4}, {"c", 5}, {"x|y", 6}};
  struct Case {
    std::string put;
    bool accepted;
    std::string get;  // SelectedItems afterwards (JSON text)
  };
  const Case cases[] = {
      {"a|c", true, R"("a | c")"},
      {"  c |  a  ", true, R"("a | c")"},
      {"c", true, R"("c")"},
      {"fish \\| chips | back\\\\slash", true, R"("fish \\| chips | back\\\\slash")"},
      {"x\\|y|zzz", true, R"("x\\|y")"},            // a name of no row is ignored
      {"back\\slash", true, R"("back\\\\slash")"},  // "\" before another character
      {"zzz", true, R"("")"},
      {"a||b", false, R"("a | b | fish \\| chips | back\\\\slash | c | x\\|y")"},
      {"a|", false, R"("a | b | fish \\| chips | back\\\\slash | c | x\\|y")"},
      {"|a", false, R"("a | b | fish \\| chips | back\\\\slash | c | x\\|y")"},
      {"", false, R"("a | b | fish \\| chips | back\\\\slash | c | x\\|y")"},
      {" | ", false, R"("a | b | fish \\| chips | back\\\\slash | c | x\\|y")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.put);
    CSEQResultDialog& d = Open(Mode::kAssociation, items);
    host_.logEntries.clear();
    const AutomationResult code = Result().Put("SelectedItems", nlohmann::json(c.put).dump());
    const std::string description = Result().ErrorDescription();
    EXPECT_EQ(code == kAutomationOk, c.accepted) << description;
    EXPECT_EQ(Get("SelectedItems"), c.get);
    if (c.accepted) {
      EXPECT_TRUE(host_.logEntries.empty());
    } else {
      EXPECT_EQ(description.rfind("no item name may be empty", 0), 0u) << description;
      ASSERT_EQ(host_.logEntries.size(), 1u);
      EXPECT_EQ(host_.logEntries[0].rfind("1:Exception in analysis method: no item name", 0), 0u)
          << host_.logEntries[0];
      // Refused: all items stay selected, and the engine's set says so.
      EXPECT_EQ(seq_->engine()->selectedItems.size(), items.size());
    }
    // The macro recorder records the item list as the same text.
    EXPECT_EQ(nlohmann::json(*d.RecordControlValue(kItemListControl)).dump(), c.get);
    EXPECT_FALSE(d.RecordControlValue(1022).has_value());
  }
  Open(Mode::kAssociation, items);
  EXPECT_EQ(Result().Put("SelectedItems", "42"), kAutomationTypeMismatch);
}

// Any names, joined and split again, come back as they were.
TEST(SelectedItemsText, RoundTripsRandomNames) {
  std::mt19937 rng(5);
  const std::string alphabet = "ab |\\";
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::string> names(1 + rng() % 4);
    for (std::string& name : names) {
      do {
        name.clear();
        for (std::size_t k = 1 + rng() % 6; k > 0; --k)
          name.push_back(alphabet[rng() % alphabet.size()]);
        // Spaces at the ends of a name are not part of it.
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
      } while (name.empty());
    }
    const std::string text = JoinSelectedItems(names);
    const auto back = SplitSelectedItems(text);
    ASSERT_TRUE(back.has_value()) << text;
    EXPECT_EQ(*back, names) << text;
  }
}

TEST_F(ResultDialogTest, MembersInInterfaceOrder) {
  Open(Mode::kAssociation, kThree);
  struct Expected {
    std::string name;
    std::int32_t id;
    AutomationAccess access;
    std::string help;
  };
  using A = AutomationAccess;
  const Expected expected[] = {
      {"SelectedItems", 0x60030000, A::kGetPut, "Selected items"},
      {"Summary", 0x60030002, A::kGet, "Summary of association rules"},
      {"FrequentItemsets", 0x60030003, A::kGet, "Display frequent itemsets"},
      {"SupportGraph", 0x60030004, A::kGet, "Display bar chart of support"},
      {"ConfidenceGraph", 0x60030005, A::kGet, "Display bar chart of confidence"},
      {"WebGraph", 0x60030006, A::kGet,
       "Web-graph (summary of association rules for selected items)"},
      {"RuleGraph", 0x60030007, A::kGet,
       "Rule graph (summary of association and sequence rules for selected items)"},
      {"RulesOnlyWithSelectedItemsAsHeads", 0x60030008, A::kGet,
       "Review only rules with selected items as heads"},
      {"FrequentItemsetsOnlyWithSelectedItems", 0x60030009, A::kGet,
       "Frequent itemsets containing only selected items"},
      {"RulesOnlyWithSelectedItems", 0x6003000a, A::kGet, "Review only rules with selected items"},
      {"RulesOnlyWithSelectedItemsAsBodies", 0x6003000b, A::kGet,
       "Review only rules with selected items as bodies"},
      {"ClusteringGraphOfItems", 0x6003000c, A::kGet, "Clustering graph of items"},
      {"ClusteringOfItems", 0x6003000d, A::kGet, "Summary of clustering of items"},
      {"DisjointSequences", 0x6003000e, A::kGet, "Disjoint sequences"},
      {"SaveAsPMML", 0x6003000f, A::kPut, "Save as PMML file"},
      {"QueryStringForRules", 0x60030010, A::kGetPut, "Enter query string for rules via PMML"},
      {"QueriedRules", 0x60030012, A::kGet, "Queried rules via PMML"},
      {"SaveAsPMML44", 0x60030013, A::kPut, "Save as PMML 4.4 file"},
  };
  const std::vector<AutomationMember>& members = Result().Members();
  EXPECT_EQ(Result().InterfaceName(), "LNKResult");
  ASSERT_EQ(members.size(), 13u + std::size(expected));
  EXPECT_EQ(members[0].name, "Name");
  EXPECT_EQ(members[12].name, "ResultsOutputFields");
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const AutomationMember& m = members[13 + i];
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(m.name, expected[i].name);
    EXPECT_EQ(m.dispatchId, expected[i].id);
    EXPECT_EQ(m.access, expected[i].access);
    EXPECT_EQ(m.help, expected[i].help);
  }
}

TEST_F(ResultDialogTest, FailingMembersAndTheClosedDialog) {
  CSEQResultDialog& d = Open(Mode::kAssociation, kThree);
  // No rules: the summary's error fails the member and reaches the log.
  std::string value;
  EXPECT_EQ(Result().Get("Summary", value), kAutomationException);
  EXPECT_EQ(Result().ErrorDescription().rfind("No rules were generated", 0), 0u);
  ASSERT_EQ(host_.logEntries.size(), 1u);
  EXPECT_EQ(
      host_.logEntries[0].rfind("1:Exception in automation method [CSEQResultDialog::get_Summary]: "
                                "No rules were generated",
                                0),
      0u)
      << host_.logEntries[0];
  // A message instead of a document: null.
  EXPECT_EQ(Get("RulesOnlyWithSelectedItems"), "null");
  // Improper PMML file names.
  for (const char* bad : {R"("")", "42", "null"}) {
    SCOPED_TRACE(bad);
    host_.logEntries.clear();
    EXPECT_EQ(Result().Put("SaveAsPMML", bad), kAutomationFail);
    EXPECT_EQ(Result().ErrorDescription(), "Improper string provided for PMML file names.");
    EXPECT_EQ(host_.logEntries,
              (std::vector<std::string>{
                  "1:Exception in automation method [CSEQResultDialog::put_SaveAsPMML]: "
                  "Improper string provided for PMML file names."}));
  }
  // The query text round-trips.
  ASSERT_EQ(Result().Put("QueryStringForRules", R"x("(a, b)")x"), kAutomationOk);
  EXPECT_EQ(Get("QueryStringForRules"), R"x("(a, b)")x");
  EXPECT_EQ(d.GetControlText(1215), "(a, b)");
  // Cancel closes the dialog: every member fails from then on.
  IAutomationObject* result = seq_->ResultAutomation();
  ASSERT_EQ(result->Call("Cancel"), kAutomationOk);
  EXPECT_TRUE(d.IsClosed());
  EXPECT_EQ(d.ExitCode(), 101);
  EXPECT_EQ(result->Get("SelectedItems", value), kAutomationDialogClosed);
  EXPECT_EQ(result->Put("SelectedItems", R"("a")"), kAutomationDialogClosed);
  EXPECT_EQ(seq_->ResultAutomation(), nullptr);
}

}  // namespace
}  // namespace linkan
