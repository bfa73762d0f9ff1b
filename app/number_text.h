// number_text.h
//
// Numbers as the data table writes and reads them.
//
// FormatNumber gives the shortest digit string that reads back to the same
// double: plain notation when the decimal exponent lies between -4 and 15
// ("3", "2.5", "0.0001", "1000000000000000"), otherwise scientific with a
// signed exponent of at least two digits ("1e+16", "1e-05", "1.5e+20").
// Never a trailing ".0".
//
// ParseNumber decides whether a cell is a number. The rules:
//   - blanks (spaces, tabs) around the number are ignored: " 5 " is 5;
//   - one leading '+' is accepted: "+5" is 5;
//   - decimal and scientific forms are accepted: "1e3", "1E+03", ".5", "5.";
//   - everything else is not a number: the words "inf", "infinity" and
//     "nan" (they are text, such as a label), hexadecimal "0x10", a
//     decimal comma "1,5", thousands separators, and values outside the
//     range of a double ("1e400", "-1e309", "1e-400");
//   - the whole text must be consumed: "5kg" is not a number.
// IsOutOfRangeNumber tells the last kind apart: written as a number, but
// too large, or too small to be told from zero (below the smallest
// subnormal double, about 4.9e-324). The data table refuses such a cell
// rather than reading its column as text.
// Both functions are locale independent and thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>
#include <string>
#include <string_view>

namespace linkan::app {

// REQUIRES: `value` is finite.
std::string FormatNumber(double value);
// The same for a single-precision value: the shortest text that reads back
// (as a float) to `value`, in the notation above ("33.333332", not the
// digits of the double). REQUIRES: `value` is finite.
std::string FormatFloat(float value);
// Appends FormatNumber(value) to `out` without a string of its own.
void AppendNumber(std::string& out, double value);

// AppendNumber for the millions of numbers of a large table, where the same
// values recur (a support is a count over N): the texts of recent values
// are kept in a small direct-mapped cache keyed by the value's bits, so a
// recurring value is copied instead of converted again. Same text as
// AppendNumber; the cache's size is fixed.
class NumberTextCache {
 public:
  NumberTextCache();
  void Append(std::string& out, double value);

 private:
  struct Entry {
    std::uint64_t bits = 0;
    std::uint8_t length = 0;  // 0: empty
    char text[31] = {};
  };
  static constexpr std::size_t kEntries = std::size_t{1} << 14;
  std::vector<Entry> entries_;
};

// The number in `text`, or nothing when `text` is not a number by the rules
// above.
std::optional<double> ParseNumber(std::string_view text);

// True when `text` is written as a number by the rules above but its value
// lies outside the range of a double.
bool IsOutOfRangeNumber(std::string_view text);

// True when `text` holds nothing but spaces and tabs (an empty cell).
bool IsBlank(std::string_view text);

}  // namespace linkan::app
