// Large pages for large, freshly allocated memory that is about to be
// written from end to end (the storage of a big string array).
//
// Every page a process touches for the first time costs a fault; on a
// virtual machine that is most of the cost of filling a few hundred
// megabytes. Where the system offers transparent huge pages on request, the
// whole 2 MB blocks inside the range are asked for as huge pages, so that
// one fault maps 512 pages at once. Elsewhere this does nothing. The memory
// stays ordinary memory: freeing it works as before.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kor::platform {

// Ranges smaller than this are left alone: the few faults they cost are not
// worth a system call.
inline constexpr std::size_t kLargePageMinimum = std::size_t{8} << 20;

inline void PreferLargePages(void* begin, std::size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (bytes < kLargePageMinimum) return;
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  const auto first = (reinterpret_cast<std::uintptr_t>(begin) + kHuge - 1) & ~(kHuge - 1);
  const auto last = (reinterpret_cast<std::uintptr_t>(begin) + bytes) & ~(kHuge - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);  // advice only
#else
  (void)begin;
  (void)bytes;
#endif
}

}  // namespace kor::platform
