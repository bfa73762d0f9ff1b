// importers.h
//
// Importers for the two common transaction formats. Each turns its input
// into the host's table form, typed by the same rules as a CSV table
// (TableBuilder), so `linkan import` can write it as CSV and the table reads
// back the same.
//
// Basket format: one transaction per line, its items separated by commas or
// by blanks. The table has the variables ID (the line number) and item, one
// case per item occurrence. With the automatic separator, a file holding any
// comma is comma separated (item names may then contain blanks, as in
// "whole milk"); otherwise items are separated by spaces and tabs. Blanks
// around items are dropped, empty items skipped, and an empty line is an
// empty transaction (no cases, its line number unused). Items are kept as
// written, repeats included.
//
// SPMF sequence format: one sequence per line; the items of an itemset are
// separated by blanks, -1 ends an itemset and -2 ends the sequence (the line
// end ends it too). An itemset may start with a timestamp "<t>"; then every
// itemset of the file must have one. The table has the variables ID (the
// sequence number, from 1), time (the timestamp, or the itemset's position
// in its sequence from 1) and item. Lines starting with '#', '%' or '@' are
// comments, except "@ITEM=<code>=<name>", which makes the item <code> read
// as <name>. An empty itemset is skipped; any other negative number is an
// error.
//
// Both read UTF-8 text (an optional byte order mark is skipped); ImportFile
// reads a Latin-1 file too. Errors throw DataError naming the file, line and
// column: also a NUL byte, text that is not valid UTF-8 and a number outside
// the range of a double in a column that would be numeric (TableBuilder).
// Thread safety: no shared state.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "data_table.h"
#include "text_encoding.h"

namespace linkan::app {

enum class ImportFormat { kBasket, kSpmf };
enum class BasketSeparator { kAuto, kComma, kBlank };

// "basket" or "spmf"; nothing for any other name.
std::optional<ImportFormat> ParseImportFormat(std::string_view name);

DataTable ImportBasket(std::string_view text, const std::string& source,
                       BasketSeparator separator = BasketSeparator::kAuto);

DataTable ImportSpmf(std::string_view text, const std::string& source);

// Reads `path` in `encoding` and imports it in `format`.
DataTable ImportFile(const std::string& path, ImportFormat format,
                     BasketSeparator separator = BasketSeparator::kAuto,
                     TextEncoding encoding = TextEncoding::kUtf8);

}  // namespace linkan::app
