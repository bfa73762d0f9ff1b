// working_copy.cpp
//
// How a run changes a project without ever putting it at risk: the run's
// lock, the check that a file may be replaced, and the working copy that
// takes the project's place in one rename when the run has stored
// everything.
//
// A working copy is a hidden file beside the project,
// ".<project name>.run-XXXXXX", in the project's folder so that the final
// rename stays within one file system. Committing it:
//   1. commits, checkpoints the log into the file and leaves WAL mode, so
//      the file holds the whole project by itself, then closes it;
//   2. syncs the file, removes log files left beside the project (the
//      project was checkpointed when it was last opened, so they hold
//      nothing), renames the copy over the project and syncs the folder.
// A crash before the rename leaves the old project and a stale working
// copy, which the next run of the project removes; after it, the new one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "frame/host/module_error.h"
#include "projectdb/project_connection.h"
#include "projectdb/project_damage.h"
#include "projectdb/project_database.h"
#include "projectdb/project_database_internal.h"

namespace linkan {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSideFileSuffixes[] = {"-wal", "-shm", "-journal"};

std::string Quoted(const std::string& path) { return "the file \"" + path + "\""; }

fs::path FolderOf(const std::string& path) {
  fs::path folder = fs::path(path).parent_path();
  return folder.empty() ? fs::path(".") : folder;
}

// The name every working copy of the project at `path` starts with.
std::string WorkingCopyPrefix(const std::string& path) {
  return "." + fs::path(path).filename().string() + ".run-";
}

constexpr std::size_t kUniqueSuffixLength = 6;  // mkstemp's XXXXXX

// Whether `name` is a working copy of the project whose prefix is given, or
// one of its side files (and not, say, a working copy of a project whose
// name merely starts like it).
bool IsWorkingCopyName(const std::string& name, const std::string& prefix) {
  if (name.size() < prefix.size() + kUniqueSuffixLength ||
      name.compare(0, prefix.size(), prefix) != 0) {
    return false;
  }
  const std::string rest = name.substr(prefix.size() + kUniqueSuffixLength);
  if (rest.empty()) return true;
  for (const char* suffix : kSideFileSuffixes) {
    if (rest == suffix) return true;
  }
  return false;
}

// Removes the working copies (and their side files) that killed runs left.
void RemoveStaleWorkingCopies(const std::string& path) {
  const std::string prefix = WorkingCopyPrefix(path);
  std::error_code ec;
  std::vector<fs::path> stale;
  for (fs::directory_iterator it(FolderOf(path), ec), end; !ec && it != end; it.increment(ec)) {
    if (IsWorkingCopyName(it->path().filename().string(), prefix)) stale.push_back(it->path());
  }
  for (const fs::path& p : stale) fs::remove(p, ec);
}

void RemoveSideFiles(const std::string& path) {
  for (const char* suffix : kSideFileSuffixes) {
    std::error_code ec;
    fs::remove(path + suffix, ec);
  }
}

// fsync of a file or a folder; false with errno set when it fails.
bool Sync(const std::string& path, bool folder) {
  const int fd = ::open(path.c_str(), (folder ? O_RDONLY | O_DIRECTORY : O_RDWR) | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  const int saved = errno;
  ::close(fd);
  errno = saved;
  return ok;
}

[[noreturn]] void ThrowIo(const std::string& text) {
  throw ModuleError(ErrorKind::kIo, "Project database: " + text);
}

// Copies the project open on `source` into the empty file `target`.
void CopyProject(sqlite3* source, const std::string& target) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(target.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
  projectdb::SqliteDb copy(raw);
  if (rc != SQLITE_OK) {
    ThrowIo(Quoted(target) + " cannot be made: " + (raw ? sqlite3_errmsg(raw) : "out of memory"));
  }
  sqlite3_backup* backup = sqlite3_backup_init(copy.get(), "main", source, "main");
  if (!backup) ThrowIo("copying the project failed: " + std::string(sqlite3_errmsg(copy.get())));
  const int stepped = sqlite3_backup_step(backup, -1);
  const int finished = sqlite3_backup_finish(backup);
  if (stepped != SQLITE_DONE || finished != SQLITE_OK) {
    ThrowIo("copying the project failed: " + std::string(sqlite3_errmsg(copy.get())));
  }
}

}  // namespace

void ProjectDatabase::LockProject(projectdb::ProjectLock::Mode mode) {
  lock_.Release();  // a run of this handle never excludes itself
  lock_ = projectdb::ProjectLock::Acquire(path_, mode);
}

bool ProjectDatabase::IsWriteProtected(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return (st.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0;
}

std::string ProjectDatabase::CheckReplaceable(const std::string& path) {
  std::error_code ec;
  const auto status = fs::symlink_status(path, ec);
  if (ec || !fs::exists(status)) return {};
  if (!fs::is_regular_file(status)) return "is not a regular file";
  if (IsWriteProtected(path)) return "is write-protected";
  projectdb::ProjectTablesRegistration registration;
  std::string why;
  // Opening a sound project applies its log; closing it checkpoints and
  // removes the log, so nothing is left beside it to lose later.
  projectdb::SqliteDb db;
  try {
    db = projectdb::OpenProjectFile(path, registration.tables(), why);
  } catch (const projectdb::ProjectDamaged& e) {
    return "is a damaged project (" + e.damage() + ")";
  }
  if (!db) {
    const std::string prefix = Quoted(path) + " ";
    return why.compare(0, prefix.size(), prefix) == 0 ? why.substr(prefix.size()) : why;
  }
  return {};
}

int ProjectDatabase::OpenWorkingCopy(WorkingCopyStart start) {
  CloseProjectDatabase();
  lastError_.clear();
  RemoveStaleWorkingCopies(path_);
  std::string name = (FolderOf(path_) / WorkingCopyPrefix(path_)).string() + "XXXXXX";
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    openFailed_ = true;
    lastError_ = "Failed to make a working copy of the project beside " + Quoted(path_) + ": " +
                 std::strerror(errno) + ".";
    return 1;
  }
  ::close(fd);
  workingPath_ = name;
  // Every failure leaves no working copy behind and says why.
  auto fail = [this](std::string why) {
    DiscardWorkingCopy();
    openFailed_ = true;
    lastError_ = std::move(why);
    return 1;
  };
  try {
    std::error_code ec;
    if (start == WorkingCopyStart::kCopyOfProject && fs::exists(path_, ec)) {
      if (OpenFile(path_, OpenKind::kChecked) != 0) return fail(lastError_);
      CopyProject(Conn().raw(), workingPath_);
      CloseConnection();
    }
  } catch (const projectdb::ProjectDamaged& e) {
    fail(e.what());
    throw;
  } catch (const ModuleError& e) {
    return fail(std::string("Failed to make a working copy of the project: ") + e.what() + ".");
  }
  if (OpenFile(workingPath_, OpenKind::kTrusted) != 0) return fail(lastError_);
  return 0;
}

void ProjectDatabase::CommitWorkingCopy() {
  if (!HasWorkingCopy() || !connection_) {
    throw ModuleError(ErrorKind::kInternal, "Project database: no working copy is open");
  }
  const std::string working = workingPath_;
  try {
    Connection& c = Conn();
    c.CommitPending();
    // The whole project into the file itself: no log may stay behind.
    projectdb::Exec(c.raw(), "PRAGMA wal_checkpoint(TRUNCATE)", "completing the project file");
    projectdb::Statement mode(c.raw(), "PRAGMA journal_mode = DELETE",
                              "completing the project file");
    if (!mode.Step("completing the project file") || mode.ColumnText(0) != "delete") {
      ThrowIo(Quoted(working) + " cannot leave its write-ahead log");
    }
    mode = projectdb::Statement();
    CloseConnection();
    if (!Sync(working, false)) ThrowIo("syncing " + Quoted(working) + ": " + std::strerror(errno));
    RemoveSideFiles(path_);
    if (::rename(working.c_str(), path_.c_str()) != 0) {
      ThrowIo("the new project cannot take the place of " + Quoted(path_) + ": " +
              std::strerror(errno));
    }
  } catch (...) {
    DiscardWorkingCopy();
    throw;
  }
  workingPath_.clear();
  RemoveSideFiles(working);
  // The rename is durable once the folder is synced; the project is
  // complete either way.
  Sync(FolderOf(path_).string(), true);
  if (OpenFile(path_, OpenKind::kTrusted) != 0) ThrowIo(lastError_);
}

void ProjectDatabase::DiscardWorkingCopy() noexcept {
  CloseConnection();
  if (workingPath_.empty()) return;
  std::error_code ec;
  fs::remove(workingPath_, ec);
  RemoveSideFiles(workingPath_);
  workingPath_.clear();
}

}  // namespace linkan
