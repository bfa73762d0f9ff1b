// picture_canvas.cpp
#include "picture_canvas.h"

#include <cairo-svg.h>
#include <cairo.h>
#include <pango/pangocairo.h>
#include <png.h>

#include <csetjmp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <stdexcept>

namespace linkan::app {
namespace {

constexpr const char* kFamily = "DejaVu Sans, Noto Sans, Liberation Sans, sans-serif";

struct LayoutDeleter {
  void operator()(PangoLayout* l) const { g_object_unref(l); }
};
using LayoutPtr = std::unique_ptr<PangoLayout, LayoutDeleter>;

struct FontDescriptionDeleter {
  void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
};

LayoutPtr MakeLayout(PangoContext* context, const std::string& text, const Font& font) {
  LayoutPtr layout(pango_layout_new(context));
  std::unique_ptr<PangoFontDescription, FontDescriptionDeleter> description(
      pango_font_description_from_string(kFamily));
  pango_font_description_set_absolute_size(description.get(), font.size * PANGO_SCALE);
  pango_font_description_set_weight(description.get(),
                                    font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_layout_set_font_description(layout.get(), description.get());
  pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
  return layout;
}

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

void Check(cairo_status_t status, const char* what) {
  if (status != CAIRO_STATUS_SUCCESS) {
    throw std::runtime_error(std::string("cannot draw the picture (") + what +
                             "): " + cairo_status_to_string(status));
  }
}

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using ContextPtr = std::unique_ptr<cairo_t, ContextDeleter>;

void DrawOn(cairo_surface_t* surface, const std::function<void(cairo_t*)>& draw, const char* what) {
  Check(cairo_surface_status(surface), what);
  ContextPtr cr(cairo_create(surface));
  Check(cairo_status(cr.get()), what);
  draw(cr.get());
  Check(cairo_status(cr.get()), what);
}

// cairo calls the SVG's top group "surfaceN", N counting every surface the
// process has made: renumber such names by their order in the file.
std::string RenumberSurfaceIds(const std::string& svg) {
  std::string out;
  out.reserve(svg.size());
  std::map<std::string, std::string> names;
  const std::string key = "surface";
  std::size_t at = 0;
  for (;;) {
    const std::size_t found = svg.find(key, at);
    if (found == std::string::npos) break;
    std::size_t end = found + key.size();
    while (end < svg.size() && svg[end] >= '0' && svg[end] <= '9') ++end;
    const bool quotedName =
        end > found + key.size() && found > 0 && (svg[found - 1] == '"' || svg[found - 1] == '#') &&
        end < svg.size() && (svg[end] == '"' || svg[end] == ')');
    out.append(svg, at, found - at);
    if (quotedName) {
      const std::string old = svg.substr(found, end - found);
      auto [it, added] = names.emplace(old, key + std::to_string(names.size() + 1));
      out += it->second;
    } else {
      out.append(svg, found, end - found);
    }
    at = end;
  }
  out.append(svg, at, std::string::npos);
  return out;
}

void AppendPngData(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))
      ->append(reinterpret_cast<const char*>(data), length);
}

void FlushNothing(png_structp) {}

// The image as an RGB PNG. Written here rather than by cairo, which tries
// every row filter on every row: unfiltered rows compress as small for
// these pictures (large flat areas) at less than half the time. Returns
// false when libpng fails (out of memory).
bool EncodePng(cairo_surface_t* image, std::string& out) {
  const int width = cairo_image_surface_get_width(image);
  const int height = cairo_image_surface_get_height(image);
  const int stride = cairo_image_surface_get_stride(image);
  const unsigned char* data = cairo_image_surface_get_data(image);
  std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {  // libpng's errors land here
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  png_set_write_fn(png, &out, &AppendPngData, &FlushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, 6);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    // RGB24: one native-endian 32-bit word per pixel, 0x00RRGGBB.
    const auto* pixels = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = pixels[x];
      row[static_cast<std::size_t>(x) * 3] = static_cast<png_byte>(p >> 16);
      row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<png_byte>(p >> 8);
      row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<png_byte>(p);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

TextSetter::TextSetter() : context_(pango_font_map_create_context(pango_cairo_font_map_get_default())) {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(context_, options);
  cairo_font_options_destroy(options);
  pango_cairo_context_set_resolution(context_, 96);
}

TextSetter::~TextSetter() { g_object_unref(context_); }

TextExtent TextSetter::Measure(const std::string& text, const Font& font) const {
  const LayoutPtr layout = MakeLayout(context_, text, font);
  PangoRectangle logical;
  pango_layout_get_extents(layout.get(), nullptr, &logical);
  return {static_cast<double>(logical.width) / PANGO_SCALE,
          static_cast<double>(logical.height) / PANGO_SCALE};
}

void TextSetter::Draw(cairo_t* cr, const std::string& text, const Font& font, double x, double y,
                      Anchor anchor, double degrees, const Rgb& colour, bool halo) const {
  if (text.empty()) return;
  const LayoutPtr layout = MakeLayout(context_, text, font);
  PangoRectangle logical;
  pango_layout_get_extents(layout.get(), nullptr, &logical);
  const double w = static_cast<double>(logical.width) / PANGO_SCALE;
  const double h = static_cast<double>(logical.height) / PANGO_SCALE;
  cairo_save(cr);
  cairo_translate(cr, x, y);
  if (degrees != 0) cairo_rotate(cr, -degrees * M_PI / 180.0);
  cairo_move_to(cr, -anchor.x * w - static_cast<double>(logical.x) / PANGO_SCALE,
                -anchor.y * h - static_cast<double>(logical.y) / PANGO_SCALE);
  if (halo) {
    cairo_save(cr);
    pango_cairo_layout_path(cr, layout.get());
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_set_line_width(cr, std::max(2.0, font.size / 4));
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    cairo_restore(cr);
    cairo_move_to(cr, -anchor.x * w - static_cast<double>(logical.x) / PANGO_SCALE,
                  -anchor.y * h - static_cast<double>(logical.y) / PANGO_SCALE);
  }
  SetColour(cr, colour);
  pango_cairo_show_layout(cr, layout.get());
  cairo_restore(cr);
}

void SetColour(cairo_t* cr, const Rgb& c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

Picture RenderPicture(int width, int height, const std::function<void(cairo_t*)>& draw,
                      bool withPng) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  {
    SurfacePtr svg(cairo_svg_surface_create_for_stream(&AppendToString, &picture.svg, width, height));
    Check(cairo_surface_status(svg.get()), "svg");
    cairo_svg_surface_set_document_unit(svg.get(), CAIRO_SVG_UNIT_PX);
    DrawOn(svg.get(), draw, "svg");
    cairo_surface_finish(svg.get());
    Check(cairo_surface_status(svg.get()), "svg");
  }
  picture.svg = RenumberSurfaceIds(picture.svg);
  if (!withPng) return picture;
  SurfacePtr image(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
  DrawOn(image.get(), draw, "png");
  cairo_surface_flush(image.get());
  if (!EncodePng(image.get(), picture.png)) Check(CAIRO_STATUS_NO_MEMORY, "png");
  return picture;
}

}  // namespace linkan::app

namespace linkan::app {

namespace {
constexpr Font kTitleFont{22, true};
constexpr Font kSubtitleFont{15, false};
constexpr double kLineGap = 4;
}  // namespace

TitleBlock::TitleBlock(const TextSetter& text, std::vector<std::string> lines)
    : text_(text), lines_(std::move(lines)) {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const TextExtent e = text_.Measure(lines_[i], i == 0 ? kTitleFont : kSubtitleFont);
    width_ = std::max(width_, e.width);
    height_ += e.height + kLineGap;
  }
}

void TitleBlock::Draw(cairo_t* cr, double centreX, double top) const {
  double y = top;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Font& font = i == 0 ? kTitleFont : kSubtitleFont;
    const TextExtent e = text_.Measure(lines_[i], font);
    text_.Draw(cr, lines_[i], font, centreX, y, {0.5, 0}, 0, i == 0 ? kInk : kGreyInk);
    y += e.height + kLineGap;
  }
}

std::string ShortNumber(double x) {
  if (std::fabs(x) < 1e-12) x = 0;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", x);
  return buf;
}

}  // namespace linkan::app
