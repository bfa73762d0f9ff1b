// text_position.h
//
// Line and column of a byte in a text, for error reports. Lines end at LF,
// CRLF or a lone CR and count from 1; columns count characters (UTF-8
// sequences, not bytes) from 1.
//
// Thread safety: no shared state.
#pragma once

#include <cstddef>
#include <string_view>

namespace linkan::app {

struct TextPosition {
  long line = 0;
  long column = 0;
};

// The position of byte `offset` of `text` (an offset at or past the end is
// the position just after the last character). Linear in `offset`.
TextPosition PositionInText(std::string_view text, std::size_t offset);

}  // namespace linkan::app
