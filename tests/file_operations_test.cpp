// korFileMan's copy, move, rename and delete: the operation record handed to
// the shell (recorded by a replacement shell), the plain path with its retry
// into a folder, the runtime's plain file operations and their errors, and a
// few operations through the platform's own shell.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "kortools/error.h"
#include "kortools/korFileMan.h"
#include "platform/file_operations.h"
#include "platform/paths.h"
#include "platform/posix/kernel_time.h"
#include "platform/shell_file_operation.h"
#include "tests/test_support.h"

namespace kor {
namespace {

namespace fs = std::filesystem;
using testing_support::AsNobody;
using testing_support::ErrorOf;
using testing_support::ReadFile;
using testing_support::ScopedEnv;
using testing_support::TempFolder;
using testing_support::WriteFile;
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

// The Windows name of a POSIX name, as the caller's variable would hold it.
String Win(const fs::path& p) {
  const auto& view = platform::GetFileSystemView();
  // A pattern is no entry's name: its folder is.
  if (p.filename().string().find_first_of("*?") != std::string::npos)
    return Win(p.parent_path()) + u"\\" + text::FromUtf8(p.filename().string());
  std::string name;
  EXPECT_EQ(view.ToWindows(p.string(), name), 0u) << p;
  return view.NameCodePage().Decode(name);
}

// The Windows name in the code page, as the platform operations take it.
std::string WinA(const fs::path& p) { return platform::GetFileSystemView().NameCodePage().Encode(Win(p)); }

// Bytes that may hold NULs.
template <std::size_t N>
std::string Bytes(const char (&s)[N]) {
  return std::string(s, N - 1);
}

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
  for (const bool ext : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(::testing::Message() << "operation " << static_cast<int>(c.op) << ", options "
                                        << (c.options ? std::to_string(*c.options) : "left out") << ", ext " << ext);
      shell_.calls.clear();
      String source = u"Z:\\src\\a.txt", destination = u"Z:\\dst";
      FileActionFlags value = static_cast<FileActionFlags>(c.options.value_or(vbFileOpDefault));
      EXPECT_EQ(Call(fm_, c.op, ext, source, destination, c.options ? &value : nullptr), kTrue);
      ASSERT_EQ(shell_.calls.size(), 1u);
      const platform::ShFileOpStruct& op = shell_.calls[0];
      EXPECT_EQ(op.wFunc, c.wFunc);
      EXPECT_EQ(op.fFlags, c.fFlags);
      EXPECT_EQ(op.hwnd, 0);
      EXPECT_FALSE(op.lpszProgressTitle.has_value());
      EXPECT_EQ(op.pFrom, Bytes("Z:\\src\\a.txt\0\0"));
      EXPECT_EQ(op.pTo, c.op == Op::Delete ? std::nullopt : std::optional<std::string>(Bytes("Z:\\dst\0\0")));
      // The shell path leaves the caller's variables alone.
      EXPECT_EQ(source, u"Z:\\src\\a.txt");
      EXPECT_EQ(destination, u"Z:\\dst");
    }
  }
}

TEST_F(FileOpsShellPath, TitleAndOwnerTakeTheirValuesOrRaiseBeforeTheShell) {
  const struct {
    Variant title, owner;
    std::int32_t error;
    std::optional<std::string> wantTitle;
    std::int32_t wantHwnd;
  } cases[] = {
      {Variant::Missing(), Variant::Missing(), 0, std::nullopt, 0},
      {String(u"Copying"), Long{1234}, 0, "Copying", 1234},
      {Variant(), Variant(), 0, "", 0},  // Empty is the empty string and 0
      {kTrue, Double{-2.5}, 0, "True", -2},
      {Variant::Missing(), String(u"abc"), 13, {}, 0},          // a non-numeric owner
      {Variant::Missing(), Double{3e9}, 6, {}, 0},              // beyond a Long
      {Variant(StringArray()), Variant::Missing(), 13, {}, 0},  // a title without a string value
      {String(u"t"), Variant(StringArray()), 13, {}, 0},
  };
  for (const Op op : kAllOps) {
    for (const bool ext : {false, true}) {
      for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "operation " << static_cast<int>(op) << ", error " << c.error);
        shell_.calls.clear();
        String source = u"Z:\\a", destination = u"Z:\\b";
        Variant title = c.title, owner = c.owner;
        EXPECT_EQ(ErrorOf([&] { Call(fm_, op, ext, source, destination, nullptr, &title, &owner); }), c.error);
        ASSERT_EQ(shell_.calls.size(), c.error == 0 ? 1u : 0u);
        if (c.error != 0) continue;
        EXPECT_EQ(shell_.calls[0].lpszProgressTitle, c.wantTitle);
        EXPECT_EQ(shell_.calls[0].hwnd, c.wantHwnd);
      }
    }
  }
}

