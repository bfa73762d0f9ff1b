// file_io.cpp
#include "file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "data_error.h"

namespace linkan::app {
namespace {

std::string Reason(int err) { return std::strerror(err); }

}  // namespace

std::string ReadWholeFile(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    throw DataError(path, 0, 0, "cannot read: it is a folder");
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw DataError(path, 0, 0, "cannot read: " + Reason(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  // One read of the whole size for a regular file; blocks from a pipe.
  struct stat info {};
  constexpr std::size_t kBlock = std::size_t{1} << 20;
  std::size_t room = kBlock;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    room = static_cast<std::size_t>(info.st_size) + 1;  // + 1 to meet the end at once
  }
  std::string text(room, '\0');
  std::size_t used = 0;
  for (;;) {
    if (used == text.size()) text.resize(text.size() + kBlock);
    const ssize_t n = ::read(fd, text.data() + used, text.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw DataError(path, 0, 0, "read failed: " + Reason(errno));
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  text.resize(used);
  return text;
}

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {
  const std::filesystem::path target(path_);
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  // A fresh name beside the target; open() applies the user's umask.
  for (int attempt = 0; fd_ < 0; ++attempt) {
    std::string name = ".";
    name.append(target.filename().string()).append(".tmp").append(std::to_string(::getpid()));
    name.append("-").append(std::to_string(attempt));
    temp_ = (folder / name).string();
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && (errno != EEXIST || attempt > 1000)) {
      throw DataError(path_, 0, 0, "cannot write: " + Reason(errno));
    }
  }
}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(temp_.c_str());
  }
}

void AtomicFileWriter::Append(std::string_view content) {
  if (content.size() >= kBlock) {  // large pieces go out without a copy
    Flush();
    Write(content);
    return;
  }
  buffer_.append(content);
  FlushIfFull();
}

void AtomicFileWriter::Flush() {
  Write(buffer_);
  buffer_.clear();
}

void AtomicFileWriter::Write(std::string_view content) {
  const char* p = content.data();
  std::size_t left = content.size();
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw DataError(path_, 0, 0, "write failed: " + Reason(errno));
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

void AtomicFileWriter::Commit() {
  Flush();
  if (::fsync(fd_) != 0) throw DataError(path_, 0, 0, "write failed: " + Reason(errno));
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp_.c_str());
    throw DataError(path_, 0, 0, "write failed: " + Reason(err));
  }
  if (::rename(temp_.c_str(), path_.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp_.c_str());
    throw DataError(path_, 0, 0, "cannot write: " + Reason(err));
  }
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  AtomicFileWriter file(path);
  file.Append(content);
  file.Commit();
}

}  // namespace linkan::app
