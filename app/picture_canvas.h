// picture_canvas.h
//
// What the pictures are drawn with: cairo for shapes, pango for text.
//
// TextSetter measures and draws text (UTF-8, any script the fonts cover)
// in one sans-serif family with fixed font options (grey antialiasing, no
// hinting), so that a text measures the same wherever it is drawn and an
// SVG and a PNG of one picture place every glyph alike. Sizes are in
// pixels.
//
// RenderPicture runs one drawing function twice, on an SVG surface and on
// an image surface of the same size, and returns both files' bytes. The
// output is deterministic: cairo names the SVG's top group by a counter
// that runs for the whole process, which is renumbered here, so the same
// drawing gives the same bytes in any process and in any order.
//
// Thread safety: a TextSetter belongs to one thread; RenderPicture has no
// shared state of its own.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "colour_ramp.h"

typedef struct _cairo cairo_t;
typedef struct _PangoContext PangoContext;

namespace linkan::app {

struct Font {
  double size = 13;  // pixels
  bool bold = false;
};

struct TextExtent {
  double width = 0, height = 0;  // pixels, unrotated
};

// Where a text's anchor point lies in its box: 0 left/top, 0.5 middle,
// 1 right/bottom.
struct Anchor {
  double x = 0.5, y = 0.5;
};

class TextSetter {
 public:
  TextSetter();
  ~TextSetter();
  TextSetter(const TextSetter&) = delete;
  TextSetter& operator=(const TextSetter&) = delete;

  TextExtent Measure(const std::string& text, const Font& font) const;
  // Draws `text` so that its anchor lies at (x, y), turned by `degrees`
  // (counter-clockwise on the page; 90 reads upwards). With `halo` a white
  // outline keeps it readable over lines and discs.
  void Draw(cairo_t* cr, const std::string& text, const Font& font, double x, double y,
            Anchor anchor, double degrees, const Rgb& colour, bool halo = false) const;

 private:
  PangoContext* context_;
};

struct Picture {
  std::string svg;
  std::string png;
  int width = 0;
  int height = 0;
};

// Throws std::runtime_error when cairo fails (out of memory, a size too
// large).
// Without `withPng` only the SVG is made (the PNG stays empty).
Picture RenderPicture(int width, int height, const std::function<void(cairo_t*)>& draw,
                      bool withPng = true);

// Paths and fills used by the renderers.
void SetColour(cairo_t* cr, const Rgb& c);

}  // namespace linkan::app

namespace linkan::app {

// The title lines at the top of a picture: the first large and bold, the
// others smaller, each centred.
class TitleBlock {
 public:
  TitleBlock(const TextSetter& text, std::vector<std::string> lines);
  double width() const { return width_; }
  double height() const { return height_; }
  // Draws the block with its top at `top`, centred on `centreX`.
  void Draw(cairo_t* cr, double centreX, double top) const;

 private:
  const TextSetter& text_;
  std::vector<std::string> lines_;
  double width_ = 0, height_ = 0;
};

// Text colours.
inline constexpr Rgb kInk{0.13, 0.13, 0.13};
inline constexpr Rgb kGreyInk{0.35, 0.35, 0.35};

// A number for a tick or a legend: at most 6 significant digits ("0.25",
// "1e+06"), no "-0".
std::string ShortNumber(double x);

}  // namespace linkan::app
