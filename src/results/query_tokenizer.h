// query_tokenizer.h
//
// QueryTokenizer: the tokens of a deployment query ("(A; B) (C)",
// "Gender = Male", "This, that, 'and other'"). Blanks separate tokens and
// are otherwise skipped. Tokens:
//   "(" ")" "=" and the separators "," ";";
//   a whole number: digits with an optional sign that fit in an int;
//   quoted text: from a ' or " to the same quote (the quotes dropped); an
//     unterminated quote is kOther;
//   a word: a run of any other characters up to a blank or one of ( ) , ; =
//     (so "23.5", "2x" and "a'b" are words);
//   kEnd at the end of the text.
//
// Thread safety: a value type.
#pragma once

#include <string>
#include <string_view>

namespace linkan {

enum class QueryToken { kOpen, kClose, kSeparator, kEquals, kNumber, kWord, kQuoted, kEnd, kOther };

class QueryTokenizer {
 public:
  explicit QueryTokenizer(std::string_view text) : text_(text) {}

  // Reads the next token; its text (word, quoted text, number as written)
  // and number stay until the next call.
  QueryToken Next();
  const std::string& text() const { return value_; }
  int number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
  std::string value_;
  int number_ = 0;
};

}  // namespace linkan
