// linkan_process.h
//
// Runs the built `linkan` binary as a child process (stdin from /dev/null)
// and collects its exit status, stdout and stderr, for the end-to-end
// tests; or runs it, interrupts it (SIGINT) after a delay and sees how it
// ends.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "app_test_util.h"

namespace linkan::app::testing {

struct RunResult {
  int status = -1;  // exit status; -1 when killed by a signal
  std::string out;
  std::string err;
};

// A `linkan` child process started now; Wait() collects it. Signal() lets
// a test interrupt or kill it part-way; Ended() polls without waiting.
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
    if (pid_ > 0 && !ended_) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
  }
  LinkanProcess(const LinkanProcess&) = delete;
  LinkanProcess& operator=(const LinkanProcess&) = delete;

  void Signal(int signal) const { ::kill(pid_, signal); }
  // Whether the process has ended (collecting it when it has).
  bool Ended() {
    if (!ended_ && ::waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
    return ended_;
  }
  // Its standard error so far.
  std::string ErrorOutput() const { return ReadFile(errPath_); }

  // The exit status (-1 when ended by a signal, `signalled` says which).
  RunResult Wait(int* signalled = nullptr) {
    if (!ended_) ::waitpid(pid_, &status_, 0);
    ended_ = true;
    if (signalled) *signalled = WIFSIGNALED(status_) ? WTERMSIG(status_) : 0;
    RunResult r;
    r.status = WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    r.out = ReadFile(outPath_);
    r.err = ReadFile(errPath_);
    return r;
  }

 private:
  TempDir dir_;
  std::string outPath_, errPath_;
  pid_t pid_ = -1;
  int status_ = 0;
  bool ended_ = false;
};

inline RunResult RunLinkan(const std::vector<std::string>& args) {
  return LinkanProcess(args).Wait();
}

struct InterruptedRun {
  RunResult result;
  int signal = 0;              // the signal that ended it, 0 when it exited
  bool exitedInTime = false;   // false: killed (SIGKILL) after the bound
  double secondsToExit = 0.0;  // from SIGINT to its end
};

// Runs `linkan args`, sends SIGINT after `delay`, or earlier once its
// stderr so far contains `whenSeen` (when not empty), and waits up to
// `bound` for the process to end, killing it after that.
inline InterruptedRun RunLinkanInterrupted(const std::vector<std::string>& args,
                                           std::chrono::duration<double> delay,
                                           std::chrono::duration<double> bound,
                                           const std::string& whenSeen = "") {
  using Clock = std::chrono::steady_clock;
  LinkanProcess process(args);
  const auto start = Clock::now();
  auto seen = [&] {
    return !whenSeen.empty() && process.ErrorOutput().find(whenSeen) != std::string::npos;
  };
  while (!process.Ended() && Clock::now() - start < delay && !seen()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  const auto interrupted = Clock::now();
  InterruptedRun run;
  if (!process.Ended()) {
    process.Signal(SIGINT);
    while (!process.Ended() && Clock::now() - interrupted < bound) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  run.exitedInTime = process.Ended();
  if (!run.exitedInTime) process.Signal(SIGKILL);
  run.result = process.Wait(&run.signal);
  run.secondsToExit = std::chrono::duration<double>(Clock::now() - interrupted).count();
  return run;
}

// True when `s` is exactly one line.
inline bool OneLine(const std::string& s) { return !s.empty() && s.find('\n') == s.size() - 1; }

}  // namespace linkan::app::testing
