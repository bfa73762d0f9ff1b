// huge_pages.cpp
#include "engine/huge_pages.h"

#include <sys/mman.h>

#include <cstdint>

namespace linkan {
namespace {

std::size_t RoundUp(std::size_t bytes) {
  return (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
}

}  // namespace

void* MapHugePageBlock(std::size_t bytes) {
  const std::size_t size = RoundUp(bytes);
  // Map one huge page more and cut the ends off, so that the block starts
  // on a huge page boundary (only aligned 2 MiB ranges become huge pages).
  void* raw = ::mmap(nullptr, size + kHugePageBytes, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
  if (aligned > start) ::munmap(raw, aligned - start);
  const std::size_t tail = start + size + kHugePageBytes - (aligned + size);
  if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + size), tail);
  void* block = reinterpret_cast<void*>(aligned);
  ::madvise(block, size, MADV_HUGEPAGE);  // a hint: without huge pages the memory still works
  return block;
}

void UnmapHugePageBlock(void* block, std::size_t bytes) noexcept {
  if (block != nullptr) ::munmap(block, RoundUp(bytes));
}

}  // namespace linkan
