// svg_text.cpp
#include "svg_text.h"

#include <cstdlib>
#include <string_view>

namespace linkan::app {
namespace {

constexpr long kMostScaledWidth = 2400;  // pixels

}  // namespace

std::string InlineSvg(const std::string& svg, const std::string& idPrefix) {
  std::string_view in(svg);
  if (in.substr(0, 5) == "<?xml") {
    const std::size_t end = in.find("?>");
    in.remove_prefix(end == std::string_view::npos ? in.size() : end + 2);
    while (!in.empty() && (in.front() == '\n' || in.front() == '\r')) in.remove_prefix(1);
  }
  std::string out;
  out.reserve(in.size() + in.size() / 16);
  constexpr std::string_view kMarks[] = {" id=\"", "href=\"#", "url(#"};
  // The next place of each mark, searched again only once passed (one
  // pass over the text, however many ids it holds).
  std::size_t next[std::size(kMarks)];
  for (std::size_t m = 0; m < std::size(kMarks); ++m) next[m] = in.find(kMarks[m]);
  std::size_t at = 0;
  for (;;) {
    std::size_t m = 0;
    for (std::size_t k = 1; k < std::size(kMarks); ++k) {
      if (next[k] < next[m]) m = k;
    }
    if (next[m] == std::string_view::npos) break;
    const std::size_t end = next[m] + kMarks[m].size();
    out.append(in.substr(at, end - at));
    out.append(idPrefix);
    at = end;
    for (std::size_t k = 0; k < std::size(kMarks); ++k) {
      if (next[k] != std::string_view::npos && next[k] < at) next[k] = in.find(kMarks[k], at);
    }
  }
  out.append(in.substr(at));
  // Scaled down to the page's width when wider; a very wide picture (a
  // tree of hundreds of items) keeps its size, for its labels to stay
  // readable, and the page scrolls it.
  const std::size_t tag = out.find("<svg ");
  if (tag == std::string::npos) return out;
  const std::size_t width = out.find(" width=\"", tag);
  const long pixels = width == std::string::npos ? 0 : std::atol(out.c_str() + width + 8);
  if (pixels <= kMostScaledWidth) out.insert(tag + 5, "style=\"max-width:100%;height:auto\" ");
  return out;
}

}  // namespace linkan::app
