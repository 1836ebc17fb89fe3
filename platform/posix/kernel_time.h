// A point in time as the kernel's clocks and file time stamps give it
// (seconds and nanoseconds), with the few operations the POSIX layer needs.
//
//   kor::platform::KernelTime now = kor::platform::ClockNow(CLOCK_REALTIME);
//   bool newer = kor::platform::Nanoseconds(st.st_mtim) > kor::platform::Nanoseconds(now);
#pragma once

#include <sys/stat.h>
#include <time.h>

#include <cstdint>
#include <utility>

namespace kor::platform {

// The type of a file's modification time in `struct stat`.
using KernelTime = decltype(std::declval<struct stat&>().st_mtim);

inline KernelTime ClockNow(clockid_t clock) {
  KernelTime t{};
  ::clock_gettime(clock, &t);
  return t;
}

inline std::int64_t Nanoseconds(const KernelTime& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

}  // namespace kor::platform
