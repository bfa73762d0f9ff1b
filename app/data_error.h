// data_error.h
//
// DataError: bad input that ends a command (an unreadable or malformed data
// file, a bad option value). Its text names the place, compiler style:
//   "FILE:LINE:COLUMN: what is wrong"   (LINE and COLUMN 1-based; COLUMN
//                                        counts characters, not bytes)
//   "FILE:LINE: what is wrong"          (a whole line, e.g. the header)
//   "FILE: what is wrong"               (the file as a whole)
// The command layer prints it as one line and exits with status 1.
// UsageError (status 2) and CancelledError (status 130) are reported alike.
#pragma once

#include <stdexcept>
#include <string>

namespace linkan::app {

class DataError : public std::runtime_error {
 public:
  // `line` and `column` 0 mean "not applicable".
  DataError(std::string file, long line, long column, const std::string& message)
      : std::runtime_error(Compose(file, line, column, message)),
        file_(std::move(file)),
        line_(line),
        column_(column) {}

  const std::string& file() const { return file_; }
  long line() const { return line_; }
  long column() const { return column_; }

 private:
  static std::string Compose(const std::string& file, long line, long column,
                             const std::string& message) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about
    // "literal" + std::to_string(...) in optimised builds.
    std::string text = file;
    if (line > 0) text.append(":").append(std::to_string(line));
    if (line > 0 && column > 0) text.append(":").append(std::to_string(column));
    text.append(": ").append(message);
    return text;
  }

  std::string file_;
  long line_;
  long column_;
};

// A command-line mistake (bad option value, conflicting options): exit 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The user cancelled the command with Ctrl-C: exit 130.
class CancelledError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace linkan::app
