// results_table_builder.cpp
#include "results/results_table_builder.h"

#include <algorithm>

#include "frame/host/analysis_support.h"

namespace linkan {

ResultsTableBuilder::ResultsTableBuilder(CAnalysisSupport& support, std::string documentName)
    : support_(&support), documentName_(std::move(documentName)) {}

ResultsTableBuilder::~ResultsTableBuilder() = default;

bool ResultsTableBuilder::Create(int rows, int cols) {
  Free();
  if (rows < 1 || cols < 1) return false;
  const auto cells = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
  if (cells >= kNumericBlockLimit / sizeof(double)) return false;
  created_ = true;
  header_.documentName = documentName_;
  header_.rows = rows;
  header_.cols = cols;
  header_.columnNames.assign(static_cast<std::size_t>(cols), "");
  cells_.assign(static_cast<std::size_t>(cols), ResultsCell{});
  cellTexts_.assign(static_cast<std::size_t>(cols), "");
  return true;
}

bool ResultsTableBuilder::MoveTo(int row) {
  if (row < row_ || row >= header_.rows) return false;
  while (row_ < row) {
    if (row_ >= 0) HandOverRow();
    ++row_;
    rowName_.clear();
    std::fill(cells_.begin(), cells_.end(), ResultsCell{});
  }
  return true;
}

void ResultsTableBuilder::HandOverRow() {
  if (!stream_) stream_ = support_->doc().OpenSpreadsheet(header_);
  for (std::size_t c = 0; c < cells_.size(); ++c) {
    if (cells_[c].isText) cells_[c].text = cellTexts_[c];
  }
  stream_->AddRow(rowName_, cells_);
}

void ResultsTableBuilder::SetTitle(int line, const std::string& text) {
  if (IsEmpty() || stream_ || line < 0 || line > 2) return;
  header_.titles[static_cast<std::size_t>(line)] = text.substr(0, kTitleWidth);
}

void ResultsTableBuilder::SetCorner(const std::string& text) {
  if (IsEmpty() || stream_) return;
  header_.corner = text.substr(0, kCornerWidth);
}

void ResultsTableBuilder::SetColumnName(int col, const std::string& text) {
  if (IsEmpty() || stream_ || col < 0 || col >= header_.cols) return;
  header_.columnNames[static_cast<std::size_t>(col)] = text;
}

void ResultsTableBuilder::SetRowName(int row, const std::string& text) {
  if (IsEmpty() || !MoveTo(row)) return;
  rowName_ = text;
}

void ResultsTableBuilder::SetText(int row, int col, const std::string& text) {
  if (IsEmpty() || col < 0 || col >= header_.cols || !MoveTo(row)) return;
  cellTexts_[static_cast<std::size_t>(col)] = text;
  cells_[static_cast<std::size_t>(col)].isText = true;
}

void ResultsTableBuilder::SetInteger(int row, int col, long long n) {
  SetText(row, col, std::to_string(n));
}

void ResultsTableBuilder::SetNumber(int row, int col, double x) {
  if (IsEmpty() || col < 0 || col >= header_.cols || !MoveTo(row)) return;
  cells_[static_cast<std::size_t>(col)] = ResultsCell{.number = x};
}

bool ResultsTableBuilder::Show() {
  if (IsEmpty()) return false;
  MoveTo(header_.rows - 1);
  HandOverRow();
  const bool shown = stream_->Finish();
  Free();
  return shown;
}

void ResultsTableBuilder::Free() {
  stream_.reset();  // a stream not finished drops its document
  created_ = false;
  row_ = -1;
  header_ = ResultsTable{};
}

}  // namespace linkan
