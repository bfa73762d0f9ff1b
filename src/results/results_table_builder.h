// results_table_builder.h
//
// ResultsTableBuilder: the one builder every spreadsheet output uses. A
// table goes to the host row by row (CAnalysisDoc::OpenSpreadsheet), so a
// table of millions of rows never sits in memory whole: set the titles and
// the column names first, then fill the rows in ascending order; only the
// row being filled is held. A cell of a row already handed over is ignored.
// Create(R, C) refuses a table of R x C x 8 bytes or more than 2^30 (the
// limit of a host spreadsheet). Numeric cells start missing. Title lines are
// cut to 80 characters. Texts are kept in full: the host shows full texts.
// SetInteger writes the whole number as a text cell (never "#" filled: a
// file must not lose digits). A builder freed or destroyed before Show
// drops its document (a cancelled table shows nothing).
//
// Example:
//   ResultsTableBuilder t(support, "rules");
//   if (t.Create(n, 6)) { t.SetColumnName(0, "Body"); ...; fill rows; t.Show(); }
//
// Thread safety: analysis thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "linkanalysis/results_table.h"

namespace linkan {

class CAnalysisSupport;

inline constexpr std::size_t kTitleWidth = 80;
inline constexpr std::size_t kCornerWidth = 12;
inline constexpr std::size_t kNumericBlockLimit = std::size_t{1} << 30;

class ResultsTableBuilder {
 public:
  ResultsTableBuilder(CAnalysisSupport& support, std::string documentName);
  ~ResultsTableBuilder();
  ResultsTableBuilder(const ResultsTableBuilder&) = delete;
  ResultsTableBuilder& operator=(const ResultsTableBuilder&) = delete;

  // Creates an R x C table; false (and empty) when R or C is below 1 or the
  // table is too large.
  bool Create(int rows, int cols);
  bool IsEmpty() const { return !created_; }

  void SetTitle(int line, const std::string& text);   // line 0..2
  // The caption of the row-name column, at most 12 characters.
  void SetCorner(const std::string& text);
  void SetColumnName(int col, const std::string& text);
  void SetRowName(int row, const std::string& text);
  void SetText(int row, int col, const std::string& text);
  void SetInteger(int row, int col, long long n);
  void SetNumber(int row, int col, double x);

  // Hands the rest of the table to the host and ends it, then frees the
  // builder. False when the table is empty or the host did not show it.
  bool Show();
  void Free();

  // The table's header: name, titles, size and column names (tests).
  const ResultsTable& header() const { return header_; }

 private:
  // Moves on to `row`, handing over the rows before it; false when `row`
  // was handed over already or lies outside the table.
  bool MoveTo(int row);
  void HandOverRow();

  CAnalysisSupport* support_;
  std::string documentName_;
  bool created_ = false;
  ResultsTable header_;
  std::unique_ptr<SpreadsheetStream> stream_;  // opened with the first row
  int row_ = -1;                               // the row being filled
  std::string rowName_;
  std::vector<ResultsCell> cells_;
  std::vector<std::string> cellTexts_;
};

}  // namespace linkan
