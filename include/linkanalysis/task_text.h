// task_text.h
//
// The module's check of a task text (the JSON object a host hands to
// IAnalysisModule::RunTask) before it reads it. A host may run the same
// check first to report a bad task file at its place (linkan does).
//
// A task text must be one JSON value nested at most kMaxTaskNesting levels
// deep (tasks need three; deeper text is refused rather than walked). Every
// problem is worded without the JSON library's exception tags.
//
// Example:
//   if (auto p = linkan::FindTaskTextProblem(text)) {
//     std::cerr << file << ':' << p->line << ':' << p->column << ": " << p->message << '\n';
//   }
//
// Header-only, so that a host needs no part of the module for it.
// Thread safety: no shared state.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace linkan {

inline constexpr int kMaxTaskNesting = 64;

struct TaskTextProblem {
  std::size_t offset = 0;  // the byte where the problem was found
  long line = 1;           // its line and column, from 1; columns count
  long column = 1;         // UTF-8 characters, lines end at LF, CRLF or CR
  std::string message;     // what is wrong: "not valid JSON: syntax error ...",
                           // "the number 1e400 is outside the range of a double"
};

namespace task_text_internal {

// The JSON library's exception text without "[json.exception.x.N] " and
// "parse error at line L, column C: " (the caller names the place itself).
inline std::string PlainMessage(const nlohmann::json::exception& e) {
  std::string text = e.what();
  if (!text.empty() && text.front() == '[') {
    const std::size_t end = text.find("] ");
    if (end != std::string::npos) text.erase(0, end + 2);
  }
  if (text.rfind("parse error", 0) == 0) {
    const std::size_t colon = text.find(": ");
    if (colon != std::string::npos) text.erase(0, colon + 2);
  }
  return text;
}

// Reads the text and notes the first problem; builds nothing.
class Checker : public nlohmann::json::json_sax_t {
 public:
  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return Open(); }
  bool key(string_t&) override { return true; }
  bool end_object() override { return Close(); }
  bool start_array(std::size_t) override { return Open(); }
  bool end_array() override { return Close(); }
  bool parse_error(std::size_t position, const std::string& lastToken,
                   const nlohmann::json::exception& e) override {
    if (e.id == 406) {  // a number out of range: point at its start
      offset = position >= lastToken.size() ? position - lastToken.size() : 0;
      message = "the number " + lastToken + " is outside the range of a double";
    } else {  // the position is just past the byte that was wrong
      offset = position > 0 ? position - 1 : 0;
      message = "not valid JSON: " + PlainMessage(e);
    }
    return false;
  }

  std::size_t offset = 0;
  std::string message;
  std::size_t tooDeepOpening = 0;  // 1-based count of the opening bracket refused

 private:
  bool Open() {
    ++openings_;
    if (++depth_ <= kMaxTaskNesting) return true;
    tooDeepOpening = openings_;
    message = "the JSON is nested more than " + std::to_string(kMaxTaskNesting) + " levels deep";
    return false;
  }
  bool Close() {
    --depth_;
    return true;
  }
  int depth_ = 0;
  std::size_t openings_ = 0;
};

// The offset of the `n`-th '[' or '{' outside strings (1-based).
inline std::size_t OffsetOfOpening(std::string_view text, std::size_t n) {
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if ((c == '[' || c == '{') && --n == 0) {
      return i;
    }
  }
  return text.size();
}

}  // namespace task_text_internal

// The first problem of `text` as a task text, or nothing when it is one
// JSON value nested at most kMaxTaskNesting levels deep.
// Advances `line` and `column` over the first `offset` bytes of `text`:
// lines end at LF, CRLF or a lone CR; columns count UTF-8 characters. The
// host's readers and the task check share it, so their places agree.
inline void CountLinesAndColumns(std::string_view text, std::size_t offset, long& line,
                                 long& column) {
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++line;
      column = 1;
    } else if (c != '\r' && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++column;
    }
  }
}

inline std::optional<TaskTextProblem> FindTaskTextProblem(std::string_view text) {
  task_text_internal::Checker checker;
  if (nlohmann::json::sax_parse(text, &checker)) return std::nullopt;
  TaskTextProblem problem;
  problem.message = checker.message;
  problem.offset = checker.tooDeepOpening > 0
                       ? task_text_internal::OffsetOfOpening(text, checker.tooDeepOpening)
                       : std::min(checker.offset, text.size());
  CountLinesAndColumns(text, problem.offset, problem.line, problem.column);
  return problem;
}

// The text of a JSON library exception without its tags, for the rare one
// that FindTaskTextProblem does not foresee.
inline std::string TaskTextExceptionMessage(const nlohmann::json::exception& e) {
  return task_text_internal::PlainMessage(e);
}

}  // namespace linkan
