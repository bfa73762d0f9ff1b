// run_guard.cpp
#include "frame/host/run_guard.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "frame/host/host_utility.h"

namespace linkan {
namespace {

// The coarse clock: read without a time-stamp counter, so polling it per
// case or per pattern costs next to nothing, and fine enough (a few
// milliseconds) for the interval of the memory poll.
std::int64_t NowNs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

std::uint64_t ResidentBytes() {
  // statm: total and resident size in pages, then more fields.
  const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char text[128];
  const ssize_t n = ::read(fd, text, sizeof text - 1);
  ::close(fd);
  if (n <= 0) return 0;
  text[n] = '\0';
  char* end = nullptr;
  std::strtoull(text, &end, 10);
  const unsigned long long pages = std::strtoull(end, nullptr, 10);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  return pages * static_cast<std::uint64_t>(pageSize > 0 ? pageSize : 4096);
}

std::string ByteSizeText(std::uint64_t bytes) {
  static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
  if (bytes < 1024) return std::to_string(bytes) + " bytes";
  double value = static_cast<double>(bytes) / 1024.0;
  std::size_t unit = 0;
  while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
    value /= 1024.0;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

void RunGuard::Begin(std::uint64_t limitBytes) {
  stop_.store(0);
  phase_.store(nullptr);
  patterns_.store(0);
  limit_.store(limitBytes);
  peak_.store(0);
  nextMemoryPollNs_.store(0);
}

void RunGuard::RequestStop(Stop why) {
  int none = 0;
  stop_.compare_exchange_strong(none, static_cast<int>(why), std::memory_order_acq_rel);
}

bool RunGuard::Poll() {
  if (IsExternallyCancelled()) RequestStop(Stop::kCancelled);
  const std::uint64_t limit = limit_.load(std::memory_order_relaxed);
  if (limit != 0) {
    // One thread reads the resident size per interval; the others go on.
    const std::int64_t now = NowNs();
    std::int64_t due = nextMemoryPollNs_.load(std::memory_order_relaxed);
    const std::int64_t next =
        now + std::chrono::duration_cast<std::chrono::nanoseconds>(kMemoryPollInterval).count();
    if (now >= due && nextMemoryPollNs_.compare_exchange_strong(due, next)) {
      const std::uint64_t resident = ResidentBytes();
      std::uint64_t peak = peak_.load(std::memory_order_relaxed);
      while (resident > peak && !peak_.compare_exchange_weak(peak, resident)) {
      }
      if (resident > limit) RequestStop(Stop::kOutOfMemory);
    }
  }
  return Stopped();
}

std::string RunGuard::OutOfMemoryMessage(bool overLimit) const {
  std::string text = "out of memory: ";
  const std::uint64_t limit = LimitBytes();
  if (overLimit && limit != 0) {
    text += "the run needed more than " + ByteSizeText(limit) + " (the memory limit)";
  } else {
    text += "the system refused the run more memory";
  }
  const char* phase = Phase();
  if (phase != nullptr) text += std::string(" while ") + phase;
  // Patterns are counted from the enumeration on: the size of the search
  // is what the thresholds change.
  const std::uint64_t patterns = Patterns();
  if (patterns > 0) {
    text += ", after " + std::to_string(patterns) + (patterns == 1 ? " pattern" : " patterns");
    text += "; raise the minimum support or lower the maximum itemset size";
  }
  return text;
}

}  // namespace linkan
