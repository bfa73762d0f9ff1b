// run_report.h
//
// The texts `linkan run` prints about a finished run.
//
// FormatRunSummary: the summary line, for example
//   "12 transactions, 8 items (6 frequent), 19 frequent itemsets,
//    14 association rules in 0.042 s"
// (one line); a sequence analysis counts sequences, frequent sequences and
// sequential rules. Counts of one are singular ("1 rule").
//
// OneLine: a module message on one line (line breaks and the blanks around
// them become one space).
//
// Thread safety: no shared state.
#pragma once

#include <string>

#include "linkanalysis/analysis_module.h"

namespace linkan::app {

std::string FormatRunSummary(const RunSummary& summary, double seconds);

std::string OneLine(const std::string& text);

}  // namespace linkan::app
