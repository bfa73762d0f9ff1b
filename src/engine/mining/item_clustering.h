// item_clustering.h
//
// ClusterItems: groups the frequent single items (the item frequency map)
// into disjoint clusters by lift, in association mode only.
//
//   pair lift of a and b = count({a, b}) / (count(a) x count(b) / N), 0 when
//     {a, b} is not recorded;
//   lift of c with cluster S = (count(S + c) / count(c)) / (count(S) / N),
//     only where S + c is recorded.
// While items remain: the seed is the first ordered pair (a, b) of remaining
// items, a then b ascending, with the strictly highest pair lift; it needs a
// lift above 0, else the smallest remaining item forms a cluster alone (its
// step carries -1.0 when it was the last item, 0.0 otherwise). The cluster
// then grows by the first remaining item with the strictly highest lift while
// that lift is above 1.0. Every placed item appends (item, lift) to the
// cluster steps; every cluster appends (its itemset, its count).
//
// The seed search keeps the recorded pairs sorted by falling lift, so each
// seed costs what the pairs removed since the last one cost, not a pass over
// all pairs of remaining items. When the recorded itemsets are few next to
// the items (sparse data), each growth step takes the itemsets S + c from an
// index of the itemsets by item instead of looking S + c up for every
// remaining item; both give the same candidates in the same order.
//
// Returns 1 and leaves both lists as they were in sequence mode; else
// rebuilds them and returns 0. Cancellation (IsAnalysisCancelled, polled per
// placed item) raises AutomationError("User has cancelled the analysis").
#pragma once

namespace linkan {

class SalEngine;

int ClusterItems(SalEngine& engine);

}  // namespace linkan
