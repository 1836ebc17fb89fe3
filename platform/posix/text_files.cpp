// Text files on POSIX systems: large reads into one buffer that the lines are
// cut from in place (platform/text_lines.h), and writes gathered in a buffer.
// Reads go through read() rather than a memory map so that a file that
// shrinks or grows while it is read only ends sooner or later, instead of
// faulting.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "kortools/error.h"
#include "platform/paths.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/file_errors.h"
#include "platform/text_files.h"
#include "platform/text_lines.h"

namespace kor::platform {
namespace {

[[noreturn]] void Raise(std::int32_t number) { throw Error::Runtime(number); }

// The runtime's error for a failed open(), read() or write().
std::int32_t FileError(int err) { return FileErrorNumber(err); }

bool IsFolder(const std::string& posix) {
  struct stat st {};
  return ::stat(posix.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder part of a POSIX name ("." for a bare name).
std::string FolderOf(const std::string& posix) {
  const auto slash = posix.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : posix.substr(0, slash);
}

std::string PosixName(std::string_view name) {
  std::string posix;
  if (const std::uint32_t e = GetFileSystemView().FindPosix(UpToNul(name), posix))
    Raise(e == kErrorPathNotFound ? 76 : 52);
  if (posix.empty()) Raise(52);
  return posix;
}

class PosixTextInput final : public BufferedTextInput {
 public:
  explicit PosixTextInput(int fd) : fd_(fd) {}

 private:
  std::size_t ReadSome(char* buffer, std::size_t size) override {
    for (;;) {
      const ssize_t n = ::read(fd_.get(), buffer, size);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) Raise(errno == EISDIR ? 75 : FileError(errno));
    }
  }

  FileDescriptor fd_;
};

class PosixTextOutput final : public BufferedTextOutput {
 public:
  explicit PosixTextOutput(int fd) : fd_(fd) {}

  ~PosixTextOutput() override {
    if (fd_.get() >= 0) FlushQuietly();
  }

 private:
  void WriteAll(const char* p, std::size_t n) override {
    while (n > 0) {
      const ssize_t w = ::write(fd_.get(), p, n);
      if (w < 0) {
        if (errno == EINTR) continue;
        Raise(FileError(errno));
      }
      if (w == 0) Raise(61);
      p += w;
      n -= static_cast<std::size_t>(w);
    }
  }

  bool IsOpen() const override { return fd_.get() >= 0; }

  void CloseFile(bool afterError) override {
    const int fd = fd_.release();
    if (afterError) {
      ::close(fd);
      return;
    }
    if (::close(fd) != 0 && errno != EINTR) Raise(FileError(errno));
  }

  FileDescriptor fd_;
};

class PosixTextFiles final : public TextFiles {
 public:
  std::unique_ptr<TextInput> OpenForInput(std::string_view name) override {
    const std::string posix = PosixName(name);
    // Without O_NONBLOCK a pipe with no writer would stop the caller here.
    FileDescriptor fd(::open(posix.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
      const int err = errno;
      if (err == ENOENT) Raise(IsFolder(FolderOf(posix)) ? 53 : 76);
      Raise(FileError(err));
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) Raise(FileError(errno));
    if (!S_ISREG(st.st_mode)) Raise(75);
    ::fcntl(fd.get(), F_SETFL, 0);
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<PosixTextInput>(fd.release());
  }

  std::unique_ptr<TextOutput> OpenForOutput(std::string_view name) override {
    const std::string posix = PosixName(name);
    FileDescriptor fd(::open(posix.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666));
    if (fd.get() < 0) Raise(errno == EISDIR || errno == ENXIO ? 75 : FileError(errno));
    ::fcntl(fd.get(), F_SETFL, 0);
    return std::make_unique<PosixTextOutput>(fd.release());
  }
};

}  // namespace

TextFiles& GetTextFiles() {
  static PosixTextFiles files;
  return files;
}

}  // namespace kor::platform
