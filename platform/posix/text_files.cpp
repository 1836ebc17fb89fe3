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
#include "platform/posix/whole_file.h"
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

// A new file written beside the old one and renamed into its place at
// Close(); until then, and when anything fails, the old file is untouched.
// Destroying it without Close() drops what was written.
class PosixReplacingOutput final : public BufferedTextOutput {
 public:
  PosixReplacingOutput(FileDescriptor dir, const std::string& base, const struct stat* old)
      : dir_(std::move(dir)), lock_(dir_.get()), file_(dir_.get(), base, lock_.Held()) {
    if (old) old_ = *old;
    if (!file_.Open(old ? &old_ : nullptr)) Raise(FileError(errno));
  }

 private:
  void WriteAll(const char* p, std::size_t n) override {
    if (!file_.Write(std::string_view(p, n))) Raise(FileError(errno));
  }

  bool IsOpen() const override { return open_; }

  void CloseFile(bool afterError) override {
    open_ = false;
    if (!afterError && !file_.Commit(SyncWanted())) Raise(FileError(errno));
  }

  // In this order: the temporary file goes before the lock and the folder.
  FileDescriptor dir_;
  FolderLock lock_;
  struct stat old_ {};
  WholeFile file_;
  bool open_ = true;
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

  std::unique_ptr<TextOutput> OpenForReplace(std::string_view name) override {
    const std::string posix = PosixName(name);
    std::string target;
    if (!FollowLinks(posix, target)) Raise(FileError(errno));
    const auto [folder, base] = SplitFolder(target);
    if (base.empty()) Raise(75);
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.ok()) Raise(FileError(errno));
    struct stat st {};
    const bool exists = ::fstatat(dir.get(), base.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT) Raise(FileError(errno));
    if (exists && S_ISDIR(st.st_mode)) Raise(75);
    // A device or a pipe is written to, not replaced.
    if (exists && !S_ISREG(st.st_mode)) return OpenForOutput(name);
    if (exists && ::faccessat(dir.get(), base.c_str(), W_OK, AT_EACCESS) != 0) Raise(FileError(errno));
    // A writable file in a folder where no new file may be made is written
    // in place: there is nowhere to put the new one.
    if (::faccessat(dir.get(), ".", W_OK, AT_EACCESS) != 0 && exists) return OpenForOutput(name);
    return std::make_unique<PosixReplacingOutput>(std::move(dir), base, exists ? &st : nullptr);
  }
};

}  // namespace

TextFiles& GetTextFiles() {
  static PosixTextFiles files;
  return files;
}

}  // namespace kor::platform
