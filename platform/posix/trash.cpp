// The freedesktop.org trash: where an item goes, its .trashinfo entry, and the
// move itself.
#include "platform/posix/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/posix/file_descriptor.h"
#include "platform/posix/posix_files.h"

namespace kor::platform {
namespace {

using posix_files::MakeFolders, posix_files::ParentOf;

// Which mount a name lies on: the device and, where the kernel reports it, the
// mount id (two bind mounts of one file system share a device, and rename(2)
// between them fails all the same).
struct MountKey {
  dev_t dev = 0;
  std::uint64_t mountId = 0;
  bool operator==(const MountKey&) const = default;
};

int MountOf(const std::string& path, MountKey& key, bool followLink = true) {
  struct statx sx;
  const int flags = followLink ? 0 : AT_SYMLINK_NOFOLLOW;
  if (::statx(AT_FDCWD, path.c_str(), flags, STATX_BASIC_STATS | STATX_MNT_ID, &sx) != 0) return errno;
  key.dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
  key.mountId = (sx.stx_mask & STATX_MNT_ID) != 0 ? sx.stx_mnt_id : 0;
  return 0;
}

// The top folder of the mount holding `folder`: the highest folder above it
// on the same mount.
std::string TopOfMount(const std::string& folder, const MountKey& key) {
  std::string top = folder;
  while (top != "/") {
    const std::string up = ParentOf(top);
    MountKey upKey;
    if (MountOf(up, upKey) != 0 || !(upKey == key)) break;
    top = up;
  }
  return top;
}

// The folders a call made for a trash, removed again (when still empty)
// unless the item moved in: a trash that failed leaves nothing behind.
class MadeFolders {
 public:
  void Add(std::string path) { made_.push_back(std::move(path)); }
  void Keep() { made_.clear(); }
  ~MadeFolders() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) ::rmdir(it->c_str());
  }

 private:
  std::vector<std::string> made_;
};

// A trash folder that the user may use: `path` itself, owned by the user, no
// symbolic link; created when missing and `create` is set (the folders made
// are added to `made`).
int UsableTrash(const std::string& path, bool create, MadeFolders& made) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT || !create) return errno;
    if (const int e = MakeFolders(path, 0700)) return e;
    made.Add(path);
    if (::lstat(path.c_str(), &st) != 0) return errno;
  }
  if (!S_ISDIR(st.st_mode)) return ENOTDIR;
  if (st.st_uid != ::geteuid()) return EPERM;
  for (const char* sub : {"/files", "/info"}) {
    const std::string p = path + sub;
    if (::lstat(p.c_str(), &st) != 0) {
      if (errno != ENOENT) return errno;
      if (::mkdir(p.c_str(), 0700) == 0) {
        made.Add(p);
      } else if (errno != EEXIST) {
        return errno;
      }
      if (::lstat(p.c_str(), &st) != 0) return errno;
    }
    if (!S_ISDIR(st.st_mode)) return ENOTDIR;
  }
  return 0;
}

struct Candidate {
  std::string trash;  // the trash folder
  std::string top;    // the volume's top folder (Path= relative to it); empty: Path= absolute
};

// The home trash, when it is on the mount of `folder` (whose key is
// `itemKey`).
std::optional<Candidate> HomeCandidate(const MountKey& itemKey, MadeFolders& made) {
  const std::string home = HomeTrashFolder();
  MountKey homeKey;
  if (home.empty() || UsableTrash(home, true, made) != 0 || MountOf(home, homeKey) != 0 || !(homeKey == itemKey))
    return std::nullopt;
  return Candidate{home, ""};
}

// The trash folders at the top of the volume of `folder`, best first.
std::vector<Candidate> VolumeCandidates(const std::string& folder, const MountKey& itemKey) {
  std::vector<Candidate> out;
  const std::string top = TopOfMount(folder, itemKey);
  const std::string base = top == "/" ? std::string() : top;
  const std::string uid = std::to_string(::geteuid());
  struct stat st;
  const std::string shared = base + "/.Trash";
  if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0)
    out.push_back({shared + "/" + uid, top});
  out.push_back({base + "/.Trash-" + uid, top});
  return out;
}

