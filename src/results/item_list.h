// item_list.h
//
// The item list of the results dialog: one row per frequent single item in
// ascending item number, with its name, frequency ("%d") and support
// ("%f", percent of all transactions), and a selection flag. After the fill
// every row is selected.
#pragma once

#include <string>
#include <vector>

#include "engine/pattern.h"

namespace linkan {

class CAnalysisSupport;
class SalEngine;

struct ItemListRow {
  ItemNumber item = 0;
  std::string name;        // column 0
  std::string frequency;   // column 1
  std::string support;     // column 2 (empty in recommendation mode)
  bool selected = true;
};

// Fills the rows from the item frequency map, with "Preparing selected
// words" progress. In recommendation mode names come from the model item
// dictionary (unknown ids print empty) and there is no support column.
std::vector<ItemListRow> FillItemList(CAnalysisSupport& support, const SalEngine& engine,
                                      bool recommendationMode);

// The separator of names in the selected-items text: " | ".
inline constexpr const char* kSelectedItemsSeparator = " | ";

// Selects exactly the rows whose name is one of the names in `text`
// (separated by "|", spaces around each name ignored). A text with an empty
// piece (two bars in a row, a bar at the end, or nothing at all) changes
// nothing and returns false.
bool SelectItemsByNames(std::vector<ItemListRow>& rows, const std::string& text);

// The selected rows' names in ascending item number, joined by " | ".
std::string SelectedItemsText(const std::vector<ItemListRow>& rows);

// Rebuilds the engine's selected-item set from the selected rows.
void CollectSelection(const std::vector<ItemListRow>& rows, SalEngine& engine);

}  // namespace linkan
