// graph_render.cpp: the pictures of graph documents (graph_render.h).
#include "graph_render.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace linkan::app {
namespace {

constexpr Font kTextFont{13, false};
constexpr Font kLabelFont{13, false};
constexpr Font kTickFont{12, false};
constexpr Font kAxisTitleFont{15, true};
constexpr double kPad = 24;        // the picture's outer margin
constexpr double kGap = 6;         // between an axis and its labels
constexpr double kTick = 5;        // tick length
constexpr double kLegendBar = 220;  // legend bar length
constexpr double kLegendThick = 14;
constexpr double kMaxArea = 16e6;   // pixels
constexpr double kMaxSide = 16000;  // pixels
constexpr int kMaxTicks = 40;
constexpr double kEqualSide = 960;  // the longer side of a plot with equal units

struct Label {
  double position;
  std::string text;
  TextExtent extent;
};

struct Axis {
  bool ranged = false;
  double min = 0, max = 1, step = 0;
  std::string title;
  std::vector<Label> labels;
};

struct Box {
  double x0, y0, x1, y1;
  bool Overlaps(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

// The document's operations sorted by what they draw.
struct Scene {
  std::vector<std::string> titles;
  std::array<Axis, 4> axes;  // by GraphAxis
  bool plain = false;
  std::vector<const GraphOperation*> texts, circles, lines, scales;
  std::vector<TextExtent> textExtents;  // of `texts`

  Axis& axis(GraphAxis a) { return axes[static_cast<std::size_t>(a)]; }
  const Axis& axis(GraphAxis a) const { return axes[static_cast<std::size_t>(a)]; }
};

Scene ReadScene(const GraphDocument& graph, const TextSetter& setter) {
  Scene scene;
  scene.titles = GraphTitleLines(graph);
  for (const GraphOperation& op : graph.operations) {
    switch (op.kind) {
      case GraphOpKind::kSetAxisRange: {
        Axis& a = scene.axis(op.axis);
        if (std::isfinite(op.a) && std::isfinite(op.b) && op.b > op.a) {
          a.ranged = true;
          a.min = op.a;
          a.max = op.b;
          a.step = std::isfinite(op.c) && op.c > 0 ? op.c : 0;
        }
        break;
      }
      case GraphOpKind::kSetAxisTitle: scene.axis(op.axis).title = op.text; break;
      case GraphOpKind::kAddAxisLabel:
        if (std::isfinite(op.a)) {
          scene.axis(op.axis).labels.push_back({op.a, op.text, setter.Measure(op.text, kLabelFont)});
        }
        break;
      case GraphOpKind::kAddText:
        if (std::isfinite(op.a) && std::isfinite(op.b)) {
          scene.texts.push_back(&op);
          scene.textExtents.push_back(setter.Measure(op.text, kTextFont));
        }
        break;
      case GraphOpKind::kAddCircle:
        if (std::isfinite(op.a) && std::isfinite(op.b) && std::isfinite(op.c)) {
          scene.circles.push_back(&op);
        }
        break;
      case GraphOpKind::kAddLine:
        if (std::isfinite(op.a) && std::isfinite(op.b) && std::isfinite(op.c) &&
            std::isfinite(op.d)) {
          scene.lines.push_back(&op);
        }
        break;
      case GraphOpKind::kAddColourScale: scene.scales.push_back(&op); break;
      case GraphOpKind::kPlainAxes: scene.plain = true; break;
      case GraphOpKind::kCreate:
      case GraphOpKind::kSetTitle:
      case GraphOpKind::kAddSubtitle:
      case GraphOpKind::kAddPlot:
      case GraphOpKind::kShow: break;
    }
  }
  // Without a range, an axis spans what is drawn along it.
  for (const GraphAxis which : {GraphAxis::kX, GraphAxis::kY}) {
    Axis& a = scene.axis(which);
    if (a.ranged) continue;
    const bool isX = which == GraphAxis::kX;
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    auto take = [&](double v) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    };
    for (const GraphOperation* c : scene.circles) {
      take((isX ? c->a : c->b) - std::fabs(c->c));
      take((isX ? c->a : c->b) + std::fabs(c->c));
    }
    for (const GraphOperation* l : scene.lines) {
      take(isX ? l->a : l->b);
      take(isX ? l->c : l->d);
    }
    for (const GraphOperation* t : scene.texts) take(isX ? t->a : t->b);
    for (const Label& l : a.labels) take(l.position);
    if (!(hi >= lo)) lo = 0, hi = 1;
    if (hi - lo < 1e-12) lo -= 0.5, hi += 0.5;
    const double margin = (hi - lo) * 0.05;
    a.min = lo - margin;
    a.max = hi + margin;
  }
  for (Axis& a : scene.axes) {
    std::stable_sort(a.labels.begin(), a.labels.end(),
                     [](const Label& x, const Label& y) { return x.position < y.position; });
  }
  return scene;
}

// The box of text `i` with the plot scaled by (sx, sy) pixels per unit,
// relative to the world origin (y downwards).
Box TextBox(const Scene& scene, std::size_t i, double sx, double sy) {
  const GraphOperation& t = *scene.texts[i];
  const TextExtent& e = scene.textExtents[i];
  const double x = t.a * sx;
  const double y = -t.b * sy;
  const double top = t.placement == 8 ? y - e.height : t.placement == 5 ? y : y - e.height / 2;
  return {x - e.width / 2, top, x + e.width / 2, top + e.height};
}

// How many texts overlap another at this scale.
std::size_t OverlappingTexts(const Scene& scene, double sx, double sy) {
  const std::size_t n = scene.texts.size();
  std::vector<Box> boxes(n);
  std::vector<std::size_t> order(n);
  for (std::size_t i = 0; i < n; ++i) {
    boxes[i] = TextBox(scene, i, sx, sy);
    order[i] = i;
  }
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return boxes[a].x0 < boxes[b].x0; });
  std::vector<unsigned char> hit(n, 0);
  for (std::size_t a = 0; a < n; ++a) {
    const Box& ba = boxes[order[a]];
    for (std::size_t b = a + 1; b < n && boxes[order[b]].x0 < ba.x1; ++b) {
      if (ba.Overlaps(boxes[order[b]]) && scene.texts[order[a]]->text != "" &&
          scene.texts[order[b]]->text != "") {
        hit[order[a]] = hit[order[b]] = 1;
      }
    }
  }
  return static_cast<std::size_t>(std::count(hit.begin(), hit.end(), 1));
}

