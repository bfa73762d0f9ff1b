// result_dialog_layout.cpp
#include "results/result_dialog_layout.h"

#include <cctype>

namespace linkan {
namespace {

constexpr bool kAll = true;  // inside the "With all single items" box

LayoutControl Button(int id, const char* caption, bool inAllItemsGroup = false) {
  return {id, ControlKind::kButton, caption, inAllItemsGroup};
}

LayoutControl AllItemsGroup() {
  return {kAllItemsGroup, ControlKind::kGroup, kAllItemsGroupCaption, false};
}

}  // namespace

const std::vector<LayoutControl>& MainControls() {
  static const std::vector<LayoutControl> controls = {
      {1189, ControlKind::kList, "", false},
      {kTabControl, ControlKind::kTab, "", false},
      Button(2, "&Cancel"),
      Button(10710, "Options"),
      Button(1197, "qPMM&L"),
  };
  return controls;
}

const std::vector<ResultTabPage>& AllTabPages() {
  static const std::vector<ResultTabPage> pages = {
      {6677,
       "Quick",
       {AllItemsGroup(), Button(1022, "!249A&ssociation rules", kAll),
        Button(1023, "e&Frequent itemsets", kAll), Button(1075, "!965&Rule graph"),
        Button(1074, "!965&Web graph ")},
       {"Unless a result (Spreadsheet or Graph) button is in \"With all single items\" box, the "
        "button will produce its result according to selection of items in the item list of "
        "results dialog."}},
      {6678,
       "Advanced",
       {AllItemsGroup(), Button(1022, "!249A&ssociation rules", kAll),
        Button(1023, "e&Frequent itemsets", kAll), Button(1024, "!231S&upport graph", kAll),
        Button(1025, "!231C&onfidence graph", kAll), Button(1075, "!965&Rule graph"),
        Button(1074, "!965&Web graph "),
        Button(1191, "eFre&quent itemsets only with selected items"),
        Button(1192, "eRul&es only with selected items"),
        Button(1193, "eRules only with selec&ted items as bodies"),
        Button(1190, "eRules o&nly with selected items as heads")},
       {}},
      {6679,
       "Visualization",
       {AllItemsGroup(), Button(1072, "!297&Clustering of items", kAll),
        Button(1070, "eCl&ustering of items", kAll), Button(1212, "e&Disjoint sequences", kAll),
        Button(1075, "!965&Rule graph (support && confidence)"),
        Button(1074, "!965&Web graph (support && lift)")},
       {}},
      {6683,
       "Deployment",
       {{1215, ControlKind::kEdit, "&Enter antecedent itemset(s)", false},
        Button(1211, "e&Query of rules")},
       {"Example 1: This, that, 'and other'", "Example 2: (A; B; C) (B, D, E)",
        "Example 3: Gender = Male", "Example 4: (Age=23)"}},
  };
  return pages;
}

std::vector<ResultTabPage> TabPagesFor(bool recommendationMode) {
  const std::vector<ResultTabPage>& all = AllTabPages();
  if (recommendationMode) return {all.back()};
  return {all.begin(), all.end() - 1};
}

std::string ShownCaption(const std::string& caption) {
  std::size_t start = 0;
  if (!caption.empty() && caption[0] == '!') {
    start = 1;
    while (start < caption.size() && std::isdigit(static_cast<unsigned char>(caption[start]))) {
      ++start;
    }
  } else if (!caption.empty() && (caption[0] == 'e' || caption[0] == 'q' || caption[0] == 'g' ||
                                  caption[0] == '`')) {
    start = 1;
  }
  return WithoutAccessKeys(std::string_view(caption).substr(start));
}

std::string WithoutAccessKeys(std::string_view text) {
  std::string shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') shown.push_back(text[++i]);
      continue;
    }
    shown.push_back(text[i]);
  }
  return shown;
}

}  // namespace linkan
