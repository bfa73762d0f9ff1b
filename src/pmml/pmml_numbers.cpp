// pmml_numbers.cpp
#include "pmml/pmml_numbers.h"

#include <charconv>
#include <cmath>

namespace linkan::pmml {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' ||
                           text.front() == '\r')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' ||
                           text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

std::string RealText(double x) {
  // XML Schema's spellings of the values a double may hold besides numbers.
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
  // The shortest digits that read back; in plain notation when the decimal
  // exponent lies between -4 and 15, as the result tables print numbers.
  char buf[400];
  const auto sci = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific);
  const std::string_view text(buf, static_cast<std::size_t>(sci.ptr - buf));
  const std::string_view digits = text.substr(text.find('e') + 1);
  int exponent = 0;
  std::from_chars(digits.data() + (digits.front() == '+' ? 1 : 0), digits.data() + digits.size(),
                  exponent);
  if (exponent < -4 || exponent > 15) return std::string(text);
  const auto fixed = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed);
  return std::string(buf, fixed.ptr);
}

std::optional<double> ParseReal(std::string_view text) {
  text = Trim(text);
  if (text == "NaN") return std::nan("");
  if (text == "INF" || text == "+INF") return HUGE_VAL;
  if (text == "-INF") return -HUGE_VAL;
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double x = 0.0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), x);
  if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
  return x;
}

std::optional<std::int64_t> ParseWhole(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int64_t n = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
  return n;
}

}  // namespace linkan::pmml
