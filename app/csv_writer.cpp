// csv_writer.cpp
#include "csv_writer.h"

#include <cmath>

#include "data_error.h"
#include "data_table.h"
#include "linkanalysis/results_table.h"
#include "number_text.h"

namespace linkan::app {

void AppendCsvField(std::string& out, std::string_view field, char delimiter) {
  // Quoted too: a field starting with U+FEFF, which at the start of a file
  // would read back as a byte order mark and be dropped.
  bool quote = !field.empty() && (field.front() == ' ' || field.front() == '\t' ||
                                  field.back() == ' ' || field.back() == '\t' ||
                                  field.substr(0, 3) == "\xEF\xBB\xBF");
  for (char c : field) {
    if (c == delimiter || c == '"' || c == '\n' || c == '\r') {
      quote = true;
      break;
    }
  }
  if (!quote) {
    out.append(field);
    return;
  }
  out.push_back('"');
  for (char c : field) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

std::string DataTableToCsv(const DataTable& table) {
  std::string out;
  const int vars = table.VariableCount();
  for (int v = 0; v < vars; ++v) {
    if (v > 0) out.push_back(',');
    AppendCsvField(out, table.variable(v).name);
  }
  out.push_back('\n');
  for (long r = 0; r < table.CaseCount(); ++r) {
    for (int v = 0; v < vars; ++v) {
      if (v > 0) out.push_back(',');
      AppendCsvField(out, table.CellText(r, v));
    }
    // A lone empty field would be an empty line, which a reader skips: keep
    // the case as "".
    if (vars == 1 && table.IsMissing(r, 0)) out += "\"\"";
    out.push_back('\n');
  }
  return out;
}

void AppendCsvHeader(std::string& out, const std::vector<std::string>& columnNames, int cols) {
  for (int c = 0; c < cols; ++c) {
    out.push_back(',');
    AppendCsvField(out, c < static_cast<int>(columnNames.size())
                            ? std::string_view(columnNames[static_cast<std::size_t>(c)])
                            : std::string_view());
  }
  out.push_back('\n');
}

void AppendCsvRow(std::string& out, std::string_view rowName, std::span<const ResultsCell> cells,
                  int cols, NumberTextCache* numbers) {
  AppendCsvField(out, rowName);
  for (int c = 0; c < cols; ++c) {
    out.push_back(',');
    if (c >= static_cast<int>(cells.size())) continue;
    const ResultsCell& cell = cells[static_cast<std::size_t>(c)];
    if (cell.isText) {
      AppendCsvField(out, cell.text);
    } else if (std::isfinite(cell.number)) {
      if (numbers != nullptr) {
        numbers->Append(out, cell.number);
      } else {
        AppendNumber(out, cell.number);
      }
    } else if (std::isinf(cell.number)) {
      out += cell.number > 0 ? "inf" : "-inf";  // kept visible; only NaN means missing
    }
  }
  out.push_back('\n');
}

std::string ResultsTableToCsv(const ResultsTable& table, const std::atomic<bool>* cancel) {
  std::string out;
  AppendCsvHeader(out, table.columnNames, table.cols);
  std::vector<ResultsCell> cells;
  for (int r = 0; r < table.rows; ++r) {
    if ((r & 0xfff) == 0xfff && cancel != nullptr && cancel->load()) {
      throw CancelledError("cancelled while writing " + table.documentName);
    }
    table.CellsOfRow(r, cells);
    AppendCsvRow(out, table.RowName(r), cells, table.cols);
  }
  return out;
}

}  // namespace linkan::app
