#include "platform/posix/file_system_view.h"

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace kor::platform {
namespace {

bool CurrentFolderOfProcess(std::string& out) {
  char buf[4096];
  if (::getcwd(buf, sizeof buf) != nullptr) {
    out = buf;
    return true;
  }
  if (errno != ERANGE) return false;
  std::unique_ptr<char, decltype(&std::free)> p(::getcwd(nullptr, 0), &std::free);
  if (!p) return false;
  out = p.get();
  return true;
}

// The entry of `dir` that equals `name` ignoring case; the first in byte order
// when several do.
bool FindIgnoringCase(const std::string& dir, std::string_view name, std::string& match) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return false;
  match.clear();
  while (const dirent* e = ::readdir(d)) {
    const std::string_view entry = e->d_name;
    if (entry == "." || entry == "..") continue;
    if (EqualIgnoringCase(entry, name) && (match.empty() || entry < match)) match = entry;
  }
  ::closedir(d);
  return !match.empty();
}

// Walks `path` from `rootLen` on; a component missing with its exact case is
// replaced by an entry of its folder that matches ignoring case. From the
// first component found in neither way on, the name stays as given.
void FixLetterCase(std::string& path, std::size_t rootLen) {
  struct stat st;
  // A new name mostly lies in a folder that exists with its exact letters:
  // then only the last component is looked up, after one lstat() instead of
  // one for each level.
  std::size_t i = path.size() > rootLen + 1 ? path.rfind('/', path.size() - 2) : std::string::npos;
  if (i == std::string::npos || i <= rootLen || ::lstat(path.substr(0, i).c_str(), &st) != 0) i = rootLen;
  std::string fixed = path.substr(0, i);
  std::string match;
  bool searching = true;
  while (i < path.size()) {
    std::size_t j = path.find('/', i + 1);
    if (j == std::string::npos) j = path.size();
    const std::string_view comp(path.data() + i + 1, j - i - 1);
    fixed += '/';
    const std::size_t before = fixed.size();
    fixed += comp;
    if (searching && !comp.empty() && ::lstat(fixed.c_str(), &st) != 0) {
      const std::string dir = before == 1 ? std::string("/") : fixed.substr(0, before - 1);
      if (errno == ENOENT && FindIgnoringCase(dir, comp, match)) {
        fixed.resize(before);
        fixed += match;
      } else {
        searching = false;
      }
    }
    i = j;
  }
  path = std::move(fixed);
}

}  // namespace

PosixFileSystemView::PosixFileSystemView(PosixViewSettings settings)
    : names_(settings.drives, settings.codePage,
             settings.currentFolder ? std::move(settings.currentFolder) : CurrentFolderOfProcess),
      temp_(std::move(settings.tempFolder)) {}

PosixViewSettings PosixFileSystemView::FromEnvironment() {
  PosixViewSettings s;
  if (const char* d = std::getenv("KORTOOLS_DRIVES")) s.drives = d;
  return s;
}

std::uint32_t PosixFileSystemView::GetFullPathName(std::string_view name, std::uint32_t bufferLength, char* buffer,
                                                   char** filePart, std::uint32_t* lastError) const {
  return names_.GetFullPathName(name, bufferLength, buffer, filePart, lastError);
}

std::uint32_t PosixFileSystemView::FullPathName(std::string_view name, std::string& full) const {
  return names_.FullPathName(name, full);
}

std::uint32_t PosixFileSystemView::ToPosix(std::string_view name, std::string& posix) const {
  return names_.ToPosix(name, posix);
}

std::uint32_t PosixFileSystemView::FindPosix(std::string_view name, std::string& posix) const {
  return Find(name, NameView::Form::kPosix, posix);
}

std::uint32_t PosixFileSystemView::FindPattern(std::string_view pattern, std::string& posix) const {
  return Find(pattern, NameView::Form::kPosixPattern, posix);
}

std::uint32_t PosixFileSystemView::Find(std::string_view name, NameView::Form form, std::string& posix) const {
  NameView::Resolved r;
  if (const std::uint32_t e = names_.Resolve(name, form, r)) return e;
  struct stat st;
  if (!r.plainPosix && ::lstat(r.text.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
    FixLetterCase(r.text, r.rootLen);
  posix = std::move(r.text);
  return 0;
}

std::uint32_t PosixFileSystemView::ToWindows(std::string_view posix, std::string& name) const {
  return names_.ToWindows(posix, name);
}

std::uint32_t PosixFileSystemView::CurrentFolder(std::string& name) const { return names_.CurrentFolder(name); }

std::uint32_t PosixFileSystemView::TempFolder(std::string& name) const {
  std::string folder;
  if (temp_) {
    folder = *temp_;
  } else if (const char* t = std::getenv("TMPDIR")) {
    folder = t;
  }
  if (folder.empty()) folder = "/tmp";
  // A folder: a trailing "/" adds nothing, and without it a drive's own folder
  // reports as the drive's root.
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (const std::uint32_t e = ToWindows(folder, name)) return e;
  if (name.back() != '\\') name += '\\';
  return 0;
}

std::uint32_t PosixFileSystemView::ModuleFileName(std::string& name) const {
  Dl_info info{};
  std::string file;
  if (::dladdr(reinterpret_cast<void*>(&CurrentFolderOfProcess), &info) != 0 && info.dli_fname != nullptr)
    file = info.dli_fname;
  if (file.empty() || file.find('/') == std::string::npos) {
    // The main program itself: the loader knows it only by how it was started.
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return kErrorPathNotFound;
    file.assign(buf, static_cast<std::size_t>(n));
  }
  return ToWindows(file, name);
}

namespace {

struct ViewHolder {
  std::mutex mu;
  std::vector<std::unique_ptr<FileSystemView>> all;  // earlier views stay alive
  std::atomic<const FileSystemView*> current{nullptr};

  const FileSystemView* Make() {
    all.push_back(std::make_unique<PosixFileSystemView>(PosixFileSystemView::FromEnvironment()));
    return all.back().get();
  }
};

ViewHolder& Views() {
  static ViewHolder* holder = new ViewHolder();  // lives for the whole process
  return *holder;
}

}  // namespace

const FileSystemView& GetFileSystemView() {
  ViewHolder& h = Views();
  if (const FileSystemView* v = h.current.load(std::memory_order_acquire)) return *v;
  std::lock_guard<std::mutex> lock(h.mu);
  if (const FileSystemView* v = h.current.load(std::memory_order_relaxed)) return *v;
  const FileSystemView* v = h.Make();
  h.current.store(v, std::memory_order_release);
  return *v;
}

void ReloadFileSystemView() {
  ReloadSystemCodePage();
  ViewHolder& h = Views();
  std::lock_guard<std::mutex> lock(h.mu);
  h.current.store(h.Make(), std::memory_order_release);
}

}  // namespace kor::platform
