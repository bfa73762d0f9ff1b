// project_lock.cpp
#include "projectdb/project_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "frame/host/module_error.h"

namespace linkan::projectdb {
namespace {

[[noreturn]] void Throw(const std::string& text) {
  throw ModuleError(ErrorKind::kIo, text);
}

}  // namespace

ProjectLock::~ProjectLock() { Release(); }

ProjectLock::ProjectLock(ProjectLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

ProjectLock& ProjectLock::operator=(ProjectLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

std::string ProjectLock::LockFilePath(const std::string& projectPath) {
  const std::filesystem::path path(projectPath);
  return (path.parent_path() / ("." + path.filename().string() + ".lock")).string();
}

ProjectLock ProjectLock::Acquire(const std::string& projectPath, Mode mode) {
  const std::string lockPath = LockFilePath(projectPath);
  int fd = -1;
  do {
    fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0 && mode == Mode::kShared) {
    // Reading needs no write access: an existing lock file is still
    // honoured, a folder without one (read-only) has no writer to exclude.
    const int openError = errno;
    do {
      fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
      if (errno == ENOENT && (openError == EACCES || openError == EROFS)) return ProjectLock();
      Throw("the project's lock file \"" + lockPath + "\" cannot be opened: " +
            std::strerror(openError));
    }
  }
  if (fd < 0) {
    Throw("the project's lock file \"" + lockPath + "\" cannot be made: " + std::strerror(errno));
  }
  ProjectLock lock(fd);
  int rc = 0;
  do {
    rc = ::flock(fd, (mode == Mode::kExclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    if (errno == EWOULDBLOCK) {
      Throw("the project \"" + projectPath +
            "\" is in use by another run; try again when that run has finished");
    }
    Throw("the project \"" + projectPath + "\" cannot be locked: " + std::strerror(errno));
  }
  return lock;
}

void ProjectLock::Release() {
  if (fd_ < 0) return;
  ::close(fd_);  // closing the only descriptor drops the lock
  fd_ = -1;
}

}  // namespace linkan::projectdb