double LineHeight(const Font& font) { return font.size * 1.25; }

// The smallest distance between neighbouring labels of an axis, in units.
double SmallestLabelGap(const Axis& a) {
  double gap = std::numeric_limits<double>::infinity();
  for (std::size_t i = 1; i < a.labels.size(); ++i) {
    const double d = a.labels[i].position - a.labels[i - 1].position;
    if (d > 1e-12) gap = std::min(gap, d);
  }
  return gap;
}

// Whether X labels side by side touch at `sx` pixels per unit.
bool XLabelsCollide(const Axis& a, double sx) {
  for (std::size_t i = 1; i < a.labels.size(); ++i) {
    const double d = (a.labels[i].position - a.labels[i - 1].position) * sx;
    if ((a.labels[i].extent.width + a.labels[i - 1].extent.width) / 2 + kGap > d) return true;
  }
  return false;
}

// The tick positions of an axis without labels.
std::vector<double> Ticks(const Axis& a) {
  std::vector<double> ticks;
  if (a.step <= 0) return ticks;
  double step = a.step;
  const double count = (a.max - a.min) / step;
  if (count > kMaxTicks) step *= std::ceil(count / kMaxTicks);
  for (int k = 0;; ++k) {
    const double v = a.min + k * step;
    if (v > a.max + step * 1e-9) break;
    ticks.push_back(v);
  }
  return ticks;
}

