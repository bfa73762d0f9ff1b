// text_position.cpp
#include "text_position.h"

namespace linkan::app {

TextPosition PositionInText(std::string_view text, std::size_t offset) {
  TextPosition p{1, 1};
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++p.line;
      p.column = 1;
    } else if (c != '\r' && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++p.column;
    }
  }
  return p;
}

}  // namespace linkan::app
