// The profile-file operations on POSIX systems: name resolution, the read
// cache, and the locked, atomic read-modify-write of a file.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <list>
#include <mutex>
#include <string>

#include "platform/code_page.h"
#include "platform/paths.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/kernel_time.h"
#include "platform/posix/profile_file_options.h"
#include "platform/posix/whole_file.h"
#include "winrules/ini_text.h"
#include "winrules/windows_names.h"

namespace kor::platform {
namespace {

// Files larger than this are read but not kept in memory.
constexpr off_t kLargestCachedFile = 16 << 20;
// How long a time stamp may be shared by a later change: on local file
// systems whose stamps the kernel takes from its clock in nanoseconds, a clock
// tick at most (with a wide margin); elsewhere (FAT's two-second stamps,
// network file systems) two seconds.
constexpr long kSettleLocalNs = 100'000'000;
constexpr long kSettleOtherNs = 2'000'000'000;

struct Stamp {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  KernelTime mtime{}, ctime{};

  explicit Stamp(const struct stat& st)
      : dev(st.st_dev), ino(st.st_ino), size(st.st_size), mtime(st.st_mtim), ctime(st.st_ctim) {}
  Stamp() = default;
  bool operator==(const Stamp& o) const {
    return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
  }
};

bool Before(const KernelTime& a, const KernelTime& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

long SettleNs(int fd) {
  struct statfs fs;
  if (::fstatfs(fd, &fs) != 0) return kSettleOtherNs;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53:      // ext2, ext3, ext4
    case 0x01021994:  // tmpfs
    case 0x58465342:  // xfs
    case 0x9123683E:  // btrfs
    case 0xF2F52010:  // f2fs
    case 0x2FC12FC1:  // zfs
    case 0x794C7630:  // overlayfs
      return kSettleLocalNs;
    default: return kSettleOtherNs;
  }
}

// Whether both time stamps lie more than `settleNs` before `now`.
bool Settled(const Stamp& s, KernelTime now, long settleNs) {
  now.tv_sec -= settleNs / 1'000'000'000;
  now.tv_nsec -= settleNs % 1'000'000'000;
  if (now.tv_nsec < 0) {
    now.tv_nsec += 1'000'000'000;
    --now.tv_sec;
  }
  return Before(s.mtime, now) && Before(s.ctime, now);
}

bool ReadAll(int fd, std::string& out, std::size_t sizeHint) {
  out.clear();
  out.reserve(sizeHint);
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    out.append(chunk, static_cast<std::size_t>(n));
  }
}

// The POSIX name of a profile file name. A name without any folder is taken
// in KORTOOLS_INI_DIR, or the current folder.
bool ResolveName(std::string_view fileName, std::string& posix) {
  const std::string_view name = UpToNul(fileName);
  if (name.empty()) return false;
  const FileSystemView& view = GetFileSystemView();
  if (name[0] != '/' && windows_names::Check(name, false) != 0) return false;
  const bool bare = name.find_first_of("\\/") == std::string_view::npos && !(name.size() >= 2 && name[1] == ':');
  const char* dir = bare ? std::getenv("KORTOOLS_INI_DIR") : nullptr;
  if (dir == nullptr || *dir == '\0') return view.FindPosix(name, posix) == 0;
  std::string folder;
  if (view.ToWindows(dir, folder) == 0) {
    if (folder.back() != '\\') folder += '\\';
    return view.FindPosix(folder.append(name), posix) == 0;
  }
  posix = dir;
  posix += '/';
  posix += view.NameCodePage().ToUtf8(name);
  return true;
}

class PosixProfileFiles final : public ProfileFiles {
 public:
  explicit PosixProfileFiles(PosixProfileOptions options) : options_(std::move(options)) {
    if (options_.cachedFiles == 0) options_.cachedFiles = 1;
  }

  std::uint32_t GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view defaultText,
                                        char* buffer, std::uint32_t size, std::string_view fileName) override {
    if (buffer == nullptr || size == 0) return 0;
    // The value and the name keep their storage from one read to the next.
    thread_local std::string value, path;
    value.clear();
    path.clear();
    bool found = false;
    struct stat st;
    if (Locate(UpToNul(fileName), path, st)) {
      if (const auto table = Load(path, st)) found = table->Find(UpToNul(section), UpToNul(key), value);
    }
    if (found) return Place(UpToNul(value), buffer, size);
    // The default loses its trailing spaces, as it does on Windows.
    std::string_view fallback = UpToNul(defaultText);
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
    return Place(fallback, buffer, size);
  }

  bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                                 std::string_view fileName) override {
    section = UpToNul(section);
    key = UpToNul(key);
    value = UpToNul(value);
    if (!ini::CanStore(section, key, value)) return false;
    std::string path, target;
    if (!ResolveName(fileName, path) || !FollowLinks(path, target)) return false;
    const auto [folder, base] = SplitFolder(target);
    if (base.empty()) return false;

    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.ok()) return false;
    FolderLock lock(dir.get());

    std::string bytes;
    struct stat st;
    FileDescriptor file(::openat(dir.get(), base.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    const bool exists = file.ok();
    if (exists) {
      // A file without any write permission is read-only, for every user:
      // it is never replaced, as a file with the read-only attribute.
      if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0) return false;
      if (::faccessat(dir.get(), base.c_str(), W_OK, AT_EACCESS) != 0) return false;
      if (!ReadAll(file.get(), bytes, static_cast<std::size_t>(st.st_size))) return false;
      file.Reset();
    } else if (errno != ENOENT) {
      return false;
    }

    ini::Text text = ini::Decode(bytes);
    const ini::Edit edit = ini::SetValue(text, SystemCodePage(), section, key, value);
    if (edit == ini::Edit::kRejected) return false;
    if (edit == ini::Edit::kUnchanged && exists) return true;
    return ReplaceFile(dir.get(), base, ini::Encode(text), exists ? &st : nullptr, SyncWanted(), lock.Held());
  }

 private:
  // A Windows name that does not depend on the current folder, and the POSIX
  // name it had when a file existed there with exactly that letter case.
  struct KnownName {
    std::string name;
    const FileSystemView* view = nullptr;
    std::string path;
  };

  struct Entry {
    std::string path;
    Stamp stamp;
    bool settled = false;
    std::string bytes;
    std::shared_ptr<const ini::Table> table;
  };

  KernelTime Now() const { return options_.now ? options_.now() : ClockNow(CLOCK_REALTIME); }

  // The value placed in the buffer: cut to size - 1 bytes, and in a UTF-8
  // code page not inside a character.
  static std::uint32_t Place(std::string_view text, char* buffer, std::uint32_t size) {
    std::size_t n = std::min<std::size_t>(text.size(), size - 1);
    if (n < text.size() && SystemCodePage().IsUtf8()) {
      std::size_t back = n;
      while (back > 0 && n - back < 3 && (static_cast<unsigned char>(text[back]) & 0xC0) == 0x80) --back;
      if ((static_cast<unsigned char>(text[back]) & 0xC0) != 0x80) n = back;
    }
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<std::uint32_t>(n);
  }

  // The cache entry of `path` moved to the front, or end().
  std::list<Entry>::iterator Lookup(const std::string& path) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->path != path) continue;
      entries_.splice(entries_.begin(), entries_, it);
      return entries_.begin();
    }
    return entries_.end();
  }

  // The POSIX name of a file to read and its stat; false when there is no
  // such file. The name's resolution is remembered while it is plain text:
  // as long as a file exists at the remembered POSIX name, resolving the
  // name again (which looks for other letter cases only when the exact name
  // is missing) would give that same name.
  bool Locate(std::string_view name, std::string& path, struct stat& st) {
    // Within a group of reads, a file is looked at once.
    struct Looked {
      std::uint64_t group = 0;
      const FileSystemView* view = nullptr;
      std::string name, path;
      struct stat st;
    };
    thread_local Looked looked;
    const std::uint64_t group = ProfileReadGroup::Current();
    const FileSystemView* view = &GetFileSystemView();
    if (group != 0 && looked.group == group && looked.view == view && looked.name == name) {
      path = looked.path;
      st = looked.st;
      return true;
    }
    if (!LocateNow(name, path, st)) return false;
    if (group != 0) {
      looked.group = group;
      looked.view = view;
      looked.name.assign(name);
      looked.path = path;
      looked.st = st;
    }
    return true;
  }

  bool LocateNow(std::string_view name, std::string& path, struct stat& st) {
    const FileSystemView* view = &GetFileSystemView();
    {
      std::lock_guard<std::mutex> lock(mu_);
      for (const KnownName& k : names_) {
        if (k.view == view && k.name == name) {
          path = k.path;
          break;
        }
      }
    }
    if (!path.empty() && ::stat(path.c_str(), &st) == 0) return true;
    if (!ResolveName(name, path) || ::stat(path.c_str(), &st) != 0) return false;
    std::string exact;
    if (IsRootedWindowsName(name) && view->ToPosix(name, exact) == 0 && exact == path) {
      std::lock_guard<std::mutex> lock(mu_);
      names_[nextName_] = KnownName{std::string(name), view, path};
      nextName_ = (nextName_ + 1) % names_.size();
    }
    return true;
  }

  // "C:\...", "\\server\share\..." (either separator): names that the
  // current folder does not change.
  static bool IsRootedWindowsName(std::string_view n) {
    auto sep = [](char c) { return c == '\\' || c == '/'; };
    if (n.size() >= 3 && n[1] == ':' && sep(n[2])) return true;
    return n.size() >= 2 && sep(n[0]) && sep(n[1]);
  }

  // The parsed file at `path` (whose stat is `st`); null when it cannot be
  // read.
  std::shared_ptr<const ini::Table> Load(const std::string& path, const struct stat& st) {
    const CodePage& cp = SystemCodePage();
    if (!S_ISREG(st.st_mode)) return nullptr;
    {
      std::lock_guard<std::mutex> lock(mu_);
      const auto it = Lookup(path);
      if (it != entries_.end() && it->settled && it->stamp == Stamp(st) && &it->table->codePage() == &cp)
        return it->table;
    }

    // Read it, until the file stays the same while it is read.
    std::string bytes;
    Stamp stamp;
    bool steady = false;
    long settleNs = kSettleOtherNs;
    for (int attempt = 0; attempt < 3 && !steady; ++attempt) {
      FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
      struct stat before, after;
      if (!fd.ok() || ::fstat(fd.get(), &before) != 0 || !S_ISREG(before.st_mode)) return nullptr;
      settleNs = SettleNs(fd.get());
      if (!ReadAll(fd.get(), bytes, static_cast<std::size_t>(before.st_size))) return nullptr;
      if (::fstat(fd.get(), &after) != 0) return nullptr;
      stamp = Stamp(after);
      steady = Stamp(before) == stamp && static_cast<off_t>(bytes.size()) == after.st_size;
    }
    const bool settled = steady && Settled(stamp, Now(), settleNs);
    const bool keep = steady && stamp.size <= kLargestCachedFile;

    if (keep) {
      std::lock_guard<std::mutex> lock(mu_);
      const auto it = Lookup(path);
      if (it != entries_.end() && it->bytes == bytes && &it->table->codePage() == &cp) {
        it->stamp = stamp;
        it->settled = settled;
        return it->table;
      }
    }
    auto table = std::make_shared<const ini::Table>(ini::Decode(bytes), cp);
    if (keep) {
      std::lock_guard<std::mutex> lock(mu_);
      auto it = Lookup(path);
      if (it == entries_.end()) {
        entries_.emplace_front();
        it = entries_.begin();
        it->path = path;
      }
      it->stamp = stamp;
      it->settled = settled;
      it->bytes = std::move(bytes);
      it->table = table;
      while (entries_.size() > options_.cachedFiles) entries_.pop_back();
    }
    return table;
  }

  PosixProfileOptions options_;
  std::mutex mu_;
  std::list<Entry> entries_;  // most recently used first
  std::array<KnownName, 8> names_;
  std::size_t nextName_ = 0;
};

}  // namespace

std::unique_ptr<ProfileFiles> MakePosixProfileFiles(PosixProfileOptions options) {
  return std::make_unique<PosixProfileFiles>(std::move(options));
}

ProfileFiles& GetProfileFiles() {
  static ProfileFiles* files = MakePosixProfileFiles().release();  // lives for the whole process
  return *files;
}

}  // namespace kor::platform
