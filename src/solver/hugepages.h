// An allocator for the solver's large flat arrays: blocks of 2 MiB and more are aligned to 2 MiB
// and offered to the system for huge pages, so that a growing cone touches its fresh memory in
// a few large pages instead of hundreds of thousands of small ones. Smaller blocks, and systems
// that do not take the advice, get ordinary memory; the contents are the same either way.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace pelorin {

template <class T>
struct HugePageAllocator {
  using value_type = T;
  static constexpr size_t kHuge = size_t{2} << 20;

  HugePageAllocator() = default;
  template <class U>
  HugePageAllocator(const HugePageAllocator<U>&) {}

  T* allocate(size_t n) {
    if (n > static_cast<size_t>(-1) / sizeof(T) - kHuge) throw std::bad_alloc();
    const size_t bytes = n * sizeof(T);
    if (bytes < kHuge) return static_cast<T*>(::operator new(bytes));
    const size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;
    void* block = std::aligned_alloc(kHuge, rounded);
    if (block == nullptr) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    madvise(block, rounded, MADV_HUGEPAGE);
#endif
    return static_cast<T*>(block);
  }
  void deallocate(T* block, size_t n) {
    if (n * sizeof(T) < kHuge) ::operator delete(block);
    else std::free(block);
  }
  template <class U>
  bool operator==(const HugePageAllocator<U>&) const { return true; }
};

// A vector of the solver's large arrays.
template <class T>
using HugeVector = std::vector<T, HugePageAllocator<T>>;

}  // namespace pelorin
