// query_tokenizer.cpp
#include "results/query_tokenizer.h"

#include <charconv>

namespace linkan {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool IsPunctuation(char c) { return c == '(' || c == ')' || c == ',' || c == ';' || c == '='; }

}  // namespace

QueryToken QueryTokenizer::Next() {
  value_.clear();
  number_ = 0;
  while (at_ < text_.size() && IsBlank(text_[at_])) ++at_;
  if (at_ >= text_.size()) return QueryToken::kEnd;
  const char c = text_[at_];
  if (IsPunctuation(c)) {
    ++at_;
    value_.assign(1, c);
    if (c == '(') return QueryToken::kOpen;
    if (c == ')') return QueryToken::kClose;
    if (c == '=') return QueryToken::kEquals;
    return QueryToken::kSeparator;
  }
  if (c == '\'' || c == '"') {
    const std::size_t end = text_.find(c, at_ + 1);
    if (end == std::string_view::npos) {
      at_ = text_.size();
      return QueryToken::kOther;
    }
    value_.assign(text_.substr(at_ + 1, end - at_ - 1));
    at_ = end + 1;
    return QueryToken::kQuoted;
  }
  const std::size_t start = at_;
  while (at_ < text_.size() && !IsBlank(text_[at_]) && !IsPunctuation(text_[at_])) ++at_;
  value_.assign(text_.substr(start, at_ - start));
  std::string_view digits = value_;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), number_);
  if (!digits.empty() && r.ec == std::errc() && r.ptr == digits.data() + digits.size()) {
    return QueryToken::kNumber;
  }
  number_ = 0;
  return QueryToken::kWord;
}

}  // namespace linkan
