// spmf_import_fuzzer.cpp
//
// The SPMF importer on any bytes: a DataError is a clean refusal; an
// imported table must survive being written as CSV and read again.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "importers.h"
#include "table_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  linkan::app::DataTable table;
  try {
    table = linkan::app::ImportSpmf(text, "fuzz.spmf");
  } catch (const linkan::app::DataError&) {
    return 0;
  }
  linkan::fuzz::CheckCsvRoundTrip(table);
  return 0;
}
