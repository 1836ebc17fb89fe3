// Copy, move, rename and delete: korFileMan's operation record handed to the
// shell (recorded by a replacement shell), its plain path with the retry into
// a folder, the runtime's plain file operations, and the POSIX shell file
// operation itself with its flags, the names it gives colliding items, the
// trash, and what stays safe when it is killed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "kortools/korFileMan.h"
#include "platform/paths.h"
#include "platform/posix/trash.h"
#include "platform/shell_file_operation.h"
#include "tests/test_support.h"

namespace kor {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace testing_support;
using Names = std::vector<std::string>;

// Records the operations asked of the shell and answers with `result`.
class RecordingShell final : public platform::ShellFileOperations {
 public:
  int SHFileOperation(platform::ShFileOpStruct& op) override {
    calls.push_back(op);
    return result;
  }
  std::vector<platform::ShFileOpStruct> calls;
  int result = 0;
};

// ---------------------------------------------------------------------------
// The shell path: the operation record.

enum class Op { Copy, Move, Rename, Delete };
constexpr Op kAllOps[] = {Op::Copy, Op::Move, Op::Rename, Op::Delete};

// Calls the plain method or its Ext twin of `op`.
Boolean Call(korFileMan& fm, Op op, bool ext, String& source, String& destination, FileActionFlags* options,
             Variant* title = nullptr, Variant* owner = nullptr) {
  switch (op) {
    case Op::Copy:
      return ext ? fm.FileCopyExt(source, destination, options, title, owner)
                 : fm.FileCopy(source, destination, options, title, owner);
    case Op::Move:
      return ext ? fm.FileMoveExt(source, destination, options, title, owner)
                 : fm.FileMove(source, destination, options, title, owner);
    case Op::Rename:
      return ext ? fm.FileRenameExt(source, destination, options, title, owner)
                 : fm.FileRename(source, destination, options, title, owner);
    case Op::Delete:
      return ext ? fm.FileDeleteExt(source, options, title, owner) : fm.FileDelete(source, options, title, owner);
  }
  return kFalse;
}

class FileOpsShellPath : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetShellFileOperations(&shell_); }
  void TearDown() override { platform::SetShellFileOperations(nullptr); }

  ScopedEnv version_{"KORTOOLS_WINVER", nullptr};
  RecordingShell shell_;
  korFileMan fm_;
};

TEST_F(FileOpsShellPath, FlagsFollowTheOperationsRules) {
  // The default 1 gives no flags for a copy only (also given as 1); move and
  // rename keep it, delete masks it away. 1 among other flags is kept; bits
  // beyond the enumeration, and 2 and 32, are dropped; -1 gives the mask alone.
  // Collision, files-only and mkdir flags mean nothing to a delete.
  const std::nullopt_t left = std::nullopt;  // left out
  const struct {
    Op op;
    std::optional<Long> options;
    std::uint32_t wFunc, fFlags;
  } cases[] = {
      // clang-format off
      {Op::Copy, left, 2, 0},           {Op::Copy, 1, 2, 0},              {Op::Copy, 17, 2, 17},
      {Op::Copy, 1024 + 16, 2, 16},     {Op::Copy, 2 + 32, 2, 0},         {Op::Copy, -1, 2, 0x3DD},
      {Op::Move, left, 1, 1},           {Op::Move, 2048 + 2, 1, 0},       {Op::Rename, left, 4, 1},
      {Op::Rename, 65536 + 64, 4, 64},  {Op::Delete, left, 3, 0},         {Op::Delete, 64 + 16 + 1, 3, 80},
      {Op::Delete, 8 + 128 + 512, 3, 0}, {Op::Delete, -1, 3, 0x154},
      // clang-format on
  };
  // The Ext twins get a title and an owner passed as missing.
  Variant missing = Variant::Missing();
  for (const bool ext : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(::testing::Message() << "operation " << static_cast<int>(c.op) << ", options "
                                        << (c.options ? std::to_string(*c.options) : "left out") << ", ext " << ext);
      shell_.calls.clear();
      String source = u"Z:\\src\\a.txt", destination = u"Z:\\dst";
      FileActionFlags value = static_cast<FileActionFlags>(c.options.value_or(vbFileOpDefault));
      Variant* left = ext ? &missing : nullptr;
      EXPECT_EQ(Call(fm_, c.op, ext, source, destination, c.options ? &value : nullptr, left, left), kTrue);
      ASSERT_EQ(shell_.calls.size(), 1u);
      const platform::ShFileOpStruct& op = shell_.calls[0];
      EXPECT_EQ(op.wFunc, c.wFunc);
      EXPECT_EQ(op.fFlags, c.fFlags);
      EXPECT_EQ(op.hwnd, 0);
      EXPECT_FALSE(op.lpszProgressTitle.has_value());
      EXPECT_EQ(op.pFrom, "Z:\\src\\a.txt\0\0"s);
      EXPECT_EQ(op.pTo, c.op == Op::Delete ? std::nullopt : std::optional("Z:\\dst\0\0"s));
      // The shell path leaves the caller's variables alone.
      EXPECT_EQ(source + destination, u"Z:\\src\\a.txtZ:\\dst");
    }
  }
}

