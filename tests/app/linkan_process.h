// linkan_process.h
//
// Runs the built `linkan` binary as a child process (stdin from /dev/null)
// and collects its exit status, stdout and stderr, for the end-to-end
// tests; or runs it, interrupts it (SIGINT) after a delay and sees how it
// ends.
#pragma once

#include <fcntl.h>
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

// Starts `linkan args` with its output going to the two files.
inline pid_t StartLinkan(const std::vector<std::string>& args, const std::string& outPath,
                         const std::string& errPath) {
  std::vector<std::string> argv = {LINKAN_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargs;
  for (std::string& a : argv) cargs.push_back(a.data());
  cargs.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::execv(cargs[0], cargs.data());
    ::_exit(127);
  }
  return pid;
}

inline RunResult RunLinkan(const std::vector<std::string>& args) {
  TempDir dir;
  const std::string outPath = dir.File("stdout");
  const std::string errPath = dir.File("stderr");
  const pid_t pid = StartLinkan(args, outPath, errPath);
  RunResult r;
  int status = 0;
  ::waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadFile(outPath);
  r.err = ReadFile(errPath);
  return r;
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
  TempDir dir;
  const std::string outPath = dir.File("stdout");
  const std::string errPath = dir.File("stderr");
  const pid_t pid = StartLinkan(args, outPath, errPath);
  InterruptedRun run;
  int status = 0;
  const auto start = Clock::now();
  pid_t done = 0;
  auto seen = [&] {
    return !whenSeen.empty() && ReadFile(errPath).find(whenSeen) != std::string::npos;
  };
  while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 && Clock::now() - start < delay &&
         !seen()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  const auto interrupted = Clock::now();
  if (done == 0) {
    ::kill(pid, SIGINT);
    while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 && Clock::now() - interrupted < bound) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  run.exitedInTime = done != 0;
  if (done == 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  run.secondsToExit = std::chrono::duration<double>(Clock::now() - interrupted).count();
  run.result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  run.result.out = ReadFile(outPath);
  run.result.err = ReadFile(errPath);
  return run;
}

// True when `s` is exactly one line.
inline bool OneLine(const std::string& s) { return !s.empty() && s.find('\n') == s.size() - 1; }

}  // namespace linkan::app::testing
