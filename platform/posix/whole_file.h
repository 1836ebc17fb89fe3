// Writing a whole file anew so that the old one stays until the new one is
// complete: the INI writer and the CSV writer share this.
//
// The new content goes into a temporary file in the same folder (an unnamed
// one where the file system allows, given its name only at the end), which
// gets the old file's owner and mode, is flushed to disk and then renamed
// over the old name; the folder is flushed after the rename. A symbolic link
// stays a link: its final target is replaced. Writers hold an exclusive flock
// on the folder, so a temporary file that a killed writer left behind is
// removed by the next write of the same file. KORTOOLS_INI_SYNC=0 leaves out
// both flushes.
//
//   std::string target;
//   if (!FollowLinks(path, target)) return false;
//   const auto [folder, base] = SplitFolder(target);
//   FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
//   FolderLock lock(dir.get());
//   WholeFile file(dir.get(), base, lock.Held());
//   if (!file.Open(nullptr) || !file.Write(bytes) || !file.Commit(SyncWanted())) return errno;
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>
#include <utility>

#include "platform/posix/file_descriptor.h"

namespace kor::platform {

// "folder" and "name" of a POSIX path ("." for a bare name).
std::pair<std::string, std::string> SplitFolder(const std::string& path);

// The file that a write replaces: `path` itself, or the final target of the
// symbolic link(s) it names (which need not exist yet). False for a loop of
// links or one that cannot be read (errno tells).
bool FollowLinks(const std::string& path, std::string& target);

// Whether writes flush to disk: false when KORTOOLS_INI_SYNC is "0", "off",
// "no" or "false".
bool SyncWanted();

// An exclusive flock on an open folder, released when it goes out of scope.
// Where the file system has no flock (some network file systems) the write
// goes ahead without one.
class FolderLock {
 public:
  explicit FolderLock(int fd);
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_;
};

// The new content of the file `base` in the open folder `dirFd`, on its way
// into place. Each step returns false with errno set when it fails; the old
// file is then untouched, and the temporary file is gone once the WholeFile
// is.
class WholeFile {
 public:
  // `locked`: the caller holds the folder's lock, so that no other writer's
  // temporary file can be there.
  WholeFile(int dirFd, std::string base, bool locked);
  ~WholeFile();
  WholeFile(const WholeFile&) = delete;
  WholeFile& operator=(const WholeFile&) = delete;

  // Makes the temporary file; `old` is the stat of the file replaced, null
  // for a new file.
  bool Open(const struct stat* old);
  bool Write(std::string_view data);
  // Gives the new file the old one's owner and mode, flushes it when `sync`
  // and renames it over the old name.
  bool Commit(bool sync);

 private:
  bool Fail();
  bool Name();

  int dirFd_;
  std::string base_;
  bool locked_;
  const struct stat* old_ = nullptr;
  FileDescriptor tmp_;
  std::string name_;  // the temporary file's name, once it has one
  bool committed_ = false;
};

// The whole of WholeFile: `data` as the new content of `base`.
bool ReplaceFile(int dirFd, const std::string& base, std::string_view data, const struct stat* old, bool sync,
                 bool locked);

}  // namespace kor::platform
