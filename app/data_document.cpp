// data_document.cpp
#include "data_document.h"

#include "data_error.h"

namespace linkan::app {

bool TableDataDocument::CellLabel(long caseNo, int var, std::string& text) const {
  const Variable& v = table_.variable(var - 1);
  const bool missing = table_.IsMissing(caseNo - 1, var - 1);
  if (v.kind == VariableKind::kNumeric && !missing) return false;
  text = missing ? std::string() : table_.CellText(caseNo - 1, var - 1);
  return true;
}

std::unique_ptr<HostDataDocument> OpenTableDocument(const std::string& path, std::string& error) {
  try {
    return std::make_unique<TableDataDocument>(LoadDataTable(path));
  } catch (const DataError& e) {
    error = e.what();
    return nullptr;
  }
}

}  // namespace linkan::app
