// file_io.cpp
#include "file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "data_error.h"

namespace linkan::app {
namespace {

std::string Reason(int err) { return std::strerror(err); }

// Writes all of `content` to `fd`; 0, or the errno of the failure.
int WriteAll(int fd, std::string_view content) {
  const char* p = content.data();
  std::size_t left = content.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace

// Writes the blocks handed to it to a descriptor, one at a time, on a thread
// of its own. After a failed write the later blocks are dropped and the
// failure is reported at the next hand-over or drain.
class BlockWriterThread {
 public:
  explicit BlockWriterThread(int fd) : fd_(fd), thread_([this] { Loop(); }) {}
  ~BlockWriterThread() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  BlockWriterThread(const BlockWriterThread&) = delete;
  BlockWriterThread& operator=(const BlockWriterThread&) = delete;

  // Takes `block` (leaving `block` empty, with the capacity of a block
  // written before) once the block before it is written; returns the errno
  // of a failed write, or 0.
  int Hand(std::string& block) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (error_ == 0) {
      pending_.swap(block);
      busy_ = true;
      changed_.notify_all();
    }
    block.clear();
    return error_;
  }

  // Waits until every block handed over is written; the errno of the first
  // failed write, or 0.
  int Drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    return error_;
  }

 private:
  void Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return busy_ || stop_; });
      if (!busy_) return;
      lock.unlock();
      const int error = WriteAll(fd_, pending_);
      lock.lock();
      if (error_ == 0) error_ = error;
      busy_ = false;
      changed_.notify_all();
    }
  }

  const int fd_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string pending_;  // the block being written while busy_
  bool busy_ = false;
  bool stop_ = false;
  int error_ = 0;
  std::thread thread_;  // last: starts once the members above exist
};

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
  thread_.reset();  // the thread's last write ends before the file goes
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(temp_.c_str());
  }
}

void AtomicFileWriter::Append(std::string_view content) {
  if (content.size() >= kBlock) {  // large pieces go out without a copy
    Flush();
    Drain();
    Write(content);
    return;
  }
  buffer_.append(content);
  FlushIfFull();
}

void AtomicFileWriter::Flush() {
  if (buffer_.empty()) return;
  if (!thread_) thread_ = std::make_unique<BlockWriterThread>(fd_);
  if (const int err = thread_->Hand(buffer_); err != 0) {
    throw DataError(path_, 0, 0, "write failed: " + Reason(err));
  }
}

void AtomicFileWriter::Drain() {
  if (!thread_) return;
  if (const int err = thread_->Drain(); err != 0) {
    throw DataError(path_, 0, 0, "write failed: " + Reason(err));
  }
}

void AtomicFileWriter::Write(std::string_view content) {
  if (const int err = WriteAll(fd_, content); err != 0) {
    throw DataError(path_, 0, 0, "write failed: " + Reason(err));
  }
}

void AtomicFileWriter::Commit() {
  // A file of less than a block is written here, without a thread.
  if (thread_) {
    Flush();
    Drain();
    thread_.reset();
  } else {
    Write(buffer_);
  }
  buffer_.clear();
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
