// cluster_outputs.h
//
// The two forms of the clustering of items (association analysis only; in
// sequence analysis both return false at once and show nothing).
//
// ShowClusterTable (command 1070): one row per cluster in order of creation
// ("Frequent itemsets", "Number of items", "Frequency", "Support(%)"),
// titles "Cluster of frequent itemsets", the support and confidence line and
// the maximum itemset size; "Computing..." progress per row. No cluster: the
// no-rule message.
//
// ShowClusterTree (command 1072): a tree over the cluster steps. Leaf k
// (0-based) stands at x = k + 1 and carries its item's name. Inside a run of
// leaves of one cluster, c counts the leaves before the current one: the
// second leaf (c = 1) closes a U at height 1 over the first two, every
// further leaf (c > 1) a step at height c from the middle of the previous
// top. A cluster's top is (last x, 0) for a single leaf and
// (last x - 0.5, L - 1) for L leaves. With more than one cluster, each top
// rises to H (the largest c) and one line at height H joins the first top to
// the last. Lines have colour 0 and width 1. X axis 0.5 .. n + 0.5 step 1
// ("Items"); Y axis 0 .. max(H, 1) ("Step"), so that a tree of single items
// still has height. No cluster step: the no-rule message.
#pragma once

namespace linkan {

class CAnalysisSupport;
class SalEngine;

// True when the host showed the document.
bool ShowClusterTable(CAnalysisSupport& support, const SalEngine& engine);
bool ShowClusterTree(CAnalysisSupport& support, const SalEngine& engine);

// The step of an axis from 0 to `max` in about 12 intervals: 1, 2 or 5
// times a power of ten, and at least 1.
double AxisStep(double max);

}  // namespace linkan
