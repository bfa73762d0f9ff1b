// result_graph.h
//
// CResultGraph: the builder of one graph document. Every picture of the
// results dialog is drawn only through it; it records the operations in a
// GraphDocument (linkanalysis/result_graph.h) and hands the finished
// document to the host with Show. It keeps the number of title lines (a new
// graph has one, reading "None"), the number of plots and the last host
// result (0 once the host showed the document, 1 when it refused it).
//
// Example:
//   CResultGraph g(support, "web-graph");
//   g.Create();
//   g.SetTitle("Web graph");
//   g.AddPlot();
//   g.AddCircle(0, 0, 0.1, 58981);
//   g.Show();
//
// Thread safety: analysis thread only.
#pragma once

#include <limits>
#include <string>

#include "linkanalysis/result_graph.h"

namespace linkan {

class CAnalysisSupport;

// Colour values of the graphs: 65535 the lowest value of a measure, 0 the
// highest.
inline constexpr int kColourLowest = 65535;

class CResultGraph {
 public:
  // `documentName` names the document's files in the host ("web-graph").
  CResultGraph(CAnalysisSupport& support, std::string documentName);

  void Create();
  void SetTitle(const std::string& text);
  // One more title line; the text passes through the host's long-name
  // mapping first.
  void AddSubtitle(const std::string& text);
  // A plot named "Plot %d" with the 1-based plot count.
  void AddPlot();
  void SetAxisRange(GraphAxis axis, double min, double max, double step);
  void SetAxisTitle(GraphAxis axis, const std::string& text);
  void AddAxisLabel(GraphAxis axis, double position, const std::string& text);
  // A text at (x, y); placement 8 centres it above the point, 5 below it.
  void AddText(double x, double y, const std::string& text, int placement);
  void AddCircle(double x, double y, double r, int colour);
  // Width NaN: the host's default width.
  void AddLine(double x1, double y1, double x2, double y2, int colour,
               double width = std::numeric_limits<double>::quiet_NaN());
  // The legend: 100 boxes from (x1, y1) to (x2, y2), colour falling from
  // 65535 to 0, `low` at the low end and `high` at the high end.
  void AddColourScale(double x1, double y1, double x2, double y2, const std::string& low,
                      const std::string& high);
  void PlainAxes();
  // Hands the document to the host; true when the host showed it.
  bool Show();

  const GraphDocument& document() const { return document_; }
  int titleLines() const { return titleLines_; }
  int plots() const { return plots_; }
  int lastResult() const { return lastResult_; }

 private:
  CAnalysisSupport* support_;
  GraphDocument document_;
  int titleLines_ = 0;
  int plots_ = 0;
  int lastResult_ = 0;
};

// The colour value of a measure at relative position `relative` (0 lowest,
// 1 highest) of its range: 65535 - relative x 65535, truncated; positions
// outside [0, 1] are clamped.
int ColourOfRelative(double relative);

// The range max - min of a measure, 1 when it is 0 (or not a number), so
// that relative positions never divide by zero.
double RangeOrOne(double min, double max);

}  // namespace linkan
