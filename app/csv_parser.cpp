// csv_parser.cpp
#include "csv_parser.h"

#include "data_error.h"

namespace linkan::app {
CsvParser::CsvParser(std::string_view text, char delimiter, std::string fileName,
                     std::deque<std::string>& arena)
    : text_(text), delimiter_(delimiter), fileName_(std::move(fileName)), arena_(arena) {}

TextPosition CsvParser::PositionOf(std::size_t offset) const {
  return PositionInText(text_, offset);
}

void CsvParser::Fail(std::size_t offset, const std::string& message) const {
  const TextPosition p = PositionOf(offset);
  throw DataError(fileName_, p.line, p.column, message);
}

std::string_view CsvParser::ReadQuoted(std::size_t start) {
  // pos_ is just after the opening quote.
  std::string* owned = nullptr;
  std::size_t segment = pos_;
  std::string_view result;
  for (;;) {
    const std::size_t q = text_.find('"', pos_);
    if (q == std::string_view::npos) Fail(start, "quoted field has no closing quote");
    if (q + 1 < text_.size() && text_[q + 1] == '"') {
      // A doubled quote: keep the text so far plus one quote.
      if (!owned) owned = &arena_.emplace_back();
      owned->append(text_.substr(segment, q + 1 - segment));
      pos_ = q + 2;
      segment = pos_;
      continue;
    }
    if (owned) {
      owned->append(text_.substr(segment, q - segment));
      result = *owned;
    } else {
      result = text_.substr(segment, q - segment);
    }
    pos_ = q + 1;
    break;
  }
  // Blanks may follow the closing quote; anything else is an error.
  while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t') &&
         text_[pos_] != delimiter_) {
    ++pos_;
  }
  if (pos_ < text_.size()) {
    const char c = text_[pos_];
    if (c != delimiter_ && c != '\n' && c != '\r') {
      Fail(pos_, "unexpected text after the closing quote of a quoted field");
    }
  }
  return result;
}

std::string_view CsvParser::ReadUnquoted() {
  const std::size_t start = pos_;
  while (pos_ < text_.size()) {
    const char c = text_[pos_];
    if (c == delimiter_ || c == '\n' || c == '\r') break;
    ++pos_;
  }
  return text_.substr(start, pos_ - start);
}

bool CsvParser::Next(CsvRecord& record) {
  for (;;) {
    if (pos_ >= text_.size()) return false;
    record.fields.clear();
    record.fieldOffsets.clear();
    bool quotedAny = false;
    for (;;) {
      const std::size_t fieldStart = pos_;
      record.fieldOffsets.push_back(fieldStart);
      if (pos_ < text_.size() && text_[pos_] == '"') {
        ++pos_;
        record.fields.push_back(ReadQuoted(fieldStart));
        quotedAny = true;
      } else {
        record.fields.push_back(ReadUnquoted());
      }
      if (pos_ < text_.size() && text_[pos_] == delimiter_) {
        ++pos_;
        continue;
      }
      break;
    }
    record.endOffset = pos_;
    if (pos_ < text_.size() && text_[pos_] == '\r') {
      ++pos_;
      if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    } else if (pos_ < text_.size() && text_[pos_] == '\n') {
      ++pos_;
    }
    const bool blankLine = record.fields.size() == 1 && !quotedAny && record.fields[0].empty();
    if (!blankLine) return true;
  }
}

}  // namespace linkan::app
