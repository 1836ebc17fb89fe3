#include "platform/posix/whole_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace kor::platform {
namespace {

constexpr int kMostLinks = 40;  // as the kernel's limit for one path

std::string RandomSuffix() {
  unsigned long long r = 0;
  if (::getrandom(&r, sizeof r, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof r)) {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    r = static_cast<unsigned long long>(ticks) * 0x9E3779B97F4A7C15ULL ^ static_cast<unsigned long long>(::getpid());
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string s;
  for (int i = 0; i < 12; ++i, r >>= 4) s += kDigits[r & 0xF];
  return s;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

std::pair<std::string, std::string> SplitFolder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

bool FollowLinks(const std::string& path, std::string& target) {
  target = path;
  for (int i = 0; i < kMostLinks; ++i) {
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0) return errno == ENOENT;
    if (!S_ISLNK(st.st_mode)) return true;
    std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return false;
    link.resize(static_cast<std::size_t>(n));
    if (link[0] == '/') {
      target = std::move(link);
    } else {
      std::string folder = SplitFolder(target).first;
      target = folder == "/" ? "/" + link : folder + "/" + link;
    }
  }
  errno = ELOOP;
  return false;
}

bool SyncWanted() {
  const char* s = std::getenv("KORTOOLS_INI_SYNC");
  if (s == nullptr) return true;
  const std::string_view v = s;
  return !(v == "0" || v == "off" || v == "OFF" || v == "no" || v == "false");
}

FolderLock::FolderLock(int fd) : fd_(fd) {
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      fd_ = -1;
      break;
    }
  }
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::flock(fd_, LOCK_UN);
}

WholeFile::WholeFile(int dirFd, std::string base, bool locked)
    : dirFd_(dirFd), base_(std::move(base)), locked_(locked) {}

WholeFile::~WholeFile() {
  if (!committed_) Fail();
}

bool WholeFile::Fail() {
  const int err = errno;
  tmp_.Reset();
  if (!name_.empty()) ::unlinkat(dirFd_, name_.c_str(), 0);
  name_.clear();
  errno = err;
  return false;
}

// Gives the temporary file its name. Under the folder's lock the name is
// fixed, and a file of that name is what a killed writer left: it goes.
bool WholeFile::Name() {
  if (locked_) {
    name_ = "." + base_ + ".tmp-kortools";
    if (::unlinkat(dirFd_, name_.c_str(), 0) != 0 && errno != ENOENT) return false;
    return true;
  }
  name_ = "." + base_ + ".tmp-" + RandomSuffix();
  return true;
}

bool WholeFile::Open(const struct stat* old) {
  old_ = old;
  // A new file gets the mode that creating it would give (0666 less the
  // umask); a replaced one gets its old mode at the commit, after the owner.
  const mode_t createMode = old ? 0600 : 0666;
  tmp_.Reset(::openat(dirFd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, createMode));
  if (tmp_.ok()) return true;
  // No unnamed files here: a named one, made exclusively.
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT) return false;
  for (int attempt = 0; attempt < 8 && !tmp_.ok(); ++attempt) {
    if (!Name()) return Fail();
    tmp_.Reset(::openat(dirFd_, name_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, createMode));
    if (!tmp_.ok()) {
      const int err = errno;
      name_.clear();
      errno = err;
      if (err != EEXIST) break;
    }
  }
  return tmp_.ok();
}

bool WholeFile::Write(std::string_view data) { return WriteAll(tmp_.get(), data) || Fail(); }

bool WholeFile::Commit(bool sync) {
  if (old_) {
    // The owner first (changing it clears set-user-ID bits), then the mode.
    // Only a privileged process can give a file away; the group alone may
    // still be kept.
    if ((old_->st_uid != ::geteuid() || old_->st_gid != ::getegid()) &&
        ::fchown(tmp_.get(), old_->st_uid, old_->st_gid) != 0 &&
        ::fchown(tmp_.get(), static_cast<uid_t>(-1), old_->st_gid) != 0) {
      // Neither could be kept: the new file belongs to this process.
    }
    if (::fchmod(tmp_.get(), old_->st_mode & 07777) != 0) return Fail();
  }
  if (sync && ::fsync(tmp_.get()) != 0) return Fail();
  if (name_.empty()) {
    // The unnamed file gets its name only now, just before the rename.
    const std::string proc = "/proc/self/fd/" + std::to_string(tmp_.get());
    bool linked = false;
    for (int attempt = 0; attempt < 8 && !linked; ++attempt) {
      if (!Name()) return Fail();
      linked = ::linkat(AT_FDCWD, proc.c_str(), dirFd_, name_.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
               // Without /proc, linking the descriptor itself needs CAP_DAC_READ_SEARCH.
               (errno != EEXIST && ::linkat(tmp_.get(), "", dirFd_, name_.c_str(), AT_EMPTY_PATH) == 0);
      if (!linked) {
        const int err = errno;
        name_.clear();
        errno = err;
        if (err != EEXIST) return Fail();
      }
    }
    if (!linked) return Fail();
  }
  if (!tmp_.Close()) return Fail();
  if (::renameat(dirFd_, name_.c_str(), dirFd_, base_.c_str()) != 0) return Fail();
  committed_ = true;
  // The rename is done: the new file is in place whatever the folder's flush
  // reports.
  if (sync) (void)::fsync(dirFd_);
  return true;
}

bool ReplaceFile(int dirFd, const std::string& base, std::string_view data, const struct stat* old, bool sync,
                 bool locked) {
  WholeFile file(dirFd, base, locked);
  return file.Open(old) && file.Write(data) && file.Commit(sync);
}

}  // namespace kor::platform
