// project_lock.h
//
// ProjectLock: one writing run at a time on a project file. A run that
// changes the project holds an exclusive lock for its whole duration; a run
// that only shows a project's results holds a shared one, so it never sees
// a project being replaced under it. A lock that is held elsewhere is never
// waited for: the run is refused at once.
//
// The lock is an flock(2) on a hidden lock file beside the project
// (".<project file name>.lock"). The lock file is never removed: removing it would let
// a run lock a new file while another still holds the old one. The kernel
// drops the lock when its holder ends, however it ends (kill -9 included),
// so a crashed run never leaves a project locked.
//
// Locks are per lock object, also within one process: two analysis objects
// of one process exclude each other like two processes do.
//
// Thread safety: a lock object belongs to one thread; locking is safe from
// any number of threads and processes.
#pragma once

#include <string>

namespace linkan::projectdb {

class ProjectLock {
 public:
  enum class Mode { kShared, kExclusive };

  // An unheld lock.
  ProjectLock() = default;
  ~ProjectLock();
  ProjectLock(ProjectLock&& other) noexcept;
  ProjectLock& operator=(ProjectLock&& other) noexcept;
  ProjectLock(const ProjectLock&) = delete;
  ProjectLock& operator=(const ProjectLock&) = delete;

  // Takes the lock of the project at `projectPath`. Throws ModuleError(kIo)
  // saying so when another run holds a conflicting lock, or when the lock
  // file cannot be made or opened. A shared lock in a folder where the lock
  // file cannot be made (a read-only folder, where nobody can write the
  // project either) is not taken, and no error is thrown.
  static ProjectLock Acquire(const std::string& projectPath, Mode mode);

  // The lock file of the project at `projectPath`.
  static std::string LockFilePath(const std::string& projectPath);

  bool held() const { return fd_ >= 0; }
  // Releases the lock (nothing when not held).
  void Release();

 private:
  explicit ProjectLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace linkan::projectdb
