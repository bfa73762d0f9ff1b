// text_encoding.cpp
#include "text_encoding.h"

#include <cstdio>

#include "data_error.h"
#include "text_position.h"

namespace linkan::app {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool StartsWithUtf16Bom(std::string_view text) {
  return text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') ||
                              (text[0] == '\xFE' && text[1] == '\xFF'));
}

bool InRange(unsigned char c, unsigned char low, unsigned char high) {
  return c >= low && c <= high;
}

// The length of the valid UTF-8 sequence at `i` (not NUL), or 0.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
  const auto at = [&](std::size_t k) {
    return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
  };
  const unsigned char c = at(0);
  if (c >= 0x01 && c <= 0x7F) return 1;
  // The allowed range of the second byte by lead byte; later bytes are
  // always 0x80-0xBF.
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (InRange(c, 0xC2, 0xDF)) {
    length = 2;
  } else if (InRange(c, 0xE0, 0xEF)) {
    length = 3;
    if (c == 0xE0) low = 0xA0;   // no overlong forms
    if (c == 0xED) high = 0x9F;  // no surrogates
  } else if (InRange(c, 0xF0, 0xF4)) {
    length = 4;
    if (c == 0xF0) low = 0x90;   // no overlong forms
    if (c == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (!InRange(at(1), low, high)) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (!InRange(at(k), 0x80, 0xBF)) return 0;
  }
  return length;
}

std::string Hex(unsigned char c) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", c);
  return text;
}

// The 1-based byte column of `offset` in its line.
std::size_t ByteColumn(std::string_view text, std::size_t offset) {
  std::size_t start = offset;
  while (start > 0 && text[start - 1] != '\n' && text[start - 1] != '\r') --start;
  return offset - start + 1;
}

}  // namespace

std::optional<TextEncoding> ParseTextEncoding(std::string_view name) {
  if (name == "utf-8" || name == "utf8") return TextEncoding::kUtf8;
  if (name == "latin1" || name == "latin-1" || name == "iso-8859-1") return TextEncoding::kLatin1;
  return std::nullopt;
}

std::size_t FindBadTextByte(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t n = SequenceLength(text, i);
    if (n == 0) return i;
    i += n;
  }
  return std::string_view::npos;
}

std::string_view CheckUtf8Text(std::string_view text, const std::string& source,
                               std::string_view hint) {
  if (StartsWithUtf16Bom(text)) {
    throw DataError(source, 1, 1, "the file is UTF-16 text; save it as UTF-8");
  }
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
  const std::size_t bad = FindBadTextByte(text);
  if (bad == std::string_view::npos) return text;
  const TextPosition p = PositionInText(text, bad);
  const unsigned char c = static_cast<unsigned char>(text[bad]);
  const std::string where = "(the column counts characters; it is byte " +
                            std::to_string(ByteColumn(text, bad)) + " of the line)";
  if (c == 0) {
    throw DataError(source, p.line, p.column, "NUL byte (0x00) in the text " + where);
  }
  std::string message = "byte " + Hex(c) + " is not valid UTF-8 " + where;
  if (!hint.empty()) message.append("; ").append(hint);
  throw DataError(source, p.line, p.column, message);
}

std::string DecodeText(std::string bytes, TextEncoding encoding, const std::string& source) {
  if (encoding == TextEncoding::kUtf8) return bytes;
  if (StartsWithUtf16Bom(bytes)) {
    throw DataError(source, 1, 1, "the file is UTF-16 text, not Latin-1; save it as UTF-8");
  }
  if (std::string_view(bytes).substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    throw DataError(source, 1, 1,
                    "the file starts with a UTF-8 byte order mark: it is UTF-8 text, so read it "
                    "without --encoding latin1");
  }
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 8);
  for (const char b : bytes) {
    const auto c = static_cast<unsigned char>(b);
    if (c < 0x80) {
      text.push_back(b);
    } else {
      text.push_back(static_cast<char>(0xC0 | (c >> 6)));
      text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return text;
}

}  // namespace linkan::app