// A title or an owner without a value of its type raises before the shell is
// called (a non-numeric owner is the VBScript suite's case).
TEST_F(FileOpsShellPath, TitleAndOwnerTakeTheirValuesOrRaiseBeforeTheShell) {
  const struct {
    Variant title, owner;
    std::int32_t error;
    std::optional<std::string> wantTitle;
    std::int32_t wantHwnd;
  } cases[] = {
      {String(u"Copying"), Long{1234}, 0, "Copying", 1234},
      {Variant(), Variant(), 0, "", 0},  // Empty is the empty string and 0
      {kTrue, Double{-2.5}, 0, "True", -2},
      {Variant::Missing(), Double{3e9}, 6, {}, 0},              // beyond a Long
      {Variant(StringArray()), Variant::Missing(), 13, {}, 0},  // a title without a string value
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    shell_.calls.clear();
    String source = u"Z:\\a", destination = u"Z:\\b";
    Variant title = c.title, owner = c.owner;
    EXPECT_EQ(ErrorOf([&] { fm_.FileMoveExt(source, destination, nullptr, &title, &owner); }), c.error);
    ASSERT_EQ(shell_.calls.size(), c.error == 0 ? 1u : 0u);
    if (c.error != 0) continue;
    EXPECT_EQ(shell_.calls[0].lpszProgressTitle, c.wantTitle);
    EXPECT_EQ(shell_.calls[0].hwnd, c.wantHwnd);
  }
}

TEST_F(FileOpsShellPath, ResultIsTrueOnlyWhenTheShellReturnsZero) {
  for (const int result : {0, 1, -1, 1223}) {
    shell_.result = result;
    String source = u"Z:\\a", destination = u"Z:\\b";
    for (const Op op : kAllOps) EXPECT_EQ(Call(fm_, op, false, source, destination, nullptr).value, result ? 0 : -1);
  }
}

// ---------------------------------------------------------------------------
// The plain path (a platform version before 4).

class FileOpsPlainPath : public FileOpsShellPath {
 protected:
  void TearDown() override {
    EXPECT_TRUE(shell_.calls.empty()) << "the plain path called the shell";
    FileOpsShellPath::TearDown();
  }
  fs::path P(const char* name) const { return dir_.path() / name; }

  ScopedEnv plain_{"KORTOOLS_WINVER", "3.51"};
  TempFolder dir_;
};

TEST_F(FileOpsPlainPath, CopyAndMoveRetryIntoAFolder) {
  fs::create_directories(P("b"));
  for (const Op op : {Op::Copy, Op::Move}) {
    for (const char* destinationName : {"b", "b\\"}) {
      WriteFile(P("x.txt"), "data");
      fs::remove(P("b") / "x.txt");
      String source = dir_.Win("x.txt"), destination = dir_.Win(destinationName);
      EXPECT_EQ(Call(fm_, op, op == Op::Move, source, destination, nullptr), kTrue);
      EXPECT_EQ(destination, dir_.Win("b\\x.txt"));  // the caller's variable holds the new name
      EXPECT_EQ(ReadFile(P("b") / "x.txt"), "data");
      EXPECT_EQ(fs::exists(P("x.txt")), op == Op::Copy);
    }
  }
  // A copy replaces an existing file; the owner is not used on this path.
  WriteFile(P("x.txt"), "new");
  String source = dir_.Win("x.txt"), destination = dir_.Win("b\\x.txt");
  Variant owner = String(u"not a number");
  FileActionFlags options = vbFileOpRenameOnCollision;
  EXPECT_EQ(fm_.FileCopy(source, destination, &options, nullptr, &owner), kTrue);
  EXPECT_EQ(ReadFile(P("b") / "x.txt"), "new");
  // A delete takes a pattern.
  String pattern = dir_.Win("b\\*.TXT");
  EXPECT_EQ(fm_.FileDelete(pattern), kTrue);
  EXPECT_EQ(dir_.Entries("b"), Names{});
}

