// code_text.cpp
#include "define/code_text.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "frame/host/analysis_support.h"
#include "frame/settings_validation.h"

namespace linkan {

std::optional<long long> ConvertCodeText(const std::vector<std::string>& labels,
                                         const std::string& text) {
  for (std::size_t k = 0; k < labels.size(); ++k) {
    if (labels[k] == text) return static_cast<long long>(k + 1);
  }
  std::size_t i = text.find_first_not_of(" \t");
  const std::size_t end = text.find_last_not_of(" \t");
  if (i == std::string::npos) return std::nullopt;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
  if (i > end) return std::nullopt;
  long long value = 0;
  for (; i <= end; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return value;
}

std::string SingleCodeText(const std::vector<std::string>& firstVariableLabels,
                           const std::string& fieldText) {
  double x = 0.0;
  if (!ParseNumber(fieldText, x)) return fieldText;
  const double k = std::trunc(x);
  if (k == x && k >= 1 && k <= static_cast<double>(firstVariableLabels.size())) {
    return firstVariableLabels[static_cast<std::size_t>(k) - 1];
  }
  std::string text = FormatString("%f", x);
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

}  // namespace linkan