class GraphPainter {
 public:
  explicit GraphPainter(const GraphDocument& graph)
      : scene_(ReadScene(graph, text_)), titles_(text_, scene_.titles) {
    Layout();
  }

  Picture Render(bool withPng) {
    return RenderPicture(width_, height_, [this](cairo_t* cr) { Paint(cr); }, withPng);
  }

 private:
  const Axis& X() const { return scene_.axis(GraphAxis::kX); }
  const Axis& Y() const { return scene_.axis(GraphAxis::kY); }
  const Axis& Y2() const { return scene_.axis(GraphAxis::kY2); }
  double Px(double x) const { return left_ + (x - X().min) * sx_; }
  double Py(double y) const { return top_ + (Y().max - y) * sy_; }

  void Layout() {
    const double xr = X().max - X().min;
    const double yr = Y().max - Y().min;
    const bool equalUnits = !scene_.circles.empty() && xr / yr <= 3 && yr / xr <= 3;
    double pw = 1000, ph = 620;
    if (equalUnits) {
      pw = xr >= yr ? kEqualSide : kEqualSide * xr / yr;
      ph = xr >= yr ? kEqualSide * yr / xr : kEqualSide;
    }
    // Room for the labels along each axis.
    double gx = 1, gy = 1;
    const double xGap = SmallestLabelGap(X());
    if (std::isfinite(xGap)) gx = std::max(gx, LineHeight(kLabelFont) * 1.1 / (xGap * pw / xr));
    const double yGap = std::min(SmallestLabelGap(Y()), SmallestLabelGap(Y2()));
    if (std::isfinite(yGap)) gy = std::max(gy, LineHeight(kLabelFont) * 1.1 / (yGap * ph / yr));
    if (equalUnits) gx = gy = std::max(gx, gy);
    // Room for the texts: the smallest growth without overlaps, or failing
    // that the smallest that does about as well as the largest allowed.
    double gt = 1;
    if (!scene_.texts.empty() && scene_.texts.size() <= 5000) {
      static constexpr double kGrowth[] = {1, 1.25, 1.5, 1.75, 2, 2.5, 3, 3.5, 4, 5, 6, 8};
      std::vector<std::pair<double, std::size_t>> tried;
      for (const double g : kGrowth) {
        const double w = pw * std::max(gx, g), h = ph * std::max(gy, g);
        if (g > 1 && (w * h > kMaxArea || std::max(w, h) > kMaxSide)) break;
        const std::size_t overlaps = OverlappingTexts(scene_, w / xr, h / yr);
        tried.emplace_back(g, overlaps);
        if (overlaps == 0) break;
      }
      std::size_t best = tried.front().second;
      for (const auto& t : tried) best = std::min(best, t.second);
      const std::size_t good = best + scene_.texts.size() / 50;
      for (const auto& t : tried) {
        if (t.second <= good) {
          gt = t.first;
          break;
        }
      }
    }
    pw *= std::max(gx, gt);
    ph *= std::max(gy, gt);
    const double shrink = std::min({1.0, std::sqrt(kMaxArea / (pw * ph)), kMaxSide / pw, kMaxSide / ph});
    pw *= shrink;
    ph *= shrink;
    sx_ = pw / xr;
    sy_ = ph / yr;
    rotateX_ = XLabelsCollide(X(), sx_);

    // Margins: everything drawn outside the plot must fit.
    double below = 0, leftOf = 0, rightOf = 0;
    if (!X().labels.empty()) {
      double extent = 0;
      for (const Label& l : X().labels) extent = std::max(extent, rotateX_ ? l.extent.width : l.extent.height);
      below = kGap + extent;
    } else if (!scene_.plain && X().step > 0) {
      below = kTick + kGap + LineHeight(kTickFont);
    }
    auto sideExtent = [&](const Axis& a) {
      double extent = 0;
      if (!a.labels.empty()) {
        for (const Label& l : a.labels) extent = std::max(extent, l.extent.width);
        return kGap + extent;
      }
      if (scene_.plain || a.step <= 0) return 0.0;
      for (const double t : Ticks(a)) extent = std::max(extent, text_.Measure(ShortNumber(t), kTickFont).width);
      return kTick + kGap + extent;
    };
    leftOf = sideExtent(Y());
    rightOf = sideExtent(Y2());
    xTitle_ = X().title.empty() ? TextExtent{} : text_.Measure(X().title, kAxisTitleFont);
    yTitle_ = Y().title.empty() ? TextExtent{} : text_.Measure(Y().title, kAxisTitleFont);
    y2Title_ = Y2().title.empty() ? TextExtent{} : text_.Measure(Y2().title, kAxisTitleFont);
    labelsBelow_ = below;
    labelsLeft_ = leftOf;
    labelsRight_ = rightOf;
    if (!X().title.empty()) below += kGap * 2 + xTitle_.height;
    if (!Y().title.empty()) leftOf += kGap * 2 + yTitle_.height;
    if (!Y2().title.empty()) rightOf += kGap * 2 + y2Title_.height;

    // What the shapes and texts reach beyond the plot (pixels from its edges).
    double over[4] = {0, 0, 0, 0};  // left, top, right, bottom
    auto reach = [&](double x0, double y0, double x1, double y1) {
      over[0] = std::max(over[0], -x0);
      over[1] = std::max(over[1], -y0);
      over[2] = std::max(over[2], x1 - pw);
      over[3] = std::max(over[3], y1 - ph);
    };
    const double ox = -X().min * sx_, oy = Y().max * sy_;  // world origin in plot pixels
    for (std::size_t i = 0; i < scene_.texts.size(); ++i) {
      const Box b = TextBox(scene_, i, sx_, sy_);
      reach(b.x0 + ox - 3, b.y0 + oy - 3, b.x1 + ox + 3, b.y1 + oy + 3);
    }
    for (const GraphOperation* c : scene_.circles) {
      const double r = std::fabs(c->c) * sx_ + 1;
      const double x = c->a * sx_ + ox, y = -c->b * sy_ + oy;
      reach(x - r, y - r, x + r, y + r);
    }
    for (const GraphOperation* l : scene_.lines) {
      const double w = LineWidth(*l) / 2;
      reach(std::min(l->a, l->c) * sx_ + ox - w, -std::max(l->b, l->d) * sy_ + oy - w,
            std::max(l->a, l->c) * sx_ + ox + w, -std::min(l->b, l->d) * sy_ + oy + w);
    }
    const double legend = scene_.scales.empty()
                              ? 0
                              : scene_.scales.size() * (kLegendThick + 4 + LineHeight(kTickFont) + 8);
    left_ = kPad + std::max(leftOf, over[0]);
    const double right = kPad + std::max(rightOf, over[2]);
    titleTop_ = kPad;
    legendTop_ = titleTop_ + titles_.height() + (titles_.height() > 0 ? 10 : 0);
    top_ = legendTop_ + legend + 10 + over[1];
    const double bottom = kPad + std::max(below, over[3]);
    double width = left_ + pw + right;
    const double needed = std::max(titles_.width(), kLegendBar + 120) + 2 * kPad;
    if (width < needed) {
      left_ += (needed - width) / 2;
      width = needed;
    }
    width_ = static_cast<int>(std::ceil(width));
    height_ = static_cast<int>(std::ceil(top_ + ph + bottom));
    plotW_ = pw;
    plotH_ = ph;
  }

