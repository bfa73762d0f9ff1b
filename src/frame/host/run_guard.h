// run_guard.h
//
// RunGuard: the one switch that stops a run, and the memory limit. Every
// long loop of a run asks Stopped(), one relaxed atomic load, from any
// thread; whoever notices a reason to stop (the user's Cancel, the host's
// external switch, the memory limit, an allocation that failed) sets it with
// RequestStop, and the run's loops then return or throw within a fraction of
// a second. The first reason given wins.
//
// Memory is measured as the process's resident size (/proc/self/statm): it
// counts every allocator the run uses (the scalable allocator of the engine,
// the C++ heap, SQLite's cache) without bookkeeping in the containers, and a
// read costs a few microseconds. Poll() reads it at most every
// kMemoryPollInterval, so callers may poll as often as they check for
// Cancel.
//
// The guard also names the running phase and counts the patterns found, so
// that an out-of-memory report can say where the run was.
//
// Example:
//   guard.Begin(doc.MemoryLimit());
//   PhaseScope phase(guard, "collecting frequent patterns");
//   while (...) { if (guard.Stopped()) return; ... }
//
// Thread safety: every member may be called from any thread, except Begin,
// which the analysis thread calls between runs.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <string>

namespace linkan {

class RunGuard {
 public:
  enum class Stop : int { kNone = 0, kCancelled = 1, kOutOfMemory = 2 };

  static constexpr std::chrono::milliseconds kMemoryPollInterval{5};

  // Starts a run: no stop, no phase, no pattern counted, and `limitBytes`
  // as the memory limit (0: none).
  void Begin(std::uint64_t limitBytes);
  // The same, keeping the limit: the engine's entry points call it, so that
  // a run started without Begin (a test, a driver called again after a
  // cancelled run) does not inherit the last run's stop. A Cancel still
  // held, or memory still over the limit, stops the run again at the next
  // poll.
  void Restart() { Begin(LimitBytes()); }

  bool Stopped() const { return stop_.load(std::memory_order_relaxed) != 0; }
  Stop Reason() const { return static_cast<Stop>(stop_.load(std::memory_order_acquire)); }
  // Sets the stop reason unless one is set already.
  void RequestStop(Stop why);

  // Reads the external cancellation switch and, when due, the resident
  // size; stops the run when either says so. Returns Stopped().
  bool Poll();

  // The running phase ("collecting frequent patterns"); a static text.
  void SetPhase(const char* phase) { phase_.store(phase, std::memory_order_relaxed); }
  const char* Phase() const { return phase_.load(std::memory_order_relaxed); }

  // Patterns found so far by the enumeration.
  void AddPatterns(std::uint64_t n) { patterns_.fetch_add(n, std::memory_order_relaxed); }
  std::uint64_t Patterns() const { return patterns_.load(std::memory_order_relaxed); }

  std::uint64_t LimitBytes() const { return limit_.load(std::memory_order_relaxed); }
  // The largest resident size measured since Begin.
  std::uint64_t PeakBytes() const { return peak_.load(std::memory_order_relaxed); }

  // The report of a run that ran out of memory: over the limit when
  // `overLimit`, else an allocation the system refused. Names the phase and,
  // while collecting patterns, how many were found.
  std::string OutOfMemoryMessage(bool overLimit) const;

 private:
  std::atomic<int> stop_{0};
  std::atomic<const char*> phase_{nullptr};
  std::atomic<std::uint64_t> patterns_{0};
  std::atomic<std::uint64_t> limit_{0};
  std::atomic<std::uint64_t> peak_{0};
  std::atomic<std::int64_t> nextMemoryPollNs_{0};
};

// Names the guard's phase for the length of a scope and restores the phase
// before it when the scope ends normally; an error passing through leaves
// the phase named, for the run boundary's report. The analysis thread.
class PhaseScope {
 public:
  PhaseScope(RunGuard& guard, const char* phase)
      : guard_(guard), previous_(guard.Phase()), exceptions_(std::uncaught_exceptions()) {
    guard_.SetPhase(phase);
  }
  ~PhaseScope() {
    if (std::uncaught_exceptions() == exceptions_) guard_.SetPhase(previous_);
  }
  PhaseScope(const PhaseScope&) = delete;
  PhaseScope& operator=(const PhaseScope&) = delete;

 private:
  RunGuard& guard_;
  const char* previous_;
  int exceptions_;
};

// The resident size of this process in bytes (0 when it cannot be read).
std::uint64_t ResidentBytes();

// "4.0 GiB", "500.0 MiB", "12.0 KiB", "100 bytes".
std::string ByteSizeText(std::uint64_t bytes);

}  // namespace linkan
