// memory_limit.h
//
// The memory limit of a `linkan run`: by default three quarters of the
// memory this process may use (the machine's physical memory, or the memory
// limit of its cgroup when that is lower), so that a run whose patterns
// explode stops with a clear message before the system's out-of-memory
// killer ends it, or the machine starts to swap; `--memory-limit SIZE`
// changes it.
//
// Thread safety: pure functions (the default reads /proc and /sys).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace linkan::app {

// Bytes in `text`: a number (may have a fraction) with an optional unit
// K, M, G or T (binary multiples; "KB", "KiB" and lower case allowed), bytes
// without one. "0" means no limit. nullopt for anything else.
std::optional<std::uint64_t> ParseByteSize(const std::string& text);

// Three quarters of the smaller of physical memory and the cgroup's memory
// limit (cgroup v2 memory.max, or v1 memory.limit_in_bytes); 0 when neither
// can be read.
std::uint64_t DefaultMemoryLimit();

}  // namespace linkan::app
