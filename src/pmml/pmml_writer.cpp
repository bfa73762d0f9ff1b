// pmml_writer.cpp: document text and the all-or-nothing save.
#include "pmml/pmml_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "pmml/pmml_writer_internal.h"

namespace linkan::pmml {

std::string WriteDocument(const Document& doc, Dialect dialect) {
  pugi::xml_document xml;
  if (dialect == Dialect::kNative) {
    BuildNativeDocument(doc, xml);
  } else {
    BuildPmml44Document(doc, xml);
  }
  std::ostringstream out;
  xml.save(out, "  ", pugi::format_indent, pugi::encoding_utf8);
  return out.str();
}

std::string SaveDocument(const Document& doc, Dialect dialect, const std::string& path) {
  if (path.empty()) return "no file name";
  const std::string text = WriteDocument(doc, dialect);
  namespace fs = std::filesystem;
  const fs::path target(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return path + ": cannot write: " + std::strerror(errno);
  std::FILE* f = ::fdopen(fd, "wb");
  if (!f) {
    ::close(fd);
    ::unlink(temp.c_str());
    return path + ": cannot write: " + std::strerror(errno);
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size() &&
                       std::fflush(f) == 0 && ::fsync(::fileno(f)) == 0;
  const int error = errno;
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    ::unlink(temp.c_str());
    return path + ": cannot write: " + std::strerror(written ? errno : error);
  }
  ::chmod(temp.c_str(), 0644);
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const int e = errno;
    ::unlink(temp.c_str());
    return path + ": cannot write: " + std::strerror(e);
  }
  return {};
}

}  // namespace linkan::pmml
