// crash_test.cpp: a write that dies half-way (the process killed, the disk
// full) leaves the last committed state of the project readable.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <functional>

#include "frame/host/module_error.h"
#include "projectdb/project_database.h"
#include "projectdb_test_util.h"

namespace linkan::testing {
namespace {

constexpr int kCommitted = 500;

std::vector<std::int32_t> ItemsOf(int i) { return {i % 17, 20 + i % 5}; }

// A project holding kCommitted records, a project record and patterns.
void MakeCommittedProject(const std::string& path) {
  ProjectDatabase db;
  OpenOrFail(db, path);
  AttachedWriter writer(db);
  for (int i = 0; i < kCommitted; ++i) writer.Insert("s" + std::to_string(i), 1.0, ItemsOf(i));
  writer.Detach();
  db.SaveProjectRecord(FullProjectRecord());
  db.SaveFrequentPatterns({{5, {{1}}}, {3, {{1}, {2}}}}, {1});
}

void ExpectCommittedProject(const std::string& path, double minsupp) {
  ProjectDatabase db;
  OpenOrFail(db, path);
  EXPECT_EQ(db.CountTransactions(), static_cast<std::uint64_t>(kCommitted));
  int seen = 0;
  db.ForEachTransaction([&](const TransactionRecord& r) {
    const int i = std::stoi(r.sid.substr(1));
    EXPECT_EQ(r.items, ItemsOf(i)) << r.sid;
    ++seen;
  });
  EXPECT_EQ(seen, kCommitted);
  ProjectRecord record;
  ASSERT_TRUE(db.LoadProjectRecord(record));
  EXPECT_EQ(record.settings.minsupp, minsupp);
  std::vector<StoredPattern> patterns;
  std::vector<std::uint32_t> leaves;
  db.LoadFrequentPatterns(patterns, leaves);
  EXPECT_EQ(patterns.size(), 2u);
}

// Runs `child` in a forked process that reports through a pipe when it is
// in the middle of its write; the parent kills it there.
void KillMidWrite(const std::function<void(int signalFd)>& child) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(fds[0]);
    try {
      child(fds[1]);
    } catch (...) {
      ::_exit(3);
    }
    ::_exit(4);  // the write ended before it was killed
  }
  ::close(fds[1]);
  char byte = 0;
  const ssize_t got = ::read(fds[0], &byte, 1);
  ::close(fds[0]);
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_EQ(got, 1) << "the child ended before its write began";
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
}

// In a child process: opens the project or ends the child.
void OpenOrExit(ProjectDatabase& db, const std::string& path) {
  db.SetPath(path);
  if (db.OpenProjectDatabase() != 0) ::_exit(2);
}

void Signal(int fd) {
  const char byte = 'x';
  if (::write(fd, &byte, 1) != 1) ::_exit(5);
}

TEST(Crash, KilledWriterLeavesTheLastCommittedState) {
  TempDir dir;
  const std::string path = dir.File("crash.dbs");
  MakeCommittedProject(path);
  KillMidWrite([&](int fd) {
    ProjectDatabase db;
    OpenOrExit(db, path);
    ProjectRecord record = FullProjectRecord();
    record.settings.minsupp = 0.125;
    db.SaveProjectRecord(record);  // committed before the kill
    AttachedWriter writer(db);
    for (int i = 0;; ++i) {  // a write without end, killed in its course
      writer.Merge("s" + std::to_string(i % 2000), 1.0, {1000 + i});
      if (i == 20000) Signal(fd);
    }
  });
  ExpectCommittedProject(path, 0.125);
}

TEST(Crash, KilledRewriteLeavesEveryRecordAsItWas) {
  TempDir dir;
  const std::string path = dir.File("crash.dbs");
  MakeCommittedProject(path);
  KillMidWrite([&](int fd) {
    ProjectDatabase db;
    OpenOrExit(db, path);
    int visited = 0;
    db.RewriteAllTransactions([&](TransactionRecord& r) {
      for (auto& item : r.items) item += 1000;
      if (++visited == kCommitted / 2) {
        Signal(fd);
        ::pause();  // stay in the middle of the rewrite until killed
      }
      return true;
    });
  });
  ExpectCommittedProject(path, FullProjectRecord().settings.minsupp);
}

TEST(Crash, AFullDiskFailsTheSaveAndKeepsThePreviousState) {
  TempDir dir;
  const std::string path = dir.File("full.dbs");
  MakeCommittedProject(path);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ProjectDatabase db;
    OpenOrExit(db, path);
    // No file of this process may grow past 256 KiB from here on.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{256 * 1024, 256 * 1024};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(6);
    std::vector<StoredPattern> many;
    for (std::uint32_t i = 0; i < 60000; ++i) many.push_back({i, {{1, 2, 3}, {4, 5, 6}}});
    try {
      db.SaveFrequentPatterns(many, {});
    } catch (const ModuleError& e) {
      ::_exit(e.kind() == ErrorKind::kIo ? 0 : 7);
    }
    ::_exit(8);  // the save should not have fitted
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  ExpectCommittedProject(path, FullProjectRecord().settings.minsupp);
}

}  // namespace
}  // namespace linkan::testing
