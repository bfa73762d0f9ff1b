// data_table.h
//
// DataTable: the input table of the standalone host, and its reader.
//
// A table has variables (columns) and cases (rows). A variable is numeric
// when every non-empty cell is a number (number_text.h gives the rules);
// otherwise it is a text variable whose distinct cell texts are value labels
// coded 1, 2, 3 ... in order of first appearance. An empty cell (or one of
// blanks only) is missing; every variable's missing-data code is -9999, and
// a numeric cell holding -9999 reads as missing too. A column whose cells
// are all ISO 8601 dates or date-times (iso_time.h) is a date variable: its
// values are numbers, days since 1970-01-01 when every cell is a plain date
// (kDate), else seconds since 1970-01-01 00:00 UTC (kDateTime), and its
// cells show their original text.
//
// LoadDataTable reads CSV (RFC 4180) or TSV: UTF-8 with an optional byte
// order mark (or Latin-1, converted, with LoadOptions::encoding), LF or CRLF
// line ends, the first line the variable names (blanks around a name are
// dropped), one case per following line. Errors throw DataError naming
// file, line and column; nothing is half-loaded. A NUL byte, text that is
// not valid UTF-8 and a number outside the range of a double are errors
// too (text_encoding.h, TableBuilder::Build).
//
// Example:
//   DataTable t = LoadDataTable("basket.csv", {.weightVariable = "w"});
//   double v = t.Value(0, 1);             // case 1, variable 2
//   std::string s = t.CellText(0, 1);     // "bread" or "2.5"
//
// Indices here are 0-based; the host interface adds 1.
// Thread safety: a loaded table is immutable and may be read from any
// thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text_encoding.h"

namespace linkan::app {

inline constexpr double kMissingCode = -9999.0;

enum class VariableKind { kNumeric, kText, kDate, kDateTime };

// "numeric", "text", "date" or "date-time".
const char* VariableKindName(VariableKind kind);

struct Variable {
  std::string name;
  VariableKind kind = VariableKind::kNumeric;
  std::vector<std::string> labels;  // text variables: label of code k at [k - 1]
  std::vector<double> values;       // one per case; kMissingCode when missing
  // Date variables: the distinct cell texts, and per case the index of its
  // text there (for missing cells unused).
  std::vector<std::string> cellTexts;
  std::vector<std::uint32_t> cellTextOf;
  long missingCount = 0;
};

class DataTable {
 public:
  DataTable() = default;
  DataTable(std::string source, std::vector<Variable> variables, long caseCount);

  // The file (or input) the table came from.
  const std::string& source() const { return source_; }
  int VariableCount() const { return static_cast<int>(variables_.size()); }
  long CaseCount() const { return caseCount_; }
  const Variable& variable(int var) const { return variables_.at(static_cast<std::size_t>(var)); }
  const std::vector<Variable>& variables() const { return variables_; }

  // REQUIRES: 0 <= row < CaseCount(), 0 <= var < VariableCount().
  double Value(long row, int var) const {
    return variables_[static_cast<std::size_t>(var)].values[static_cast<std::size_t>(row)];
  }
  bool IsMissing(long row, int var) const { return Value(row, var) == kMissingCode; }
  // The cell as text: the label in a text variable, the original text in a
  // date variable, the shortest round-trip number in a numeric one, "" when
  // missing.
  std::string CellText(long row, int var) const;

  // The index of the variable named `name` (exact match), or -1.
  int FindVariable(std::string_view name) const;

  // The weight variable, or -1 for none.
  int weightVariable() const { return weightVariable_; }
  // REQUIRES: `var` is a numeric variable (or -1).
  void SetWeightVariable(int var) { weightVariable_ = var; }

 private:
  std::string source_;
  std::vector<Variable> variables_;
  long caseCount_ = 0;
  int weightVariable_ = -1;
};

// Collects cells case by case and types the columns at the end. Used by
// the CSV reader and by the importers so that every table is typed by the
// same rules.
class TableBuilder {
 public:
  // `text` is the text that the cells are views of (apart from Keep()
  // copies); it names the place of a bad cell.
  TableBuilder(std::vector<std::string> names, std::string_view text);

  std::size_t ColumnCount() const { return names_.size(); }
  long RowCount() const { return rows_; }

  // Adds one case. REQUIRES: cells.size() == ColumnCount(). The views must
  // stay valid until Build(); Keep() makes a copy that does.
  void AddRow(std::span<const std::string_view> cells);
  // Makes room for `rows` cases in all (a hint: more may follow).
  void Reserve(std::size_t rows);
  // Column `column` is given as numbers (SetNumbers) instead of texts: the
  // cells AddRow passes for it are ignored. For a column an importer
  // numbers itself (a case or sequence number), which would read back as
  // exactly those numbers. Before the first AddRow.
  void MarkNumbered(std::size_t column);
  // The values of a column marked numbered, one per row; before Build.
  void SetNumbers(std::size_t column, std::vector<double> values);
  std::string_view Keep(std::string text);

  // Types every column and returns the table. For each text column the
  // 0-based row of its first non-number cell is put in `firstTextRow`
  // (when given), so that callers can point at it. Throws DataError at the
  // cell (`source`, line, column and variable) when a column would be
  // numeric but for a number outside the range of a double ("1e309"): such
  // a value is a mistake, not a reason to read the column as text.
  DataTable Build(std::string source, std::vector<long>* firstTextRow = nullptr);

 private:
  [[noreturn]] void FailOutOfRange(const std::string& source, std::size_t column,
                                   std::string_view cell) const;

  std::vector<std::string> names_;
  std::string_view text_;
  std::vector<std::vector<std::string_view>> cells_;  // by column
  std::vector<unsigned char> numbered_;               // by column
  std::vector<std::vector<double>> numbers_;          // numbered columns
  std::deque<std::string> kept_;
  long rows_ = 0;
};

struct LoadOptions {
  // The field delimiter; unset: tab for files ending in .tsv or .tab,
  // comma otherwise.
  std::optional<char> delimiter{};
  // The name of the weight variable; it must exist and be numeric.
  std::optional<std::string> weightVariable{};
  // How the file's bytes are read (LoadDataTable; ParseDataTable takes
  // UTF-8 text).
  TextEncoding encoding = TextEncoding::kUtf8;
};

// Reads the table in `path`. Throws DataError for an unreadable or empty
// file, a file that is not text in its encoding, a header without names or
// with a name twice, a row with more or fewer fields than the header, an
// unterminated quoted field, a number out of range, and a weight variable
// that does not exist or is not numeric.
DataTable LoadDataTable(const std::string& path, const LoadOptions& options = {});

// The same from text already in memory (`source` names it in errors).
DataTable ParseDataTable(std::string_view text, const std::string& source,
                         const LoadOptions& options = {});

// The delimiter for `path` when none is given: tab for .tsv/.tab, else comma.
char DefaultDelimiter(const std::string& path);

}  // namespace linkan::app
