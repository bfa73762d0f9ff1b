// graph_render.h
//
// Pictures of the module's graph documents and rule charts (result_graph.h),
// as SVG and PNG (picture_canvas.h).
//
// A graph document is replayed as follows.
//   Titles       the first title line large and bold, the subtitles below
//                it, centred at the top.
//   World        X and Y run over the ranges the document sets (without a
//                range: over what is drawn). When the picture holds discs
//                and the two ranges are of similar length (within a factor
//                of 3), one unit is as long on both axes, so that a layout
//                on a circle stays round; a disc's radius is in X units.
//   Axes         axis lines, ticks and tick numbers at min + k * step,
//                unless the axes are plain; an axis with labels shows its
//                labels instead of numbers (on plain axes too, with a faint
//                guide line across the plot at each). Labels along X turn
//                upright when they would touch side by side. The titles of
//                X, Y and Y2 sit beside their axes.
//   Shapes       lines first, then discs, then texts, each in call order,
//                so that no line hides a node and no node a label; texts
//                have a white outline. A line of width w (0 to 7) is
//                0.8 + 0.7 w pixels wide, NaN meaning 1.5 pixels.
//   Texts        placement 8: centred above the point, 5: centred below
//                it, any other code: centred on it.
//   Colours      colour_ramp.h: a lower value is darker.
//   Legend       each colour scale is drawn as a legend bar above the plot
//                at its right edge, light (65535) at its low text and dark
//                (0) at its high text, outside the plot so that it covers
//                nothing.
//   Size         about 1000 x 620 pixels of plot, or 960 on the longer
//                side with equal units; the plot grows (up to 16 million
//                pixels) until labels along an axis and texts no longer
//                overlap, and the margins take every label, text and title
//                whole.
//
// A chart (type 20) is an R x R grid: X carries the rows (body labels) and
// Y the columns (head labels, the first at the top), the axis titles as
// the chart names them. A cell's colour is its value on the ramp between
// the smallest and the largest value (darker: higher); a missing cell is
// left white. With cells large enough the value is printed in the cell.
// A vertical legend to the right shows the value range under the Z title.
//
// Thread safety: no shared state.
#pragma once

#include <string>
#include <vector>

#include "linkanalysis/result_graph.h"
#include "picture_canvas.h"

namespace linkan::app {

Picture RenderGraph(const GraphDocument& graph, bool withPng = true);
Picture RenderChart(const DiscreteContourChart& chart, bool withPng = true);

// The title lines as the picture shows them: "None" until the document
// sets its title, then each subtitle.
std::vector<std::string> GraphTitleLines(const GraphDocument& graph);
// A chart's title lines, one per line of text.
std::vector<std::string> ChartTitleLines(const DiscreteContourChart& chart);

}  // namespace linkan::app
