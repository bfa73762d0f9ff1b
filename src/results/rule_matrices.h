// rule_matrices.h
//
// The rule matrices (commands 1027 support, 1028 confidence, 1029
// correlation, which shows the lift): a spreadsheet of R rows (body labels)
// and R columns (head labels) with rule k's measure in cell (k, k) and every
// other cell missing; corner caption "Body\Head"; title lines
// "<Measure> rule matrix", the support and confidence line, the maximum
// itemset size. "Computing..." progress per row; a cancelled matrix shows
// nothing.
//
// Sizes are computed in 64 bits. A matrix of more than kMaxRuleMatrixCells
// cells (256 MiB of 8-byte cells, so at most 5792 rules) is refused with a
// message naming the rule count and the limit; no rule gives the no-rule
// message.
#pragma once

#include <cstdint>
#include <string>

#include "results/rule_measure.h"

namespace linkan {

class CAnalysisSupport;
class SalEngine;

inline constexpr std::uint64_t kMaxRuleMatrixCells = std::uint64_t{1} << 25;

// The message of a matrix of `rules` rules that is too large.
std::string RuleMatrixTooLargeMessage(std::uint64_t rules);

// True when the host showed the matrix.
bool ShowRuleMatrix(CAnalysisSupport& support, const SalEngine& engine, RuleMeasure measure);

}  // namespace linkan