TEST_F(FileOpsPlainPath, FailuresChangeNothingButTheDestinationName) {
  WriteFile(P("a.txt"), "a");
  WriteFile(P("b.txt"), "b");
  WriteFile(P("ro.txt"), "r");
  ::chmod(P("ro.txt").c_str(), 0444);
  fs::create_directories(P("folder"));
  const struct {
    Op op;
    const char *source, *destination, *after;
  } cases[] = {
      {Op::Copy, "missing.txt", "folder", "folder\\missing.txt"},      // the retry fails too
      {Op::Copy, "a.txt", "nowhere\\a.txt", "nowhere\\a.txt\\a.txt"},  // a folder that does not exist
      // The name exists; the retry takes it as a folder, which it is not.
      {Op::Move, "a.txt", "b.txt", "b.txt\\a.txt"},
      {Op::Rename, "a.txt", "folder", "folder"},       // rename never retries
      {Op::Copy, "A.TXT", "a.txt", "a.txt\\A.TXT"},    // the same file, not truncated
      {Op::Copy, "a.txt", "ro.txt", "ro.txt\\a.txt"},  // read-only, for root too
      // Nothing to match, a folder: nothing to delete.
      {Op::Delete, "*.log", "b.txt", "b.txt"},
      {Op::Delete, "folder", "b.txt", "b.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.source << " -> " << c.destination);
    String source = dir_.Win(c.source), destination = dir_.Win(c.destination);
    EXPECT_EQ(Call(fm_, c.op, c.op == Op::Rename, source, destination, nullptr), kFalse);
    EXPECT_EQ(destination, dir_.Win(c.after));
  }
  EXPECT_EQ(dir_.Entries(), (Names{"a.txt", "b.txt", "folder", "ro.txt"}));
  EXPECT_EQ(dir_.Entries("folder"), Names{});
  EXPECT_EQ(ReadFile(P("a.txt")) + ReadFile(P("b.txt")) + ReadFile(P("ro.txt")), "abr");

  String source = dir_.Win("a.txt"), destination = dir_.Win("folder\\renamed.txt");
  EXPECT_EQ(fm_.FileRenameExt(source, destination), kTrue);
  EXPECT_EQ(ReadFile(P("folder") / "renamed.txt"), "a");
}

}  // namespace

// ---------------------------------------------------------------------------
// The POSIX shell file operation, driven through its platform interface.

namespace platform {
namespace {

constexpr std::uint32_t kCopy = kFoCopy, kMove = kFoMove, kRename = kFoRename, kDelete = kFoDelete;
constexpr std::uint32_t kNoConfirm = kFofNoConfirmation;
constexpr std::uint32_t kNewName = kFofRenameOnCollision;

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

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// One call of the operation with full names.
int Call(std::uint32_t func, const std::vector<std::string>& from, const std::optional<std::vector<std::string>>& to,
         std::uint32_t flags) {
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
  return PlatformShellFileOperations().SHFileOperation(op);
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
  ShellFileOperationTest() { env_.Set("XDG_DATA_HOME", nullptr); }

  std::string P(const std::string& rel) const { return root_ + "/" + rel; }

  // Creates "name=text" files and "name/" folders under the test folder.
  void Make(const std::vector<std::string>& items) {
    for (const std::string& item : items) {
      const std::size_t eq = item.find('=');
      fs::create_directories(fs::path(P(item.substr(0, eq))).parent_path());
      if (item.back() != '/') WriteFile(P(item.substr(0, eq)), eq == std::string::npos ? "" : item.substr(eq + 1));
    }
  }

  TempFolder dir_;
  const std::string root_ = dir_.path().string();
  ScopedEnv env_{"HOME", (root_ + "/home").c_str()};
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
    {"one target per source", "a.txt=A|c.txt=C", kCopy, "a.txt|c.txt", "x1.txt|x2.txt", kFofMultiDestFiles, 0,
     "x1.txt=A|x2.txt=C"},
    {"too few targets", "a.txt=A|c.txt=C", kCopy, "a.txt|c.txt", "x1.txt", kFofMultiDestFiles, 0x72, "!x1.txt"},
    {"no destination", "a.txt=A", kCopy, "a.txt", nullptr, 0, 0x7C, ""},
    {"folder tree", "d/s/f.txt=F|d/e/", kCopy, "d", "e", 0, 0, "e/s/f.txt=F|e/e/|d/s/f.txt=F"},
    {"folder into itself", "d/s/f.txt=F", kCopy, "d", "d/s", 0, 0x76, "!d/s/d"},
    {"file onto a folder", "a.txt=A|t/a.txt/", kCopy, "a.txt", "t", 0, 0x80, "t/a.txt/"},
    // Move.
    {"move replaces", "a.txt=A|b.txt=B", kMove, "a.txt", "b.txt", kNoConfirm, 0, "b.txt=A|!a.txt"},
    {"move folder merges", "d/x=X|t/d/z=Z", kMove, "d", "t", 0, 0, "t/d/x=X|t/d/z=Z|!d"},
    // Rename.
    {"rename in place", "a.txt=A", kRename, "a.txt", "b.txt", 0, 0, "b.txt=A|!a.txt"},
    {"rename onto an existing name", "a.txt=A|b.txt=B", kRename, "a.txt", "b.txt", kNoConfirm, 0xB7, "a.txt=A|b.txt=B"},
    {"rename renamed", "a.txt=A|b.txt=B", kRename, "a.txt", "b.txt", kNewName, 0, "b.txt=B|b (2).txt=A|!a.txt"},
    {"rename into another folder", "a.txt=A|d/", kRename, "a.txt", "d/a.txt", 0, 0x73, "a.txt=A|!d/a.txt"},
    // Delete.
    {"delete a folder tree", "d/s/f=F|d/g=G|a.txt=A", kDelete, "d", nullptr, 0, 0, "a.txt|!d"},
    {"delete something missing", "a.txt=A", kDelete, "a.txt|gone", nullptr, 0, 0x2, "a.txt"},
    {"unknown operation", "a.txt=A", 9, "a.txt", nullptr, 0, 0x57, "a.txt"},
};

TEST_F(ShellFileOperationTest, OperationsAndFlags) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(P("w"));
    fs::create_directories(P("w"));
    const auto inW = [this](const char* names) {
      std::vector<std::string> out = Split(names ? names : "");
      for (std::string& s : out) s = P("w/" + s);
      return out;
    };
    for (const std::string& item : Split(c.setup)) Make({"w/" + item});
    EXPECT_EQ(Call(c.func, inW(c.from), c.to ? std::optional(inW(c.to)) : std::nullopt, c.flags), c.result);
    for (const std::string& p : Split(c.after)) {
      const std::size_t eq = p.find('=');
      const std::string path = P("w/" + p.substr(p[0] == '!', eq - (p[0] == '!')));
      if (p[0] == '!') {
        EXPECT_FALSE(Exists(path)) << p;
      } else if (p.back() == '/') {
        EXPECT_TRUE(fs::is_directory(path)) << p;
      } else {
        EXPECT_TRUE(Exists(path)) << p;
        EXPECT_EQ(ReadFile(path), eq == std::string::npos ? ReadFile(path) : p.substr(eq + 1)) << p;
      }
    }
    EXPECT_FALSE(HasWorkFile(P("w")));
  }
}

