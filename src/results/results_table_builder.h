// results_table_builder.h
//
// ResultsTableBuilder: the one builder every spreadsheet output uses.
// Create(R, C) takes the numeric block from the host allocator (refused when
// R x C x 8 reaches 2^30 bytes); on any refusal the builder stays empty and
// Show displays nothing. Numeric cells start missing. Title lines are cut to
// 80 characters. Texts are kept in full: the host shows full texts.
// SetInteger writes the whole number as a text cell (never "#" filled: a
// file must not lose digits).
//
// Example:
//   ResultsTableBuilder t(support, "rules");
//   if (t.Create(n, 6)) { t.SetColumnName(0, "Body"); ...; t.Show(); }
//
// Thread safety: analysis thread only.
#pragma once

#include <memory>
#include <string>

#include "linkanalysis/results_table.h"

namespace linkan {

class CAnalysisSupport;

inline constexpr std::size_t kTitleWidth = 80;
inline constexpr std::size_t kNumericBlockLimit = std::size_t{1} << 30;

class ResultsTableBuilder {
 public:
  ResultsTableBuilder(CAnalysisSupport& support, std::string documentName);
  ~ResultsTableBuilder();
  ResultsTableBuilder(const ResultsTableBuilder&) = delete;
  ResultsTableBuilder& operator=(const ResultsTableBuilder&) = delete;

  // Creates an R x C table; false (and empty) when R or C is below 1, the
  // table is too large or memory is refused.
  bool Create(int rows, int cols);
  bool IsEmpty() const { return !block_; }

  void SetTitle(int line, const std::string& text);   // line 0..2
  void SetColumnName(int col, const std::string& text);
  void SetRowName(int row, const std::string& text);
  void SetText(int row, int col, const std::string& text);
  void SetInteger(int row, int col, long long n);
  void SetNumber(int row, int col, double x);

  // Hands the table to the host's spreadsheet service, then frees it.
  // False when the table is empty or the host did not show it.
  bool Show();
  void Free();

  // The table as built so far (tests).
  const ResultsTable& table() const { return table_; }

 private:
  struct BlockDeleter {
    CAnalysisSupport* support;
    void operator()(void* p) const;
  };
  CAnalysisSupport* support_;
  std::string documentName_;
  std::unique_ptr<void, BlockDeleter> block_;
  ResultsTable table_;
};

}  // namespace linkan
