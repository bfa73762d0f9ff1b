// csv_parser.h
//
// CsvParser: splits delimited text (RFC 4180 CSV, or the same rules with
// another delimiter such as a tab) into records of fields.
//
//   - Records end at LF, CRLF or a lone CR; an empty line is skipped.
//   - A field that starts with '"' is quoted: it runs to the next lone '"',
//     may hold delimiters, line breaks and doubled quotes ("" stands for ").
//     After the closing quote only blanks may come before the delimiter or
//     the line end. A quote inside an unquoted field is an ordinary
//     character.
//   - A quoted field without a closing quote is an error.
// Errors throw DataError naming the file, line and column (columns count
// characters of UTF-8 text, from 1).
//
// Field views point into the parsed text or into the caller's arena (fields
// with doubled quotes); both must outlive the views.
//
// Thread safety: a parser is used by one thread.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "text_position.h"

namespace linkan::app {

struct CsvRecord {
  std::vector<std::string_view> fields;
  std::vector<std::size_t> fieldOffsets;  // where each field starts in the text
  std::size_t endOffset = 0;              // where the record's line break (or the text) ends it
};

class CsvParser {
 public:
  // `text` is the file's content after any byte order mark, checked UTF-8
  // (CheckUtf8Text); `fileName` is
  // used in error messages; `arena` keeps fields with doubled quotes.
  CsvParser(std::string_view text, char delimiter, std::string fileName,
            std::deque<std::string>& arena);

  // Reads the next non-empty record into `record`; false at the end.
  // Throws DataError on an unterminated quoted field or text after a
  // closing quote.
  bool Next(CsvRecord& record);

  // Line and column of byte `offset` of the text (error reports; linear).
  TextPosition PositionOf(std::size_t offset) const;

  const std::string& fileName() const { return fileName_; }

  // Throws DataError for byte `offset` with `message`.
  [[noreturn]] void Fail(std::size_t offset, const std::string& message) const;

 private:
  std::string_view ReadQuoted(std::size_t start);
  std::string_view ReadUnquoted();

  std::string_view text_;
  char delimiter_;
  std::string fileName_;
  std::deque<std::string>& arena_;
  std::size_t pos_ = 0;
};

}  // namespace linkan::app
