// linkan_process.h
//
// Runs the built `linkan` binary as a child process (stdin from /dev/null)
// and collects its exit status, stdout and stderr, for the end-to-end
// tests.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app_test_util.h"

namespace linkan::app::testing {

struct RunResult {
  int status = -1;  // exit status; -1 when killed by a signal
  std::string out;
  std::string err;
};

// A `linkan` child process started now; Wait() collects it. Signal() lets
// a test interrupt or kill it part-way.
class LinkanProcess {
 public:
  explicit LinkanProcess(const std::vector<std::string>& args)
      : outPath_(dir_.File("stdout")), errPath_(dir_.File("stderr")) {
    std::vector<std::string> argv = {LINKAN_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargs;
    for (std::string& a : argv) cargs.push_back(a.data());
    cargs.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      const int in = ::open("/dev/null", O_RDONLY);
      const int out = ::open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = ::open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(in, 0);
      ::dup2(out, 1);
      ::dup2(err, 2);
      ::execv(cargs[0], cargs.data());
      ::_exit(127);
    }
  }
  ~LinkanProcess() {
    if (pid_ > 0 && !waited_) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
  }
  LinkanProcess(const LinkanProcess&) = delete;
  LinkanProcess& operator=(const LinkanProcess&) = delete;

  void Signal(int signal) const { ::kill(pid_, signal); }

  // The exit status (-1 when ended by a signal, `signalled` says which).
  RunResult Wait(int* signalled = nullptr) {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    waited_ = true;
    if (signalled) *signalled = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    RunResult r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(outPath_);
    r.err = ReadFile(errPath_);
    return r;
  }

 private:
  TempDir dir_;
  std::string outPath_, errPath_;
  pid_t pid_ = -1;
  bool waited_ = false;
};

inline RunResult RunLinkan(const std::vector<std::string>& args) {
  return LinkanProcess(args).Wait();
}

// True when `s` is exactly one line.
inline bool OneLine(const std::string& s) { return !s.empty() && s.find('\n') == s.size() - 1; }

}  // namespace linkan::app::testing
