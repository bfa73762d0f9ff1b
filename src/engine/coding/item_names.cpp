// item_names.cpp
#include "engine/coding/item_names.h"

#include "frame/host/analysis_support.h"

namespace linkan {

std::string LimitText(std::string text) {
  if (text.size() <= kMaxNameLength) return text;
  std::size_t cut = kMaxNameLength;
  // Step back over continuation bytes (10xxxxxx) so that the character the
  // cut falls into is dropped whole.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0u) == 0x80u) --cut;
  text.resize(cut);
  return text;
}

std::string VariableName(const CAnalysisSupport& support, int var) {
  std::string name;
  support.getvn5(var, name);
  name = CAnalysisSupport::StripFormatting(support.Replace8CharGrow(name));
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
  return name;
}

std::string CellText(const CAnalysisSupport& support, long row, int var) {
  return CAnalysisSupport::StripFormatting(support.doc().GetCellText(row, var));
}

std::string DichotomyItemName(const std::string& variableName, std::size_t codeCount,
                              const std::string& cellText) {
  if (codeCount == 1) return variableName;
  return variableName + "=" + cellText;
}

}  // namespace linkan
