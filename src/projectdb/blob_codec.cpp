// blob_codec.cpp
#include "projectdb/blob_codec.h"

#include <bit>
#include <cstring>
#include <limits>

#include "frame/host/module_error.h"

namespace linkan::projectdb {
namespace {

template <class U>
void AppendLittle(std::string& out, U value) {
  char bytes[sizeof(U)];
  for (std::size_t i = 0; i < sizeof(U); ++i) {
    bytes[i] = static_cast<char>(static_cast<unsigned char>(value >> (8 * i)));
  }
  out.append(bytes, sizeof(U));
}

template <class U>
U ReadLittle(const char* p) {
  U value = 0;
  for (std::size_t i = 0; i < sizeof(U); ++i) {
    value |= static_cast<U>(static_cast<unsigned char>(p[i])) << (8 * i);
  }
  return value;
}

void AppendBig32(std::string& out, std::uint32_t value) {
  const char bytes[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                         static_cast<char>(value >> 8), static_cast<char>(value)};
  out.append(bytes, 4);
}

std::uint32_t ReadBig32(const char* p) {
  const auto b = [p](int i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(p[i]));
  };
  return (b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
}

// Fixed-width signed values: a plain copy on little-endian machines,
// byte by byte elsewhere.
template <class T, class U>
void AppendFixed(std::string& out, std::span<const T> values) {
  static_assert(sizeof(T) == sizeof(U));
  if constexpr (std::endian::native == std::endian::little) {
    out.append(reinterpret_cast<const char*>(values.data()), values.size_bytes());
  } else {
    out.reserve(out.size() + values.size_bytes());
    for (const T v : values) AppendLittle<U>(out, std::bit_cast<U>(v));
  }
}

template <class T, class U>
bool DecodeFixed(std::string_view bytes, std::vector<T>& out) {
  static_assert(sizeof(T) == sizeof(U));
  if (bytes.size() % sizeof(T) != 0) return false;
  const std::size_t n = bytes.size() / sizeof(T);
  out.resize(n);
  if constexpr (std::endian::native == std::endian::little) {
    if (n > 0) std::memcpy(out.data(), bytes.data(), bytes.size());
  } else {
    for (std::size_t i = 0; i < n; ++i) {
      out[i] = std::bit_cast<T>(ReadLittle<U>(bytes.data() + i * sizeof(T)));
    }
  }
  return true;
}

std::uint32_t CheckedLength(std::size_t n) {
  if (n > std::numeric_limits<std::uint32_t>::max()) {
    throw ModuleError(ErrorKind::kInvalidInput, "Project database: a value is too long to store");
  }
  return static_cast<std::uint32_t>(n);
}

}  // namespace

void AppendInt16Array(std::string& out, std::span<const std::int16_t> values) {
  AppendFixed<std::int16_t, std::uint16_t>(out, values);
}

void AppendInt32Array(std::string& out, std::span<const std::int32_t> values) {
  AppendFixed<std::int32_t, std::uint32_t>(out, values);
}

void AppendReal8Array(std::string& out, std::span<const double> values) {
  static_assert(std::numeric_limits<double>::is_iec559);
  AppendFixed<double, std::uint64_t>(out, values);
}

void AppendStringArray(std::string& out, std::span<const std::string> values) {
  for (const std::string& s : values) {
    AppendLittle<std::uint32_t>(out, CheckedLength(s.size()));
    out.append(s);
  }
}

void AppendItemsetsKey(std::string& out, const std::vector<std::vector<std::int32_t>>& itemsets) {
  AppendBig32(out, CheckedLength(itemsets.size()));
  for (const auto& set : itemsets) {
    AppendBig32(out, CheckedLength(set.size()));
    for (const std::int32_t item : set) {
      AppendBig32(out, static_cast<std::uint32_t>(item) ^ 0x80000000u);
    }
  }
}

bool DecodeInt16Array(std::string_view bytes, std::vector<std::int16_t>& out) {
  return DecodeFixed<std::int16_t, std::uint16_t>(bytes, out);
}

bool DecodeInt32Array(std::string_view bytes, std::vector<std::int32_t>& out) {
  return DecodeFixed<std::int32_t, std::uint32_t>(bytes, out);
}

bool DecodeReal8Array(std::string_view bytes, std::vector<double>& out) {
  return DecodeFixed<double, std::uint64_t>(bytes, out);
}

bool DecodeStringArray(std::string_view bytes, std::vector<std::string>& out) {
  out.clear();
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    if (bytes.size() - pos < 4) return false;
    const std::uint32_t n = ReadLittle<std::uint32_t>(bytes.data() + pos);
    pos += 4;
    if (bytes.size() - pos < n) return false;
    out.emplace_back(bytes.substr(pos, n));
    pos += n;
  }
  return true;
}

bool DecodeItemsetsKey(std::string_view bytes, std::vector<std::vector<std::int32_t>>& out) {
  out.clear();
  std::size_t pos = 0;
  const auto next = [&](std::uint32_t& v) {
    if (bytes.size() - pos < 4) return false;
    v = ReadBig32(bytes.data() + pos);
    pos += 4;
    return true;
  };
  std::uint32_t sets = 0;
  if (!next(sets)) return false;
  // Every itemset takes at least four bytes: a count larger than the rest
  // of the blob allows is damage, not a reason to reserve memory.
  if (sets > (bytes.size() - pos) / 4) return false;
  out.resize(sets);
  for (auto& set : out) {
    std::uint32_t size = 0;
    if (!next(size) || size > (bytes.size() - pos) / 4) return false;
    set.resize(size);
    for (auto& item : set) {
      std::uint32_t v = 0;
      if (!next(v)) return false;
      item = static_cast<std::int32_t>(v ^ 0x80000000u);
    }
  }
  return pos == bytes.size();
}

}  // namespace linkan::projectdb
