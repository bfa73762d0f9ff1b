// text_encoding.h
//
// The character encoding of the files the host reads. Text is UTF-8; a data
// file may be read as Latin-1 (ISO-8859-1) instead, converted to UTF-8 as it
// is read (bytes 0x80-0x9F become the control characters U+0080-U+009F, as
// in ISO-8859-1; it is not Windows-1252).
//
// Bad text is reported, never repaired: a NUL byte or a byte that is not
// valid UTF-8 is a DataError at its line and column, so that nothing
// silently drops or copies it into the results. A UTF-8 byte order mark at
// the start is skipped.
//
// Example:
//   std::string text = DecodeText(ReadWholeFile(path), TextEncoding::kLatin1, path);
//   std::string_view body = CheckUtf8Text(text, path, kLatin1Hint);
//
// Thread safety: no shared state.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace linkan::app {

enum class TextEncoding { kUtf8, kLatin1 };

// The advice the data readers add to an invalid-UTF-8 error.
inline constexpr std::string_view kLatin1Hint =
    "if the file is Latin-1 (ISO-8859-1), read it with --encoding latin1";

// "utf-8" or "utf8"; "latin1", "latin-1" or "iso-8859-1"; nothing for any
// other name.
std::optional<TextEncoding> ParseTextEncoding(std::string_view name);

// The offset of the first byte of `text` that is NUL or not part of valid
// UTF-8 (overlong forms, surrogates, code points above U+10FFFF and
// sequences cut short are invalid); std::string_view::npos when there is
// none.
std::size_t FindBadTextByte(std::string_view text);

// `text` without a leading UTF-8 byte order mark. Throws DataError naming
// `source`, line and column (counting characters) when the text starts
// with a UTF-16 byte order mark, holds a NUL byte or is not valid UTF-8;
// `hint` (when not empty) ends the invalid-UTF-8 message. The view points
// into `text`.
std::string_view CheckUtf8Text(std::string_view text, const std::string& source,
                               std::string_view hint = {});

// `bytes` as UTF-8: unchanged for kUtf8 (CheckUtf8Text checks it), each
// byte converted for kLatin1. Throws DataError when a file read as Latin-1
// starts with a UTF-16 or UTF-8 byte order mark (it is not Latin-1).
std::string DecodeText(std::string bytes, TextEncoding encoding, const std::string& source);

}  // namespace linkan::app
