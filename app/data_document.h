// data_document.h
//
// TableDataDocument: a data file the module asks the host to open
// (CAnalysisDoc::OpenDataDocument, for taxonomy files), read with the same
// reader and rules as the input table (data_table.h).
//
// Cells: a text variable's cell is its label, a date variable's cell its
// original text, an empty cell the empty label; a number in a numeric
// variable has no label and is given as the number.
//
// Thread safety: immutable once opened.
#pragma once

#include <memory>
#include <string>

#include "data_table.h"
#include "linkanalysis/analysis_doc.h"

namespace linkan::app {

class TableDataDocument : public HostDataDocument {
 public:
  explicit TableDataDocument(DataTable table) : table_(std::move(table)) {}

  int VariableCount() const override { return table_.VariableCount(); }
  std::string VariableName(int var) const override { return table_.variable(var - 1).name; }
  long CaseCount() const override { return table_.CaseCount(); }
  bool CellLabel(long caseNo, int var, std::string& text) const override;
  double CellNumber(long caseNo, int var) const override {
    return table_.Value(caseNo - 1, var - 1);
  }

 private:
  DataTable table_;
};

// Reads the table in `path` (CSV, or TSV for .tsv/.tab). Null with the
// reader's description ("FILE: cannot read: No such file or directory",
// "FILE:LINE:COLUMN: ...") in `error` when it cannot be read.
std::unique_ptr<HostDataDocument> OpenTableDocument(const std::string& path, std::string& error);

}  // namespace linkan::app
