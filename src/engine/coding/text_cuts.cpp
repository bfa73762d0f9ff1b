// text_cuts.cpp
#include "engine/coding/text_cuts.h"

#include "engine/coding/item_names.h"

namespace linkan {
namespace {

// Longer names are shown by number: the warning stays one readable line.
constexpr std::size_t kLongestShownName = 80;

std::string VariableLabel(const CAnalysisSupport& support, int var) {
  const std::string name = VariableName(support, var);
  if (name.empty() || name.size() > kLongestShownName) return "variable " + std::to_string(var);
  return "\"" + name + "\"";
}

}  // namespace

std::string TextCuts::LimitValue(int var, std::string text) {
  if (text.size() <= kMaxNameLength) return text;
  ++variables_[var].values;
  return LimitText(std::move(text));
}

std::string TextCuts::LimitName(int var, std::string text) {
  if (text.size() <= kMaxNameLength) return text;
  variables_[var].name = true;
  return LimitText(std::move(text));
}

long TextCuts::ValuesCut(int var) const {
  const auto it = variables_.find(var);
  return it == variables_.end() ? 0 : it->second.values;
}

std::string TextCuts::Warning(const CAnalysisSupport& support) const {
  const std::string limit = std::to_string(kMaxNameLength);
  std::string text = "texts longer than " + limit + " bytes were cut to " + limit +
                     " bytes (texts that differ only after that became one):";
  const char* separator = " ";
  for (const auto& [var, cuts] : variables_) {
    text += separator + VariableLabel(support, var) + ": ";
    if (cuts.values > 0) {
      text += std::to_string(cuts.values) + (cuts.values == 1 ? " value" : " values");
      if (cuts.name) text += " and ";
    }
    if (cuts.name) text += "its name";
    separator = "; ";
  }
  return text;
}

}  // namespace linkan
