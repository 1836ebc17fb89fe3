// The registry on POSIX systems: a read-only store made from registry files.
//
// KORTOOLS_REGISTRY names them, as entries separated by ";":
//   /path/file.reg              a regedit export (its keys carry full paths),
//                               a Wine registry file (system.reg is
//                               HKEY_LOCAL_MACHINE, user.reg HKEY_CURRENT_USER,
//                               userdef.reg HKEY_USERS\.Default) or a hive
//                               file placed by its name (NTUSER.DAT,
//                               UsrClass.dat, SOFTWARE, SYSTEM, SAM, SECURITY,
//                               DEFAULT, COMPONENTS)
//   /path/folder                each such file in the folder, in name order
//   HKLM\Software\Acme=/path    the file's (or folder's files') keys placed at
//                               that key; HKCR stands for HKLM\Software\Classes
// Paths may be Windows names ("Z:\srv\system.reg"). Later files add to and
// override earlier ones. Unset or empty, the registry has no keys.
//
// The store is read when a key is opened and kept while the setting, the
// code page and the files (identity, size, times) stay the same; a file
// written so recently that its time cannot tell a later change apart is read
// again and compared. An open key keeps reading the store it was opened in.
//
// Problems with a file go to the event log, naming the file and line. A key
// missing where a file that could not be read would have put it gives that
// file's code (5 unreadable, 1016 read error, 1017 not a registry file, 1015
// damaged hive) instead of 2; a value whose line could not be read gives 1015.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "frame/text.h"
#include "platform/code_page.h"
#include "platform/event_log.h"
#include "platform/paths.h"
#include "platform/posix/hive_file.h"
#include "platform/posix/kernel_time.h"
#include "platform/registry.h"
#include "winrules/registry/open_key.h"
#include "winrules/registry/registry_files.h"

namespace kor::platform {
namespace {

using regstore::AddSubKey;
using regstore::EnumKey;
using regstore::EnumValue;
using regstore::Key;
using regstore::KeyPath;
using regstore::KeyRights;
using regstore::OpenKey;
using regstore::PredefinedRoot;
using regstore::QueryValue;
using regstore::Root;
using regstore::Store;
using regstore::Value;

constexpr std::int64_t kRacyNs = 2'000'000'000;  // coarser than any file system's time stamps
constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;
constexpr std::size_t kLargestFile = std::size_t{1} << 30;
constexpr std::size_t kReportedLines = 20;  // per file; the rest are counted

std::int64_t NowNs() { return Nanoseconds(ClockNow(CLOCK_REALTIME)); }

struct Stamp {
  bool exists = false;
  bool folder = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  std::int64_t mtime = 0;
  std::int64_t ctime = 0;
  friend bool operator==(const Stamp&, const Stamp&) = default;
};

Stamp StampOf(const struct stat& st) {
  return Stamp{
      true, S_ISDIR(st.st_mode), st.st_dev, st.st_ino, st.st_size, Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim)};
}

Stamp StampOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? StampOf(st) : Stamp{};
}

// The whole file; 0 or an errno value.
int ReadWholeFile(const std::string& path, std::string& bytes, Stamp& stamp) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat st {};
  int err = 0;
  if (::fstat(fd, &st) != 0) {
    err = errno;
  } else if (S_ISDIR(st.st_mode)) {
    err = EISDIR;
  } else if (static_cast<std::size_t>(st.st_size) > kLargestFile) {
    err = EFBIG;
  } else {
    stamp = StampOf(st);
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (true) {
      if (got == bytes.size()) bytes.resize(got + 65536);  // the file grew
      const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        err = errno;
        break;
      }
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
      if (got > kLargestFile) {
        err = EFBIG;
        break;
      }
    }
    bytes.resize(got);
  }
  ::close(fd);
  return err;
}

