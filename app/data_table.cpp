// data_table.cpp
#include "data_table.h"

#include <algorithm>
#include <functional>
#include <unordered_map>

#include "csv_parser.h"
#include "data_error.h"
#include "file_io.h"
#include "iso_time.h"
#include "number_text.h"
#include "text_position.h"

namespace linkan::app {
namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool EndsWith(const std::string& s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    char c = s[s.size() - suffix.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

// Types a column as dates when every non-blank cell is an ISO date or
// date-time (and at least one is); false leaves `var` for the text reading.
bool TypeDateColumn(const std::vector<std::string_view>& cells, Variable& var) {
  std::vector<double> seconds(cells.size(), kMissingCode);
  bool anyTime = false;
  bool any = false;
  for (std::size_t r = 0; r < cells.size(); ++r) {
    if (IsBlank(cells[r])) continue;
    const std::optional<IsoTime> t = ParseIsoTime(cells[r]);
    if (!t) return false;
    seconds[r] = t->seconds;
    anyTime = anyTime || t->hasTime;
    any = true;
  }
  if (!any) return false;
  var.kind = anyTime ? VariableKind::kDateTime : VariableKind::kDate;
  var.cellTextOf.assign(cells.size(), 0);
  std::unordered_map<std::string_view, std::uint32_t> texts;
  for (std::size_t r = 0; r < cells.size(); ++r) {
    if (IsBlank(cells[r])) {
      var.values[r] = kMissingCode;
      ++var.missingCount;
      continue;
    }
    var.values[r] = anyTime ? seconds[r] : seconds[r] / kSecondsPerDay;
    const std::string_view text = TrimBlanks(cells[r]);
    auto [it, added] = texts.try_emplace(text, static_cast<std::uint32_t>(var.cellTexts.size()));
    if (added) var.cellTexts.emplace_back(text);
    var.cellTextOf[r] = it->second;
  }
  return true;
}

// Types one column: numeric when every non-blank cell is a number.
// Returns the 0-based row of the first non-number cell, or -1; sets
// `outOfRange` to the first cell written as a number outside the range of a
// double when the column has no other text (-1 for none).
long TypeColumn(const std::vector<std::string_view>& cells, Variable& var, long& outOfRange) {
  var.values.assign(cells.size(), kMissingCode);
  long firstText = -1;
  outOfRange = -1;
  for (std::size_t r = 0; r < cells.size(); ++r) {
    if (IsBlank(cells[r])) continue;
    const std::optional<double> x = ParseNumber(cells[r]);
    if (x) {
      var.values[r] = *x;
    } else if (IsOutOfRangeNumber(cells[r])) {
      if (outOfRange < 0) outOfRange = static_cast<long>(r);
    } else {
      firstText = static_cast<long>(r);
      break;
    }
  }
  if (firstText >= 0) outOfRange = -1;  // a text column: such a cell is a label
  var.missingCount = 0;
  if (firstText >= 0 && TypeDateColumn(cells, var)) return -1;
  if (firstText < 0) {
    var.kind = VariableKind::kNumeric;
    for (double v : var.values) var.missingCount += v == kMissingCode ? 1 : 0;
    return -1;
  }
  var.kind = VariableKind::kText;
  std::unordered_map<std::string_view, double> codes;
  for (std::size_t r = 0; r < cells.size(); ++r) {
    if (IsBlank(cells[r])) {
      var.values[r] = kMissingCode;
      ++var.missingCount;
      continue;
    }
    auto [it, added] = codes.try_emplace(cells[r], static_cast<double>(var.labels.size() + 1));
    if (added) var.labels.emplace_back(cells[r]);
    var.values[r] = it->second;
  }
  return firstText;
}

}  // namespace

// ---- DataTable --------------------------------------------------------------

const char* VariableKindName(VariableKind kind) {
  switch (kind) {
    case VariableKind::kNumeric: return "numeric";
    case VariableKind::kText: return "text";
    case VariableKind::kDate: return "date";
    case VariableKind::kDateTime: return "date-time";
  }
  return "?";
}

DataTable::DataTable(std::string source, std::vector<Variable> variables, long caseCount)
    : source_(std::move(source)), variables_(std::move(variables)), caseCount_(caseCount) {}

std::string DataTable::CellText(long row, int var) const {
  const Variable& v = variables_.at(static_cast<std::size_t>(var));
  const double x = v.values.at(static_cast<std::size_t>(row));
  if (x == kMissingCode) return {};
  if (v.kind == VariableKind::kText) return v.labels.at(static_cast<std::size_t>(x) - 1);
  if (v.kind == VariableKind::kDate || v.kind == VariableKind::kDateTime) {
    return v.cellTexts.at(v.cellTextOf.at(static_cast<std::size_t>(row)));
  }
  return FormatNumber(x);
}

int DataTable::FindVariable(std::string_view name) const {
  for (std::size_t i = 0; i < variables_.size(); ++i) {
    if (variables_[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

// ---- TableBuilder -------------------------------------------------------------

TableBuilder::TableBuilder(std::vector<std::string> names, std::string_view text)
    : names_(std::move(names)),
      text_(text),
      cells_(names_.size()),
      numbered_(names_.size(), 0),
      numbers_(names_.size()) {}

void TableBuilder::AddRow(std::span<const std::string_view> cells) {
  for (std::size_t c = 0; c < cells_.size(); ++c) {
    if (!numbered_[c]) cells_[c].push_back(cells[c]);
  }
  ++rows_;
}

void TableBuilder::MarkNumbered(std::size_t column) { numbered_.at(column) = 1; }

void TableBuilder::SetNumbers(std::size_t column, std::vector<double> values) {
  numbers_.at(column) = std::move(values);
}

void TableBuilder::Reserve(std::size_t rows) {
  for (std::vector<std::string_view>& column : cells_) column.reserve(rows);
}

std::string_view TableBuilder::Keep(std::string text) {
  return kept_.emplace_back(std::move(text));
}

DataTable TableBuilder::Build(std::string source, std::vector<long>* firstTextRow) {
  std::vector<Variable> variables(names_.size());
  if (firstTextRow) firstTextRow->assign(names_.size(), -1);
  for (std::size_t c = 0; c < names_.size(); ++c) {
    variables[c].name = names_[c];
    if (numbered_[c]) {
      Variable& v = variables[c];
      v.values = std::move(numbers_[c]);
      v.values.resize(static_cast<std::size_t>(rows_), kMissingCode);
      v.missingCount = std::count(v.values.begin(), v.values.end(), kMissingCode);
      continue;  // a numeric column: no text row to point at
    }
    long outOfRange = -1;
    const long firstText = TypeColumn(cells_[c], variables[c], outOfRange);
    if (outOfRange >= 0) FailOutOfRange(source, c, cells_[c][static_cast<std::size_t>(outOfRange)]);
    if (firstTextRow) (*firstTextRow)[c] = firstText;
    std::vector<std::string_view>().swap(cells_[c]);
  }
  return DataTable(std::move(source), std::move(variables), rows_);
}

void TableBuilder::FailOutOfRange(const std::string& source, std::size_t column,
                                  std::string_view cell) const {
  const std::string_view number = TrimBlanks(cell);
  const std::string message = "variable \"" + names_[column] + "\": the number " +
                              std::string(number) +
                              " is outside the range of a double (about 4.9e-324 to 1.8e+308 "
                              "in magnitude)";
  const std::less_equal<const char*> before;  // total order, also for unrelated pointers
  const bool inText = before(text_.data(), number.data()) &&
                      before(number.data(), text_.data() + text_.size()) && !text_.empty();
  if (!inText) throw DataError(source, 0, 0, message);
  const TextPosition p =
      PositionInText(text_, static_cast<std::size_t>(number.data() - text_.data()));
  throw DataError(source, p.line, p.column, message);
}

// ---- Reading ------------------------------------------------------------------

char DefaultDelimiter(const std::string& path) {
  return EndsWith(path, ".tsv") || EndsWith(path, ".tab") ? '\t' : ',';
}

DataTable LoadDataTable(const std::string& path, const LoadOptions& options) {
  const std::string text = DecodeText(ReadWholeFile(path), options.encoding, path);
  LoadOptions resolved = options;
  if (!resolved.delimiter) resolved.delimiter = DefaultDelimiter(path);
  return ParseDataTable(text, path, resolved);
}

DataTable ParseDataTable(std::string_view text, const std::string& source,
                         const LoadOptions& options) {
  text = CheckUtf8Text(text, source, kLatin1Hint);
  const char delimiter = options.delimiter.value_or(',');

  std::deque<std::string> arena;
  CsvParser parser(text, delimiter, source, arena);
  CsvRecord record;
  if (!parser.Next(record)) {
    throw DataError(source, 0, 0, "the file is empty: the first line must name the variables");
  }

  // The header: one name per field, each given once.
  std::vector<std::string> names;
  std::unordered_map<std::string_view, std::size_t> seen;
  for (std::size_t i = 0; i < record.fields.size(); ++i) {
    const std::string_view name = TrimBlanks(record.fields[i]);
    if (name.empty()) {
      parser.Fail(record.fieldOffsets[i],
                  "variable " + std::to_string(i + 1) + " has no name in the header");
    }
    if (auto it = seen.find(name); it != seen.end()) {
      parser.Fail(record.fieldOffsets[i],
                  "variable name \"" + std::string(name) + "\" is used twice (variables " +
                      std::to_string(it->second + 1) + " and " + std::to_string(i + 1) + ")");
    }
    seen.emplace(name, i);
    names.emplace_back(name);
  }

  const std::size_t width = names.size();
  TableBuilder builder(names, text);
  while (parser.Next(record)) {
    if (record.fields.size() != width) {
      const std::string message = "the row has " + std::to_string(record.fields.size()) +
                                  " fields but the header names " + std::to_string(width) +
                                  " variables";
      parser.Fail(record.fields.size() > width ? record.fieldOffsets[width] : record.endOffset,
                  message);
    }
    builder.AddRow(record.fields);
  }

  std::vector<long> firstTextRow;
  DataTable table = builder.Build(source, &firstTextRow);

  if (options.weightVariable) {
    const std::string& name = *options.weightVariable;
    const int w = table.FindVariable(name);
    if (w < 0) {
      throw DataError(source, 1, 0, "no variable named \"" + name + "\" for the weight");
    }
    if (table.variable(w).kind != VariableKind::kNumeric) {
      // Point at the first cell that is not a number: find its record again.
      const long row = firstTextRow[static_cast<std::size_t>(w)];
      std::deque<std::string> again;
      CsvParser reread(text, delimiter, source, again);
      for (long r = 0; r <= row + 1; ++r) reread.Next(record);
      reread.Fail(record.fieldOffsets[static_cast<std::size_t>(w)],
                  "the weight variable \"" + name + "\" must be numeric, but \"" +
                      std::string(record.fields[static_cast<std::size_t>(w)]) +
                      "\" is not a number");
    }
    table.SetWeightVariable(w);
  }
  return table;
}

}  // namespace linkan::app
