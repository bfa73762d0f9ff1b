// blob_codec.h
//
// The one encoder and decoder of the array fields of a project file. Every
// BLOB column of the project tables is written and read here; the layouts
// are documented in docs/projectdb-format.md:
//   array of int2 / int4 / real8: the values back to back, each little-endian
//       two-, four- or eight-byte (IEEE 754 binary64); the count is the blob
//       length divided by the width; an empty array is a zero-length blob.
//   array of string: per string a four-byte little-endian byte length, then
//       the bytes (no terminator).
//   itemsets key (FrequentItemInfo.itemsets): big-endian so that comparing
//       two keys byte-wise (SQLite's BLOB order) gives the key order of the
//       field: the number of itemsets as an unsigned four-byte value, then
//       per itemset its size (unsigned four bytes) followed by its items,
//       each a four-byte value with the sign bit flipped.
// Encoders append to `out`; decoders replace `out` and return false, with
// `out` unspecified, when the bytes do not form a valid value of the type.
//
// Thread safety: pure functions.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace linkan::projectdb {

void AppendInt16Array(std::string& out, std::span<const std::int16_t> values);
void AppendInt32Array(std::string& out, std::span<const std::int32_t> values);
void AppendReal8Array(std::string& out, std::span<const double> values);
void AppendStringArray(std::string& out, std::span<const std::string> values);
void AppendItemsetsKey(std::string& out, const std::vector<std::vector<std::int32_t>>& itemsets);

bool DecodeInt16Array(std::string_view bytes, std::vector<std::int16_t>& out);
bool DecodeInt32Array(std::string_view bytes, std::vector<std::int32_t>& out);
bool DecodeReal8Array(std::string_view bytes, std::vector<double>& out);
bool DecodeStringArray(std::string_view bytes, std::vector<std::string>& out);
bool DecodeItemsetsKey(std::string_view bytes, std::vector<std::vector<std::int32_t>>& out);

}  // namespace linkan::projectdb
