// result_graph.cpp
#include "results/result_graph.h"

#include <algorithm>
#include <cmath>

#include "frame/host/analysis_support.h"

namespace linkan {

CResultGraph::CResultGraph(CAnalysisSupport& support, std::string documentName)
    : support_(&support) {
  document_.documentName = std::move(documentName);
}

void CResultGraph::Create() {
  document_.operations.clear();
  document_.Create();
  titleLines_ = 1;  // "None" until SetTitle
  plots_ = 0;
  lastResult_ = 0;
}

void CResultGraph::SetTitle(const std::string& text) { document_.SetTitle(text); }

void CResultGraph::AddSubtitle(const std::string& text) {
  document_.AddSubtitle(support_->Replace8CharGrow(text));
  ++titleLines_;
}

void CResultGraph::AddPlot() {
  ++plots_;
  document_.AddPlot(FormatString("Plot %d", plots_));
}

void CResultGraph::SetAxisRange(GraphAxis axis, double min, double max, double step) {
  document_.SetAxisRange(axis, min, max, step);
}

void CResultGraph::SetAxisTitle(GraphAxis axis, const std::string& text) {
  document_.SetAxisTitle(axis, text);
}

void CResultGraph::AddAxisLabel(GraphAxis axis, double position, const std::string& text) {
  document_.AddAxisLabel(axis, position, text);
}

void CResultGraph::AddText(double x, double y, const std::string& text, int placement) {
  document_.AddText(x, y, text, placement);
}

void CResultGraph::AddCircle(double x, double y, double r, int colour) {
  document_.AddCircle(x, y, r, colour);
}

void CResultGraph::AddLine(double x1, double y1, double x2, double y2, int colour, double width) {
  document_.AddLine(x1, y1, x2, y2, colour, width);
}

void CResultGraph::AddColourScale(double x1, double y1, double x2, double y2,
                                  const std::string& low, const std::string& high) {
  document_.AddColourScale(x1, y1, x2, y2, low, high);
}

void CResultGraph::PlainAxes() { document_.PlainAxes(); }

bool CResultGraph::Show() {
  document_.Show();
  const bool shown = support_->HasDocument() && support_->doc().ShowGraph(document_);
  lastResult_ = shown ? 0 : 1;
  return shown;
}

int ColourOfRelative(double relative) {
  if (!(relative > 0.0)) relative = 0.0;  // NaN too
  relative = std::min(relative, 1.0);
  return static_cast<int>(kColourLowest - relative * kColourLowest);
}

double RangeOrOne(double min, double max) {
  const double range = max - min;
  return range == 0.0 || std::isnan(range) ? 1.0 : range;
}

}  // namespace linkan
