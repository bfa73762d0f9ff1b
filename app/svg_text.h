// svg_text.h
//
// A picture's SVG file made fit to sit inside index.html beside other
// pictures: the XML declaration dropped, every id (and every reference to
// one: href="#id", url(#id)) given `idPrefix`, since the ids of inline
// pictures share the page's name space and cairo names the glyphs of every
// picture alike, and the picture scaled down to the page's width when
// wider (up to 2400 pixels; a wider one keeps its size and scrolls).
//
// Thread safety: no shared state.
#pragma once

#include <string>

namespace linkan::app {

std::string InlineSvg(const std::string& svg, const std::string& idPrefix);

}  // namespace linkan::app
