// ranked_rows.cpp
#include "ranked_rows.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace linkan::app {
namespace {

int ColumnNamed(const ResultsTable& header, std::string_view name) {
  for (std::size_t c = 0; c < header.columnNames.size(); ++c) {
    if (header.columnNames[c] == name) return static_cast<int>(c);
  }
  return -1;
}

// A cell's number for ranking: missing and text cells rank lowest.
double RankValue(std::span<const ResultsCell> cells, int column) {
  constexpr double kLowest = -std::numeric_limits<double>::infinity();
  if (column < 0 || static_cast<std::size_t>(column) >= cells.size()) return kLowest;
  const ResultsCell& cell = cells[static_cast<std::size_t>(column)];
  return cell.isText || std::isnan(cell.number) ? kLowest : cell.number;
}

}  // namespace

std::optional<RankedRows> RankedRows::ForTable(const ResultsTable& header, std::size_t limit) {
  const int confidence = ColumnNamed(header, "Confidence(%)");
  if (confidence < 0) return std::nullopt;
  return RankedRows(ColumnNamed(header, "Lift"), confidence, limit);
}

void RankedRows::Add(std::string_view rowName, std::span<const ResultsCell> cells) {
  Row row{.lift = RankValue(cells, lift_),
          .confidence = RankValue(cells, confidence_),
          .order = added_++,
          .name = std::string(rowName),
          .cells = {}};
  row.cells.reserve(cells.size());
  for (const ResultsCell& c : cells) {
    row.cells.push_back({.isText = c.isText, .number = c.number, .text = std::string(c.text)});
  }
  rows_.push_back(std::move(row));
  if (rows_.size() >= 2 * limit_ + 1) Trim();
}

void RankedRows::Trim() {
  const auto stronger = [](const Row& a, const Row& b) {
    if (a.lift != b.lift) return a.lift > b.lift;
    if (a.confidence != b.confidence) return a.confidence > b.confidence;
    return a.order < b.order;
  };
  if (rows_.size() > limit_) {
    std::nth_element(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(limit_),
                     rows_.end(), stronger);
    rows_.resize(limit_);
  }
  std::sort(rows_.begin(), rows_.end(), stronger);
}

}  // namespace linkan::app
