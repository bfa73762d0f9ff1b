// graph_json.h
//
// A graph document or a rule chart as JSON text, the NAME.json beside each
// picture: {"operations": [...]}, one object per operation in call order,
// "op" first, then its arguments:
//
//   create | plain-axes | show                    (no arguments)
//   set-title, add-subtitle                       {text}
//   add-plot                                      {name}
//   set-axis-range                                {axis, min, max, step}
//   set-axis-title                                {axis, text}
//   add-axis-label                                {axis, position, text}
//   add-text                                      {x, y, text, placement}
//   add-circle                                    {x, y, r, colour}
//   add-line                                      {x1, y1, x2, y2, colour, width}
//   add-colour-scale                              {x1, y1, x2, y2, low, high}
//
// axis is "x", "y", "z" or "y2"; colours are the integers 0 to 65535. A
// chart is the one operation "discrete-contour" {type, title: [lines],
// "axis-titles": [x, y, z], values: [[row], ...], "row-labels",
// "column-labels"}. Numbers are the shortest text that reads back to the
// same value (number_text.h; chart values are single precision); a number
// that is not finite (a line of the default width, a missing chart cell) is
// null. Texts are JSON strings (a byte that is not UTF-8 becomes U+FFFD).
// One operation per line, so that two display lists compare line by line.
//
// Thread safety: no shared state.
#pragma once

#include <string>

#include "linkanalysis/result_graph.h"

namespace linkan::app {

std::string GraphJson(const GraphDocument& graph);
std::string ChartJson(const DiscreteContourChart& chart);

}  // namespace linkan::app
