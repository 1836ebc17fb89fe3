// File searches and file times on POSIX systems. A search reads the folder
// once and keeps, of the entries that match, the first by name ignoring case;
// an exact name is looked up directly (ignoring case only when it is not found
// as given). The times come from statx().
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <mutex>
#include <unordered_map>

#include "frame/dates.h"
#include "platform/code_page.h"
#include "platform/file_search.h"
#include "platform/paths.h"
#include "platform/posix/file_errors.h"
#include "winrules/wildcard.h"
#include "winrules/windows_names.h"

namespace kor::platform {
namespace {

// Seconds from 1601-01-01 to 1970-01-01, and file-time units per second.
constexpr std::int64_t kEpochDifference = 11644473600;
constexpr std::int64_t kUnitsPerSecond = 10000000;
constexpr std::uint64_t kLargest = (std::uint64_t{1} << 63) - 1;

// The folder holding a POSIX name ("/" for a name right under the root).
std::string ParentOf(std::string_view posix) {
  while (posix.size() > 1 && posix.back() == '/') posix.remove_suffix(1);
  const std::size_t slash = posix.rfind('/');
  if (slash == std::string_view::npos) return ".";
  return slash == 0 ? std::string("/") : std::string(posix.substr(0, slash));
}

// The error of a name that could not be found: a missing entry in an
// existing folder is "file not found", anything else on the way "path not
// found".
std::uint32_t NotFound(std::string_view posix) {
  struct stat st {};
  const std::string parent = ParentOf(posix);
  if (::stat(parent.c_str(), &st) != 0) return errno == EACCES ? kErrorAccessDenied : kErrorPathNotFound;
  return S_ISDIR(st.st_mode) ? kErrorFileNotFound : kErrorPathNotFound;
}

FileTime FromTimestamp(const struct statx_timestamp& t) {
  const std::int64_t seconds = t.tv_sec + kEpochDifference;
  if (seconds < 0) return FileTime{};
  return FileTime::Of(static_cast<std::uint64_t>(seconds) * kUnitsPerSecond + t.tv_nsec / 100);
}

// The attributes and times of an entry named `entry` (UTF-8), from `sx`.
void Describe(const struct statx& sx, std::string_view entry, Win32FindData& data) {
  std::uint32_t a = 0;
  if (S_ISDIR(sx.stx_mode))
    a |= kFileAttributeDirectory;
  else if (S_ISREG(sx.stx_mode))
    a |= kFileAttributeArchive;
  if (!entry.empty() && entry[0] == '.' && entry != "." && entry != "..") a |= kFileAttributeHidden;
  if ((sx.stx_mode & S_IWUSR) == 0) a |= kFileAttributeReadOnly;
  data.dwFileAttributes = a == 0 ? kFileAttributeNormal : a;
  data.ftCreationTime = FromTimestamp((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime);
  data.ftLastAccessTime = FromTimestamp(sx.stx_atime);
  data.ftLastWriteTime = FromTimestamp(sx.stx_mtime);
  data.nFileSizeHigh = static_cast<std::uint32_t>(sx.stx_size >> 32);
  data.nFileSizeLow = static_cast<std::uint32_t>(sx.stx_size);
  const CodePage& cp = GetFileSystemView().NameCodePage();
  data.cFileName = cp.IsUtf8() ? std::string(entry) : cp.FromUtf8(entry);
}

// statx of a name relative to `dirfd`, following a symbolic link; a link that
// points nowhere is described as itself.
int StatxEntry(int dirfd, const char* name, struct statx& sx) {
  constexpr unsigned kMask = STATX_BASIC_STATS | STATX_BTIME;
  if (::statx(dirfd, name, AT_STATX_SYNC_AS_STAT, kMask, &sx) == 0) return 0;
  const int err = errno;
  if (err == ENOENT && ::statx(dirfd, name, AT_STATX_SYNC_AS_STAT | AT_SYMLINK_NOFOLLOW, kMask, &sx) == 0) return 0;
  return err;
}

bool IsWindowsRoot(std::string_view folder) {
  const windows_names::Prefix prefix = windows_names::PrefixOf(folder);
  folder.remove_prefix(prefix.length);
  if (prefix.unc) return folder.find('\\', folder.find('\\') + 1) + 1 == folder.size();
  if (folder.size() == 3 && folder[1] == ':') return true;
  if (folder.size() >= 2 && folder[0] == '\\' && folder[1] == '\\') {
    const std::size_t share = folder.find('\\', 2);
    return share != std::string_view::npos && folder.find('\\', share + 1) + 1 == folder.size();
  }
  return false;
}

// A name taken apart: the folder it is in (as a POSIX folder) and its last
// component (UTF-8), empty when the name ends in "\" or is a root.
struct Target {
  std::string windowsFolder;  // the full Windows name of the folder, in the code page, ending in "\"
  std::string folder;         // its POSIX name
  std::string last;           // UTF-8
  std::string full;           // the full Windows name, in the code page
  bool root = false;          // the folder is a drive's or share's root: no "." and ".." in it
};

std::uint32_t Split(std::string_view name, Target& t) {
  name = UpToNul(name);
  if (name.empty()) return kErrorPathNotFound;
  const FileSystemView& view = GetFileSystemView();
  if (const std::uint32_t e = view.FullPathName(name, t.full)) return e;
  const CodePage& cp = view.NameCodePage();
  // Cut in UTF-8: in a multi-byte code page a trail byte may look like "\".
  const std::string utf8 = cp.IsUtf8() ? t.full : cp.ToUtf8(t.full);
  const std::size_t slash = utf8.rfind('\\');
  if (slash == std::string::npos) return kErrorInvalidName;
  // Wildcards only in the last component, which is the pattern.
  if (const std::uint32_t e = windows_names::Check(utf8, true)) return e;
  const std::string_view folderUtf8 = std::string_view(utf8).substr(0, slash + 1);
  t.last = utf8.substr(slash + 1);
  t.windowsFolder = cp.IsUtf8() ? std::string(folderUtf8) : cp.FromUtf8(folderUtf8);
  t.root = IsWindowsRoot(t.windowsFolder);
  if (const std::uint32_t e = view.FindPosix(t.windowsFolder, t.folder)) return e;
  while (t.folder.size() > 1 && t.folder.back() == '/') t.folder.pop_back();
  return 0;
}

// The error for a folder that cannot be listed, or 0 when it is a folder.
std::uint32_t CheckFolder(const std::string& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return errno == EACCES ? kErrorAccessDenied : kErrorPathNotFound;
  return S_ISDIR(st.st_mode) ? 0 : kErrorPathNotFound;
}

bool IsDotOrDotDot(std::string_view n) { return n == "." || n == ".."; }

class Folder {
 public:
  explicit Folder(DIR* d) : d_(d) {}
  ~Folder() {
    if (d_) ::closedir(d_);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  DIR* get() const { return d_; }

 private:
  DIR* d_;
};

// The attributes that the runtime's search filters on, from the folder entry
// (a symbolic link or an unknown type asks the file system).
std::uint32_t FilterAttributes(int dirfd, const dirent& e) {
  const std::string_view name = e.d_name;
  std::uint32_t a = 0;
  if (!name.empty() && name[0] == '.' && !IsDotOrDotDot(name)) a |= kFileAttributeHidden;
  bool folder = e.d_type == DT_DIR;
  if (e.d_type == DT_LNK || e.d_type == DT_UNKNOWN) {
    struct stat st {};
    folder = ::fstatat(dirfd, e.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
  }
  if (folder) a |= kFileAttributeDirectory;
  return a;
}

constexpr std::uint32_t kFiltered = kFileAttributeHidden | kFileAttributeSystem | kFileAttributeDirectory;
constexpr std::uint32_t kEverything = kFiltered;

bool Passes(std::uint32_t attributes, std::uint32_t allowed) { return (attributes & kFiltered & ~allowed) == 0; }

// The first entry of t.folder, in the folder order of Windows, that matches
// `pattern` and passes `allowed`; its description in `data`.
std::uint32_t FirstMatch(const Target& t, std::string_view pattern, std::uint32_t allowed, Win32FindData& data) {
  Folder d(::opendir(t.folder.c_str()));
  if (d.get() == nullptr) {
    const int err = errno;
    return err == ENOENT ? kErrorPathNotFound : Win32ErrorCode(err);
  }
  const int fd = ::dirfd(d.get());
  const WildcardPattern match(pattern);
  std::string best;
  bool found = false;
  while (const dirent* e = ::readdir(d.get())) {
    const std::string_view name = e->d_name;
    if (IsDotOrDotDot(name) && t.root) continue;
    if (!match.Matches(name)) continue;
    if (allowed != kEverything && !Passes(FilterAttributes(fd, *e), allowed)) continue;
    if (!found || NameBefore(name, best)) {
      best = name;
      found = true;
    }
  }
  if (!found) return kErrorFileNotFound;
  struct statx sx {};
  if (const int err = StatxEntry(fd, best.c_str(), sx)) return Win32ErrorCode(err);
  Describe(sx, best, data);
  return 0;
}

// The entry named exactly by `t` (letter case looked up when it differs).
std::uint32_t ExactEntry(const Target& t, Win32FindData& data) {
  // A missing folder answers at once, without resolving the whole name.
  if (const std::uint32_t e = CheckFolder(t.folder)) return e;
  std::string posix;
  if (const std::uint32_t e = GetFileSystemView().FindPosix(t.full, posix)) return e;
  struct statx sx {};
  if (const int err = StatxEntry(AT_FDCWD, posix.c_str(), sx))
    return err == ENOENT ? NotFound(posix) : Win32ErrorCode(err);
  std::string_view entry = posix;
  entry.remove_prefix(entry.rfind('/') + 1);
  Describe(sx, entry, data);
  return 0;
}

class PosixFileSearch final : public FileSearch {
 public:
  FindHandle FindFirstFile(std::string_view name, Win32FindData& data, std::uint32_t& lastError) override {
    Target t;
    std::uint32_t e = Split(name, t);
    if (e == 0 && t.last.empty())
      e = CheckFolder(t.folder) == kErrorPathNotFound ? kErrorPathNotFound : kErrorFileNotFound;
    if (e == 0) e = HasWildcards(t.last) ? FirstMatch(t, t.last, kEverything, data) : ExactEntry(t, data);
    if (e != 0) {
      lastError = e;
      return kInvalidHandleValue;
    }
    std::lock_guard<std::mutex> lock(mu_);
    const FindHandle h = next_++;
    open_.emplace(h, Search{std::move(t.folder), std::move(t.last)});
    return h;
  }

  bool FindClose(FindHandle handle) override {
    std::lock_guard<std::mutex> lock(mu_);
    return open_.erase(handle) == 1;
  }

  std::uint32_t FindEntry(std::string_view pattern, std::uint32_t attributes, std::string& found) override {
    found.clear();
    Target t;
    if (const std::uint32_t e = Split(pattern, t)) return e;
    Win32FindData data;
    std::uint32_t e;
    if (t.last.empty() || HasWildcards(t.last)) {
      e = FirstMatch(t, t.last.empty() ? std::string_view("*") : std::string_view(t.last), attributes, data);
    } else {
      e = ExactEntry(t, data);
      if (e == 0 && !Passes(data.dwFileAttributes, attributes)) e = kErrorFileNotFound;
    }
    if (e == 0) found = std::move(data.cFileName);
    return e;
  }

  std::uint32_t LastWriteTime(std::string_view name, FileTime& time) override {
    name = UpToNul(name);
    if (name.empty()) return kErrorPathNotFound;
    std::string posix;
    if (const std::uint32_t e = GetFileSystemView().FindPosix(name, posix)) return e;
    struct statx sx {};
    if (const int err = StatxEntry(AT_FDCWD, posix.c_str(), sx))
      return err == ENOENT ? NotFound(posix) : Win32ErrorCode(err);
    time = FromTimestamp(sx.stx_mtime);
    return 0;
  }

 private:
  // What an open search was asked for.
  struct Search {
    std::string folder, pattern;
  };
  std::mutex mu_;
  std::unordered_map<FindHandle, Search> open_;
  FindHandle next_ = 1;
};

}  // namespace

FileSearch& PlatformFileSearch() {
  static PosixFileSearch* search = new PosixFileSearch();  // lives for the whole process
  return *search;
}

bool FileTimeToLocalFileTime(const FileTime& utc, FileTime& local) {
  const std::uint64_t u = utc.Value();
  if (u > kLargest) return false;
  // The offset of this moment, with the time zone as the environment names it now.
  ::tzset();
  const std::time_t now = std::time(nullptr);
  struct tm tm {};
  if (::localtime_r(&now, &tm) == nullptr) return false;
  std::int64_t shifted;
  if (__builtin_add_overflow(static_cast<std::int64_t>(u), static_cast<std::int64_t>(tm.tm_gmtoff) * kUnitsPerSecond,
                             &shifted) ||
      shifted < 0)
    return false;
  local = FileTime::Of(static_cast<std::uint64_t>(shifted));
  return true;
}

bool FileTimeToSystemTime(const FileTime& time, SystemTime& fields) {
  const std::uint64_t v = time.Value();
  if (v > kLargest) return false;
  constexpr std::uint64_t kUnitsPerDay = 86400ull * kUnitsPerSecond;
  const auto days1601 = static_cast<std::int64_t>(v / kUnitsPerDay);
  const std::uint64_t rest = v % kUnitsPerDay;
  const std::int64_t days1970 = days1601 - kEpochDifference / 86400;
  const dates::CivilDate date = dates::CivilOfDays(days1970);
  fields.wYear = static_cast<std::uint16_t>(date.year);
  fields.wMonth = static_cast<std::uint16_t>(date.month);
  fields.wDay = static_cast<std::uint16_t>(date.day);
  fields.wDayOfWeek = static_cast<std::uint16_t>((days1601 + 1) % 7);  // 1601-01-01 was a Monday
  const std::uint64_t ms = rest / 10000;
  fields.wHour = static_cast<std::uint16_t>(ms / 3600000);
  fields.wMinute = static_cast<std::uint16_t>(ms / 60000 % 60);
  fields.wSecond = static_cast<std::uint16_t>(ms / 1000 % 60);
  fields.wMilliseconds = static_cast<std::uint16_t>(ms % 1000);
  return true;
}

}  // namespace kor::platform
