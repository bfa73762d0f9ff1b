// association_network.h
//
// The association networks (commands 1030 and 1031, no control on any
// page). The network's rules are those whose body is a single item and
// whose head is one itemset of `low` to `high` items; B distinct bodies
// (ascending pattern ID) and H distinct heads (ascending pattern ID).
//
// Relative measures: body r = (body support - minsupp) / (largest body
// support - minsupp), heads and rule supports alike, confidences against
// minconf; a range of 0 counts as 1 and r is kept in [0, 1].
//
// 2D: both axes 0.5 .. B + 0.5; body k (1-based) at (0.1 B + 0.5,
// k B / (B + 1) + 0.5) with radius min(0.5, 0.1 B) x r; head j at
// (0.9 B + 0.5, j B / (H + 1) + 0.5) with radius min(0.5 B / (H + 1), 0.1 B)
// x r; node colour 65535 - r x 65535; a line per rule from its body to its
// head, width 1 + 6 x relative confidence (truncated) and colour from the
// relative rule support.
//
// 3D: bodies along the front edge, heads along the depth, each rule a stem
// rising to its relative confidence with a disc sized by its relative
// support, drawn in an oblique projection.
//
// No network rule: message "There is no association between items".
#pragma once

namespace linkan {

class CAnalysisSupport;
class SalEngine;

// True when the host showed the graph.
bool ShowAssociationNetwork(CAnalysisSupport& support, const SalEngine& engine, bool threeD,
                            int low, int high);

}  // namespace linkan
