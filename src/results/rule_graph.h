// rule_graph.h
//
// The rule graph of the selected items (command 1075): a grid of the n
// items (ascending item number) as bodies (Y, row i at i x d) and heads
// (X, column j at j x d), d = 1 / (n + 1). Each pair whose joint pattern
// is frequent gets a disc sized by its relative joint support and coloured
// by its relative confidence joint / s(body). The joint pattern is the
// itemset {i, j} in association analysis (no diagonal) and the sequence
// ({i}) then ({j}) in sequence analysis (the diagonal included). Minima and
// maxima run over the pairs with a joint above 0 (all 0 when there is
// none); a range of 0 counts as 1.
//
// REQUIRES: at least 2 selected items (the dialog checks).
#pragma once

namespace linkan {

class CAnalysisSupport;
class SalEngine;

// True when the host showed the graph.
bool ShowRuleGraph(CAnalysisSupport& support, const SalEngine& engine);

}  // namespace linkan
