// timed_section.h
//
// TimedSection: times a phase and writes one line to the debug channel when
// it ends (on destruction or End()):
//   "{<thread id>} TimeIt | <ms, width 4> ms | <label>\n"   up to 9999 ms
//   "{<thread id>} TimeIt | <s, 3 decimals> s | <label>\n"  from 10000 ms
//
// Example:
//   { TimedSection t("SAL [rule generation]"); GenerateRules(); }
//
// Thread safety: a section belongs to the thread that created it.
#pragma once

#include <cstdint>
#include <string>

namespace linkan {

// Microseconds of a monotonic clock.
std::int64_t ClockMicros();

// The line written for a section of `elapsedMicros` on thread `threadId`.
std::string FormatTimeItLine(long threadId, std::int64_t elapsedMicros, const std::string& label);

// The OS id of the calling thread.
long CurrentThreadId();

class TimedSection {
 public:
  explicit TimedSection(std::string label);
  ~TimedSection();
  TimedSection(const TimedSection&) = delete;
  TimedSection& operator=(const TimedSection&) = delete;

  // Ends the section and writes its line; later calls do nothing.
  void End();
  std::int64_t ElapsedMicros() const { return elapsed_; }

 private:
  bool running_ = false;
  std::int64_t start_ = 0;
  std::int64_t end_ = 0;
  std::int64_t elapsed_ = 0;
  std::string label_;
};

}  // namespace linkan
