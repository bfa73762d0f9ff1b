// result_graph.h
//
// The graph documents the module hands to the host: pictures as a display
// list in host coordinates, and the charts of the rules as a discrete
// contour request. Everything here is inline so that the host and the
// module share one layout.
//
// GraphDocument: one host graph, recorded as the operations that built it
// in call order, from kCreate to kShow. The module fills it only through the
// member functions below (its CResultGraph builder does); a host replays the
// list to draw the picture (the coordinates are those of the plot's axes,
// whose ranges the document sets).
//
//   create                a new graph; its first title line reads "None"
//   set-title(text)       the first title line
//   add-subtitle(text)    one more title line
//   add-plot(name)        a plot ("Plot 1", ...)
//   set-axis-range        fixed scaling of an axis: min, max, step
//   set-axis-title        the title of an axis
//   add-axis-label        a tick label at a position on an axis
//   add-text(x, y, text, placement)
//                         a text at a point; placement 8: centred above the
//                         point, 5: centred below it, any other code:
//                         centred on it
//   add-circle(x, y, r, colour)
//                         a filled disc of radius r (in X units)
//   add-line(x1, y1, x2, y2, colour, width)
//                         a segment; width NaN = the host's default width
//   add-colour-scale(x1, y1, x2, y2, low, high)
//                         the legend: 100 boxes from x1 to x2, colour
//                         falling from 65535 to 0, `low` at the low end and
//                         `high` at the high end
//   plain-axes            no axis lines, ticks or tick numbers
//   show                  the graph is complete
//
// Colours are integers from 0 to 65535: 65535 is the lowest value of the
// measure drawn, 0 the highest; a host draws a darker colour for a lower
// number.
//
// DiscreteContourChart: the request of a rule chart (type 20): title lines,
// the titles of the three axes, an R x R matrix of values (row r = body
// label r, column c = head label c; NaN marks a missing cell) and the labels.
#pragma once

#include <array>
#include <cstddef>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace linkan {

enum class GraphAxis { kX, kY, kZ, kY2 };

enum class GraphOpKind {
  kCreate,
  kSetTitle,
  kAddSubtitle,
  kAddPlot,
  kSetAxisRange,
  kSetAxisTitle,
  kAddAxisLabel,
  kAddText,
  kAddCircle,
  kAddLine,
  kAddColourScale,
  kPlainAxes,
  kShow,
};

// One recorded operation. Fields a kind does not use keep their defaults.
//   kSetAxisRange:    axis, a = min, b = max, c = step
//   kAddAxisLabel:    axis, a = position, text
//   kAddText:         a = x, b = y, text, placement
//   kAddCircle:       a = x, b = y, c = r, colour
//   kAddLine:         a = x1, b = y1, c = x2, d = y2, colour, width
//   kAddColourScale:  a = x1, b = y1, c = x2, d = y2, text = low, text2 = high
//   kSetTitle, kAddSubtitle, kAddPlot, kSetAxisTitle: text (and axis)
struct GraphOperation {
  GraphOpKind kind = GraphOpKind::kCreate;
  GraphAxis axis = GraphAxis::kX;
  double a = 0, b = 0, c = 0, d = 0;
  double width = std::numeric_limits<double>::quiet_NaN();
  int colour = 0;
  int placement = 0;
  std::string text{};
  std::string text2{};

  friend bool operator==(const GraphOperation&, const GraphOperation&) = default;
};

struct GraphDocument {
  // A short name the host may use for the document's files ("web-graph").
  std::string documentName;
  std::vector<GraphOperation> operations;

  void Create() { Add({.kind = GraphOpKind::kCreate}); }
  void SetTitle(const std::string& text) { Add({.kind = GraphOpKind::kSetTitle, .text = text}); }
  void AddSubtitle(const std::string& text) {
    Add({.kind = GraphOpKind::kAddSubtitle, .text = text});
  }
  void AddPlot(const std::string& name) { Add({.kind = GraphOpKind::kAddPlot, .text = name}); }
  void SetAxisRange(GraphAxis axis, double min, double max, double step) {
    Add({.kind = GraphOpKind::kSetAxisRange, .axis = axis, .a = min, .b = max, .c = step});
  }
  void SetAxisTitle(GraphAxis axis, const std::string& text) {
    Add({.kind = GraphOpKind::kSetAxisTitle, .axis = axis, .text = text});
  }
  void AddAxisLabel(GraphAxis axis, double position, const std::string& text) {
    Add({.kind = GraphOpKind::kAddAxisLabel, .axis = axis, .a = position, .text = text});
  }
  void AddText(double x, double y, const std::string& text, int placement) {
    Add({.kind = GraphOpKind::kAddText, .a = x, .b = y, .placement = placement, .text = text});
  }
  void AddCircle(double x, double y, double r, int colour) {
    Add({.kind = GraphOpKind::kAddCircle, .a = x, .b = y, .c = r, .colour = colour});
  }
  void AddLine(double x1, double y1, double x2, double y2, int colour, double width) {
    Add({.kind = GraphOpKind::kAddLine, .a = x1, .b = y1, .c = x2, .d = y2, .width = width,
         .colour = colour});
  }
  void AddColourScale(double x1, double y1, double x2, double y2, const std::string& low,
                      const std::string& high) {
    Add({.kind = GraphOpKind::kAddColourScale, .a = x1, .b = y1, .c = x2, .d = y2, .text = low,
         .text2 = high});
  }
  void PlainAxes() { Add({.kind = GraphOpKind::kPlainAxes}); }
  void Show() { Add({.kind = GraphOpKind::kShow}); }

 private:
  void Add(GraphOperation op) { operations.push_back(std::move(op)); }
};

struct DiscreteContourChart {
  std::string documentName;              // "support-chart"
  int type = 20;
  std::vector<std::string> title;        // the title lines
  std::array<std::string, 3> axisTitles;  // X ("Body"), Y ("Head"), Z (the measure)
  int size = 0;                          // R: rows and columns
  std::vector<float> values;             // R * R, row-major (index = row * R + col); NaN = missing
  std::vector<std::string> rowLabels;    // R body labels
  std::vector<std::string> columnLabels;  // R head labels

  float Value(int row, int col) const {
    return values[static_cast<std::size_t>(row) * static_cast<std::size_t>(size) +
                  static_cast<std::size_t>(col)];
  }
};

}  // namespace linkan
