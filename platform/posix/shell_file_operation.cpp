// The shell file operation on POSIX systems: copy, move, rename and delete of
// files and folder trees, run unattended.
//
// Nothing here asks a person. Where the shell would ask, the answer is the
// one a careful user would give without seeing the question:
// - replacing an existing file (copy, move) is "no" unless the caller passed
//   kFofNoConfirmation: the item is skipped, the rest goes on, and the call
//   reports kCancelled;
// - deleting or moving a read-only file to the trash is likewise "no" without
//   kFofNoConfirmation;
// - creating a missing destination folder is "yes", with or without
//   kFofNoConfirmMkDir (nothing is lost by it);
// - merging a folder into an existing folder of the same name is "yes"; the
//   files inside follow the replace rule;
// - deleting the items the caller named is "yes" (that is what was asked).
//
// Copies never show a half-written item under the destination's name: each
// item is written under a hidden temporary name beside the destination
// (".kortools-XXXXXXXXXXXXXXXX.part") and renamed into place when complete.
#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/paths.h"
#include "platform/posix/copy_data.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/trash.h"
#include "platform/shell_file_operation.h"
#include "winrules/shell_plan.h"
#include "winrules/wildcard.h"

namespace kor::platform {
namespace {

using posix_files::BaseOf, posix_files::Dir, posix_files::IsDotOrDotDot, posix_files::Join, posix_files::MakeFolders,
    posix_files::OpenFolderAt, posix_files::ParentOf;

using namespace shell_plan;  // the result codes and the plan of the operation

int CodeOfErrno(int e) {
  switch (e) {
    case 0: return 0;
    case ENOENT:
    case ENOTDIR: return kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EBUSY: return kAccessDenied;
    case ENOSPC:
    case EDQUOT: return kDiskFull;
    case EEXIST:
    case ENOTEMPTY: return kAlreadyExists;
    case ENAMETOOLONG: return kNameTooLong;
    case EXDEV: return kNotSameDevice;
    default: return kUnknownError;
  }
}

// ---------------------------------------------------------------------------
// Names

// The POSIX name of a Windows (or POSIX) name, existing folders and files
// found ignoring letter case; without a trailing "/". `folderForm` tells
// whether the name ended in a separator. A name Windows refuses is
// ERROR_INVALID_NAME (123), also a destination that would be created; a
// `pattern` may hold wildcards in its last component.
int Resolve(const std::string& name, std::string& posix, bool* folderForm = nullptr, bool pattern = false) {
  const FileSystemView& view = GetFileSystemView();
  const std::uint32_t e = pattern ? view.FindPattern(name, posix) : view.FindPosix(name, posix);
  if (e != 0) return e == kErrorPathNotFound ? kPathNotFound : static_cast<int>(e);
  if (folderForm) *folderForm = !name.empty() && (name.back() == '/' || (name.back() == '\\' && posix.back() != '\\'));
  while (posix.size() > 1 && posix.back() == '/') posix.pop_back();
  return posix.empty() ? kInvalidFiles : 0;
}

std::string Canonical(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  return real ? std::string(real.get()) : path;
}

bool IsWithin(const std::string& folder, const std::string& root) {
  return folder == root || (folder.size() > root.size() && folder.compare(0, root.size(), root) == 0 &&
                            (root == "/" || folder[root.size()] == '/'));
}

// The first name that does not exist yet for an item colliding at `target`
// (shell_plan::CollisionName).
std::string FreeName(const std::string& target, bool isFolder, bool copyOfItself) {
  const std::string folder = ParentOf(target);
  const std::string base = BaseOf(target);
  for (unsigned attempt = 0;; ++attempt) {
    const std::string candidate = Join(folder, CollisionName(base, isFolder, copyOfItself, attempt));
    struct stat st;
    if (::lstat(candidate.c_str(), &st) != 0 && errno == ENOENT) return candidate;
  }
}

// ---------------------------------------------------------------------------
// Copying

// Copies the item `src` (whose lstat is `st`) to the new name `dst`, which
// must not exist: a file with its data, mode and times, a symbolic link as a
// link, a folder with everything in it. With `keepOwner` the owner is kept
// too, as a move keeps it. `dst` may be left half made on failure; the caller
// removes it.
int CopyItem(const std::string& src, const struct stat& st, const std::string& dst, bool keepOwner) {
  const mode_t perms = st.st_mode & (keepOwner ? 07777 : 0777);
  const decltype(st.st_atim) times[2] = {st.st_atim, st.st_mtim};
  if (S_ISREG(st.st_mode)) {
    FileDescriptor in(::open(src.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (in.get() < 0) return errno;
    FileDescriptor out(::open(dst.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0) return errno;
    if (const int e = CopyData(in.get(), out.get())) return e;
    if (keepOwner && ::fchown(out.get(), st.st_uid, st.st_gid) != 0 && errno != EPERM) return errno;
    if (::fchmod(out.get(), perms) != 0 || ::futimens(out.get(), times) != 0) return errno;
    return out.Close() ? 0 : errno;
  }
  if (S_ISLNK(st.st_mode)) {
    std::string target(static_cast<std::size_t>(st.st_size) + 64, '\0');
    for (;;) {
      const ssize_t n = ::readlink(src.c_str(), target.data(), target.size());
      if (n < 0) return errno;
      if (static_cast<std::size_t>(n) < target.size()) {
        target.resize(static_cast<std::size_t>(n));
        break;
      }
      target.resize(target.size() * 2);
    }
    if (::symlink(target.c_str(), dst.c_str()) != 0) return errno;
    if (keepOwner && ::lchown(dst.c_str(), st.st_uid, st.st_gid) != 0 && errno != EPERM) return errno;
    ::utimensat(AT_FDCWD, dst.c_str(), times, AT_SYMLINK_NOFOLLOW);  // some file systems keep no link times
    return 0;
  }
  if (S_ISDIR(st.st_mode)) {
    if (::mkdir(dst.c_str(), 0700) != 0) return errno;
    Dir dir(OpenFolderAt(AT_FDCWD, src.c_str()));
    if (!dir) return errno;
    while (const dirent* entry = ::readdir(dir.get())) {
      if (IsDotOrDotDot(entry->d_name)) continue;
      struct stat child;
      if (::fstatat(::dirfd(dir.get()), entry->d_name, &child, AT_SYMLINK_NOFOLLOW) != 0) return errno;
      if (const int e = CopyItem(Join(src, entry->d_name), child, Join(dst, entry->d_name), keepOwner)) return e;
    }
  } else if (::mknod(dst.c_str(), st.st_mode & ~07777, st.st_rdev) != 0) {
    return errno;
  }
  if (keepOwner && ::lchown(dst.c_str(), st.st_uid, st.st_gid) != 0 && errno != EPERM) return errno;
  if (::chmod(dst.c_str(), perms) != 0) return errno;
  return ::utimensat(AT_FDCWD, dst.c_str(), times, 0) == 0 ? 0 : errno;
}

// ---------------------------------------------------------------------------
// Removing

// Removes the entry `name` of the folder `dirfd` and, for a folder, all it
// holds. Symbolic links are removed, never followed: a folder is only ever
// entered through a descriptor opened with O_NOFOLLOW.
int RemoveAt(int dirfd, const char* name, bool isFolder) {
  if (!isFolder) {
    if (::unlinkat(dirfd, name, 0) == 0) return 0;
    if (errno != EISDIR) return errno;
  }
  {
    Dir dir(OpenFolderAt(dirfd, name));
    if (!dir) return errno;
    while (const dirent* entry = ::readdir(dir.get())) {
      if (IsDotOrDotDot(entry->d_name)) continue;
      if (const int e = RemoveAt(::dirfd(dir.get()), entry->d_name, entry->d_type == DT_DIR)) return e;
    }
  }
  return ::unlinkat(dirfd, name, AT_REMOVEDIR) == 0 ? 0 : errno;
}

int RemoveItem(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return errno;
  FileDescriptor parent(::open(ParentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (parent.get() < 0) return errno;
  return RemoveAt(parent.get(), BaseOf(path).c_str(), S_ISDIR(st.st_mode));
}

bool IsReadOnlyFile(const struct stat& st) { return S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0; }

// Checks, before anything is removed, that the entry `name` of the folder
// `dirfd` (whose stat is `parent`) and everything below it can be removed by
// this process. Sets `readOnly` when a read-only file is among them.
int CheckRemovable(int dirfd, const struct stat& parent, const char* name, bool& readOnly) {
  struct stat st;
  if (::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  if (::faccessat(dirfd, ".", W_OK | X_OK, AT_EACCESS) != 0) return errno;
  const uid_t me = ::geteuid();
  if ((parent.st_mode & S_ISVTX) != 0 && me != 0 && me != st.st_uid && me != parent.st_uid) return EPERM;
  if (IsReadOnlyFile(st)) readOnly = true;
  if (!S_ISDIR(st.st_mode)) return 0;
  Dir dir(OpenFolderAt(dirfd, name));
  if (!dir) return errno;
  const int fd = ::dirfd(dir.get());
  if (::faccessat(fd, ".", R_OK, AT_EACCESS) != 0) return errno;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (IsDotOrDotDot(entry->d_name)) continue;
    if (const int e = CheckRemovable(fd, st, entry->d_name, readOnly)) return e;
  }
  return 0;
}

int CheckRemovable(const std::string& path, bool& readOnly) {
  FileDescriptor parent(::open(ParentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat st;
  if (parent.get() < 0 || ::fstat(parent.get(), &st) != 0) return errno;
  return CheckRemovable(parent.get(), st, BaseOf(path).c_str(), readOnly);
}

// ---------------------------------------------------------------------------
// The operation

class Operation {
 public:
  explicit Operation(ShFileOpStruct& op) : op_(op), flags_(op.fFlags) {}

  int Run() {
    op_.fAnyOperationsAborted = false;
    int result;
    switch (op_.wFunc) {
      case kFoCopy: result = Transfer(false); break;
      case kFoMove: result = Transfer(true); break;
      case kFoDelete: result = Delete(); break;
      case kFoRename: result = Rename(); break;
      default: return kInvalidParameter;
    }
    if (skipped_ || (result != 0 && started_)) op_.fAnyOperationsAborted = true;
    return result != 0 ? result : skipped_ ? kCancelled : 0;
  }

 private:
  bool Has(std::uint32_t flag) const { return (flags_ & flag) != 0; }

  // The items a source name stands for: the item itself, or the entries of
  // its folder that its last component matches when that holds wildcards.
  int Expand(const std::string& name, std::vector<std::string>& items, bool& wildcard) const {
    std::string posix;
    if (const int e = Resolve(name, posix, nullptr, true)) return e;
    if (posix == "/") return kRootFolder;
    const std::string pattern = BaseOf(posix);
    wildcard = HasWildcards(pattern);
    struct stat st;
    if (!wildcard) {
      if (::lstat(posix.c_str(), &st) != 0)
        return errno == ENOENT && ::stat(ParentOf(posix).c_str(), &st) == 0 ? kFileNotFound : CodeOfErrno(errno);
      items.push_back(posix);
      return 0;
    }
    const std::string folder = ParentOf(posix);
    Dir dir(::opendir(folder.c_str()));  // the folder itself may be reached through a link
    if (!dir) return CodeOfErrno(errno);
    std::vector<std::string> found;
    while (const dirent* entry = ::readdir(dir.get())) {
      if (IsDotOrDotDot(entry->d_name) || !WildcardMatch(pattern, entry->d_name)) continue;
      if (Has(kFofFilesOnly) &&
          (::fstatat(::dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode)))
        continue;
      found.push_back(Join(folder, entry->d_name));
    }
    if (found.empty()) return kFileNotFound;
    std::sort(found.begin(), found.end());
    items.insert(items.end(), found.begin(), found.end());
    return 0;
  }

  struct Source {
    std::vector<std::string> items;
    bool wildcard = false;
  };

  int ExpandAll(std::vector<Source>& sources) const {
    const std::vector<std::string> names = SplitList(op_.pFrom);
    if (names.empty()) return kInvalidFiles;
    for (const std::string& name : names) {
      Source s;
      if (const int e = Expand(name, s.items, s.wildcard)) return e;
      sources.push_back(std::move(s));
    }
    return 0;
  }

  // The destination names, checked against the number of sources.
  int Destinations(std::size_t sourceCount, std::vector<std::string>& dests) const {
    if (!op_.pTo) return kInvalidFiles;
    dests = SplitList(*op_.pTo);
    return CheckDestinations(sourceCount, dests.size(), flags_);
  }

  // Copy and move.
  int Transfer(bool move) {
    std::vector<Source> sources;
    std::vector<std::string> dests;
    if (const int e = ExpandAll(sources)) return e;
    if (const int e = Destinations(sources.size(), dests)) return e;
    const bool multi = Has(kFofMultiDestFiles);
    started_ = true;
    for (std::size_t i = 0; i < sources.size(); ++i) {
      const std::string& destName = multi ? dests[i] : dests[0];
      std::string dest;
      bool folderForm = false;
      if (const int e = Resolve(destName, dest, &folderForm)) return e;
      // The destination is a folder for all the items, or the new name of
      // the one item.
      bool intoFolder = IntoFolderByName(sources[i].wildcard, sources.size(), folderForm, flags_);
      if (!intoFolder) {
        struct stat d, s;
        intoFolder = ::stat(dest.c_str(), &d) == 0 && S_ISDIR(d.st_mode) &&
                     !(::lstat(sources[i].items[0].c_str(), &s) == 0 && s.st_dev == d.st_dev && s.st_ino == d.st_ino);
      }
      if (const int e = MakeFolders(intoFolder ? dest : ParentOf(dest), 0777)) return CodeOfErrno(e);
      for (const std::string& item : sources[i].items)
        if (const int e = TransferItem(item, intoFolder ? Join(dest, BaseOf(item)) : dest, move)) return e;
    }
    return 0;
  }

  int TransferItem(const std::string& src, std::string target, bool move) {
    struct stat st, existing;
    if (::lstat(src.c_str(), &st) != 0) return errno == ENOENT ? kFileNotFound : CodeOfErrno(errno);
    if (S_ISDIR(st.st_mode) && IsWithin(Canonical(ParentOf(target)), Canonical(src))) return kDestSubtree;
    bool replace = false;
    if (::lstat(target.c_str(), &existing) == 0) {
      const bool same = existing.st_dev == st.st_dev && existing.st_ino == st.st_ino;
      switch (OnCollision(same, S_ISDIR(st.st_mode), S_ISDIR(existing.st_mode), move, flags_)) {
        case Collision::kSameFile: return kSameFile;
        case Collision::kFreeName: target = FreeName(target, S_ISDIR(st.st_mode), same); break;
        case Collision::kMerge: return Merge(src, target, move);
        case Collision::kFileOntoFolder: return kFileOntoFolder;
        case Collision::kFolderOntoFile: return kFolderOntoFile;
        case Collision::kSkip: skipped_ = true; return 0;  // an existing file is replaced only when the caller said so
        case Collision::kReplace: replace = true; break;
      }
    } else if (errno != ENOENT) {
      return CodeOfErrno(errno);
    }
    return move ? MoveItem(src, st, target, replace) : CopyIntoPlace(src, st, target, replace, false);
  }

  // A folder into an existing folder of the same name, entry by entry.
  int Merge(const std::string& src, const std::string& target, bool move) {
    std::vector<std::string> names;
    {
      Dir dir(OpenFolderAt(AT_FDCWD, src.c_str()));
      if (!dir) return CodeOfErrno(errno);
      while (const dirent* entry = ::readdir(dir.get()))
        if (!IsDotOrDotDot(entry->d_name)) names.emplace_back(entry->d_name);
    }
    for (const std::string& name : names)
      if (const int e = TransferItem(Join(src, name), Join(target, name), move)) return e;
    if (move && ::rmdir(src.c_str()) != 0 && !(skipped_ && (errno == ENOTEMPTY || errno == EEXIST)))
      return CodeOfErrno(errno);
    return 0;
  }

  // Copies the item under a hidden name beside `target` and renames it into
  // place, so that `target` never names a partial copy.
  static int CopyIntoPlace(const std::string& src, const struct stat& st, const std::string& target, bool replace,
                           bool keepOwner) {
    std::uint64_t random = 0;
    if (::getrandom(&random, sizeof random, 0) != sizeof random)
      random = (static_cast<std::uint64_t>(::getpid()) << 32) ^ static_cast<std::uint64_t>(st.st_ino);
    std::string temp;
    for (struct stat taken;; ++random) {
      char name[48];
      std::snprintf(name, sizeof name, ".kortools-%016llx.part", static_cast<unsigned long long>(random));
      temp = Join(ParentOf(target), name);
      if (::lstat(temp.c_str(), &taken) != 0) break;
    }
    int e = CopyItem(src, st, temp, keepOwner);
    if (e == 0 && ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), replace ? 0 : RENAME_NOREPLACE) != 0)
      e = errno;
    if (e != 0) RemoveItem(temp);
    return CodeOfErrno(e);
  }

  // rename(2); across file systems a copy into place, then the source is
  // removed. When the copy fails the source is untouched.
  int MoveItem(const std::string& src, const struct stat& st, const std::string& target, bool replace) {
    if (::renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, target.c_str(), replace ? 0 : RENAME_NOREPLACE) == 0) return 0;
    if (errno == EINVAL && !replace) {  // a file system without RENAME_NOREPLACE
      struct stat existing;
      if (::lstat(target.c_str(), &existing) == 0) return kAlreadyExists;
      if (::rename(src.c_str(), target.c_str()) == 0) return 0;
    }
    if (errno != EXDEV) return CodeOfErrno(errno);
    bool readOnly = false;
    if (const int e = CheckRemovable(src, readOnly)) return CodeOfErrno(e);  // the source must go afterwards
    if (const int e = CopyIntoPlace(src, st, target, replace, true)) return e;
    return CodeOfErrno(RemoveItem(src));
  }

  int Delete() {
    std::vector<Source> sources;
    if (const int e = ExpandAll(sources)) return e;
    started_ = true;
    for (const Source& source : sources) {
      for (const std::string& item : source.items) {
        struct stat st;
        if (::lstat(item.c_str(), &st) != 0) return errno == ENOENT ? kFileNotFound : CodeOfErrno(errno);
        bool readOnly = IsReadOnlyFile(st);
        if (Has(kFofAllowUndo)) {
          if (SkipsReadOnly(readOnly, flags_)) {
            skipped_ = true;
            continue;
          }
          if (const int e = MoveToTrash(item)) return CodeOfErrno(e);
          continue;
        }
        if (const int e = CheckRemovable(item, readOnly)) return CodeOfErrno(e);
        if (SkipsReadOnly(readOnly, flags_)) {
          skipped_ = true;  // nothing of an item holding a read-only file is removed unasked
          continue;
        }
        if (const int e = RemoveItem(item)) return CodeOfErrno(e);
      }
    }
    return 0;
  }

  // A rename gives one item a new name in its own folder. A destination
  // without a folder is taken in the source's folder.
  int Rename() {
    const std::vector<std::string> names = SplitList(op_.pFrom);
    if (names.empty()) return kInvalidFiles;
    if (names.size() > 1 && !Has(kFofMultiDestFiles)) return kManySourcesOneDest;
    std::vector<std::string> dests;
    if (const int e = Destinations(names.size(), dests)) return e;
    const FileSystemView& view = GetFileSystemView();
    for (std::size_t i = 0; i < names.size(); ++i) {
      std::string src;
      if (const int e = Resolve(names[i], src)) return e;
      if (src == "/") return kRootFolder;
      if (HasWildcards(BaseOf(src))) return kInvalidFiles;
      struct stat st, existing;
      if (::lstat(src.c_str(), &st) != 0) return errno == ENOENT ? kFileNotFound : CodeOfErrno(errno);
      std::string destName = dests[i];
      if (!NamesItsFolder(destName)) {
        std::string folder;
        if (view.ToWindows(ParentOf(src), folder) != 0) return kInvalidFiles;
        destName = folder + (folder.back() == '\\' ? "" : "\\") + destName;
      }
      std::string target;
      if (const int e = Resolve(destName, target)) return e;
      if (Canonical(ParentOf(target)) != Canonical(ParentOf(src))) return kDifferentFolder;
      started_ = true;
      if (::lstat(target.c_str(), &existing) == 0) {
        if (existing.st_dev == st.st_dev && existing.st_ino == st.st_ino) {
          // The item itself, found ignoring case: the new name is the one given.
          std::string given;
          if (view.ToPosix(destName, given) != 0) return kInvalidFiles;
          while (given.size() > 1 && given.back() == '/') given.pop_back();
          target = Join(ParentOf(target), BaseOf(given));
          if (target == src) continue;
          if (::rename(src.c_str(), target.c_str()) != 0) return CodeOfErrno(errno);
          continue;
        }
        if (!Has(kFofRenameOnCollision)) return kAlreadyExists;
        target = FreeName(target, S_ISDIR(st.st_mode), false);
      }
      if (::renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0)
        return CodeOfErrno(errno);
    }
    return 0;
  }

  ShFileOpStruct& op_;
  std::uint32_t flags_;
  bool started_ = false;  // a part of the operation may have been done
  bool skipped_ = false;  // an item was left out: a question was answered "no"
};

class PosixShellFileOperations final : public ShellFileOperations {
 public:
  int SHFileOperation(ShFileOpStruct& op) override { return Operation(op).Run(); }
};

}  // namespace

ShellFileOperations& PlatformShellFileOperations() {
  static PosixShellFileOperations operations;
  return operations;
}

}  // namespace kor::platform
