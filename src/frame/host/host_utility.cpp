// host_utility.cpp
#include "frame/host/host_utility.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <system_error>

namespace linkan {
namespace {
// Lock-free so that a signal handler may set it.
std::atomic<bool> g_externalCancel{false};
static_assert(std::atomic<bool>::is_always_lock_free);
}  // namespace

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

bool DirectoryExists(const std::string& path, bool isFilePath) {
  std::error_code ec;
  std::filesystem::path p(path);
  if (isFilePath) {
    p = p.parent_path();
    if (p.empty()) return true;
  }
  return std::filesystem::is_directory(p, ec);
}

bool IsExternallyCancelled() { return g_externalCancel.load(std::memory_order_relaxed); }

void SetExternallyCancelled(bool cancelled) {
  g_externalCancel.store(cancelled, std::memory_order_relaxed);
}

unsigned long long TickCountMs() {
  using namespace std::chrono;
  return static_cast<unsigned long long>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace linkan