TEST_F(FileOpsShellPath, ResultIsTrueOnlyWhenTheShellReturnsZero) {
  for (const int result : {0, 1, -1, 0x75, 1223}) {
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
  // The Windows name of `rel` ("\"-separated) in the folder.
  String W(const char* rel) const { return Win(dir_.path()) + u"\\" + text::FromUtf8(rel); }

  ScopedEnv plain_{"KORTOOLS_WINVER", "3.51"};
  TempFolder dir_;
};

TEST_F(FileOpsPlainPath, CopyAndMoveRetryIntoAFolder) {
  fs::create_directories(P("b"));
  for (const Op op : {Op::Copy, Op::Move}) {
    for (const bool ext : {false, true}) {
      for (const char* destinationName : {"b", "b\\"}) {
        WriteFile(P("x.txt"), "data");
        fs::remove(P("b") / "x.txt");
        String source = W("x.txt"), destination = W(destinationName);
        EXPECT_EQ(Call(fm_, op, ext, source, destination, nullptr), kTrue);
        EXPECT_EQ(destination, W("b\\x.txt"));  // the caller's variable holds the new name
        EXPECT_EQ(ReadFile(P("b") / "x.txt"), "data");
        EXPECT_EQ(fs::exists(P("x.txt")), op == Op::Copy);
      }
    }
  }
  // A copy replaces an existing file; the owner is not used on this path.
  WriteFile(P("b") / "x.txt", "older text");
  WriteFile(P("x.txt"), "new");
  String source = W("x.txt"), destination = W("b\\x.txt");
  Variant owner = String(u"not a number");
  FileActionFlags options = vbFileOpRenameOnCollision;
  EXPECT_EQ(fm_.FileCopy(source, destination, &options, nullptr, &owner), kTrue);
  EXPECT_EQ(ReadFile(P("b") / "x.txt"), "new");
  EXPECT_EQ(destination, W("b\\x.txt"));
}

TEST_F(FileOpsPlainPath, FailuresChangeNothingButTheDestinationName) {
  WriteFile(P("a.txt"), "a");
  WriteFile(P("b.txt"), "b");
  fs::create_directories(P("folder"));
  const struct {
    Op op;
    const char *source, *destination, *after;
  } cases[] = {
      {Op::Copy, "missing.txt", "folder", "folder\\missing.txt"},      // the retry fails too
      {Op::Copy, "a.txt", "nowhere\\a.txt", "nowhere\\a.txt\\a.txt"},  // a folder that does not exist
      // The name exists; the retry takes it as a folder, which it is not.
      {Op::Move, "a.txt", "b.txt", "b.txt\\a.txt"},
      {Op::Rename, "a.txt", "folder", "folder"},  // rename never retries
      // Nothing to match, a missing file, a folder: nothing to delete.
      {Op::Delete, "*.log", "b.txt", "b.txt"},
      {Op::Delete, "folder", "b.txt", "b.txt"},
      {Op::Delete, "nowhere\\*", "b.txt", "b.txt"},
  };
  for (const bool ext : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(::testing::Message() << c.source << " -> " << c.destination << ", ext " << ext);
      String source = W(c.source), destination = W(c.destination);
      EXPECT_EQ(Call(fm_, c.op, ext, source, destination, nullptr), kFalse);
      EXPECT_EQ(destination, W(c.after));
    }
  }
  EXPECT_EQ(dir_.Entries(), (Names{"a.txt", "b.txt", "folder"}));
  EXPECT_EQ(dir_.Entries("folder"), Names{});
  EXPECT_EQ(ReadFile(P("a.txt")) + ReadFile(P("b.txt")), "ab");

  String source = W("a.txt"), destination = W("folder\\renamed.txt");
  EXPECT_EQ(fm_.FileRenameExt(source, destination), kTrue);
  EXPECT_EQ(ReadFile(P("folder") / "renamed.txt"), "a");
}

// ---------------------------------------------------------------------------
// The runtime's plain file operations.

class FileOpsPlain : public ::testing::Test {
 protected:
  fs::path P(const char* name) const { return dir_.path() / name; }
  std::string N(const char* name) const { return WinA(P(name)); }
  platform::FileOperations& files_ = platform::GetFileOperations();
  TempFolder dir_;
};

