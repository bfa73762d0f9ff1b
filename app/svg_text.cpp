// svg_text.cpp
#include "svg_text.h"

#include <string_view>

namespace linkan::app {

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
  std::size_t at = 0;
  while (at < in.size()) {
    std::size_t next = std::string_view::npos;
    std::size_t markLength = 0;
    for (const std::string_view mark : kMarks) {
      const std::size_t found = in.find(mark, at);
      if (found < next) {
        next = found;
        markLength = mark.size();
      }
    }
    if (next == std::string_view::npos) break;
    out.append(in.substr(at, next + markLength - at));
    out.append(idPrefix);
    at = next + markLength;
  }
  out.append(in.substr(at));
  // Scale to the page: the picture keeps its size when it fits.
  const std::size_t tag = out.find("<svg ");
  if (tag != std::string::npos) {
    out.insert(tag + 5, "style=\"max-width:100%;height:auto\" ");
  }
  return out;
}

}  // namespace linkan::app
