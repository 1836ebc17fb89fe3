// The POSIX shell file operation, driven through its platform interface:
// copy, move, rename and delete with their flags, the trash, and what stays
// safe when things go wrong (kills, other file systems, missing permission,
// symbolic links, odd names).
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "platform/posix/kernel_time.h"
#include "platform/posix/trash.h"
#include "platform/shell_file_operation.h"
#include "tests/test_support.h"

namespace kor::platform {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kCopy = kFoCopy, kMove = kFoMove, kRename = kFoRename, kDelete = kFoDelete;
constexpr std::uint32_t kNoConfirm = kFofNoConfirmation;
constexpr std::uint32_t kNewName = kFofRenameOnCollision;
constexpr std::uint32_t kMulti = kFofMultiDestFiles;

// The names of a "|"-separated list (none for an empty text).
std::vector<std::string> Split(std::string_view text) {
  std::vector<std::string> out;
  for (std::size_t at = 0; !text.empty() && at <= text.size();) {
    const std::size_t bar = std::min(text.find('|', at), text.size());
    out.emplace_back(text.substr(at, bar - at));
    at = bar + 1;
  }
  return out;
}

std::optional<std::string> ReadFile(const std::string& path) {
  if (::access(path.c_str(), F_OK) != 0) return std::nullopt;
  return testing_support::ReadFile(path);
}

// One call of the operation with full names.
int Call(std::uint32_t func, const std::vector<std::string>& from, const std::optional<std::vector<std::string>>& to,
         std::uint32_t flags, bool* aborted = nullptr) {
  const auto list = [](const std::vector<std::string>& names) {
    std::string s;
    for (const std::string& n : names) s += n + '\0';
    return s + '\0';
  };
  ShFileOpStruct op;
  op.wFunc = func;
  op.pFrom = list(from);
  if (to) op.pTo = list(*to);
  op.fFlags = flags;
  const int r = PlatformShellFileOperations().SHFileOperation(op);
  if (aborted) *aborted = op.fAnyOperationsAborted;
  return r;
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// True when a folder holds a hidden work file of the operation.
bool HasWorkFile(const std::string& folder) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.path().filename().string().starts_with(".kortools-")) return true;
  return false;
}

class ShellFileOperationTest : public ::testing::Test {
 protected:
  ShellFileOperationTest() {
    env_.Set("XDG_DATA_HOME", nullptr);
    fs::create_directories(root_ + "/home");
  }

  std::string P(const std::string& rel) const { return rel.empty() ? root_ : root_ + "/" + rel; }

  // Creates "name=text" files and "name/" folders under the test folder.
  void Make(const std::vector<std::string>& items) {
    for (const std::string& item : items) {
      if (item.back() == '/') {
        fs::create_directories(P(item.substr(0, item.size() - 1)));
        continue;
      }
      const std::size_t eq = item.find('=');
      const std::string path = P(item.substr(0, eq));
      fs::create_directories(fs::path(path).parent_path());
      testing_support::WriteFile(path, eq == std::string::npos ? std::string() : item.substr(eq + 1));
    }
  }

  // One call with names in the test folder.
  int Run(std::uint32_t func, std::vector<std::string> from, std::optional<std::vector<std::string>> to,
          std::uint32_t flags, bool* aborted = nullptr) {
    for (std::string& s : from) s = P(s);
    if (to)
      for (std::string& s : *to) s = P(s);
    return Call(func, from, to, flags, aborted);
  }

  testing_support::TempFolder dir_;
  const std::string root_ = dir_.path().string();
  testing_support::ScopedEnv env_{"HOME", (root_ + "/home").c_str()};
};

// ---------------------------------------------------------------------------
// What each operation does with its names and flags.

struct Case {
  const char* what;
  const char* setup;  // "name=text" files and "name/" folders, "|"-separated
  std::uint32_t func;
  const char* from;
  const char* to;  // null: no destination
  std::uint32_t flags;
  int result;
  // Afterwards: "name=text", "name" (any content), "name/" (a folder), "!name" (absent).
  const char* after;
};

