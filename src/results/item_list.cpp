// item_list.cpp
#include "results/item_list.h"

#include <algorithm>

#include "engine/sal_engine.h"
#include "frame/host/analysis_support.h"
#include "frame/progress.h"

namespace linkan {
namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::vector<ItemListRow> FillItemList(CAnalysisSupport& support, const SalEngine& engine,
                                      bool recommendationMode) {
  std::vector<ItemListRow> rows;
  rows.reserve(engine.itemFrequency.size());
  StartProgress(support, static_cast<long>(engine.itemFrequency.size()),
                "Preparing selected words");
  long step = 0;
  for (const auto& [item, count] : engine.itemFrequency) {
    support.termom(++step);
    ItemListRow row;
    row.item = item;
    if (recommendationMode) {
      const std::string* name = engine.modelItems.FindName(item);
      row.name = name ? *name : std::string{};
    } else {
      row.name = engine.items.Name(item);
      row.support = FormatString("%f", 100.0 * count / engine.N());
    }
    row.frequency = FormatString("%d", static_cast<int>(count));
    rows.push_back(std::move(row));
  }
  StopProgress(support);
  return rows;
}

bool SelectItemsByNames(std::vector<ItemListRow>& rows, const std::string& text) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (true) {
    const std::size_t bar = text.find('|', start);
    names.push_back(Trim(text.substr(start, bar == std::string::npos ? bar : bar - start)));
    if (names.back().empty()) return false;
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  for (ItemListRow& row : rows) {
    row.selected = std::find(names.begin(), names.end(), row.name) != names.end();
  }
  return true;
}

std::string SelectedItemsText(const std::vector<ItemListRow>& rows) {
  std::vector<const ItemListRow*> selected;
  for (const ItemListRow& row : rows) {
    if (row.selected) selected.push_back(&row);
  }
  std::sort(selected.begin(), selected.end(),
            [](const ItemListRow* a, const ItemListRow* b) { return a->item < b->item; });
  std::string out;
  for (const ItemListRow* row : selected) {
    if (!out.empty()) out += kSelectedItemsSeparator;
    out += row->name;
  }
  return out;
}

void CollectSelection(const std::vector<ItemListRow>& rows, SalEngine& engine) {
  engine.selectedItems.clear();
  for (const ItemListRow& row : rows) {
    if (row.selected) engine.selectedItems.insert(row.item);
  }
}

}  // namespace linkan
