// host_array.h
//
// HostArray<T>: a fixed-size work array taken from the host's allocator
// (AllocMem) and given back (FreeMem) when the array goes out of scope. The
// engine's variable-sized work arrays come from the host so that the host
// can account for them and refuse them; Allocate reports that refusal as a
// result, the caller decides how the run ends.
//
// Example:
//   HostArray<double> buffer;
//   if (!buffer.Allocate(support, n)) support.error("Memory allocation failed");
//
// Thread safety: an array belongs to its creator; the host allocator itself
// is thread-safe.
#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>

#include "frame/host/analysis_support.h"

namespace linkan {

template <class T>
class HostArray {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                "host memory holds plain values only");

 public:
  HostArray() = default;
  ~HostArray() { Release(); }
  HostArray(const HostArray&) = delete;
  HostArray& operator=(const HostArray&) = delete;

  // Takes room for `count` values, each set to T{}; false (and empty) when
  // the host refuses the memory. Gives back what the array held before.
  bool Allocate(CAnalysisSupport& support, std::size_t count) {
    Release();
    void* p = nullptr;
    if (support.AllocMem(&p, (count ? count : 1) * sizeof(T)) != 0 || p == nullptr) return false;
    support_ = &support;
    data_ = static_cast<T*>(p);
    size_ = count;
    std::uninitialized_fill_n(data_, size_, T{});
    return true;
  }

  T* data() { return data_; }
  const T* data() const { return data_; }
  std::size_t size() const { return size_; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }

 private:
  void Release() {
    if (data_) support_->FreeMem(data_);
    data_ = nullptr;
    size_ = 0;
    support_ = nullptr;
  }

  CAnalysisSupport* support_ = nullptr;
  T* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace linkan
