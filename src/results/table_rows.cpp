// table_rows.cpp
#include "results/table_rows.h"

#include "frame/host/analysis_support.h"
#include "frame/progress.h"

namespace linkan {
namespace {

// Rows filled between two looks at Cancel and the progress bar: a table of
// millions of rows would otherwise spend much of its time on them.
constexpr int kRowsPerStep = 64;

}  // namespace

bool FillRows(CAnalysisSupport& support, int rows, const std::function<void(int)>& fillRow) {
  StartProgress(support, rows, "Computing...");
  for (int r = 0; r < rows; ++r) {
    if (r % kRowsPerStep == 0 || r + 1 == rows) {
      if (IsAnalysisCancelled(support)) {
        StopProgress(support);
        return false;
      }
      support.termom(r + 1);
    }
    fillRow(r);
  }
  StopProgress(support);
  return true;
}

std::string RowNumberName(int row) { return std::to_string(row + 1); }

}  // namespace linkan
