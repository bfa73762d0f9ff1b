// item_list.cpp
#include "results/item_list.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/sal_engine.h"
#include "frame/host/analysis_support.h"
#include "frame/progress.h"

namespace linkan {
namespace {

constexpr int kNameColumn = 0;

// The number a numeric cell starts with; a cell that starts with none
// sorts as 0.
double CellNumber(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

}  // namespace

void CCustomListCtrl::Fill(CAnalysisSupport& support, const SalEngine& engine,
                           bool recommendationMode) {
  columns_.clear();
  rows_.clear();
  mark_.reset();
  columns_.push_back({"Item name", 110});
  if (!recommendationMode) columns_.push_back({"Frequency", 70});
  columns_.push_back({"Support(%)", 70});
  rows_.reserve(engine.itemFrequency.size());
  StartProgress(support, static_cast<long>(engine.itemFrequency.size()),
                "Preparing selected words");
  long step = 0;
  for (const auto& [item, count] : engine.itemFrequency) {
    support.termom(++step);
    ItemListRow row;
    row.item = item;
    if (recommendationMode) {
      const std::string* name = engine.modelItems.FindName(item);
      row.cells.push_back(name ? *name : std::string{});
    } else {
      row.cells.push_back(engine.items.Name(item));
    }
    // Column 1 is the count in both modes, so in recommendation mode the
    // "Support(%)" column shows it.
    row.cells.push_back(FormatString("%d", static_cast<int>(count)));
    if (!recommendationMode) row.cells.push_back(FormatString("%f", 100.0 * count / engine.N()));
    rows_.push_back(std::move(row));
  }
  StopProgress(support);
  Sort();
  SelectAll(true);
}

bool CCustomListCtrl::ClickHeader(int column) {
  if (column < 0 || static_cast<std::size_t>(column) >= columns_.size()) return false;
  if (column == header_.sortColumn) {
    header_.ascending = !header_.ascending;
  } else {
    header_.sortColumn = column;
    header_.ascending = true;
  }
  Sort();
  return true;
}

void CCustomListCtrl::Sort() {
  const int column = header_.sortColumn;
  if (column < 0 || static_cast<std::size_t>(column) >= columns_.size()) return;
  const auto c = static_cast<std::size_t>(column);
  const bool ascending = header_.ascending;
  // -1, 0, 1 as the cells of column c order a and b.
  auto order = [&](const ItemListRow& a, const ItemListRow& b) {
    if (column == kNameColumn) {
      const int r = std::strcmp(a.cells[c].c_str(), b.cells[c].c_str());
      return (r > 0) - (r < 0);
    }
    const double x = CellNumber(a.cells[c]), y = CellNumber(b.cells[c]);
    return (x > y) - (x < y);
  };
  std::sort(rows_.begin(), rows_.end(), [&](const ItemListRow& a, const ItemListRow& b) {
    const int r = order(a, b);
    if (r != 0) return ascending ? r < 0 : r > 0;
    return a.item < b.item;
  });
}

bool CCustomListCtrl::SetSelected(std::size_t index, bool selected) {
  if (index >= rows_.size()) return false;
  rows_[index].selected = selected;
  return true;
}

void CCustomListCtrl::SelectAll(bool selected) {
  for (ItemListRow& row : rows_) row.selected = selected;
}

void CCustomListCtrl::SelectNames(const std::vector<std::string>& names) {
  mark_.reset();
  for (ItemListRow& row : rows_) {
    row.selected = std::find(names.begin(), names.end(), row.cells[kNameColumn]) != names.end();
    if (row.selected && !mark_) mark_ = row.item;
  }
}

std::vector<std::string> CCustomListCtrl::SelectedNames() const {
  std::vector<const ItemListRow*> selected;
  for (const ItemListRow& row : rows_) {
    if (row.selected) selected.push_back(&row);
  }
  std::sort(selected.begin(), selected.end(),
            [](const ItemListRow* a, const ItemListRow* b) { return a->item < b->item; });
  std::vector<std::string> names;
  names.reserve(selected.size());
  for (const ItemListRow* row : selected) names.push_back(row->cells[kNameColumn]);
  return names;
}

int CollectSelection(const CCustomListCtrl& list, SalEngine& engine) {
  engine.selectedItems.clear();
  int last = -1;
  const std::vector<ItemListRow>& rows = list.rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i].selected) continue;
    engine.itemFrequency.try_emplace(rows[i].item, 0);
    engine.selectedItems.insert(rows[i].item);
    last = static_cast<int>(i);
  }
  return last;
}

}  // namespace linkan
