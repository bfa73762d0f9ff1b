// table_pages.cpp
#include "serve/table_pages.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string_view>

namespace linkan::app {

using nlohmann::json;

namespace {

// -1, 0, 1 for the cells of rows a and b in `column` (-1: the row name),
// ascending; missing cells compare last either way (the caller's job).
int CompareCells(const ResultsTable& t, int column, int a, int b) {
  if (column < 0) return t.RowName(a).compare(t.RowName(b));
  const bool textA = t.IsText(a, column), textB = t.IsText(b, column);
  if (textA != textB) return textA ? 1 : -1;
  if (textA) return t.Text(a, column).compare(t.Text(b, column));
  const double x = t.Number(a, column), y = t.Number(b, column);
  return x < y ? -1 : (x > y ? 1 : 0);
}

}  // namespace

const std::vector<int>& TablePages::Order(int column, bool descending) {
  const ResultsTable& t = *table_;
  if (column < -2 || column >= t.cols) column = -2;
  auto key = std::make_pair(column, descending);
  if (auto it = orders_.find(key); it != orders_.end()) return it->second;
  std::vector<int> order(static_cast<std::size_t>(std::max(t.rows, 0)));
  std::iota(order.begin(), order.end(), 0);
  if (column == -2) {
    if (descending) std::reverse(order.begin(), order.end());
  } else {
    auto missing = [&](int r) { return column >= 0 && t.IsMissing(r, column); };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      const bool ma = missing(a), mb = missing(b);
      if (ma || mb) return !ma && mb;
      const int c = CompareCells(t, column, a, b);
      return descending ? c > 0 : c < 0;
    });
  }
  return orders_.emplace(key, std::move(order)).first->second;
}

json TablePages::Page(std::size_t offset, std::size_t limit, int column, bool descending) {
  const ResultsTable& t = *table_;
  const std::vector<int>& order = Order(column, descending);
  json page = {{"titles", t.titles},   {"corner", t.corner}, {"columns", t.columnNames},
               {"total", t.rows},      {"offset", offset},  {"name", t.documentName}};
  json rows = json::array();
  const std::size_t end = std::min(order.size(), offset + std::min<std::size_t>(limit, 5000));
  for (std::size_t i = offset; i < end; ++i) {
    const int r = order[i];
    json row = json::array();
    row.push_back(std::string(t.RowName(r)));
    for (int c = 0; c < t.cols; ++c) {
      if (t.IsText(r, c)) {
        row.push_back(t.Text(r, c));
      } else if (std::isnan(t.Number(r, c))) {
        row.push_back(nullptr);
      } else {
        row.push_back(t.Number(r, c));
      }
    }
    rows.push_back(std::move(row));
  }
  page["rows"] = std::move(rows);
  return page;
}

}  // namespace linkan::app
