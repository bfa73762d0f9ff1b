// sequence_modeless_dialog.cpp
#include "frame/sequence_modeless_dialog.h"

#include <algorithm>
#include <cmath>

#include "frame/analysis_settings.h"
#include "frame/sequence.h"
#include "resources/string_table.h"

namespace linkan {

CSequenceModelessDialog::CSequenceModelessDialog(CSequence& sequence, int dialogId,
                                                 CAnalysisModelessDialog* parent)
    : CAnalysisModelessDialog(sequence, dialogId, parent),
      sequence_(&sequence),
      engine_(sequence.engine()) {}

void CSequenceModelessDialog::RefreshEngine() { engine_ = sequence_->engine(); }

std::string CSequenceModelessDialog::GetResourceString(int id) const {
  return std::string(LookupString(id));
}

std::string CSequenceModelessDialog::AutomationName() const {
  return GetResourceString(msg::kResultDialogName);
}

int CSequenceModelessDialog::SelectCodes(const std::vector<std::int16_t>& variables,
                                         std::vector<std::int16_t>& counts,
                                         std::vector<std::int32_t>& codes,
                                         const std::string& title, int flags) {
  const int nvars = static_cast<int>(variables.size());
  if (!sequence_->HasDocument()) return 0;
  std::vector<std::vector<std::int32_t>> chosen(static_cast<std::size_t>(nvars));
  for (int start = 0; start < nvars; start += kCodesPageVariables) {
    CodesPage page;
    page.title = title;
    page.flags = flags | (start > 0 ? kCodesContinuationFlag : 0);
    page.maxCodesPerVariable = kMaxCodesPerVariable;
    const int end = std::min(nvars, start + kCodesPageVariables);
    for (int i = start; i < end; ++i) {
      page.variables.push_back(variables[static_cast<std::size_t>(i)]);
      std::vector<double> current;
      const int n = i < static_cast<int>(counts.size()) ? counts[static_cast<std::size_t>(i)] : 0;
      for (int j = 0; j < n; ++j) current.push_back(ColumnCode(codes, nvars, i, j));
      page.codes.push_back(std::move(current));
    }
    if (!sequence_->doc().ShowCodesDialog(page)) return 0;
    for (int i = start; i < end; ++i) {
      auto& out = chosen[static_cast<std::size_t>(i)];
      const auto& in = page.codes.at(static_cast<std::size_t>(i - start));
      const std::size_t n = std::min<std::size_t>(in.size(), kMaxCodesPerVariable);
      for (std::size_t j = 0; j < n; ++j) {
        out.push_back(static_cast<std::int32_t>(std::trunc(in[j])));  // toward zero
      }
    }
  }
  counts.assign(static_cast<std::size_t>(nvars), 0);
  codes.clear();
  for (int i = 0; i < nvars; ++i) {
    SetColumnCodes(counts, codes, nvars, i, chosen[static_cast<std::size_t>(i)]);
  }
  return 1;
}

}  // namespace linkan
