// number_text.cpp
#include "number_text.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdlib>
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

}  // namespace

std::string FormatNumber(double value) {
  assert(std::isfinite(value));
  // Shortest round-trip digits in scientific form; this also fixes the
  // decimal exponent of the shortest representation.
  char sci[64];
  const auto s = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific);
  const std::string_view sciText(sci, static_cast<std::size_t>(s.ptr - sci));
  const int exponent = value == 0.0 ? 0 : ScientificExponent(sciText);
  if (exponent < -4 || exponent > 15) return std::string(sciText);
  // Plain notation: the shortest fixed form has the same digits.
  char fixed[64];
  const auto f = std::to_chars(fixed, fixed + sizeof fixed, value, std::chars_format::fixed);
  assert(f.ec == std::errc());
  return std::string(fixed, f.ptr);
}

std::optional<double> ParseNumber(std::string_view text) {
  while (!text.empty() && IsBlankChar(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankChar(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  double value = 0.0;
  const auto r =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;  // "inf", "nan"
  return value;
}

bool IsBlank(std::string_view text) {
  for (char c : text) {
    if (!IsBlankChar(c)) return false;
  }
  return true;
}

}  // namespace linkan::app