// A copy killed once its hidden work file shows beside the destination
// leaves no partial destination (skipped when the copy finishes first).
TEST_F(ShellFileOperationTest, KilledCopyLeavesNoPartialDestination) {
  Make({"big.bin", "t/"});
  fs::resize_file(P("big.bin"), 256u << 20);
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(Call(kCopy, {P("big.bin")}, {{P("t/big.bin")}}, 0) == 0 ? 0 : 1);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!HasWorkFile(P("t"))) {
    if (::waitpid(pid, nullptr, WNOHANG) == pid || std::chrono::steady_clock::now() > deadline)
      GTEST_SKIP() << "the copy finished first";
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  EXPECT_FALSE(Exists(P("t/big.bin")));
  EXPECT_EQ(fs::file_size(P("big.bin")), 256u << 20);
}

TEST_F(ShellFileOperationTest, DeleteToTheHomeTrash) {
  ::setenv("XDG_DATA_HOME", P("data").c_str(), 1);
  EXPECT_EQ(HomeTrashFolder(), P("data/Trash"));
  Make({"w/report 100%.txt=1", "w/d/x=X", "w/ro.txt=R"});
  ::chmod(P("w/ro.txt").c_str(), 0444);
  ASSERT_EQ(Call(kDelete, {P("w/report 100%.txt"), P("w/d")}, std::nullopt, kFofAllowUndo), 0);
  Make({"w/report 100%.txt=2"});
  ASSERT_EQ(Call(kDelete, {P("w/report 100%.txt")}, std::nullopt, kFofAllowUndo), 0);
  EXPECT_FALSE(Exists(P("w/report 100%.txt")) || Exists(P("w/d")));
  const std::string trash = P("data/Trash");
  EXPECT_EQ(ReadFile(trash + "/files/report 100%.2.txt"), "2");
  EXPECT_EQ(ReadFile(trash + "/files/d/x"), "X");
  EXPECT_TRUE(ReadFile(trash + "/info/report 100%.2.txt.trashinfo")
                  .starts_with("[Trash Info]\nPath=" + root_ + "/w/report%20100%25.txt\nDeletionDate="));
  // A read-only file goes only when the caller says so.
  EXPECT_EQ(Call(kDelete, {P("w/ro.txt")}, std::nullopt, kFofAllowUndo), 0x4C7);
  EXPECT_TRUE(Exists(P("w/ro.txt")));
  EXPECT_EQ(Call(kDelete, {P("w/ro.txt")}, std::nullopt, kFofAllowUndo | kNoConfirm), 0);
  EXPECT_TRUE(Exists(trash + "/files/ro.txt"));
}

}  // namespace
}  // namespace platform
}  // namespace kor
