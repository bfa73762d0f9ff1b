// chart_render.cpp: the pictures of rule charts (graph_render.h).
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "graph_render.h"

namespace linkan::app {
namespace {

constexpr Font kLabelFont{13, false};
constexpr Font kValueFont{11, false};
constexpr Font kTickFont{12, false};
constexpr Font kAxisTitleFont{15, true};
constexpr double kPad = 24;
constexpr double kGap = 6;
constexpr double kLegendWidth = 18;
constexpr double kMaxGrid = 12000;  // pixels
constexpr double kMinWidth = 800;   // pixels

class ChartPainter {
 public:
  explicit ChartPainter(const DiscreteContourChart& chart)
      : chart_(chart), n_(std::max(chart.size, 0)), titles_(text_, ChartTitleLines(chart)) {
    for (int r = 0; r < n_; ++r) {
      for (int c = 0; c < n_; ++c) {
        const float v = Value(r, c);
        if (!std::isfinite(v)) continue;
        low_ = std::min(low_, static_cast<double>(v));
        high_ = std::max(high_, static_cast<double>(v));
      }
    }
    if (!(high_ >= low_)) low_ = high_ = 0;
    Layout();
  }

  Picture Render(bool withPng) {
    return RenderPicture(width_, height_, [this](cairo_t* cr) { Paint(cr); }, withPng);
  }

 private:
  float Value(int r, int c) const {
    const std::size_t i =
        static_cast<std::size_t>(r) * static_cast<std::size_t>(n_) + static_cast<std::size_t>(c);
    return i < chart_.values.size() ? chart_.values[i] : std::numeric_limits<float>::quiet_NaN();
  }
  std::string RowLabel(int r) const {
    return static_cast<std::size_t>(r) < chart_.rowLabels.size() ? chart_.rowLabels[r] : "";
  }
  std::string ColumnLabel(int c) const {
    return static_cast<std::size_t>(c) < chart_.columnLabels.size() ? chart_.columnLabels[c] : "";
  }
  // Darker for a higher value; one value alone sits in the middle.
  Rgb CellColour(double v) const {
    if (high_ <= low_) return RampColour(0.5);
    return RampColour(1 - (v - low_) / (high_ - low_));
  }

  void Layout() {
    const double lh = kLabelFont.size * 1.25;
    // Row labels (X, bodies) and column labels (Y, heads).
    for (int i = 0; i < n_; ++i) {
      rowWidth_ = std::max(rowWidth_, text_.Measure(RowLabel(i), kLabelFont).width);
      columnWidth_ = std::max(columnWidth_, text_.Measure(ColumnLabel(i), kLabelFont).width);
    }
    const double rowWidth = rowWidth_, columnWidth = columnWidth_;
    cell_ = n_ > 0 ? std::clamp(std::floor(720.0 / n_), std::ceil(lh * 1.1), 96.0) : 96;
    if (n_ > 0 && cell_ * n_ > kMaxGrid) cell_ = kMaxGrid / n_;
    rotate_ = rowWidth + kGap > cell_;
    showValues_ = cell_ >= 44;
    const double grid = cell_ * n_;
    const TextExtent x = text_.Measure(chart_.axisTitles[0], kAxisTitleFont);
    const TextExtent y = text_.Measure(chart_.axisTitles[1], kAxisTitleFont);
    const TextExtent z = text_.Measure(chart_.axisTitles[2], kAxisTitleFont);
    const double below = kGap + (rotate_ ? rowWidth : lh) + kGap * 2 + x.height;
    const double leftOf = kGap + columnWidth + kGap * 2 + y.height;
    double tickWidth = 0;
    for (const double t : LegendTicks()) {
      tickWidth = std::max(tickWidth, text_.Measure(ShortNumber(t), kTickFont).width);
    }
    const double legend = 40 + std::max(kLegendWidth + 6 + tickWidth, z.width);
    titleTop_ = kPad;
    top_ = titleTop_ + titles_.height() + 16 + z.height + 8;
    left_ = kPad + leftOf;
    double width = left_ + grid + legend + kPad;
    const double needed = std::max(titles_.width() + 2 * kPad, kMinWidth);
    if (width < needed) {
      left_ += (needed - width) / 2;
      width = needed;
    }
    width_ = static_cast<int>(std::ceil(width));
    height_ = static_cast<int>(std::ceil(top_ + std::max(grid, 160.0) + below + kPad));
  }

  // The legend's numbers: the range's ends, and round values between them
  // (steps of 1, 2 or 5 times a power of ten) not too close to an end.
  std::vector<double> LegendTicks() const {
    if (high_ <= low_) return {low_};
    const double span = high_ - low_;
    const double raw = span / 4;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double unit = raw / power >= 5 ? 5 * power : raw / power >= 2 ? 2 * power : power;
    std::vector<double> ticks = {low_};
    for (double t = std::ceil(low_ / unit) * unit; t < high_; t += unit) {
      if (t - low_ > span * 0.12 && high_ - t > span * 0.12) ticks.push_back(t);
    }
    ticks.push_back(high_);
    return ticks;
  }

