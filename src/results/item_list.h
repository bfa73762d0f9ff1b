// item_list.h
//
// CCustomListCtrl: the item list of the results dialog (control 1189), a
// sortable list view without drawing. One row per frequent single item,
// filled in ascending item number: name, frequency ("%d") and, except in
// recommendation mode, support ("%f", percent of all transactions). After
// the fill every row is selected.
//
// Sorting: ClickHeader(column) is a click on a column header. The column
// that is already the sort column reverses its direction; another column
// becomes the sort column, ascending. Column 0 compares as text (bytes),
// the frequency and support columns as numbers (so "0.500000" sorts
// before "0.900000"). Rows that compare equal stay in ascending item
// number, in both directions. The selection travels with its rows.
//
// Thread safety: host thread only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/pattern.h"

namespace linkan {

class CAnalysisSupport;
class SalEngine;

struct ItemListColumn {
  std::string title;
  int width = 0;
};

struct ItemListRow {
  ItemNumber item = 0;             // the row data
  std::vector<std::string> cells;  // one text per column
  bool selected = true;
};

// The header: which column the rows are sorted by (-1: none) and how.
struct CCustomHeaderCtrl {
  int sortColumn = -1;
  bool ascending = true;
};

class CCustomListCtrl {
 public:
  // The list's colours and extended style, fixed at the fill.
  static constexpr unsigned kTextColour = 0xFF0000;  // COLORREF of pure blue
  static constexpr bool kFullRowSelect = true;
  static constexpr bool kGridLines = true;
  static constexpr bool kHeaderDragDrop = true;

  // Replaces columns and rows from the item frequency map, with the
  // "Preparing selected words" progress over the items, then sorts by the
  // current sort column and selects every row. In recommendation mode the
  // names come from the model item dictionary (an unknown id has an empty
  // name) and there is no support column; otherwise a name the item
  // dictionary lacks raises its "value not found" error.
  void Fill(CAnalysisSupport& support, const SalEngine& engine, bool recommendationMode);

  const std::vector<ItemListColumn>& columns() const { return columns_; }
  const std::vector<ItemListRow>& rows() const { return rows_; }
  const CCustomHeaderCtrl& header() const { return header_; }

  // A click on the header of `column`; false (and nothing changes) when
  // there is no such column.
  bool ClickHeader(int column);

  // ---- Selection -----------------------------------------------------------
  // Selects or deselects the row at `index` (list order); false when there
  // is no such row.
  bool SetSelected(std::size_t index, bool selected);
  void SelectAll(bool selected);
  // Selects exactly the rows whose name is in `names` (exact,
  // case-sensitive; names of no row are ignored); the first of them in
  // list order becomes the selection mark.
  void SelectNames(const std::vector<std::string>& names);
  // The item of the selection mark (the focused row), if any.
  std::optional<ItemNumber> mark() const { return mark_; }
  // The selected rows' names in ascending item number.
  std::vector<std::string> SelectedNames() const;

 private:
  void Sort();

  std::vector<ItemListColumn> columns_;
  std::vector<ItemListRow> rows_;
  CCustomHeaderCtrl header_;
  std::optional<ItemNumber> mark_;
};

// Collecting the selection: rebuilds the engine's selected-item set from
// the selected rows in list order (an item missing from the frequency map
// is entered there with count 0). Returns the list index of the last
// selected row visited, -1 for none.
int CollectSelection(const CCustomListCtrl& list, SalEngine& engine);

}  // namespace linkan