const Case kCases[] = {
    // Copy.
    {"copy to a new name", "a.txt=A", kCopy, "a.txt", "b.txt", 0, 0, "a.txt=A|b.txt=A"},
    {"copy into a folder", "a.txt=A|d/", kCopy, "a.txt", "d", 0, 0, "d/a.txt=A"},
    {"existing file kept unasked", "a.txt=A|b.txt=B", kCopy, "a.txt", "b.txt", 0, 0x4C7, "b.txt=B"},
    {"copy onto itself", "a.txt=A", kCopy, "a.txt", "a.txt", 0, 0x71, "a.txt=A|!a - Copy.txt"},
    {"copy onto itself renamed", "a.txt=A", kCopy, "a.txt", "a.txt", kNewName, 0, "a - Copy.txt=A"},
    {"onto another renamed", "a.txt=A|d/a.txt=D", kCopy, "a.txt", "d", kNewName, 0, "d/a.txt=D|d/a (2).txt=A"},
    {"two sources make the folder", "a.txt=A|c.txt=C", kCopy, "a.txt|c.txt", "n/s", 0, 0, "n/s/a.txt=A|n/s/c.txt=C"},
    {"wildcards ignore case", "a.txt=A|c.Txt=C|x.dat=X|t/", kCopy, "*.TXT", "t", 0, 0, "t/a.txt=A|t/c.Txt=C|!t/x.dat"},
    {"files only", "a.txt=A|s/x=X|t/", kCopy, "*", "t2", kFofFilesOnly, 0, "t2/a.txt=A|!t2/s|!t2/t"},
    {"wildcard matching nothing", "a.txt=A", kCopy, "*.zip", "t", 0, 0x2, "!t"},
    {"one target per source", "a.txt=A|c.txt=C", kCopy, "a.txt|c.txt", "x1.txt|x2.txt", kMulti, 0, "x1.txt=A|x2.txt=C"},
    {"too few targets", "a.txt=A|c.txt=C", kCopy, "a.txt|c.txt", "x1.txt", kMulti, 0x72, "!x1.txt"},
    {"no destination", "a.txt=A", kCopy, "a.txt", nullptr, 0, 0x7C, ""},
    {"folder tree", "d/s/f.txt=F|d/e/", kCopy, "d", "e", 0, 0, "e/s/f.txt=F|e/e/|d/s/f.txt=F"},
    {"folder into itself", "d/s/f.txt=F", kCopy, "d", "d/s", 0, 0x76, "!d/s/d"},
    {"file onto a folder", "a.txt=A|t/a.txt/", kCopy, "a.txt", "t", 0, 0x80, "t/a.txt/"},
    // Move.
    {"move to a new name", "a.txt=A", kMove, "a.txt", "b.txt", 0, 0, "b.txt=A|!a.txt"},
    {"move replaces", "a.txt=A|b.txt=B", kMove, "a.txt", "b.txt", kNoConfirm, 0, "b.txt=A|!a.txt"},
    {"move folder merges", "d/x=X|t/d/z=Z", kMove, "d", "t", 0, 0, "t/d/x=X|t/d/z=Z|!d"},
    // Rename.
    {"rename in place", "a.txt=A", kRename, "a.txt", "b.txt", 0, 0, "b.txt=A|!a.txt"},
    {"rename onto an existing name", "a.txt=A|b.txt=B", kRename, "a.txt", "b.txt", kNoConfirm, 0xB7, "a.txt=A|b.txt=B"},
    {"rename renamed", "a.txt=A|b.txt=B", kRename, "a.txt", "b.txt", kNewName, 0, "b.txt=B|b (2).txt=A|!a.txt"},
    {"rename into another folder", "a.txt=A|d/", kRename, "a.txt", "d/a.txt", 0, 0x73, "a.txt=A|!d/a.txt"},
    // Delete.
    {"delete a file", "a.txt=A|c.txt=C", kDelete, "a.txt", nullptr, 0, 0, "c.txt|!a.txt"},
    {"delete a folder tree", "d/s/f=F|d/g=G", kDelete, "d", nullptr, 0, 0, "!d"},
    {"delete something missing", "a.txt=A", kDelete, "a.txt|gone", nullptr, 0, 0x2, "a.txt"},
    {"unknown operation", "a.txt=A", 9, "a.txt", nullptr, 0, 0x57, "a.txt"},
};

