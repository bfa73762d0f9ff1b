// graph_json.cpp
#include "graph_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "number_text.h"

namespace linkan::app {
namespace {

void AppendText(std::string& out, const std::string& text) {
  out += nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void AppendDouble(std::string& out, double x) {
  if (std::isfinite(x)) {
    AppendNumber(out, x);
  } else {
    out += "null";
  }
}

const char* AxisName(GraphAxis axis) {
  switch (axis) {
    case GraphAxis::kX: return "x";
    case GraphAxis::kY: return "y";
    case GraphAxis::kZ: return "z";
    case GraphAxis::kY2: return "y2";
  }
  return "x";
}

// Writes `"key": value` pairs after the operation's name.
class OperationWriter {
 public:
  OperationWriter(std::string& out, const char* op) : out_(out) {
    out_ += "  {\"op\": \"";
    out_ += op;
    out_ += '"';
  }
  OperationWriter& Text(const char* key, const std::string& text) {
    Key(key);
    AppendText(out_, text);
    return *this;
  }
  OperationWriter& Number(const char* key, double x) {
    Key(key);
    AppendDouble(out_, x);
    return *this;
  }
  OperationWriter& Axis(GraphAxis axis) {
    Key("axis");
    out_ += '"';
    out_ += AxisName(axis);
    out_ += '"';
    return *this;
  }
  void End() { out_ += '}'; }

 private:
  void Key(const char* key) {
    out_ += ", \"";
    out_ += key;
    out_ += "\": ";
  }
  std::string& out_;
};

void AppendOperation(std::string& out, const GraphOperation& op) {
  switch (op.kind) {
    case GraphOpKind::kCreate: OperationWriter(out, "create").End(); break;
    case GraphOpKind::kSetTitle: OperationWriter(out, "set-title").Text("text", op.text).End(); break;
    case GraphOpKind::kAddSubtitle:
      OperationWriter(out, "add-subtitle").Text("text", op.text).End();
      break;
    case GraphOpKind::kAddPlot: OperationWriter(out, "add-plot").Text("name", op.text).End(); break;
    case GraphOpKind::kSetAxisRange:
      OperationWriter(out, "set-axis-range")
          .Axis(op.axis).Number("min", op.a).Number("max", op.b).Number("step", op.c).End();
      break;
    case GraphOpKind::kSetAxisTitle:
      OperationWriter(out, "set-axis-title").Axis(op.axis).Text("text", op.text).End();
      break;
    case GraphOpKind::kAddAxisLabel:
      OperationWriter(out, "add-axis-label")
          .Axis(op.axis).Number("position", op.a).Text("text", op.text).End();
      break;
    case GraphOpKind::kAddText:
      OperationWriter(out, "add-text")
          .Number("x", op.a).Number("y", op.b).Text("text", op.text)
          .Number("placement", op.placement).End();
      break;
    case GraphOpKind::kAddCircle:
      OperationWriter(out, "add-circle")
          .Number("x", op.a).Number("y", op.b).Number("r", op.c).Number("colour", op.colour).End();
      break;
    case GraphOpKind::kAddLine:
      OperationWriter(out, "add-line")
          .Number("x1", op.a).Number("y1", op.b).Number("x2", op.c).Number("y2", op.d)
          .Number("colour", op.colour).Number("width", op.width).End();
      break;
    case GraphOpKind::kAddColourScale:
      OperationWriter(out, "add-colour-scale")
          .Number("x1", op.a).Number("y1", op.b).Number("x2", op.c).Number("y2", op.d)
          .Text("low", op.text).Text("high", op.text2).End();
      break;
    case GraphOpKind::kPlainAxes: OperationWriter(out, "plain-axes").End(); break;
    case GraphOpKind::kShow: OperationWriter(out, "show").End(); break;
  }
}

template <typename Range>
void AppendTextArray(std::string& out, const Range& texts) {
  out += '[';
  bool first = true;
  for (const std::string& t : texts) {
    if (!first) out += ", ";
    first = false;
    AppendText(out, t);
  }
  out += ']';
}

}  // namespace

std::string GraphJson(const GraphDocument& graph) {
  std::string out = "{\"operations\": [\n";
  for (std::size_t i = 0; i < graph.operations.size(); ++i) {
    AppendOperation(out, graph.operations[i]);
    out += i + 1 < graph.operations.size() ? ",\n" : "\n";
  }
  out += "]}\n";
  return out;
}

std::string ChartJson(const DiscreteContourChart& chart) {
  std::string out = "{\"operations\": [\n  {\"op\": \"discrete-contour\", \"type\": ";
  out += std::to_string(chart.type);
  out += ",\n   \"title\": ";
  AppendTextArray(out, chart.title);
  out += ",\n   \"axis-titles\": ";
  AppendTextArray(out, chart.axisTitles);
  out += ",\n   \"values\": [";
  const int size = std::max(chart.size, 0);
  for (int r = 0; r < size; ++r) {
    out += r == 0 ? "\n    [" : ",\n    [";
    for (int c = 0; c < size; ++c) {
      if (c > 0) out += ", ";
      const std::size_t index = static_cast<std::size_t>(r) * static_cast<std::size_t>(size) +
                                static_cast<std::size_t>(c);
      const float v = index < chart.values.size() ? chart.values[index] : NAN;
      out += std::isfinite(v) ? FormatFloat(v) : "null";
    }
    out += ']';
  }
  out += "],\n   \"row-labels\": ";
  AppendTextArray(out, chart.rowLabels);
  out += ",\n   \"column-labels\": ";
  AppendTextArray(out, chart.columnLabels);
  out += "}\n]}\n";
  return out;
}

}  // namespace linkan::app
