// project_file_probe.cpp
#include "projectdb/project_file_probe.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>

#include "projectdb/project_tables.h"

namespace linkan::projectdb {
namespace {

// The fixed 100-byte header of an SQLite database file.
constexpr std::size_t kHeaderSize = 100;
constexpr char kMagic[] = "SQLite format 3";  // 16 bytes with the terminator

std::uint32_t Big32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

ProbeResult Refuse(std::string reason) { return {ProbeVerdict::kRefused, std::move(reason)}; }
ProbeResult Damaged(std::string what) { return {ProbeVerdict::kDamaged, std::move(what)}; }

// The first header field that holds a value neither SQLite's file format
// nor a project file allows, described; empty when none. A
// project file is written in WAL mode (file format versions 1 or 2 while
// switching), without reserved bytes per page, in UTF-8 and without auto
// vacuum; the payload fractions are fixed and bytes 72 to 91 are zero.
std::string InvalidHeaderField(const unsigned char* header) {
  const auto field = [](const char* name, std::uint32_t value) {
    return std::string(name) + " " + std::to_string(value);
  };
  if (header[18] < 1 || header[18] > 2) return field("an invalid write version", header[18]);
  if (header[19] < 1 || header[19] > 2) return field("an invalid read version", header[19]);
  if (header[20] != 0) return field("reserved bytes per page", header[20]);
  if (header[21] != 64 || header[22] != 32 || header[23] != 32) {
    return "invalid payload fractions";
  }
  const std::uint32_t schemaFormat = Big32(header + 44);
  if (schemaFormat < 1 || schemaFormat > 4) return field("an invalid schema format", schemaFormat);
  if (Big32(header + 52) != 0 || Big32(header + 64) != 0) return "an auto-vacuum setting";
  if (Big32(header + 56) != 1) return field("a text encoding other than UTF-8:", Big32(header + 56));
  for (int i = 72; i < 92; ++i) {
    if (header[i] != 0) return "a non-zero byte at offset " + std::to_string(i) + " (reserved)";
  }
  return {};
}

bool SideFileHasContent(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && st.st_size > 0;
}

}  // namespace

ProbeResult ProbeProjectFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return {ProbeVerdict::kMissing, {}};
    return Refuse(std::string("cannot be examined: ") + std::strerror(errno));
  }
  if (!S_ISREG(st.st_mode)) return Refuse("is not a regular file");
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (size == 0) {
    // An empty file with a write-ahead log beside it is a database whose
    // content lives in the log: not ours to overwrite.
    if (SideFileHasContent(path + "-wal")) {
      return Refuse("is empty but has a write-ahead log of another database beside it");
    }
    return {ProbeVerdict::kEmpty, {}};
  }

  unsigned char header[kHeaderSize] = {};
  std::ifstream in(path, std::ios::binary);
  if (!in) return Refuse("cannot be read");
  in.read(reinterpret_cast<char*>(header), kHeaderSize);
  const auto got = static_cast<std::size_t>(in.gcount());
  if (got < sizeof kMagic || std::memcmp(header, kMagic, sizeof kMagic) != 0) {
    return Refuse("is not a project database (it is not an SQLite database file)");
  }
  if (got < kHeaderSize) {
    return Damaged("it is truncated (" + std::to_string(size) +
                   " bytes, shorter than the 100-byte database header)");
  }

  const std::uint32_t applicationId = Big32(header + 68);
  if (applicationId != static_cast<std::uint32_t>(kApplicationId)) {
    return Refuse("is an SQLite database of another application, not a project database");
  }
  const auto userVersion = static_cast<std::int32_t>(Big32(header + 60));
  if (userVersion > kFormatVersion) {
    return Refuse("is a project database of a newer format (" + std::to_string(userVersion) +
                  ") than this module reads (" + std::to_string(kFormatVersion) + ")");
  }
  if (userVersion < 1) {
    return Damaged("the header holds no format version (user_version " +
                   std::to_string(userVersion) + ")");
  }

  std::uint32_t pageSize = (std::uint32_t{header[16]} << 8) | header[17];
  if (pageSize == 1) pageSize = 65536;
  if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) {
    return Damaged("the header holds an invalid page size (" + std::to_string(pageSize) + ")");
  }
  if (const std::string field = InvalidHeaderField(header); !field.empty()) {
    return Damaged("the header holds " + field);
  }

  // A database file is a whole number of pages, at least as many as its
  // header announces when that count is valid (the change counter equals
  // the version-valid-for number).
  if (size % pageSize != 0) {
    return Damaged("it is truncated or extended (" + std::to_string(size) +
                   " bytes, no whole number of " + std::to_string(pageSize) + "-byte pages)");
  }
  const std::uint32_t changeCounter = Big32(header + 24);
  const std::uint32_t headerPages = Big32(header + 28);
  const std::uint32_t validFor = Big32(header + 92);
  if (changeCounter == validFor && headerPages != 0 &&
      std::uint64_t{headerPages} * pageSize > size) {
    return Damaged("it is truncated (the header announces " +
                   std::to_string(std::uint64_t{headerPages} * pageSize) + " bytes, the file has " +
                   std::to_string(size) + ")");
  }
  return {ProbeVerdict::kCandidate, {}};
}

}  // namespace linkan::projectdb
