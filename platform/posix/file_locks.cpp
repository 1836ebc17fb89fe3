// Binary-mode opens with a sharing request on POSIX systems, which have no
// sharing modes: the open looks for other opens of the same file that the
// request would deny on Windows.
//
// A file lease answers exactly and cheaply: the kernel grants a write lease
// only when no other descriptor in the system has the file open, and a read
// lease only when none has it open for writing. It is granted to the file's
// owner and to a process with CAP_LEASE, on file systems that keep leases.
// Otherwise the descriptors under /proc/<pid>/fd are compared with the file
// (device and inode), and /proc/<pid>/fdinfo gives the access of a match;
// that sees the processes this one may inspect and costs a stat() per open
// descriptor in the system.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "kortools/error.h"
#include "platform/code_page.h"
#include "platform/paths.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/file_errors.h"
#include "platform/posix/lock_probes.h"

namespace kor::platform {
namespace {

constexpr std::int32_t kBadFileName = 52;
constexpr std::int32_t kFileNotFound = 53;
constexpr std::int32_t kDeviceIoError = 57;
constexpr std::int32_t kPermissionDenied = 70;
constexpr std::int32_t kPathFileAccessError = 75;
constexpr std::int32_t kPathNotFound = 76;

[[noreturn]] void Raise(std::int32_t number) { throw Error::Runtime(number); }

bool FolderExists(const std::string& posix) {
  std::string_view p = posix;
  while (p.size() > 1 && p.back() == '/') p.remove_suffix(1);
  const std::size_t slash = p.rfind('/');
  const std::string parent = slash == std::string_view::npos ? "." : slash == 0 ? "/" : std::string(p.substr(0, slash));
  struct stat st {};
  return ::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The runtime's error for a failed open: the file layer's mapping, with a
// missing name told apart from a missing folder and a lease held by another
// process taken as a sharing conflict.
std::int32_t OpenError(int err, const std::string& posix) {
  switch (err) {
    case ENOENT: return FolderExists(posix) ? kFileNotFound : kPathNotFound;
    case EWOULDBLOCK: return kPermissionDenied;
    case ENAMETOOLONG: return kBadFileName;
    default: return FileErrorNumber(err);
  }
}

// 1 when a lease shows another open, 0 when it shows none, -1 when no lease
// is granted for another reason.
int LeaseCheck(int fd, bool writersOnly) {
  // An open that conflicts with the lease while it is held signals this
  // process; SIGURG, which a process ignores unless it asks for it, stands in
  // for the default SIGIO, which would end it.
  if (::fcntl(fd, F_SETSIG, SIGURG) != 0) return -1;
  if (::fcntl(fd, F_SETLEASE, writersOnly ? F_RDLCK : F_WRLCK) == 0) {
    ::fcntl(fd, F_SETLEASE, F_UNLCK);
    return 0;
  }
  return errno == EAGAIN ? 1 : -1;
}

// Whether /proc/<pid>/fdinfo/<fd> shows an open for writing.
bool OpenForWriting(const char* pid, const char* fd) {
  const std::string path = std::string("/proc/") + pid + "/fdinfo/" + fd;
  FILE* f = std::fopen(path.c_str(), "re");
  if (f == nullptr) return false;
  char line[128];
  bool writing = false;
  while (std::fgets(line, sizeof line, f) != nullptr) {
    unsigned long flags = 0;
    if (std::sscanf(line, "flags: %lo", &flags) == 1) {
      writing = (flags & O_ACCMODE) != O_RDONLY;
      break;
    }
  }
  std::fclose(f);
  return writing;
}

bool IsNumber(const char* s) {
  if (*s == '\0') return false;
  for (; *s; ++s)
    if (*s < '0' || *s > '9') return false;
  return true;
}

bool ScanCheck(int fd, bool writersOnly) {
  struct stat mine {};
  if (::fstat(fd, &mine) != 0) return false;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return false;
  const long self = static_cast<long>(::getpid());
  bool found = false;
  std::string path;
  while (!found) {
    const dirent* p = ::readdir(proc);
    if (p == nullptr) break;
    if (!IsNumber(p->d_name)) continue;
    path.assign("/proc/").append(p->d_name).append("/fd");
    const int dfd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) continue;  // gone, or not ours to look at
    DIR* fds = ::fdopendir(dfd);
    if (fds == nullptr) {
      ::close(dfd);
      continue;
    }
    const bool ownProcess = std::atol(p->d_name) == self;
    while (const dirent* e = ::readdir(fds)) {
      if (!IsNumber(e->d_name)) continue;
      if (ownProcess) {
        const int n = std::atoi(e->d_name);
        if (n == fd || n == dfd) continue;
      }
      struct stat st {};
      if (::fstatat(dfd, e->d_name, &st, 0) != 0) continue;
      if (st.st_ino != mine.st_ino || st.st_dev != mine.st_dev) continue;
      if (!writersOnly || OpenForWriting(p->d_name, e->d_name)) {
        found = true;
        break;
      }
    }
    ::closedir(fds);
  }
  ::closedir(proc);
  return found;
}

class PosixBinaryFile final : public BinaryFile {
 public:
  explicit PosixBinaryFile(int fd) : fd_(fd) {}