TEST_F(ShellFileOperationTest, OperationsAndFlags) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(P("w"));
    fs::create_directories(P("w"));
    const auto inW = [](std::vector<std::string> names) {
      for (std::string& s : names) s = "w/" + s;
      return names;
    };
    Make(inW(Split(c.setup)));
    std::optional<std::vector<std::string>> to;
    if (c.to) to = inW(Split(c.to));
    EXPECT_EQ(Run(c.func, inW(Split(c.from)), to, c.flags), c.result);
    for (const std::string& p : Split(c.after)) {
      const std::size_t eq = p.find('=');
      const std::string path = P("w/" + p.substr(p[0] == '!', eq - (p[0] == '!')));
      if (p[0] == '!') {
        EXPECT_FALSE(Exists(path)) << p;
      } else if (p.back() == '/') {
        EXPECT_TRUE(fs::is_directory(path)) << p;
      } else if (eq == std::string::npos) {
        EXPECT_TRUE(Exists(path)) << p;
      } else {
        EXPECT_EQ(ReadFile(path).value_or("<missing>"), p.substr(eq + 1)) << p;
      }
    }
    EXPECT_FALSE(HasWorkFile(P("w")));
  }
}

// ---------------------------------------------------------------------------
// Copies keep what matters and are never seen half made.

// Starts the operation in a child and kills it as soon as its hidden copy
// shows beside the destination. False when the child finished first.
bool KilledMidway(std::uint32_t func, const std::string& from, const std::string& to, const std::string& destFolder) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(Call(func, {from}, {{to}}, 0) == 0 ? 0 : 1);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!HasWorkFile(destFolder)) {
    if (::waitpid(pid, nullptr, WNOHANG) == pid || std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFSIGNALED(status);
}

TEST_F(ShellFileOperationTest, KilledCopyLeavesNoPartialDestination) {
  {
    std::ofstream big(P("big.bin"), std::ios::binary);
    const std::string block(1 << 20, 'b');
    for (int i = 0; i < 256; ++i) big << block;
  }
  fs::create_directories(P("t"));
  if (!KilledMidway(kCopy, P("big.bin"), P("t/big.bin"), P("t"))) GTEST_SKIP() << "the copy finished first";
  EXPECT_FALSE(Exists(P("t/big.bin")));
  EXPECT_EQ(fs::file_size(P("big.bin")), 256u << 20);
}

// ---------------------------------------------------------------------------
// The trash.

// The Path= of a trash information file, when it holds the two keys.
std::string TrashPath(const std::string& info) {
  const std::string text = ReadFile(info).value_or("");
  const std::size_t date = text.find("\nDeletionDate=");
  if (!text.starts_with("[Trash Info]\nPath=") || date == std::string::npos) return "<not an information file>";
  return text.substr(18, date - 18);
}

TEST_F(ShellFileOperationTest, DeleteToTheHomeTrash) {
  ::setenv("XDG_DATA_HOME", P("data").c_str(), 1);
  EXPECT_EQ(HomeTrashFolder(), P("data/Trash"));
  Make({"w/report 100%.txt=1", "w/d/x=X", "w/ro.txt=R"});
  ::chmod(P("w/ro.txt").c_str(), 0444);
  ASSERT_EQ(Run(kDelete, {"w/report 100%.txt", "w/d"}, std::nullopt, kFofAllowUndo), 0);
  Make({"w/report 100%.txt=2"});
  ASSERT_EQ(Run(kDelete, {"w/report 100%.txt"}, std::nullopt, kFofAllowUndo), 0);
  EXPECT_FALSE(Exists(P("w/report 100%.txt")) || Exists(P("w/d")));
  const std::string trash = P("data/Trash");
  EXPECT_EQ(ReadFile(trash + "/files/report 100%.2.txt"), "2");
  EXPECT_EQ(ReadFile(trash + "/files/d/x"), "X");
  EXPECT_EQ(TrashPath(trash + "/info/report 100%.2.txt.trashinfo"), root_ + "/w/report%20100%25.txt");
  // A read-only file goes only when the caller says so.
  EXPECT_EQ(Run(kDelete, {"w/ro.txt"}, std::nullopt, kFofAllowUndo), 0x4C7);
  EXPECT_TRUE(Exists(P("w/ro.txt")));
  EXPECT_EQ(Run(kDelete, {"w/ro.txt"}, std::nullopt, kFofAllowUndo | kNoConfirm), 0);
  EXPECT_TRUE(Exists(trash + "/files/ro.txt"));
}

}  // namespace
}  // namespace kor::platform
