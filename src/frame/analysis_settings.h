// analysis_settings.h
//
// AnalysisSettings: every parameter of a run under its stored field name,
// with its default, and the figures of the last run. Lives inside the
// SalEngine; edited by the task definition, read by every engine phase and
// stored in the project record under the same names.
//
// Variable numbers are 1-based column numbers of the input table. Each
// variable list has room for as many entries as the table has variables and
// holds its count of meaningful entries in the matching `n...` field.
// Dichotomy codes are stored column by column: code j of dichotomy
// variable i at j * ndichvars + i (the non-sequential codes likewise with
// nmddichvars).
//
// Thread safety: none; owned and used by the analysis thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace linkan {

inline constexpr int kMaxCodesPerVariable = 1000;

struct AnalysisSettings {
  // ---- Thresholds and sizes ----
  std::int32_t minpat = 1;
  std::int32_t maxpat = 10;
  double minsupp = 0.2;
  double minconf = 0.1;
  double mincorr = 0.5;
  double maxsupp = 1.0;
  double maxconf = 1.0;
  std::int32_t maxhead = 10;
  std::int32_t maxbody = 10;
  std::int32_t ncategpco = 10;
  std::int32_t iSingleItemset = 0;
  std::int32_t MaxSequenceSize = 6;
  std::int32_t CombineItemsetMode = 0;
  std::int32_t FixedNumItemsets = 1;
  double FixedTimeLength = 0.0;
  double MinTime = -100000000.0;
  double MaxTime = 100000000.0;
  std::int32_t iMinMaxFilter = 0;
  std::int32_t noseq = 0;
  std::int32_t taxon = 0;
  std::int32_t removeorg = 0;
  std::int32_t onedichcode = 0;
  bool codeselected = false;
  std::int32_t mdonedichcode = 0;
  bool mdcodeselected = false;
  std::int16_t iwgtdmn = 0;
  std::int16_t i_wwww = 0;
  // Our extension (task property StandardSupport): 1 mines standard
  // support, counting every sequence that contains a pattern; 0 the
  // module's own counting. Stored beside the project record, in a table
  // of its own.
  std::int32_t StandardSupport = 0;

  // ---- Variable selection ----
  std::int16_t nresvars = 0;
  std::int16_t ndichvars = 0;
  std::int16_t ncontvars = 0;
  std::int16_t nsidvar = 0;
  std::int16_t ntidvar = 0;
  std::int16_t nmdresvars = 0;
  std::int16_t nmddichvars = 0;
  std::int16_t nmdcontvars = 0;
  std::vector<std::int16_t> resvars;
  std::vector<std::int16_t> dichvars;
  std::vector<std::int16_t> contvars;
  std::vector<std::int16_t> sidvar;
  std::vector<std::int16_t> tidvar;
  std::vector<std::int16_t> mdresvars;
  std::vector<std::int16_t> mddichvars;
  std::vector<std::int16_t> mdcontvars;

  // ---- Dichotomy codes ----
  std::vector<std::int16_t> ndichcodes;     // per dichotomy variable
  std::vector<std::int32_t> dichcodes;      // column layout with ndichvars
  std::vector<std::int16_t> nmddichcodes;
  std::vector<std::int32_t> mddichcodes;    // column layout with nmddichvars

  // ---- Project choice (not stored in the project record) ----
  std::uint16_t projectMode = 0;            // 0 create new, 1 use existing
  std::uint16_t existingProjectAction = 0;  // 0 update, 1 go to results, 2 PMML
  std::string pmmlFile;                     // the model read by recommendation (2)
  bool variableSelectionViaPmml = false;    // kept for scripts; nothing reads it

  // ---- Figures of the last run ----
  std::int32_t ncases = 0;
  std::int32_t NbVars = 0;
  std::uint64_t size = 0;
  double sumw = 0.0;
  std::int32_t nvars = 0;

  // Sets every field to its default and sizes the variable lists for
  // `numVariables` variables (every count 0).
  void ResetToDefaults(int numVariables);

  // Code j of dichotomy variable i (REQUIRES: i < ndichvars, j < ndichcodes[i]).
  std::int32_t DichCode(int i, int j) const;
  // Replaces the codes of dichotomy variable i, re-laying the column layout
  // when the largest code count grows.
  void SetDichCodes(int i, const std::vector<std::int32_t>& codes);
  std::int32_t MdDichCode(int i, int j) const;
  void SetMdDichCodes(int i, const std::vector<std::int32_t>& codes);

  // The ID and time variables, or 0 when none is selected.
  int SequenceIdVariable() const { return nsidvar > 0 ? sidvar.at(0) : 0; }
  int TimeVariable() const { return ntidvar > 0 ? tidvar.at(0) : 0; }
};

// Shared implementation of the column layout: `codes` holds, for `nvars`
// variables with counts `counts`, code j of variable i at j * nvars + i.
std::int32_t ColumnCode(const std::vector<std::int32_t>& codes, int nvars, int i, int j);
void SetColumnCodes(std::vector<std::int16_t>& counts, std::vector<std::int32_t>& codes,
                    int nvars, int i, const std::vector<std::int32_t>& newCodes);

}  // namespace linkan
