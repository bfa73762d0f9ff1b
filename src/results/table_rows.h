// table_rows.h
//
// The row loop every spreadsheet output shares: "Computing..." progress over
// the rows, a look at Cancel before the first row and then every 64 rows
// (and before the last), and row names as 1-based numbers.
#pragma once

#include <functional>
#include <string>

namespace linkan {

class CAnalysisSupport;

// Fills `rows` rows through `fillRow`; false when cancelled (the display is
// stopped and the caller shows nothing).
bool FillRows(CAnalysisSupport& support, int rows, const std::function<void(int)>& fillRow);

// The name of row `row` (0-based): its 1-based number.
std::string RowNumberName(int row);

}  // namespace linkan
