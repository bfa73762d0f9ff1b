// linkan_process.h
//
// Runs the built `linkan` binary as a child process (stdin from /dev/null)
// and collects its exit status, stdout and stderr, for the end-to-end
// tests.
#pragma once

#include <fcntl.h>
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

inline RunResult RunLinkan(const std::vector<std::string>& args) {
  TempDir dir;
  const std::string outPath = dir.File("stdout");
  const std::string errPath = dir.File("stderr");
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
  RunResult r;
  int status = 0;
  ::waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadFile(outPath);
  r.err = ReadFile(errPath);
  return r;
}

// True when `s` is exactly one line.
inline bool OneLine(const std::string& s) { return !s.empty() && s.find('\n') == s.size() - 1; }

}  // namespace linkan::app::testing
