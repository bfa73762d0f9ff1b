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
  if (got < kHeaderSize) return Refuse("is a truncated database file");

  std::uint32_t pageSize = (std::uint32_t{header[16]} << 8) | header[17];
  if (pageSize == 1) pageSize = 65536;
  if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) {
    return Refuse("is a damaged database file (invalid page size)");
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

  // A database file is a whole number of pages, at least as many as its
  // header announces when that count is valid (the change counter equals
  // the version-valid-for number).
  if (size % pageSize != 0) return Refuse("is a truncated or damaged database file");
  const std::uint32_t changeCounter = Big32(header + 24);
  const std::uint32_t headerPages = Big32(header + 28);
  const std::uint32_t validFor = Big32(header + 92);
  if (changeCounter == validFor && headerPages != 0 &&
      std::uint64_t{headerPages} * pageSize > size) {
    return Refuse("is a truncated database file (the header announces " +
                  std::to_string(std::uint64_t{headerPages} * pageSize) + " bytes, the file has " +
                  std::to_string(size) + ")");
  }
  return {ProbeVerdict::kCandidate, {}};
}

}  // namespace linkan::projectdb
