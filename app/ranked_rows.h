// ranked_rows.h
//
// RankedRows: the rows of a rule table that index.html shows, the
// strongest first. A table of millions of rules cannot be shown whole, and
// its first rows in the module's order are arbitrary ones; the page shows
// the `limit` rows with the highest lift, ties broken by the higher
// confidence, then by the module's order. A table without a "Lift" column
// ranks by confidence alone. The CSV file keeps the module's order.
//
// Memory: about twice `limit` rows at any time.
// Thread safety: one thread.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "linkanalysis/results_table.h"

namespace linkan::app {

class RankedRows {
 public:
  // The ranking columns of a rule table ("Confidence(%)", and "Lift" when
  // present); nothing when `header` has no confidence column.
  static std::optional<RankedRows> ForTable(const ResultsTable& header, std::size_t limit);

  void Add(std::string_view rowName, std::span<const ResultsCell> cells);
  // What the rows are ranked by: "lift, then confidence" or "confidence".
  const char* RankedBy() const { return lift_ >= 0 ? "lift, then confidence" : "confidence"; }
  // Hands the kept rows to `add(rowName, cells)`, the strongest first.
  template <typename AddRow>
  void Replay(AddRow add) {
    Trim();
    std::vector<ResultsCell> cells;
    for (const Row& row : rows_) {
      cells.clear();
      for (const Cell& c : row.cells) {
        cells.push_back(c.isText ? ResultsCell{.isText = true, .text = c.text}
                                 : ResultsCell{.number = c.number});
      }
      add(std::string_view(row.name), std::span<const ResultsCell>(cells));
    }
  }

 private:
  struct Cell {
    bool isText = false;
    double number = 0;
    std::string text;
  };
  struct Row {
    double lift;
    double confidence;
    long order;
    std::string name;
    std::vector<Cell> cells;
  };

  RankedRows(int liftColumn, int confidenceColumn, std::size_t limit)
      : lift_(liftColumn), confidence_(confidenceColumn), limit_(limit) {}
  // Sorts the rows strongest first and keeps the first `limit_`.
  void Trim();

  int lift_;  // -1: none
  int confidence_;
  std::size_t limit_;
  long added_ = 0;
  std::vector<Row> rows_;
};

}  // namespace linkan::app
