// timed_section.cpp
#include "frame/timed_section.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <limits>

#include "frame/host/analysis_support.h"
#include "frame/host/debug_sink.h"

namespace linkan {

std::int64_t ClockMicros() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

long CurrentThreadId() { return static_cast<long>(::syscall(SYS_gettid)); }

std::string FormatTimeItLine(long threadId, std::int64_t elapsedMicros, const std::string& label) {
  const std::int64_t ms = elapsedMicros / 1000;
  if (ms <= 9999) {
    return FormatString("{%ld} TimeIt | %4" PRId64 " ms | %s\n", threadId, ms, label.c_str());
  }
  return FormatString("{%ld} TimeIt | %.3f s | %s\n", threadId, static_cast<double>(ms) / 1000.0,
                      label.c_str());
}

TimedSection::TimedSection(std::string label)
    : running_(true), start_(ClockMicros()), label_(std::move(label)) {}

TimedSection::~TimedSection() { End(); }

void TimedSection::End() {
  if (!running_) return;
  running_ = false;
  end_ = ClockMicros();
  elapsed_ = end_ - start_;
  // A clock that went backwards wraps like the host's unsigned counter did.
  if (elapsed_ < 0) elapsed_ += std::numeric_limits<std::int64_t>::max();
  DebugOutput(FormatTimeItLine(CurrentThreadId(), elapsed_, label_));
}

}  // namespace linkan
