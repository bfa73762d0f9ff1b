// table_pages.h
//
// TablePages: one result table as the browser page reads it, a page of
// rows at a time, sorted on the server by any column (or the row name) in
// either direction. A table of hundreds of thousands of rules is sorted
// once per order asked for and kept as an index; a page then costs only
// its own rows.
//
// Sorting: numbers compare as numbers and before texts, missing cells
// last; texts compare as bytes; ties keep the table's order.
//
// Thread safety: none; the workspace serialises its calls.
#pragma once

#include <cstddef>
#include <map>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "linkanalysis/results_table.h"

namespace linkan::app {

class TablePages {
 public:
  // `table` must outlive this object.
  explicit TablePages(const ResultsTable& table) : table_(&table) {}

  // Rows [offset, offset + limit) in the order of `column` (-1: the row
  // name; -2: the table's own order), descending when `descending`:
  //   {"titles", "corner", "columns", "total", "offset",
  //    "rows": [[rowName, cell, ...], ...]}
  // where a number is a JSON number (null when missing) and a text a
  // string.
  nlohmann::json Page(std::size_t offset, std::size_t limit, int column, bool descending);

 private:
  const std::vector<int>& Order(int column, bool descending);

  const ResultsTable* table_;
  std::map<std::pair<int, bool>, std::vector<int>> orders_;
};

}  // namespace linkan::app
