// The data of one open file copied into another by the fastest means the
// kernel offers.
//
//   kor::platform::FileDescriptor in(::open(src, O_RDONLY | O_CLOEXEC));
//   kor::platform::FileDescriptor out(::open(dst, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
//   if (const int e = kor::platform::CopyData(in.get(), out.get())) return e;   // an errno value
#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <memory>

namespace kor::platform {

// Copies `in` from its current offset to its end into `out` at its current
// offset (both usually 0): a reflink where the file system shares blocks
// (whole files only), else copy_file_range, else read() and write() (for
// file systems the kernel cannot copy between, and files such as those in
// /proc that report no size). 0 on success, else an errno value.
inline int CopyData(int in, int out) {
  if (::ioctl(out, FICLONE, in) == 0) return 0;
  bool copied = false;
  for (;;) {
    const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, std::size_t{1} << 30, 0);
    if (n > 0) {
      copied = true;
      continue;
    }
    if (n == 0 && copied) return 0;
    if (n == 0) break;  // nothing copied: an empty file, or one the kernel cannot copy itself
    if (errno == EINTR) continue;
    if (copied || (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP && errno != EBADF))
      return errno;
    break;
  }
  ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
  constexpr std::size_t kBuffer = std::size_t{1} << 20;
  const auto buffer = std::make_unique_for_overwrite<char[]>(kBuffer);
  for (;;) {
    const ssize_t n = ::read(in, buffer.get(), kBuffer);
    if (n == 0) return 0;
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out, buffer.get() + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) return errno;
      done += w;
    }
  }
}

// Gives the open file `fd` the access and modification times of `st` (to
// the nanosecond). 0 on success, else an errno value.
inline int CopyTimes(int fd, const struct stat& st) {
  const decltype(st.st_atim) times[2] = {st.st_atim, st.st_mtim};
  return ::futimens(fd, times) == 0 ? 0 : errno;
}

}  // namespace kor::platform
