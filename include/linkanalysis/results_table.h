// results_table.h
//
// ResultsTable: a finished spreadsheet document as the module hands it to
// the host: three title lines, column names, row names, and per cell either
// a number (NaN = missing), a text, or nothing. Cells are stored by column
// (index = column * rows + row). Everything here is inline so that the host
// and the module share one layout.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <vector>

namespace linkan {

struct ResultsTable {
  // A short name the host may use for the document's file ("rules").
  std::string documentName;
  std::array<std::string, 3> titles;
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
};

}  // namespace linkan
