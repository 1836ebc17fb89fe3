// Small helpers for working with POSIX names and folders: folder listings that
// close themselves, the folder and last component of an absolute name, and
// folder creation. (Descriptors: platform/posix/file_descriptor.h.)
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

namespace kor::platform::posix_files {

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

// Opens the folder `name` (of the folder `dirfd`) for listing, without
// following a symbolic link in its place; null with errno set on failure.
inline Dir OpenFolderAt(int dirfd, const char* name) {
  const int fd = ::openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return nullptr;
  DIR* d = ::fdopendir(fd);
  if (d == nullptr) ::close(fd);
  return Dir(d);
}

inline bool IsDotOrDotDot(const char* n) { return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)); }

// The folder of an absolute name ("/" for "/x"), its last component, and a
// name in a folder.
inline std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}
inline std::string BaseOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }
inline std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

// Creates the folder `path` and any missing folders above it with `mode`; 0
// or an errno value (ENOTDIR when a file is in the way).
inline int MakeFolders(const std::string& path, mode_t mode) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  if (errno != ENOENT) return errno;
  if (path != "/")
    if (const int e = MakeFolders(ParentOf(path), mode)) return e;
  return ::mkdir(path.c_str(), mode) == 0 || errno == EEXIST ? 0 : errno;
}

}  // namespace kor::platform::posix_files
