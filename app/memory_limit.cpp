// memory_limit.cpp
#include "memory_limit.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <limits>
#include <string_view>

namespace linkan::app {
namespace {

// The first line of a small file ("" when unreadable).
std::string FirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

// A cgroup limit file's value: nullopt for "max", an unreadable file or a
// value so large that it means no limit.
std::optional<std::uint64_t> CgroupValue(const std::string& path) {
  const std::string text = FirstLine(path);
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return std::nullopt;
  const std::uint64_t value = std::strtoull(text.c_str(), nullptr, 10);
  if (value == 0 || value >= (std::uint64_t{1} << 60)) return std::nullopt;
  return value;
}

// The memory limit of this process's cgroup, when it has one.
std::optional<std::uint64_t> CgroupLimit() {
  // cgroup v2: "0::/path" in /proc/self/cgroup.
  std::ifstream cgroups("/proc/self/cgroup");
  std::optional<std::uint64_t> limit;
  for (std::string line; std::getline(cgroups, line);) {
    if (line.rfind("0::", 0) == 0) {
      std::string path = "/sys/fs/cgroup" + line.substr(3);
      // The tightest limit on the way up counts.
      for (;;) {
        if (const auto v = CgroupValue(path + "/memory.max")) {
          limit = limit ? std::min(*limit, *v) : *v;
        }
        const std::size_t slash = path.rfind('/');
        if (path == "/sys/fs/cgroup" || slash == std::string::npos) break;
        path.erase(slash);
      }
    }
  }
  if (limit) return limit;
  return CgroupValue("/sys/fs/cgroup/memory/memory.limit_in_bytes");  // v1
}

}  // namespace

std::optional<std::uint64_t> ParseByteSize(const std::string& text) {
  std::string_view s(text);
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  std::size_t digits = 0;
  while (digits < s.size() &&
         (std::isdigit(static_cast<unsigned char>(s[digits])) || s[digits] == '.')) {
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  std::string unit(s.substr(digits));
  for (char& c : unit) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (unit.size() > 1 && (unit.substr(1) == "b" || unit.substr(1) == "ib")) unit.resize(1);
  double scale = 1.0;
  if (unit == "k") {
    scale = 1024.0;
  } else if (unit == "m") {
    scale = 1024.0 * 1024.0;
  } else if (unit == "g") {
    scale = 1024.0 * 1024.0 * 1024.0;
  } else if (unit == "t") {
    scale = 1024.0 * 1024.0 * 1024.0 * 1024.0;
  } else if (!unit.empty() && unit != "b") {
    return std::nullopt;
  }
  const std::string number(s.substr(0, digits));
  if (std::count(number.begin(), number.end(), '.') > 1) return std::nullopt;
  const double value = std::strtod(number.c_str(), nullptr) * scale;
  if (!std::isfinite(value) || value >= 1.8e19) return std::nullopt;
  return static_cast<std::uint64_t>(value);  // whole bytes
}

std::uint64_t DefaultMemoryLimit() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  std::uint64_t available = pages > 0 && pageSize > 0
                                ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize)
                                : 0;
  if (const auto cgroup = CgroupLimit()) {
    available = available == 0 ? *cgroup : std::min(available, *cgroup);
  }
  return available / 4 * 3;
}

}  // namespace linkan::app