  std::optional<std::uint8_t> ReadByte(std::uint64_t position) override {
    if (fd_.get() < 0 || position == 0 || position > static_cast<std::uint64_t>(INT64_MAX)) Raise(kBadFileName);
    unsigned char b = 0;
    const ssize_t n = ::pread(fd_.get(), &b, 1, static_cast<off_t>(position - 1));
    if (n < 0) Raise(errno == EISDIR ? kPathFileAccessError : kDeviceIoError);
    if (n == 0) return std::nullopt;
    return b;
  }

  void Close() override {
    const int fd = fd_.release();
    if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) Raise(kDeviceIoError);
  }

 private:
  FileDescriptor fd_;
};

class PosixBinaryFiles final : public BinaryFiles {
 public:
  explicit PosixBinaryFiles(InUseCheck how) : how_(how) {}

  std::unique_ptr<BinaryFile> Open(std::string_view name, FileAccess access, FileShare share) override {
    name = UpToNul(name);
    if (name.empty()) Raise(kBadFileName);
    std::string posix;
    if (const std::uint32_t e = GetFileSystemView().FindPosix(name, posix))
      Raise(e == kErrorPathNotFound ? kPathNotFound : kBadFileName);
    // O_NONBLOCK: a file another process holds a lease on fails at once
    // instead of waiting for the lease to be given up; a pipe does not wait
    // for its other end.
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    flags |= access == FileAccess::kReadWrite ? O_RDWR | O_CREAT : O_RDONLY;
    FileDescriptor fd(::open(posix.c_str(), flags, 0666));
    if (fd.get() < 0) Raise(OpenError(errno, posix));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) Raise(kPathFileAccessError);
    // A read-only file (its owner may not write it) refuses a write open
    // whoever asks, root included, as Windows refuses it.
    if (access == FileAccess::kReadWrite && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0)
      Raise(kPathFileAccessError);
    if (share != FileShare::kShared && OpenElsewhere(fd.get(), share == FileShare::kDenyWrite, how_))
      Raise(kPermissionDenied);
    return std::make_unique<PosixBinaryFile>(fd.release());
  }

 private:
  InUseCheck how_;
};

}  // namespace

bool OpenElsewhere(int fd, bool writersOnly, InUseCheck how) {
  if (how == InUseCheck::kLeaseThenScan) {
    const int lease = LeaseCheck(fd, writersOnly);
    if (lease >= 0) return lease == 1;
  }
  return ScanCheck(fd, writersOnly);
}

std::unique_ptr<BinaryFiles> MakePosixBinaryFiles(InUseCheck how) { return std::make_unique<PosixBinaryFiles>(how); }

BinaryFiles& GetBinaryFiles() {
  static BinaryFiles* files =
      MakePosixBinaryFiles(InUseCheck::kLeaseThenScan).release();  // lives for the whole process
  return *files;
}

}  // namespace kor::platform
