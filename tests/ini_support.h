// Helpers of the korINI tests: a temporary folder with INI files, the error
// number of a call, and host hooks that last for one test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frame/text.h"
#include "kortools/host.h"
#include "kortools/types.h"
#include "tests/test_support.h"

namespace kor::testing_ini {

// Message requests must not reach the system log from a test run.
[[maybe_unused]] inline const bool kQuietLog = [] { return ::setenv("KORTOOLS_EVENTLOG", "none", 0) == 0; }();

using testing_support::ErrorOf;

// A folder of its own for each test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kortools-ini-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // The POSIX name of a file in the folder, as the library takes it.
  String Name(const std::string& file) const { return text::FromUtf8((path_ / file).string()); }

  // Writes a file of the given lines (LF line ends) and returns its name.
  String Write(const std::string& file, const std::vector<std::string>& lines) const {
    std::ofstream out(path_ / file, std::ios::binary);
    for (const auto& line : lines) out << line << '\n';
    return Name(file);
  }

  std::string Read(const std::string& file) const {
    std::ifstream in(path_ / file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

 private:
  std::filesystem::path path_;
};

// Host hooks for the length of a test: the message requests it records and a
// screen of the given size.
class ScopedHost {
 public:
  explicit ScopedHost(Single screenWidth = 1920, Single screenHeight = 1080) {
    HostHooks hooks;
    hooks.onMessage = [this](const String& text) { messages.push_back(text); };
    hooks.screen = [this] { return screen; };
    screen = ScreenSize{screenWidth, screenHeight};
    SetHostHooks(std::move(hooks));
  }
  ~ScopedHost() { SetHostHooks({}); }
  ScopedHost(const ScopedHost&) = delete;
  ScopedHost& operator=(const ScopedHost&) = delete;

  std::vector<String> messages;
  ScreenSize screen;
};

}  // namespace kor::testing_ini