// The name as a URI path: bytes other than unreserved characters and "/" as
// %XX.
std::string PercentEncode(std::string_view path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
        c == '.' || c == '~' || c == '/') {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string DeletionDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &local);
  return buf;
}

// The n-th name tried in files/ for an item called `base`: the name itself,
// then "stem.2.ext", "stem.3.ext" and so on. Long names are cut (on a UTF-8
// character boundary) so that NAME.trashinfo still fits in a folder entry.
std::string TrashName(std::string base, unsigned n) {
  constexpr std::size_t kMax = 200;
  if (base.size() > kMax) {
    std::size_t cut = kMax;
    while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) --cut;
    base.resize(cut);
  }
  if (n == 1) return base;
  const std::size_t dot = base.rfind('.');
  const std::size_t split = dot == std::string::npos || dot == 0 ? base.size() : dot;
  return base.substr(0, split) + "." + std::to_string(n) + base.substr(split);
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Moves `path` into one trash folder: EXDEV when the trash is on another mount.
int MoveInto(const std::string& path, const Candidate& c) {
  FileDescriptor info(::open((c.trash + "/info").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  FileDescriptor files(::open((c.trash + "/files").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (info.get() < 0 || files.get() < 0) return errno;
  std::string original = path;
  if (!c.top.empty()) original = c.top == "/" ? path.substr(1) : path.substr(c.top.size() + 1);
  const std::string text = "[Trash Info]\nPath=" + PercentEncode(original) + "\nDeletionDate=" + DeletionDate() + "\n";
  const std::string base = path.substr(path.rfind('/') + 1);
  for (unsigned n = 1; n < 100000; ++n) {
    const std::string name = TrashName(base, n);
    const std::string infoName = name + ".trashinfo";
    // The entry is claimed by creating its .trashinfo exclusively; only then
    // does the item move in.
    const int fd = ::openat(info.get(), infoName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return errno;
    }
    const bool written = WriteAll(fd, text);
    const int closed = ::close(fd);
    if (!written || closed != 0) {
      const int e = written ? errno : EIO;
      ::unlinkat(info.get(), infoName.c_str(), 0);
      return e;
    }
    if (::renameat2(AT_FDCWD, path.c_str(), files.get(), name.c_str(), RENAME_NOREPLACE) == 0) return 0;
    const int e = errno;
    ::unlinkat(info.get(), infoName.c_str(), 0);
    if (e != EEXIST) return e;  // a stale item without its .trashinfo: take the next name
  }
  return EEXIST;
}

}  // namespace

std::string HomeTrashFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/Trash";
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return std::string();
  std::string h = home;
  while (h.size() > 1 && h.back() == '/') h.pop_back();
  return (h == "/" ? std::string() : h) + "/.local/share/Trash";
}

int MoveToTrash(const std::string& path) {
  if (path.empty() || path[0] != '/' || path == "/") return EINVAL;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return errno;
  const std::string folder = ParentOf(path);
  MountKey itemKey;
  if (const int e = MountOf(folder, itemKey)) return e;
  int last = EXDEV;
  MadeFolders made;
  if (const auto home = HomeCandidate(itemKey, made)) {
    last = MoveInto(path, *home);
    // EXDEV: another mount of the same file system; the volume's trash then
    if (last == 0) made.Keep();
    if (last != EXDEV) return last;
  }
  for (const Candidate& c : VolumeCandidates(folder, itemKey)) {
    if (const int e = UsableTrash(c.trash, true, made)) {
      last = e;
      continue;
    }
    last = MoveInto(path, c);
    if (last != EXDEV) break;
  }
  if (last == 0) made.Keep();
  return last;
}

}  // namespace kor::platform
