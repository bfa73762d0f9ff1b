// csv_reader_fuzzer.cpp
//
// The CSV/TSV reader on any bytes: a DataError is a clean refusal; a table
// that was read must survive being written as CSV and read again. The first
// byte picks the delimiter (a tab or ';' stands for itself, anything else
// for a comma), so tab-separated text is covered too.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "table_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const char delimiter = data[0] == '\t' || data[0] == ';' ? static_cast<char>(data[0]) : ',';
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  linkan::app::DataTable table;
  try {
    table = linkan::app::ParseDataTable(text, "fuzz.csv", {.delimiter = delimiter});
  } catch (const linkan::app::DataError&) {
    return 0;
  }
  linkan::fuzz::CheckCsvRoundTrip(table);
  return 0;
}
