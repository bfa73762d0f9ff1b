// frame_table.cpp
#include "frame_table.h"

#include <cmath>
#include <set>
#include <string_view>

#include "data_error.h"

namespace linkan::python {

void SetWeight(app::DataTable& table, const std::string& name, const std::string& source) {
  const int w = table.FindVariable(name);
  if (w < 0) throw app::DataError(source, 0, 0, "no variable named \"" + name + "\" for the weight");
  if (table.variable(w).kind != app::VariableKind::kNumeric) {
    throw app::DataError(source, 0, 0, "the weight variable \"" + name + "\" must be numeric");
  }
  table.SetWeightVariable(w);
}

app::DataTable BuildFrameTable(std::vector<FrameColumn> columns, const std::string& source,
                               const std::optional<std::string>& weight) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  std::size_t rows = 0;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const FrameColumn& column = columns[c];
    if (column.name.empty()) throw app::DataError(source, 0, 0, "a column without a name");
    if (!seen.insert(column.name).second) {
      throw app::DataError(source, 0, 0, "the column name \"" + column.name + "\" twice");
    }
    const std::size_t n = column.numeric ? column.numbers.size() : column.codes.size();
    if (c == 0) rows = n;
    if (n != rows) throw app::DataError(source, 0, 0, "columns of unequal length");
    names.push_back(column.name);
  }

  app::TableBuilder builder(std::move(names), std::string_view());
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (!columns[c].numeric) continue;
    std::vector<double>& values = columns[c].numbers;
    for (double& v : values) {
      if (std::isnan(v)) v = app::kMissingCode;
    }
    builder.MarkNumbered(c);
    builder.SetNumbers(c, std::move(values));
  }
  builder.Reserve(rows);
  std::vector<std::string_view> cells(columns.size());
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const FrameColumn& column = columns[c];
      if (column.numeric) continue;
      const std::int64_t code = column.codes[r];
      if (code >= static_cast<std::int64_t>(column.labels.size())) {
        throw app::DataError(source, 0, 0, "column \"" + column.name + "\": a code out of range");
      }
      cells[c] = code < 0 ? std::string_view() : std::string_view(column.labels[code]);
    }
    builder.AddRow(cells);
  }
  app::DataTable table = builder.Build(source);
  if (weight) SetWeight(table, *weight, source);
  return table;
}

}  // namespace linkan::python
