// file_io.cpp
#include "file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "data_error.h"

namespace linkan::app {
namespace {

std::string Reason(int err) { return std::strerror(err); }

// Closes the descriptor and removes the temporary file unless released.
class TempFileGuard {
 public:
  TempFileGuard(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~TempFileGuard() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempFileGuard(const TempFileGuard&) = delete;
  TempFileGuard& operator=(const TempFileGuard&) = delete;
  int fd() const { return fd_; }
  // Closes the descriptor; returns 0 or an errno value.
  int Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0 ? 0 : errno;
  }
  void Release() { path_.clear(); }

 private:
  int fd_;
  std::string path_;
};

}  // namespace

std::string ReadWholeFile(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw DataError(path, 0, 0, "cannot read: it is a folder");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw DataError(path, 0, 0, "cannot read: " + Reason(errno));
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) throw DataError(path, 0, 0, "read failed: " + Reason(errno));
  return std::move(buffer).str();
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  const std::filesystem::path target(path);
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  // A fresh name beside the target; open() applies the user's umask.
  std::string tmpl;
  int fd = -1;
  for (int attempt = 0; fd < 0; ++attempt) {
    std::string name = ".";
    name.append(target.filename().string()).append(".tmp").append(std::to_string(::getpid()));
    name.append("-").append(std::to_string(attempt));
    tmpl = (folder / name).string();
    fd = ::open(tmpl.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && (errno != EEXIST || attempt > 1000)) {
      throw DataError(path, 0, 0, "cannot write: " + Reason(errno));
    }
  }
  TempFileGuard guard(fd, tmpl);
  const char* p = content.data();
  std::size_t left = content.size();
  while (left > 0) {
    const ssize_t n = ::write(guard.fd(), p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw DataError(path, 0, 0, "write failed: " + Reason(errno));
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::fsync(guard.fd()) != 0) throw DataError(path, 0, 0, "write failed: " + Reason(errno));
  if (const int err = guard.Close(); err != 0) {
    throw DataError(path, 0, 0, "write failed: " + Reason(err));
  }
  if (::rename(tmpl.c_str(), path.c_str()) != 0) {
    throw DataError(path, 0, 0, "cannot write: " + Reason(errno));
  }
  guard.Release();
}

}  // namespace linkan::app
