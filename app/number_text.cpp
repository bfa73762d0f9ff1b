// number_text.cpp
#include "number_text.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace linkan::app {
namespace {

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

// The decimal exponent of a scientific form "d.ddde+XX".
int ScientificExponent(std::string_view sci) {
  const std::size_t e = sci.find('e');
  assert(e != std::string_view::npos);
  int exponent = 0;
  std::string_view digits = sci.substr(e + 1);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  std::from_chars(digits.data(), digits.data() + digits.size(), exponent);
  return exponent;
}

// Appends the number whose shortest scientific form is `sciText`, in the
// notation of FormatNumber.
void AppendScientificAsShortest(std::string& out, std::string_view sciText, bool zero) {
  const int exponent = zero ? 0 : ScientificExponent(sciText);
  if (exponent < -4 || exponent > 15) {
    out.append(sciText);
    return;
  }
  // Plain notation has the same digits ("d.ddd" before the 'e'), with the
  // decimal point moved by the exponent.
  std::string_view mantissa = sciText.substr(0, sciText.find('e'));
  if (mantissa.front() == '-') {
    out.push_back('-');
    mantissa.remove_prefix(1);
  }
  char digits[32];
  std::size_t n = 0;
  for (const char c : mantissa) {
    if (c != '.') digits[n++] = c;
  }
  if (exponent < 0) {
    out.append("0.");
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out.append(digits, n);
    return;
  }
  const auto whole = static_cast<std::size_t>(exponent) + 1;
  if (n <= whole) {
    out.append(digits, n);
    out.append(whole - n, '0');
    return;
  }
  out.append(digits, whole);
  out.push_back('.');
  out.append(digits + whole, n - whole);
}

}  // namespace

void AppendNumber(std::string& out, double value) {
  assert(std::isfinite(value));
  // Shortest round-trip digits in scientific form; this also fixes the
  // decimal exponent of the shortest representation.
  char sci[64];
  const auto s = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific);
  AppendScientificAsShortest(out, std::string_view(sci, static_cast<std::size_t>(s.ptr - sci)),
                             value == 0.0);
}

std::string FormatFloat(float value) {
  assert(std::isfinite(value));
  char sci[64];
  const auto s = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific);
  std::string out;
  AppendScientificAsShortest(out, std::string_view(sci, static_cast<std::size_t>(s.ptr - sci)),
                             value == 0.0f);
  return out;
}

NumberTextCache::NumberTextCache() : entries_(kEntries) {}

void NumberTextCache::Append(std::string& out, double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  // Fibonacci hashing spreads the bits of nearby doubles over the table.
  Entry& e = entries_[static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ull) >> 50)];
  if (e.length != 0 && e.bits == bits) {
    out.append(e.text, e.length);
    return;
  }
  const std::size_t start = out.size();
  AppendNumber(out, value);
  const std::size_t length = out.size() - start;
  if (length < sizeof e.text) {
    e.bits = bits;
    e.length = static_cast<std::uint8_t>(length);
    std::memcpy(e.text, out.data() + start, length);
  }
}

std::string FormatNumber(double value) {
  std::string out;
  AppendNumber(out, value);
  return out;
}

namespace {

// std::from_chars over `text` with the rules of ParseNumber (blanks, one
// '+'); an error code when `text` is not a number or out of range.
std::from_chars_result ReadNumber(std::string_view text, double& value) {
  constexpr std::from_chars_result kNotANumber{nullptr, std::errc::invalid_argument};
  while (!text.empty() && IsBlankChar(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankChar(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() == '-' || text.front() == '+') return kNotANumber;
  }
  if (text.empty()) return kNotANumber;
  const auto r =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (r.ptr != text.data() + text.size()) return kNotANumber;
  if (r.ec == std::errc() && !std::isfinite(value)) return kNotANumber;  // "inf", "nan"
  return r;
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
  double value = 0.0;
  if (ReadNumber(text, value).ec != std::errc()) return std::nullopt;
  return value;
}

bool IsOutOfRangeNumber(std::string_view text) {
  double value = 0.0;
  return ReadNumber(text, value).ec == std::errc::result_out_of_range;
}

bool IsBlank(std::string_view text) {
  for (char c : text) {
    if (!IsBlankChar(c)) return false;
  }
  return true;
}

}  // namespace linkan::app
