// A large buffer of cells left unset, backed by huge pages where the system offers them: a grid
// of tens of megabytes then costs a few hundred page faults instead of tens of thousands, and the
// threads that fill it first touch their own parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace velk::host::analysis {

// Asks the system to back the whole large pages within a buffer with large pages where it can
// (a hint only): touching a grid's small pages one by one for the first time can cost more than
// the work on it.
inline void PreferLargePages(void* buffer, std::size_t bytes) {
  constexpr std::uintptr_t kLarge = std::uintptr_t{2} << 20;
  const auto from = (reinterpret_cast<std::uintptr_t>(buffer) + kLarge - 1) & ~(kLarge - 1);
  const auto to = (reinterpret_cast<std::uintptr_t>(buffer) + bytes) & ~(kLarge - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

template <typename T>
class LargeBuffer {
 public:
  explicit LargeBuffer(std::size_t count) : count_(count) {
    const std::size_t bytes = (count * sizeof(T) + kHugePage - 1) / kHugePage * kHugePage;
    if (bytes == 0) return;
    data_ = static_cast<T*>(std::aligned_alloc(kHugePage, bytes));
    if (!data_) throw std::bad_alloc();
    PreferLargePages(data_, bytes);
  }
  ~LargeBuffer() { std::free(data_); }
  LargeBuffer(const LargeBuffer&) = delete;
  LargeBuffer& operator=(const LargeBuffer&) = delete;

  T* get() const { return data_; }
  std::size_t size() const { return count_; }

 private:
  static constexpr std::size_t kHugePage = std::size_t{2} << 20;
  T* data_ = nullptr;
  std::size_t count_ = 0;
};

}  // namespace velk::host::analysis
