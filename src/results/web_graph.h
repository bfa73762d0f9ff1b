// web_graph.h
//
// The web graph of the selected items (command 1074): the n items on the
// unit circle, item i (0-based, ascending item number) at angle
// 2 x 3.1415926535 x i / n, its disc sized by its relative support; a line
// joins every pair that occurs together, its width 0..7 from the pair's
// relative joint support and its colour from the pair's relative lift
// joint / (s(i) x s(j)). Minima and maxima run over all pairs, pairs that
// never occur together (joint 0, lift 0) included; a range of 0 counts as 1.
// The legend shows the lift range ("%.3f").
//
// REQUIRES: at least 2 selected items (the dialog checks).
#pragma once

namespace linkan {

class CAnalysisSupport;
class SalEngine;

// True when the host showed the graph.
bool ShowWebGraph(CAnalysisSupport& support, const SalEngine& engine);

}  // namespace linkan
