// huge_pages.h
//
// Large, long-lived arrays of a run (millions of rules, the pattern table)
// cost as much in first touches of fresh pages as in the work that fills
// them. HugePageBlock maps such memory aligned to 2 MiB and asks the kernel
// for transparent huge pages there (madvise), so a page fault fills 2 MiB
// instead of 4 KiB. Where the kernel has none, the memory is ordinary.
//
// HugePageAllocator<T> uses such blocks for allocations of at least
// kHugeThreshold bytes and the scalable allocator below that.
//
// Thread safety: the functions may be called from any thread.
#pragma once

#include <tbb/scalable_allocator.h>

#include <cstddef>
#include <new>

namespace linkan {

inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;
inline constexpr std::size_t kHugeThreshold = std::size_t{4} << 20;

// `bytes` of zeroed memory aligned to kHugePageBytes; throws std::bad_alloc.
void* MapHugePageBlock(std::size_t bytes);
// Returns a block of MapHugePageBlock(bytes).
void UnmapHugePageBlock(void* block, std::size_t bytes) noexcept;

template <class T>
struct HugePageAllocator {
  using value_type = T;
  HugePageAllocator() = default;
  template <class U>
  HugePageAllocator(const HugePageAllocator<U>&) {}

  T* allocate(std::size_t n) {
    const std::size_t bytes = n * sizeof(T);
    if (bytes >= kHugeThreshold) return static_cast<T*>(MapHugePageBlock(bytes));
    return tbb::scalable_allocator<T>().allocate(n);
  }
  void deallocate(T* p, std::size_t n) noexcept {
    const std::size_t bytes = n * sizeof(T);
    if (bytes >= kHugeThreshold) {
      UnmapHugePageBlock(p, bytes);
    } else {
      tbb::scalable_allocator<T>().deallocate(p, n);
    }
  }
  template <class U>
  bool operator==(const HugePageAllocator<U>&) const {
    return true;
  }
};

}  // namespace linkan
