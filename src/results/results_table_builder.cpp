// results_table_builder.cpp
#include "results/results_table_builder.h"

#include <limits>

#include "frame/host/analysis_support.h"

namespace linkan {

void ResultsTableBuilder::BlockDeleter::operator()(void* p) const { support->FreeMem(p); }

ResultsTableBuilder::ResultsTableBuilder(CAnalysisSupport& support, std::string documentName)
    : support_(&support),
      documentName_(std::move(documentName)),
      block_(nullptr, BlockDeleter{&support}) {}

ResultsTableBuilder::~ResultsTableBuilder() = default;

bool ResultsTableBuilder::Create(int rows, int cols) {
  Free();
  if (rows < 1 || cols < 1) return false;
  const auto cells = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
  if (cells >= kNumericBlockLimit / sizeof(double)) return false;
  // The numeric block comes from the host's allocator, so the host's memory
  // limits apply to spreadsheets as to every other large work array.
  void* block = nullptr;
  if (support_->AllocMem(&block, cells * sizeof(double)) != 0) return false;
  block_.reset(block);
  table_ = ResultsTable{};
  table_.documentName = documentName_;
  table_.rows = rows;
  table_.cols = cols;
  table_.columnNames.assign(static_cast<std::size_t>(cols), "");
  table_.rowNames.assign(static_cast<std::size_t>(rows), "");
  table_.numbers.assign(cells, std::numeric_limits<double>::quiet_NaN());
  table_.texts.assign(cells, "");
  table_.hasText.assign(cells, 0);
  table_.textColumn.assign(static_cast<std::size_t>(cols), 0);
  return true;
}

void ResultsTableBuilder::SetTitle(int line, const std::string& text) {
  if (IsEmpty() || line < 0 || line > 2) return;
  table_.titles[static_cast<std::size_t>(line)] = text.substr(0, kTitleWidth);
}

void ResultsTableBuilder::SetColumnName(int col, const std::string& text) {
  if (IsEmpty() || col < 0 || col >= table_.cols) return;
  table_.columnNames[static_cast<std::size_t>(col)] = text;
}

void ResultsTableBuilder::SetRowName(int row, const std::string& text) {
  if (IsEmpty() || row < 0 || row >= table_.rows) return;
  table_.rowNames[static_cast<std::size_t>(row)] = text;
}

void ResultsTableBuilder::SetText(int row, int col, const std::string& text) {
  if (IsEmpty() || row < 0 || row >= table_.rows || col < 0 || col >= table_.cols) return;
  const std::size_t i = table_.Index(row, col);
  table_.texts[i] = text;
  table_.hasText[i] = 1;
  table_.textColumn[static_cast<std::size_t>(col)] = 1;
}

void ResultsTableBuilder::SetInteger(int row, int col, long long n) {
  SetText(row, col, std::to_string(n));
}

void ResultsTableBuilder::SetNumber(int row, int col, double x) {
  if (IsEmpty() || row < 0 || row >= table_.rows || col < 0 || col >= table_.cols) return;
  table_.numbers[table_.Index(row, col)] = x;
}

bool ResultsTableBuilder::Show() {
  if (IsEmpty()) return false;
  const bool shown = support_->doc().ShowSpreadsheet(table_);
  Free();
  return shown;
}

void ResultsTableBuilder::Free() {
  block_.reset();
  table_ = ResultsTable{};
}

}  // namespace linkan