  static double LineWidth(const GraphOperation& l) {
    return std::isfinite(l.width) ? 0.8 + 0.7 * std::max(0.0, l.width) : 1.5;
  }

  void Paint(cairo_t* cr) const {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    titles_.Draw(cr, width_ / 2.0, titleTop_);
    PaintLegends(cr);
    PaintAxes(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (const GraphOperation* l : scene_.lines) {
      SetColour(cr, GraphColour(l->colour));
      cairo_set_line_width(cr, LineWidth(*l));
      cairo_move_to(cr, Px(l->a), Py(l->b));
      cairo_line_to(cr, Px(l->c), Py(l->d));
      cairo_stroke(cr);
    }
    for (const GraphOperation* c : scene_.circles) {
      cairo_new_path(cr);
      cairo_arc(cr, Px(c->a), Py(c->b), std::fabs(c->c) * sx_, 0, 2 * M_PI);
      SetColour(cr, GraphColour(c->colour));
      cairo_fill_preserve(cr);
      // A thin darker rim keeps light discs visible on white.
      const Rgb fill = GraphColour(c->colour);
      SetColour(cr, {fill.r * 0.7, fill.g * 0.7, fill.b * 0.7});
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
    }
    for (std::size_t i = 0; i < scene_.texts.size(); ++i) {
      const GraphOperation& t = *scene_.texts[i];
      const double anchorY = t.placement == 8 ? 1 : t.placement == 5 ? 0 : 0.5;
      text_.Draw(cr, t.text, kTextFont, Px(t.a), Py(t.b), {0.5, anchorY}, 0, kInk, true);
    }
  }

  void PaintLegends(cairo_t* cr) const {
    double y = legendTop_;
    const double x1 = left_ + plotW_;
    const double x0 = x1 - kLegendBar;
    for (const GraphOperation* s : scene_.scales) {
      const double box = kLegendBar / 100;
      for (int k = 0; k < 100; ++k) {
        const int colour = static_cast<int>(65535 - k / 100.0 * 65535);
        SetColour(cr, GraphColour(colour));
        // A hair wider than the box, so that no seam shows between boxes.
        cairo_rectangle(cr, x0 + k * box, y, box + (k < 99 ? 0.5 : 0), kLegendThick);
        cairo_fill(cr);
      }
      cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
      cairo_set_line_width(cr, 1);
      cairo_rectangle(cr, x0 + 0.5, y + 0.5, kLegendBar - 1, kLegendThick - 1);
      cairo_stroke(cr);
      text_.Draw(cr, s->text, kTickFont, x0, y + kLegendThick + 3, {0, 0}, 0, kInk);
      text_.Draw(cr, s->text2, kTickFont, x1, y + kLegendThick + 3, {1, 0}, 0, kInk);
      y += kLegendThick + 4 + LineHeight(kTickFont) + 8;
    }
  }

  void PaintAxes(cairo_t* cr) const {
    const double x0 = left_, x1 = left_ + plotW_, y0 = top_, y1 = top_ + plotH_;
    cairo_set_line_width(cr, 1);
    // Faint guides through labelled positions on plain axes.
    if (scene_.plain) {
      cairo_set_source_rgb(cr, 0.9, 0.9, 0.9);
      for (const Label& l : X().labels) {
        cairo_move_to(cr, std::round(Px(l.position)) + 0.5, y0);
        cairo_line_to(cr, std::round(Px(l.position)) + 0.5, y1);
      }
      for (const Label& l : Y().labels) {
        cairo_move_to(cr, x0, std::round(Py(l.position)) + 0.5);
        cairo_line_to(cr, x1, std::round(Py(l.position)) + 0.5);
      }
      cairo_stroke(cr);
    } else {
      cairo_set_source_rgb(cr, 0.25, 0.25, 0.25);
      cairo_move_to(cr, x0 - 0.5, y0);
      cairo_line_to(cr, x0 - 0.5, y1 + 0.5);
      cairo_line_to(cr, x1, y1 + 0.5);
      if (!Y2().labels.empty() || Y2().ranged) {
        cairo_move_to(cr, x1 + 0.5, y0);
        cairo_line_to(cr, x1 + 0.5, y1 + 0.5);
      }
      cairo_stroke(cr);
    }
    const bool ticks = !scene_.plain;
    cairo_set_source_rgb(cr, 0.25, 0.25, 0.25);
    // X
    if (!X().labels.empty()) {
      for (const Label& l : X().labels) {
        const double x = Px(l.position);
        if (ticks) {
          cairo_move_to(cr, x, y1);
          cairo_line_to(cr, x, y1 + kTick);
          cairo_stroke(cr);
        }
        if (rotateX_) {
          text_.Draw(cr, l.text, kLabelFont, x, y1 + kGap, {1, 0.5}, 90, kInk);
        } else {
          text_.Draw(cr, l.text, kLabelFont, x, y1 + kGap, {0.5, 0}, 0, kInk);
        }
      }
    } else if (ticks) {
      for (const double t : Ticks(X())) {
        const double x = Px(t);
        cairo_move_to(cr, x, y1);
        cairo_line_to(cr, x, y1 + kTick);
        cairo_stroke(cr);
        text_.Draw(cr, ShortNumber(t), kTickFont, x, y1 + kTick + 2, {0.5, 0}, 0, kInk);
      }
    }
    // Y and Y2
    for (const bool right : {false, true}) {
      const Axis& a = right ? Y2() : Y();
      const double edge = right ? x1 : x0;
      const double dir = right ? 1 : -1;
      const Anchor anchor{right ? 0.0 : 1.0, 0.5};
      if (!a.labels.empty()) {
        for (const Label& l : a.labels) {
          const double y = Py(l.position);
          if (ticks) {
            cairo_move_to(cr, edge, y);
            cairo_line_to(cr, edge + dir * kTick, y);
            cairo_stroke(cr);
          }
          text_.Draw(cr, l.text, kLabelFont, edge + dir * kGap, y, anchor, 0, kInk);
        }
      } else if (ticks && (!right || a.ranged)) {
        for (const double t : Ticks(a)) {
          const double y = right ? top_ + (a.max - t) / (a.max - a.min) * plotH_ : Py(t);
          cairo_move_to(cr, edge, y);
          cairo_line_to(cr, edge + dir * kTick, y);
          cairo_stroke(cr);
          text_.Draw(cr, ShortNumber(t), kTickFont, edge + dir * (kTick + 2), y, anchor, 0, kInk);
        }
      }
    }
    // Axis titles.
    if (!X().title.empty()) {
      text_.Draw(cr, X().title, kAxisTitleFont, x0 + plotW_ / 2, y1 + labelsBelow_ + kGap * 2,
                 {0.5, 0}, 0, kInk);
    }
    if (!Y().title.empty()) {
      text_.Draw(cr, Y().title, kAxisTitleFont, x0 - labelsLeft_ - kGap * 2, y0 + plotH_ / 2,
                 {0.5, 1}, 90, kInk);
    }
    if (!Y2().title.empty()) {
      text_.Draw(cr, Y2().title, kAxisTitleFont, x1 + labelsRight_ + kGap * 2, y0 + plotH_ / 2,
                 {0.5, 1}, -90, kInk);
    }
  }

  TextSetter text_;
  Scene scene_;
  TitleBlock titles_;
  double sx_ = 1, sy_ = 1;  // pixels per unit
  double left_ = 0, top_ = 0, plotW_ = 0, plotH_ = 0;
  double titleTop_ = 0, legendTop_ = 0;
  double labelsBelow_ = 0, labelsLeft_ = 0, labelsRight_ = 0;
  TextExtent xTitle_, yTitle_, y2Title_;
  bool rotateX_ = false;
  int width_ = 0, height_ = 0;
};

}  // namespace

Picture RenderGraph(const GraphDocument& graph, bool withPng) {
  return GraphPainter(graph).Render(withPng);
}

std::vector<std::string> GraphTitleLines(const GraphDocument& graph) {
  std::vector<std::string> titles;
  for (const GraphOperation& op : graph.operations) {
    if (op.kind == GraphOpKind::kCreate) titles = {"None"};
    if (op.kind == GraphOpKind::kSetTitle) {
      if (titles.empty()) titles.emplace_back();
      titles[0] = op.text;
    }
    if (op.kind == GraphOpKind::kAddSubtitle) titles.push_back(op.text);
  }
  return titles;
}

}  // namespace linkan::app
