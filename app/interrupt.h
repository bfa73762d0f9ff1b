// interrupt.h
//
// InterruptScope: Ctrl-C (SIGINT) handling while a command runs.
//
// The first Ctrl-C asks the running phase to stop: it sets the host's cancel
// flag (what the module reads as pcancel) and, when the module exports it,
// the module's external cancellation switch, and says so on stderr. A
// second Ctrl-C ends the process at once with status 130.
//
// Signal handling is process-wide, so at most one scope may be alive at a
// time; the handler state lives in lock-free atomics, which is all a
// signal handler may touch. The previous handler is restored when the scope
// ends.
//
// Thread safety: construct and destroy on the main thread.
#pragma once

#include <atomic>
#include <csignal>

namespace linkan::app {

class InterruptScope {
 public:
  // The module's switch, as exported by its library (may be null).
  using ExternalCancelFn = void (*)(int);

  InterruptScope(std::atomic<bool>& cancelFlag, ExternalCancelFn moduleCancel);
  ~InterruptScope();

  // Points the handler at another flag and module switch (a scope made
  // before the host and the module exist hands over to them). A Ctrl-C
  // already seen is passed on to both at once.
  void Retarget(std::atomic<bool>& cancelFlag, ExternalCancelFn moduleCancel);
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;

  // Ctrl-C presses seen during this scope.
  static int Presses();

 private:
  struct sigaction previous_ {};
};

}  // namespace linkan::app
