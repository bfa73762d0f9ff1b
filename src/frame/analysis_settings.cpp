// analysis_settings.cpp
#include "frame/analysis_settings.h"

#include <algorithm>
#include <cassert>

namespace linkan {

void AnalysisSettings::ResetToDefaults(int numVariables) {
  *this = AnalysisSettings{};
  const auto n = static_cast<std::size_t>(std::max(numVariables, 0));
  for (auto* list : {&resvars, &dichvars, &contvars, &sidvar, &tidvar, &mdresvars, &mddichvars,
                     &mdcontvars, &ndichcodes, &nmddichcodes}) {
    list->assign(n, 0);
  }
  NbVars = numVariables;
}

std::int32_t ColumnCode(const std::vector<std::int32_t>& codes, int nvars, int i, int j) {
  const auto index = static_cast<std::size_t>(j) * static_cast<std::size_t>(nvars) +
                     static_cast<std::size_t>(i);
  return codes.at(index);
}

void SetColumnCodes(std::vector<std::int16_t>& counts, std::vector<std::int32_t>& codes,
                    int nvars, int i, const std::vector<std::int32_t>& newCodes) {
  assert(i >= 0 && i < nvars);
  assert(newCodes.size() <= static_cast<std::size_t>(kMaxCodesPerVariable));
  if (counts.size() < static_cast<std::size_t>(nvars)) counts.resize(static_cast<std::size_t>(nvars), 0);
  int rows = 0;
  for (int v = 0; v < nvars; ++v) rows = std::max<int>(rows, counts[static_cast<std::size_t>(v)]);
  const int newRows = std::max<int>(rows, static_cast<int>(newCodes.size()));
  const auto stride = static_cast<std::size_t>(nvars);
  codes.resize(static_cast<std::size_t>(newRows) * stride, 0);
  for (std::size_t j = 0; j < newCodes.size(); ++j) {
    codes[j * stride + static_cast<std::size_t>(i)] = newCodes[j];
  }
  counts[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(newCodes.size());
}

std::int32_t AnalysisSettings::DichCode(int i, int j) const {
  return ColumnCode(dichcodes, ndichvars, i, j);
}

void AnalysisSettings::SetDichCodes(int i, const std::vector<std::int32_t>& codes) {
  SetColumnCodes(ndichcodes, dichcodes, ndichvars, i, codes);
}

std::int32_t AnalysisSettings::MdDichCode(int i, int j) const {
  return ColumnCode(mddichcodes, nmddichvars, i, j);
}

void AnalysisSettings::SetMdDichCodes(int i, const std::vector<std::int32_t>& codes) {
  SetColumnCodes(nmddichcodes, mddichcodes, nmddichvars, i, codes);
}

}  // namespace linkan
