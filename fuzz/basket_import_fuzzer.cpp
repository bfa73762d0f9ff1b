// basket_import_fuzzer.cpp
//
// The basket importer on any bytes (the first byte picks the separator
// rule: its value modulo 3 is auto, comma, blank): a DataError is a clean refusal; an imported table must survive
// being written as CSV and read again.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "importers.h"
#include "table_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  using linkan::app::BasketSeparator;
  const BasketSeparator separator = data[0] % 3 == 0   ? BasketSeparator::kAuto
                                    : data[0] % 3 == 1 ? BasketSeparator::kComma
                                                       : BasketSeparator::kBlank;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  linkan::app::DataTable table;
  try {
    table = linkan::app::ImportBasket(text, "fuzz.basket", separator);
  } catch (const linkan::app::DataError&) {
    return 0;
  }
  linkan::fuzz::CheckCsvRoundTrip(table);
  return 0;
}