  void Paint(cairo_t* cr) const {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    titles_.Draw(cr, width_ / 2.0, titleTop_);
    const double grid = cell_ * n_;
    // Cells: X = row r (body), Y = column c (head), the first head on top.
    for (int r = 0; r < n_; ++r) {
      for (int c = 0; c < n_; ++c) {
        const float v = Value(r, c);
        if (!std::isfinite(v)) continue;
        const Rgb colour = CellColour(v);
        SetColour(cr, colour);
        cairo_rectangle(cr, left_ + r * cell_, top_ + c * cell_, cell_, cell_);
        cairo_fill(cr);
        if (showValues_) {
          text_.Draw(cr, ShortNumber(v), kValueFont, left_ + (r + 0.5) * cell_,
                     top_ + (c + 0.5) * cell_, {0.5, 0.5}, 0,
                     Luminance(colour) < 0.3 ? Rgb{1, 1, 1} : kInk);
        }
      }
    }
    // The grid lines, faint, and the frame.
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgb(cr, 0.88, 0.88, 0.88);
    for (int i = 1; i < n_; ++i) {
      const double p = std::round(i * cell_) + 0.5;
      cairo_move_to(cr, left_ + p, top_);
      cairo_line_to(cr, left_ + p, top_ + grid);
      cairo_move_to(cr, left_, top_ + p);
      cairo_line_to(cr, left_ + grid, top_ + p);
    }
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 0.4, 0.4, 0.4);
    cairo_rectangle(cr, left_ - 0.5, top_ - 0.5, grid + 1, grid + 1);
    cairo_stroke(cr);
    // Labels.
    for (int i = 0; i < n_; ++i) {
      const double x = left_ + (i + 0.5) * cell_;
      if (rotate_) {
        text_.Draw(cr, RowLabel(i), kLabelFont, x, top_ + grid + kGap, {1, 0.5}, 90, kInk);
      } else {
        text_.Draw(cr, RowLabel(i), kLabelFont, x, top_ + grid + kGap, {0.5, 0}, 0, kInk);
      }
      text_.Draw(cr, ColumnLabel(i), kLabelFont, left_ - kGap, top_ + (i + 0.5) * cell_, {1, 0.5},
                 0, kInk);
    }
    const double below = kGap + (rotate_ ? rowWidth_ : kLabelFont.size * 1.25) + kGap * 2;
    text_.Draw(cr, chart_.axisTitles[0], kAxisTitleFont, left_ + grid / 2, top_ + grid + below,
               {0.5, 0}, 0, kInk);
    text_.Draw(cr, chart_.axisTitles[1], kAxisTitleFont, left_ - kGap - columnWidth_ - kGap * 2,
               top_ + grid / 2, {0.5, 1}, 90, kInk);
    PaintLegend(cr, left_ + grid + 40, top_, std::clamp(grid, 160.0, 400.0));
  }

  void PaintLegend(cairo_t* cr, double x, double y, double h) const {
    text_.Draw(cr, chart_.axisTitles[2], kAxisTitleFont, x, y - 8, {0, 1}, 0, kInk);
    constexpr int kSteps = 100;
    for (int k = 0; k < kSteps; ++k) {
      // Top: the highest value, darkest.
      SetColour(cr, RampColour(static_cast<double>(k) / (kSteps - 1)));
      cairo_rectangle(cr, x, y + h * k / kSteps, kLegendWidth, h / kSteps + (k < kSteps - 1 ? 0.5 : 0));
      cairo_fill(cr);
    }
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, x + 0.5, y + 0.5, kLegendWidth - 1, h - 1);
    cairo_stroke(cr);
    for (const double t : LegendTicks()) {
      const double ty = high_ > low_ ? y + (high_ - t) / (high_ - low_) * h : y + h / 2;
      cairo_set_source_rgb(cr, 0.25, 0.25, 0.25);
      cairo_move_to(cr, x + kLegendWidth, ty);
      cairo_line_to(cr, x + kLegendWidth + 4, ty);
      cairo_stroke(cr);
      text_.Draw(cr, ShortNumber(t), kTickFont, x + kLegendWidth + 6, ty, {0, 0.5}, 0, kInk);
    }
  }

  const DiscreteContourChart& chart_;
  int n_;
  TextSetter text_;
  TitleBlock titles_;
  double low_ = std::numeric_limits<double>::infinity();
  double high_ = -std::numeric_limits<double>::infinity();
  double cell_ = 0, left_ = 0, top_ = 0, titleTop_ = 0;
  bool rotate_ = false, showValues_ = false;
  double rowWidth_ = 0, columnWidth_ = 0;  // the widest body and head labels
  int width_ = 0, height_ = 0;
};

}  // namespace

Picture RenderChart(const DiscreteContourChart& chart, bool withPng) {
  return ChartPainter(chart).Render(withPng);
}

std::vector<std::string> ChartTitleLines(const DiscreteContourChart& chart) {
  std::vector<std::string> lines;
  for (const std::string& title : chart.title) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = title.find('\n', start);
      std::string line = title.substr(start, end == std::string::npos ? end : end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(std::move(line));
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

}  // namespace linkan::app
