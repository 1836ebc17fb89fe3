// Small helpers shared by the test suites: the error number of a call, a
// temporary folder, files read and written whole, host hooks and environment
// variables set for one scope.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "frame/text.h"
#include "kortools/error.h"
#include "kortools/host.h"
#include "kortools/paths.h"
#include "kortools/types.h"

namespace kor::testing_support {

// Message requests must not reach the system log from a test run.
[[maybe_unused]] inline const bool kQuietLog = [] { return ::setenv("KORTOOLS_EVENTLOG", "none", 0) == 0; }();

// The kor::Error that `f` raises: its number (0 when it raises none) and its
// description.
struct Raised {
  std::int32_t number = 0;
  String description;
};

template <typename F>
Raised RaisedBy(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return {e.Number(), e.Description()};
  }
  return {};
}

// The number of the kor::Error that `f` raises, 0 when it raises none.
template <typename F>
std::int32_t ErrorOf(F&& f) {
  return RaisedBy(f).number;
}

// Runs `f` in a forked child with the rights of user 65534 ("nobody") and
// returns the child's exit status: what `f` returns (its low 8 bits), 255 when
// the rights cannot be dropped (not root), -1 when the child did not exit.
inline int AsNobody(const std::function<int()>& f) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0) ::_exit(255);
    ::_exit(f() & 0xFF);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::filesystem::path& p, std::string_view bytes) {
  std::ofstream(p, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A folder of its own for each test, removed afterwards (made writable again
// first).
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kortools-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& file) const { return (path_ / file).string(); }

  // The POSIX name of a file in the folder, as the library takes it.
  String Name(const std::string& file) const { return text::FromUtf8((path_ / file).string()); }

  // The Windows name of the folder, or of `rel` ("\\"-separated, patterns
  // too) in it.
  String Win(const std::string& rel = "") const {
    const String folder = ToWindowsPath(text::FromUtf8(path_.string()));
    return rel.empty() ? folder : folder + u'\\' + text::FromUtf8(rel);
  }

  // Writes a file of the given lines (LF line ends) and returns its name.
  String Write(const std::string& file, const std::vector<std::string>& lines) const {
    std::string bytes;
    for (const auto& line : lines) bytes += line + '\n';
    WriteFile(path_ / file, bytes);
    return Name(file);
  }
  std::string Read(const std::string& file) const { return ReadFile(path_ / file); }

  // The names in the folder (or one of its subfolders), sorted.
  std::vector<std::string> Entries(const std::string& sub = "") const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_ / sub))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

// Host hooks for the length of a test: the message requests it records and a
// screen of the given size.
class ScopedHost {
 public:
  explicit ScopedHost(Single screenWidth = 1920, Single screenHeight = 1080) : screen{screenWidth, screenHeight} {
    HostHooks hooks;
    hooks.onMessage = [this](const String& text) { messages.push_back(text); };
    hooks.screen = [this] { return screen; };
    SetHostHooks(std::move(hooks));
  }
  ~ScopedHost() { SetHostHooks({}); }
  ScopedHost(const ScopedHost&) = delete;
  ScopedHost& operator=(const ScopedHost&) = delete;

  std::vector<String> messages;
  ScreenSize screen;
};

// Environment variables set (or, with a null value, removed) for the life of
// the object, and put back afterwards.
class ScopedEnv {
 public:
  ScopedEnv() = default;
  ScopedEnv(const char* name, const char* value) { Set(name, value); }
  ~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
      it->second ? ::setenv(it->first.c_str(), it->second->c_str(), 1) : ::unsetenv(it->first.c_str());
    if (after) after();
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  // Run once the variables are back (to reload what depends on them).
  std::function<void()> after;

  void Set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace kor::testing_support
