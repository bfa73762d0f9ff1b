// table_check.h
//
// Checks shared by the table fuzz targets: a table that was read must be
// written as CSV and read back unchanged (names, kinds, labels, values,
// missing counts). A difference aborts, so libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "csv_writer.h"
#include "data_error.h"
#include "data_table.h"

namespace linkan::fuzz {

[[noreturn]] inline void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::abort();
}

inline void CheckCsvRoundTrip(const app::DataTable& table) {
  app::DataTable back;
  try {
    back = app::ParseDataTable(app::DataTableToCsv(table), "back.csv");
  } catch (const app::DataError& e) {
    Fail(std::string("the written CSV does not read back: ") + e.what());
  }
  if (back.VariableCount() != table.VariableCount() || back.CaseCount() != table.CaseCount()) {
    Fail("the written CSV reads back with another shape");
  }
  for (int v = 0; v < table.VariableCount(); ++v) {
    const app::Variable& a = table.variable(v);
    const app::Variable& b = back.variable(v);
    if (a.name != b.name || a.kind != b.kind || a.labels != b.labels || a.values != b.values ||
        a.missingCount != b.missingCount) {
      Fail("variable " + std::to_string(v + 1) + " (" + a.name + ") reads back differently");
    }
  }
}

}  // namespace linkan::fuzz
