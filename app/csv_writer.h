// csv_writer.h
//
// CSV output (RFC 4180, LF line ends): a field is quoted when it holds the
// delimiter, a quote, a line break, blanks at either end, or starts with
// U+FEFF (read as a byte order mark at the start of a file); quotes inside
// are doubled. Numbers are written with FormatNumber, so they read back to
// the same double; a missing cell is an empty field ("" when it is the only
// field of its line, so the case is not lost as an empty line). In a module
// spreadsheet, NaN is missing and infinities are written "inf" / "-inf".
//
// Thread safety: no shared state.
#pragma once

#include <atomic>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace linkan {
struct ResultsCell;
struct ResultsTable;
}

namespace linkan::app {

class DataTable;
class NumberTextCache;

// Appends `field` to `out`, quoted when needed.
void AppendCsvField(std::string& out, std::string_view field, char delimiter = ',');

// The table as CSV: a header of variable names, then one line per case.
std::string DataTableToCsv(const DataTable& table);

// A module spreadsheet as CSV: the header row holds the column names after
// an empty corner cell, and each row starts with its row name. Title lines
// are not part of the CSV. A table of millions of rows takes seconds: when
// `cancel` (may be null) is set meanwhile, throws CancelledError.
std::string ResultsTableToCsv(const ResultsTable& table,
                              const std::atomic<bool>* cancel = nullptr);

// The pieces of that CSV, for a spreadsheet written row by row: the header
// line of `cols` columns, and one row's line (cells past `cols` are left
// out, missing ones are empty).
void AppendCsvHeader(std::string& out, const std::vector<std::string>& columnNames, int cols);
// `numbers` (may be null) keeps the texts of recurring numbers.
void AppendCsvRow(std::string& out, std::string_view rowName, std::span<const ResultsCell> cells,
                  int cols, NumberTextCache* numbers = nullptr);

}  // namespace linkan::app
