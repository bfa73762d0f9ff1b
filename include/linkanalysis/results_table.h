// results_table.h
//
// ResultsTable: a finished spreadsheet document as the module hands it to
// the host: three title lines, column names, row names, and per cell either
// a number (NaN = missing), a text, or nothing. Cells are stored by column
// (index = column * rows + row). Everything here is inline so that the host
// and the module share one layout.
//
// SpreadsheetStream: a spreadsheet handed over row by row instead, so that
// a table of millions of rows never sits in memory whole. The host receives
// the table's header first (a ResultsTable without cells: name, titles,
// rows, cols, column names), then every row in order, then Finish.
// CollectedSpreadsheet is the stream of a host that only takes finished
// tables: it collects the rows and shows the table at Finish.
#pragma once

#include <array>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace linkan {

// One cell of a streamed row: a text, or a number (NaN = missing).
struct ResultsCell {
  bool isText = false;
  double number = std::numeric_limits<double>::quiet_NaN();
  std::string_view text{};
};

struct ResultsTable {
  // A short name the host may use for the document's file ("rules").
  std::string documentName;
  std::array<std::string, 3> titles;
  // The caption of the row-name column (the rule matrices: Body\Head);
  // empty for most tables.
  std::string corner;
  int rows = 0;
  int cols = 0;
  std::vector<std::string> columnNames;        // cols entries
  std::vector<std::string> rowNames;           // rows entries
  std::vector<double> numbers;                 // rows * cols; NaN = missing
  std::vector<std::string> texts;              // rows * cols
  std::vector<unsigned char> hasText;          // rows * cols: 1 when the cell is a text cell
  std::vector<unsigned char> textColumn;       // cols: 1 when the column holds text cells

  std::size_t Index(int row, int col) const {
    return static_cast<std::size_t>(col) * static_cast<std::size_t>(rows) +
           static_cast<std::size_t>(row);
  }
  bool IsText(int row, int col) const { return hasText[Index(row, col)] != 0; }
  const std::string& Text(int row, int col) const { return texts[Index(row, col)]; }
  double Number(int row, int col) const { return numbers[Index(row, col)]; }
  bool IsMissing(int row, int col) const {
    return !IsText(row, col) && std::isnan(Number(row, col));
  }
  // The table without its cells: what a stream's header holds.
  ResultsTable Header() const {
    ResultsTable header;
    header.documentName = documentName;
    header.titles = titles;
    header.corner = corner;
    header.rows = rows;
    header.cols = cols;
    header.columnNames = columnNames;
    return header;
  }
  std::string_view RowName(int row) const {
    return row < static_cast<int>(rowNames.size()) ? rowNames[static_cast<std::size_t>(row)]
                                                   : std::string_view();
  }
  // The cells of `row` as a stream hands them over (views into this table).
  void CellsOfRow(int row, std::vector<ResultsCell>& cells) const {
    cells.resize(static_cast<std::size_t>(std::max(cols, 0)));
    for (int c = 0; c < cols; ++c) {
      cells[static_cast<std::size_t>(c)] = IsText(row, c)
                                               ? ResultsCell{.isText = true, .text = Text(row, c)}
                                               : ResultsCell{.number = Number(row, c)};
    }
  }
};

// Hands every row of a finished table to `add(rowName, cells)`, as a
// stream would receive it.
template <typename Add>
void ReplayRows(const ResultsTable& table, Add add) {
  std::vector<ResultsCell> cells;
  for (int r = 0; r < table.rows; ++r) {
    table.CellsOfRow(r, cells);
    add(table.RowName(r), std::span<const ResultsCell>(cells));
  }
}

class SpreadsheetStream {
 public:
  // Without Finish the document is dropped (a cancelled table): nothing of
  // it is shown or kept.
  virtual ~SpreadsheetStream() = default;
  // The next row; its texts are valid during the call only. A stream given
  // more rows than its header announced ignores the surplus.
  virtual void AddRow(std::string_view rowName, std::span<const ResultsCell> cells) = 0;
  // Ends the table; true when it was shown. Rows not given are empty.
  virtual bool Finish() = 0;
};

// Collects the rows into a ResultsTable of the header's size and hands it
// to `show` at Finish.
class CollectedSpreadsheet : public SpreadsheetStream {
 public:
  CollectedSpreadsheet(const ResultsTable& header,
                       std::function<bool(const ResultsTable&)> show)
      : table_(header), show_(std::move(show)) {
    const auto cells = static_cast<std::size_t>(table_.rows) * static_cast<std::size_t>(table_.cols);
    table_.columnNames.resize(static_cast<std::size_t>(table_.cols));
    table_.rowNames.assign(static_cast<std::size_t>(table_.rows), "");
    table_.numbers.assign(cells, std::numeric_limits<double>::quiet_NaN());
    table_.texts.assign(cells, "");
    table_.hasText.assign(cells, 0);
    table_.textColumn.assign(static_cast<std::size_t>(table_.cols), 0);
  }

  void AddRow(std::string_view rowName, std::span<const ResultsCell> cells) override {
    if (next_ >= table_.rows) return;
    const int row = next_++;
    table_.rowNames[static_cast<std::size_t>(row)] = rowName;
    const int cols = std::min(table_.cols, static_cast<int>(cells.size()));
    for (int c = 0; c < cols; ++c) {
      const ResultsCell& cell = cells[static_cast<std::size_t>(c)];
      const std::size_t i = table_.Index(row, c);
      if (cell.isText) {
        table_.texts[i] = cell.text;
        table_.hasText[i] = 1;
        table_.textColumn[static_cast<std::size_t>(c)] = 1;
      } else {
        table_.numbers[i] = cell.number;
      }
    }
  }

  bool Finish() override { return show_(table_); }

 private:
  ResultsTable table_;
  int next_ = 0;
  std::function<bool(const ResultsTable&)> show_;
};

}  // namespace linkan