TEST_F(FileOpsPlain, CopyErrors) {
  WriteFile(P("a.txt"), "a");
  WriteFile(P("ro.txt"), "ro");
  ::chmod(P("ro.txt").c_str(), 0444);
  fs::create_directories(P("folder"));
  ::mkfifo(P("pipe").c_str(), 0600);
  const struct {
    std::string source, destination;
    std::int32_t error;
  } cases[] = {
      // Only a plain file is copied or replaced; "A.TXT" is the same file; a name ends at its first NUL.
      // clang-format off
      {N("missing.txt"), N("b.txt"), 53}, {N("nowhere") + "\\a.txt", N("b.txt"), 76},
      {N("pipe"), N("b.txt"), 75},        {N("a.txt"), N("folder"), 75},
      {N("a.txt"), N("ro.txt"), 75},      {N("A.TXT"), N("a.txt"), 70},
      {N("a.txt"), N("b?.txt"), 52},      {N("a.txt"), std::string("\0x", 2), 52},
      // clang-format on
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorOf([&] { files_.FileCopy(c.source, c.destination); }), c.error)
        << c.source << " -> " << c.destination;
  }
  EXPECT_EQ(ReadFile(P("a.txt")), "a");
  EXPECT_EQ(ReadFile(P("ro.txt")), "ro");
  EXPECT_EQ(dir_.Entries(), (Names{"a.txt", "folder", "pipe", "ro.txt"}));
  // The "?" of a "\\?\" prefix is no wildcard.
  files_.FileCopy("\\\\?\\" + N("a.txt"), N("b.txt"));
  EXPECT_EQ(ReadFile(P("b.txt")), "a");
  files_.Kill("\\\\?\\" + N("b.txt"));
  EXPECT_FALSE(fs::exists(P("b.txt")));
}

TEST_F(FileOpsPlain, KillErrorsAndWhatItLeaves) {
  for (const char* name : {"a.txt", "b.TXT", "c.csv", ".h.txt"}) WriteFile(P(name), name);
  WriteFile(P("ro.txt"), "ro");
  ::chmod(P("ro.txt").c_str(), 0444);
  fs::create_directories(P("d.txt"));
  WriteFile(P("d.txt") / "inner.txt", "i");
  fs::create_symlink(P("d.txt"), P("dirlink.txt"));
  fs::create_symlink(P("c.csv"), P("filelink.txt"));
  const std::pair<std::string, std::int32_t> cases[] = {
      // clang-format off
      {N("ro.txt"), 75}, {N("d.txt"), 53}, {N("*.none"), 53}, {N("nowhere") + "\\*.txt", 76}, {N("d*") + "\\*.txt", 52},
      // clang-format on
  };
  for (const auto& [name, error] : cases) EXPECT_EQ(ErrorOf([&] { files_.Kill(name); }), error) << name;

  // In name order: a.txt, b.TXT and the link to a file go, then the
  // read-only file stops it.
  EXPECT_EQ(ErrorOf([&] { files_.Kill(N("*.TXT")); }), 75);
  EXPECT_EQ(dir_.Entries(), (Names{".h.txt", "c.csv", "d.txt", "dirlink.txt", "ro.txt"}));
  ::chmod(P("ro.txt").c_str(), 0644);
  files_.Kill(N("*.txt"));
  EXPECT_EQ(dir_.Entries(), (Names{".h.txt", "c.csv", "d.txt", "dirlink.txt"}));
  EXPECT_EQ(ReadFile(P("d.txt") / "inner.txt"), "i");
  EXPECT_EQ(ReadFile(P("c.csv")), "c.csv");  // the link went, not its target
  files_.Kill(N(".H.TXT"));                  // a hidden file by its name
  EXPECT_FALSE(fs::exists(P(".h.txt")));
}

TEST_F(FileOpsPlain, WithoutPermissionNothingChanges) {
  ::chmod(dir_.path().c_str(), 0755);
  WriteFile(P("secret"), "s");
  ::chmod(P("secret").c_str(), 0600);
  fs::create_directories(P("open"));
  ::chmod(P("open").c_str(), 0777);
  WriteFile(P("mine"), "m");
  ::chmod(P("mine").c_str(), 0644);
  const auto asNobody = [](const std::function<void()>& f) { return AsNobody([&] { return ErrorOf(f); }); };

  const int copied = asNobody([&] { files_.FileCopy(N("secret"), WinA(P("open") / "s")); });
  if (copied == 255) GTEST_SKIP() << "cannot change to user 65534";
  EXPECT_EQ(copied, 70);
  EXPECT_EQ(asNobody([&] { files_.Kill(N("mine")); }), 70);
  EXPECT_EQ(asNobody([&] { files_.Name(N("mine"), WinA(P("open") / "m")); }), 70);
  EXPECT_EQ(dir_.Entries(), (Names{"mine", "open", "secret"}));
  EXPECT_EQ(dir_.Entries("open"), Names{});
}

// ---------------------------------------------------------------------------
// Through the platform's own shell.

}  // namespace
}  // namespace kor
