// text_position.cpp
#include "text_position.h"

#include "linkanalysis/task_text.h"

namespace linkan::app {

TextPosition PositionInText(std::string_view text, std::size_t offset) {
  TextPosition p{1, 1};
  CountLinesAndColumns(text, offset, p.line, p.column);
  return p;
}

}  // namespace linkan::app
