// frame_table.h
//
// The input table of a Python run: a pandas DataFrame's columns as the
// data table of `linkan` (data_table.h). Columns given as numbers stay
// numeric (NaN and -9999 are missing); columns given as texts are typed by
// the CSV reader's rules (TableBuilder): numeric when every non-empty text
// is a number, dates when every one is an ISO 8601 date, else value labels
// coded by first appearance. An empty text is missing.
//
// Thread safety: no shared state.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data_table.h"

namespace linkan::python {

struct FrameColumn {
  std::string name;
  bool numeric = false;
  std::vector<double> numbers;       // numeric: one per row, NaN when missing
  std::vector<std::string> labels;   // texts: the distinct texts
  std::vector<std::int64_t> codes;   // texts: per row an index into labels, -1 missing
};

// Builds the table (`source` names it in errors); with `weight`, that
// variable becomes the case weight. Throws DataError: columns of unequal
// length, a name twice or empty, a code out of range, a weight variable
// that is missing or not numeric.
app::DataTable BuildFrameTable(std::vector<FrameColumn> columns, const std::string& source,
                               const std::optional<std::string>& weight);

// Makes `name` the weight variable of `table`; throws DataError naming
// `source` when there is no such variable or it is not numeric.
void SetWeight(app::DataTable& table, const std::string& name, const std::string& source);

}  // namespace linkan::python
