// interrupt.cpp
#include "interrupt.h"

#include <unistd.h>

#include <cassert>
#include <cstring>

namespace linkan::app {
namespace {

// The handler's state. Only lock-free atomics: a signal handler may touch
// nothing else.
std::atomic<std::atomic<bool>*> g_cancelFlag{nullptr};
std::atomic<InterruptScope::ExternalCancelFn> g_moduleCancel{nullptr};
std::atomic<int> g_presses{0};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<std::atomic<bool>*>::is_always_lock_free);
static_assert(std::atomic<InterruptScope::ExternalCancelFn>::is_always_lock_free);

void WriteStderr(const char* text) {
  const ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
  (void)ignored;
}

extern "C" void OnInterrupt(int) {
  const int presses = g_presses.fetch_add(1) + 1;
  if (presses == 1) {
    if (std::atomic<bool>* flag = g_cancelFlag.load()) flag->store(true);
    if (InterruptScope::ExternalCancelFn fn = g_moduleCancel.load()) fn(1);
    WriteStderr("\nlinkan: cancelling... (press Ctrl-C again to quit at once)\n");
    return;
  }
  WriteStderr("\nlinkan: interrupted\n");
  ::_exit(130);
}

}  // namespace

InterruptScope::InterruptScope(std::atomic<bool>& cancelFlag, ExternalCancelFn moduleCancel) {
  [[maybe_unused]] std::atomic<bool>* before = g_cancelFlag.exchange(&cancelFlag);
  assert(before == nullptr && "only one InterruptScope at a time");
  g_moduleCancel.store(moduleCancel);
  g_presses.store(0);
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, &previous_);
}

void InterruptScope::Retarget(std::atomic<bool>& cancelFlag, ExternalCancelFn moduleCancel) {
  g_cancelFlag.store(&cancelFlag);
  g_moduleCancel.store(moduleCancel);
  // A press between the loads above and these stores has set the old flag
  // only: passing on every press seen so far covers it.
  if (g_presses.load() > 0) {
    cancelFlag.store(true);
    if (moduleCancel) moduleCancel(1);
  }
}

InterruptScope::~InterruptScope() {
  ::sigaction(SIGINT, &previous_, nullptr);
  g_moduleCancel.store(nullptr);
  g_cancelFlag.store(nullptr);
}

int InterruptScope::Presses() { return g_presses.load(); }

}  // namespace linkan::app