// A folder's registry files, in name order.
std::vector<std::string> ListFolder(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(path.c_str())) {
    while (const dirent* e = ::readdir(d))
      if (regstore::IsRegistryFileName(e->d_name)) names.emplace_back(e->d_name);
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::size_t HashOf(const std::vector<std::string>& names) {
  std::string all;
  for (const std::string& n : names) all += n + '\0';
  return std::hash<std::string>{}(all);
}

// A file or folder the store was read from.
struct Watch {
  std::string path;
  Stamp stamp;
  std::size_t hash = 0;  // of the content, or of a folder's file names
  bool racy = false;     // changed too recently for its times to show a later change
};

struct Snapshot {
  std::string setting;
  std::string codePage;
  std::vector<Watch> watches;
  Store store;
};

// Reports of one file to the event log.
class FileReports final : public regstore::Diagnostics {
 public:
  explicit FileReports(std::string path) : path_(std::move(path)) {}
  ~FileReports() override {
    if (count_ > kReportedLines)
      Send("Registry file \"" + path_ + "\": " + std::to_string(count_ - kReportedLines) +
           " further lines could not be read.");
  }
  void Report(std::size_t line, std::string_view what) override {
    if (++count_ > kReportedLines) return;
    Send("Registry file \"" + path_ + "\"" + (line ? ", line " + std::to_string(line) : std::string()) + ": " +
         std::string(what) + ".");
  }
  static void Send(const std::string& text) { GetEventLog().Report(text::FromUtf8(text)); }

 private:
  std::string path_;
  std::size_t count_ = 0;
};

class Loader {
 public:
  Loader(Snapshot& snap, const CodePage& cp) : snap_(snap), cp_(cp), started_(NowNs()) {}

  void Entry(const regstore::SettingEntry& entry) {
    std::string posix;
    if (GetFileSystemView().FindPosix(entry.path, posix) != 0) {
      FileReports::Send("Registry setting KORTOOLS_REGISTRY: \"" + entry.path + "\" is not a usable path.");
      return;
    }
    Watch w{posix, StampOf(posix)};
    if (!w.stamp.exists) {
      snap_.watches.push_back(std::move(w));
      FileReports::Send("Registry file \"" + posix + "\" does not exist.");
      return;
    }
    if (!w.stamp.folder) {
      const std::size_t slash = posix.rfind('/');
      File(posix, slash == std::string::npos ? posix : posix.substr(slash + 1), entry.place);
      return;
    }
    const std::vector<std::string> names = ListFolder(posix);
    w.hash = HashOf(names);
    w.racy = Racy(w.stamp);
    snap_.watches.push_back(std::move(w));
    for (const std::string& name : names) {
      const std::string path = posix + (posix.back() == '/' ? "" : "/") + name;
      if (const Stamp s = StampOf(path); s.exists && !s.folder) File(path, name, entry.place);
    }
  }

 private:
  bool Racy(const Stamp& s) const { return started_ - s.mtime < kRacyNs || started_ - s.ctime < kRacyNs; }

  void File(const std::string& path, const std::string& name, const std::optional<KeyPath>& place) {
    Store& store = snap_.store;
    FileReports reports(path);
    std::string bytes;
    Watch w{path, Stamp{}};
    const int err = ReadWholeFile(path, bytes, w.stamp);
    if (err != 0) {
      w.stamp = StampOf(path);
      snap_.watches.push_back(std::move(w));
      reports.Report(0, std::string("the file cannot be read (") + std::strerror(err) + ")");
      store.AddFailure(place ? place : regstore::HiveFilePlace(name), err == EACCES || err == EPERM ? 5
                                                                      : err == EFBIG                ? 8
                                                                                                    : 1016);
      return;
    }
    w.hash = std::hash<std::string_view>{}(bytes);
    w.racy = Racy(w.stamp);
    const std::uint64_t fileTime = static_cast<std::uint64_t>(w.stamp.mtime / 100) + kUnixEpochAsFileTime;
    snap_.watches.push_back(std::move(w));

    std::uint32_t code = 0;
    std::optional<KeyPath> where;
    switch (regstore::DetectFileKind(bytes)) {
      case regstore::FileKind::kRegedit:
        if (place) reports.Report(0, "a regedit export names its keys in full; the place given for it is not used");
        code = regstore::ReadRegeditFile(bytes, cp_, fileTime, store, reports);
        break;
      case regstore::FileKind::kWine: {
        std::string sid;
        const std::optional<KeyPath> own = regstore::WineFilePlace(bytes, name, &sid);
        where = place ? place : own;
        if (!where) {
          reports.Report(0,
                         "the place of its keys is unknown: name it system.reg, user.reg or userdef.reg, "
                         "or give the place in KORTOOLS_REGISTRY");
          code = 1017;
          break;
        }
        if (!sid.empty() && where->root == Root::kCurrentUser && where->names.empty()) store.SetCurrentUser(sid);
        code = regstore::ReadWineFile(bytes, *where, store, reports);
        break;
      }
      case regstore::FileKind::kHive:
        where = place ? place : regstore::HiveFilePlace(name);
        if (!where) {
          reports.Report(0,
                         "the place of the hive's keys is unknown: give it in KORTOOLS_REGISTRY "
                         "(\"HKLM\\Software=" +
                             path + "\")");
          code = 1017;
          break;
        }
        code = regstore::ReadHiveFile(path, *where, store, reports);
        break;
      case regstore::FileKind::kUnknown:
        where = place ? place : regstore::HiveFilePlace(name);
        reports.Report(0, "not a registry file (neither a regedit export, a Wine registry file nor a hive)");
        code = 1017;
        break;
    }
    if (code != 0) store.AddFailure(where, code);
  }

  Snapshot& snap_;
  const CodePage& cp_;
  std::int64_t started_;
};

std::shared_ptr<Snapshot> Load(const std::string& setting, const CodePage& cp) {
  auto snap = std::make_shared<Snapshot>();
  snap->setting = setting;
  snap->codePage = cp.Name();
  Loader loader(*snap, cp);
  for (const regstore::SettingEntry& e : regstore::ParseRegistrySetting(setting)) loader.Entry(e);
  snap->store.Finish();
  return snap;
}

// Whether a file or folder differs from what the store was read from.
bool Changed(Watch& w, std::int64_t now) {
  const Stamp s = StampOf(w.path);
  if (!(s == w.stamp)) return true;
  if (!w.racy) return false;
  if (s.folder) {
    if (HashOf(ListFolder(w.path)) != w.hash) return true;
  } else {
    std::string bytes;
    Stamp again;
    if (ReadWholeFile(w.path, bytes, again) != 0 || std::hash<std::string_view>{}(bytes) != w.hash) return true;
  }
  if (now - s.mtime > kRacyNs && now - s.ctime > kRacyNs) w.racy = false;
  return false;
}

class FileRegistry final : public Registry {
 public:
  std::uint32_t RegOpenKeyEx(RegistryKey key, const char* subKey, std::uint32_t, std::uint32_t samDesired,
                             RegistryKey* result) override {
    if (result == nullptr) return kRegInvalidParameter;
    *result = 0;
    const std::lock_guard<std::mutex> lock(mutex_);
    OpenKey k;
    if (const OpenKey* from = Find(key)) {
      k.store = from->store;
      k.classes = from->classes;
      k.root = from->root;
      k.path = from->path;
    } else if (!PredefinedRoot(key, k)) {
      return kRegInvalidHandle;
    } else {
      k.store = Current();
    }
    if (const std::uint32_t code = AddSubKey(k, subKey == nullptr ? "" : subKey, SystemCodePage())) return code;
    if (const std::uint32_t code = Open(k)) return code;
    k.rights = KeyRights(samDesired);
    do {
      next_ = next_ >= 0x7FFFFFFF ? 1 : next_ + 1;
    } while (handles_.count(next_) != 0);
    handles_.emplace(next_, std::move(k));
    *result = next_;
    return 0;
  }

  std::uint32_t RegCloseKey(RegistryKey key) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    OpenKey ignored;
    if (PredefinedRoot(key, ignored)) return 0;
    return handles_.erase(key) != 0 ? 0 : kRegInvalidHandle;
  }

  std::uint32_t RegEnumValue(RegistryKey key, std::uint32_t index, char* valueName, std::uint32_t* valueNameLength,
                             std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLength) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    return EnumValue([&] { return Use(key); }, SystemCodePage(), index, valueName, valueNameLength, type, data,
                     dataLength);
  }

  std::uint32_t RegEnumKeyEx(RegistryKey key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                             char* className, std::uint32_t* classLength, std::uint64_t* lastWriteTime) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    return EnumKey([&] { return Use(key); }, SystemCodePage(), index, name, nameLength, className, classLength,
                   lastWriteTime);
  }

  std::uint32_t RegQueryValueEx(RegistryKey key, const char* valueName, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* dataSize) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    return QueryValue([&] { return Use(key); }, SystemCodePage(), valueName, type, data, dataSize);
  }

 private:
  const OpenKey* Find(RegistryKey key) const {
    const auto it = handles_.find(key);
    return it == handles_.end() ? nullptr : &it->second;
  }

  // An open key, or a root used without opening it first.
  const OpenKey* Use(RegistryKey key) {
    if (const OpenKey* k = Find(key)) return k;
    rootUse_ = OpenKey{};
    if (!PredefinedRoot(key, rootUse_)) return nullptr;
    rootUse_.store = Current();
    Open(rootUse_);
    return &rootUse_;
  }

  // The store of the setting as it is now; it keeps its snapshot alive.
  std::shared_ptr<const Store> Current() {
    const char* env = std::getenv("KORTOOLS_REGISTRY");
    const std::string setting = env == nullptr ? "" : env;
    const CodePage& cp = SystemCodePage();
    if (!snap_ || snap_->setting != setting || snap_->codePage != cp.Name() || AnyChanged()) snap_ = Load(setting, cp);
    return std::shared_ptr<const Store>(snap_, &snap_->store);
  }

  bool AnyChanged() {
    const std::int64_t now = NowNs();
    for (Watch& w : snap_->watches)
      if (Changed(w, now)) return true;
    return false;
  }

  std::mutex mutex_;
  std::shared_ptr<Snapshot> snap_;
  std::unordered_map<RegistryKey, OpenKey> handles_;
  RegistryKey next_ = 0;
  OpenKey rootUse_;
};

}  // namespace

Registry& GetRegistry() {
  static FileRegistry* registry = new FileRegistry();  // lives for the whole process
  return *registry;
}

}  // namespace kor::platform
