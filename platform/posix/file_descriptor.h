// An open POSIX file descriptor that is closed when its owner goes away.
//
//   kor::platform::FileDescriptor fd(::open(path, O_RDONLY | O_CLOEXEC));
//   if (fd.get() < 0) return errno;
//   ::read(fd.get(), buf, n);
//   return Wrap(fd.release());   // handed on: no longer closed here
#pragma once

#include <unistd.h>

#include <utility>

namespace kor::platform {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) Reset(other.release());
    return *this;
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  int release() { return std::exchange(fd_, -1); }

  // Closes the descriptor held (if any) and holds `fd` instead.
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

  // Closes now and reports whether the close succeeded (a delayed write
  // error shows here).
  bool Close() {
    const int fd = std::exchange(fd_, -1);
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

}  // namespace kor::platform
