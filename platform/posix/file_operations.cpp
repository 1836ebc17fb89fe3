// The runtime's plain file operations on POSIX systems.
//
// A file is read-only, as Windows marks it, when its owner may not write it
// (the owner's write permission is clear): the copy will not replace such a
// file and the delete will not remove it, also for root. Copies are made
// with the kernel's own copy (a reflink where the file system shares blocks,
// else copy_file_range) into a new file beside the destination, created with
// mode 0600 so that no one reads it half-written, and renamed over the
// destination once whole. A copy interrupted by a kill leaves such a file
// (".kortools-" and six characters) beside the destination, never a partial
// file under the destination's name.
#include "platform/file_operations.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kortools/error.h"
#include "platform/paths.h"
#include "platform/posix/copy_data.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/file_errors.h"
#include "winrules/wildcard.h"
#include "winrules/windows_names.h"

namespace kor::platform {
namespace {

[[noreturn]] void Raise(std::int32_t number) { throw Error::Runtime(number); }

// The runtime's error for a failed file-system call; a name too long or
// with a loop of symbolic links is not found, as Windows reports it.
std::int32_t ErrorOf(int err) { return err == ELOOP || err == ENAMETOOLONG ? 76 : FileErrorNumber(err); }

[[noreturn]] void RaiseErrno(int err) { Raise(ErrorOf(err)); }

// The folder part of a POSIX name ("." for a bare name, "/" for the root).
std::string FolderOf(const std::string& posix) {
  const auto slash = posix.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : posix.substr(0, slash);
}

std::string LastOf(const std::string& posix) {
  const auto slash = posix.find_last_of('/');
  return slash == std::string::npos ? posix : posix.substr(slash + 1);
}

bool IsFolder(const std::string& posix) {
  struct stat st {};
  return ::stat(posix.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A name that does not exist: 53 when its folder exists, else 76.
[[noreturn]] void RaiseMissing(const std::string& posix) { Raise(IsFolder(FolderOf(posix)) ? 53 : 76); }

bool IsReadOnly(const struct stat& st) { return S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0; }

bool IsDevice(const struct stat& st) { return S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode); }

// The POSIX name of a name in the code page, its letters fixed up where it
// does not exist as written. A name Windows refuses (wildcards included) is
// error 52.
std::string PosixName(std::string_view name) {
  name = UpToNul(name);
  if (name.empty()) Raise(52);
  std::string posix;
  if (const std::uint32_t e = GetFileSystemView().FindPosix(name, posix)) Raise(e == kErrorPathNotFound ? 76 : 52);
  if (posix.empty()) Raise(52);
  return posix;
}

// A new file beside a destination, removed again unless it was kept.
class TempFile {
 public:
  // Creates the file in `folder` with mode 0600.
  explicit TempFile(const std::string& folder) : name_(folder + (folder == "/" ? "" : "/") + ".kortools-XXXXXX") {
    fd_ = ::mkostemp(name_.data(), O_CLOEXEC);
    if (fd_ < 0) {
      const int err = errno;
      name_.clear();
      RaiseErrno(err);
    }
  }
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!name_.empty()) ::unlink(name_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  int fd() const { return fd_; }
  const std::string& name() const { return name_; }

  void Close() {
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 && errno != EINTR) RaiseErrno(errno);
  }

  // The file now has its final name: it stays.
  void Keep() { name_.clear(); }

 private:
  std::string name_;
  int fd_ = -1;
};

// Copies the open plain file `in` (whose status is `st`) into a new file in
// `folder` with the source's permissions and times; the file is removed again
// when the caller does not keep it.
std::unique_ptr<TempFile> CopyBeside(int in, const struct stat& st, const std::string& folder) {
  auto temp = std::make_unique<TempFile>(folder);
  if (const int e = CopyData(in, temp->fd())) RaiseErrno(e);
  // Permissions and times are kept where the file system can hold them.
  (void)::fchmod(temp->fd(), st.st_mode & 0777);
  (void)CopyTimes(temp->fd(), st);
  temp->Close();
  return temp;
}

// Gives `from` the name `to` unless `to` exists; errno set on failure.
bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system that cannot refuse to replace in the kernel (EINVAL is
  // also a folder moved into itself, which the rename below reports again).
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

// Moves the file `from` (status `st`) to `to` on another file system: a copy
// under the new name first, then the old name removed; when that fails, the
// copy is removed again, so one of the two always stays whole.
void MoveAcross(const std::string& from, const struct stat& st, const std::string& to) {
  const std::string folder = FolderOf(to);
  std::unique_ptr<TempFile> temp;
  if (S_ISLNK(st.st_mode)) {
    std::string target(static_cast<std::size_t>(st.st_size) + 1, '\0');
    const ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
    if (n < 0) RaiseErrno(errno);
    target.resize(static_cast<std::size_t>(n));
    temp = std::make_unique<TempFile>(folder);
    temp->Close();
    if (::unlink(temp->name().c_str()) != 0 || ::symlink(target.c_str(), temp->name().c_str()) != 0) RaiseErrno(errno);
  } else if (S_ISREG(st.st_mode)) {
    FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (in.get() < 0) RaiseErrno(errno);
    temp = CopyBeside(in.get(), st, folder);
  } else {
    Raise(74);  // folders, devices and pipes stay on their file system
  }
  if (!RenameNoReplace(temp->name(), to)) RaiseErrno(errno);
  temp->Keep();
  if (::unlink(from.c_str()) != 0) {
    const int err = errno;
    ::unlink(to.c_str());
    RaiseErrno(err);
  }
}

void Delete(const std::string& posix) {
  struct stat st {};
  if (::lstat(posix.c_str(), &st) != 0) {
    if (errno == ENOENT) RaiseMissing(posix);
    RaiseErrno(errno);
  }
  if (IsReadOnly(st) || IsDevice(st)) Raise(75);
  if (::unlink(posix.c_str()) != 0) {
    if (errno == ENOENT || errno == EISDIR) Raise(53);  // gone meanwhile, or a folder now
    RaiseErrno(errno);
  }
}

// True when the entry `name` of the open folder `dir` is a folder, a
// symbolic link to one, or a device: such entries are not files to delete.
bool IsNotAFile(int dir, const char* name) {
  struct stat st {};
  if (::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (S_ISLNK(st.st_mode)) return ::fstatat(dir, name, &st, 0) == 0 && S_ISDIR(st.st_mode);
  return S_ISDIR(st.st_mode) || IsDevice(st);
}

class PosixFileOperations final : public FileOperations {
 public:
  void FileCopy(std::string_view source, std::string_view destination) override {
    const std::string from = PosixName(source);
    const std::string to = PosixName(destination);
    // Without O_NONBLOCK a pipe with no writer would stop the caller here.
    FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.get() < 0) {
      if (errno == ENOENT) RaiseMissing(from);
      RaiseErrno(errno);
    }
    struct stat st {};
    if (::fstat(in.get(), &st) != 0) RaiseErrno(errno);
    if (!S_ISREG(st.st_mode)) Raise(75);
    ::fcntl(in.get(), F_SETFL, 0);

    struct stat existing {};
    if (::stat(to.c_str(), &existing) == 0) {
      // Only a plain file is replaced: never a folder, a device or a pipe.
      if (!S_ISREG(existing.st_mode) || IsReadOnly(existing)) Raise(75);
      if (existing.st_dev == st.st_dev && existing.st_ino == st.st_ino) Raise(70);  // a file onto itself
    } else if (errno != ENOENT) {
      RaiseErrno(errno);
    }
    const auto temp = CopyBeside(in.get(), st, FolderOf(to));
    if (::rename(temp->name().c_str(), to.c_str()) != 0) RaiseErrno(errno);
    temp->Keep();
  }

  void Name(std::string_view oldName, std::string_view newName) override {
    const std::string from = PosixName(oldName);
    std::string to = PosixName(newName);
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) {
      if (errno == ENOENT) RaiseMissing(from);
      RaiseErrno(errno);
    }
    if (to == from) {
      // The new name found the old entry, so it differs at most in letter
      // case: the entry takes the letters as written.
      std::string literal;
      if (GetFileSystemView().ToPosix(UpToNul(newName), literal) != 0) Raise(52);
      to = FolderOf(to) + (FolderOf(to) == "/" ? "" : "/") + LastOf(literal);
      if (to == from) return;
      if (::rename(from.c_str(), to.c_str()) != 0) RaiseErrno(errno);
      return;
    }
    if (RenameNoReplace(from, to)) return;
    const int err = errno;
    if (err == EXDEV) {
      MoveAcross(from, st, to);
      return;
    }
    if (err == ENOENT) {
      if (::lstat(from.c_str(), &st) != 0) RaiseMissing(from);
      Raise(76);
    }
    RaiseErrno(err);  // EINVAL: a folder into itself, 75
  }

  void Kill(std::string_view pathName) override {
    const std::string_view name = UpToNul(pathName);
    auto cut = name.find_last_of("\\/");
    if (cut == std::string_view::npos && name.size() >= 2 && name[1] == ':') cut = 1;  // "C:*.txt"
    const std::string_view pattern = cut == std::string_view::npos ? name : name.substr(cut + 1);
    if (windows_names::Check(pattern, true) != 0) Raise(52);
    if (!HasWildcards(pattern)) {
      const std::string posix = PosixName(name);
      if (IsFolder(posix)) Raise(53);  // a folder is not a file
      Delete(posix);
      return;
    }
    // The folder is found as any name is; the pattern is matched against its
    // entries.
    const std::string folderName(name.substr(0, cut == std::string_view::npos ? 0 : cut + 1));
    const std::string folder = PosixName(folderName + ".");
    const std::string patternUtf8 = GetFileSystemView().NameCodePage().ToUtf8(pattern);

    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) RaiseErrno(errno == ENOENT ? ENOTDIR : errno);
    std::vector<std::string> matches;
    for (;;) {
      errno = 0;
      const dirent* entry = ::readdir(dir.get());
      if (entry == nullptr) {
        if (errno != 0) RaiseErrno(errno);
        break;
      }
      if (entry->d_name[0] == '.') continue;  // ".", ".." and hidden entries
      if (!WildcardMatch(patternUtf8, entry->d_name)) continue;
      if (IsNotAFile(::dirfd(dir.get()), entry->d_name)) continue;
      matches.emplace_back(entry->d_name);
    }
    if (matches.empty()) Raise(53);
    std::sort(matches.begin(), matches.end());
    const std::string prefix = folder == "/" ? folder : folder + "/";
    for (const std::string& match : matches) Delete(prefix + match);
  }
};

}  // namespace

FileOperations& GetFileOperations() {
  static PosixFileOperations operations;
  return operations;
}

}  // namespace kor::platform
