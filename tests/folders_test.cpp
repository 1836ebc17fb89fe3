// CreatePath, GetTempDir and GetTempFilePathname, and the platform operations
// behind them, inside a fresh temporary folder mapped as drive C: (with a
// share \\server\share beside it and C:\work as the current folder).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "frame/text.h"
#include "kortools/error.h"
#include "kortools/korFileMan.h"
#include "platform/paths.h"
#include "platform/temp_files.h"
#include "tests/test_support.h"

namespace kor {
namespace {

namespace fs = std::filesystem;
using testing_support::AsNobody;
using testing_support::ErrorOf;
using testing_support::ScopedEnv;
using Names = std::vector<std::string>;

constexpr std::int32_t kTempFileErrorNumber = -2147221503;

// Passes every operation to the platform and records the folders asked for.
class RecordingCreation final : public platform::FileCreation {
 public:
  RecordingCreation() { platform::SetFileCreation(this); }
  ~RecordingCreation() override { platform::SetFileCreation(nullptr); }

  std::uint32_t GetTempPath(std::uint32_t bufferLength, char* buffer) override {
    return platform::PlatformFileCreation().GetTempPath(bufferLength, buffer);
  }
  std::uint32_t GetTempFileName(std::string_view pathName, std::string_view prefixString, std::uint32_t unique,
                                char* tempFileName, std::uint32_t* lastError) override {
    return platform::PlatformFileCreation().GetTempFileName(pathName, prefixString, unique, tempFileName, lastError);
  }
  void MkDir(std::string_view name) override {
    folders.emplace_back(name);
    platform::PlatformFileCreation().MkDir(name);
  }

  std::vector<std::string> folders;
};

// True when `name` is `start`, 1 to 4 upper-case hexadecimal digits and ".TMP".
bool IsTempName(const std::string& name, const std::string& start) {
  return name.size() >= start.size() + 5 && name.size() <= start.size() + 8 && name.rfind(start, 0) == 0 &&
         name.ends_with(".TMP") && name.find_first_not_of("0123456789ABCDEF", start.size()) == name.size() - 4;
}

class Folders : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* dir : {"c/work", "c/tmp", "share"}) fs::create_directories(root_.path() / dir);
    cwd_ = fs::current_path();
    fs::current_path(OnC("work"));
    platform::ReloadFileSystemView();
  }
  void TearDown() override {
    fs::current_path(cwd_);
    drives_.reset();
    tmpdir_.reset();
    platform::ReloadFileSystemView();
  }

  // The POSIX name of a name under drive C:.
  std::string OnC(const std::string& rest) const { return root_ / ("c/" + rest); }
  Names Entries(const std::string& underC) const { return root_.Entries("c/" + underC); }
  void MkDirOnC(const std::string& rest) const { ASSERT_EQ(::mkdir(OnC(rest).c_str(), 0755), 0) << rest; }
  void FileOnC(const std::string& rest) const { testing_support::WriteFile(OnC(rest), "x"); }
  // Lets user 65534 into the folder, for the cases run with its rights.
  void OpenRoot() const { ASSERT_EQ(::chmod(root_.path().c_str(), 0755), 0); }

  // The error GetTempFilePathname raises; its description must be the one
  // the method documents.
  static std::int32_t TempFileError(korFileMan& fm, String* path, String* prefix) {
    try {
      fm.GetTempFilePathname(path, prefix);
    } catch (const Error& e) {
      EXPECT_EQ(e.Description(), u"Error creating temporary filename. Valid path & prefix settings.");
      return e.Number();
    }
    return 0;
  }

  testing_support::TempFolder root_;
  fs::path cwd_;
  std::optional<ScopedEnv> drives_{std::in_place, "KORTOOLS_DRIVES",
                                   ("C=" + (root_ / "c") + ";\\\\server\\share=" + (root_ / "share")).c_str()};
  std::optional<ScopedEnv> tmpdir_{std::in_place, "TMPDIR", (root_ / "c/tmp").c_str()};
  korFileMan fm_;
};

// --- CreatePath -------------------------------------------------------------

TEST_F(Folders, CreatePath) {
  const struct {
    std::u16string path;
    Names before;  // folders under C:\work made first
    bool result;
    Names mkdirs;   // the folders asked of the platform, in order
    Names folders;  // under C:\ afterwards
    Names absent;   // under C:\ afterwards
  } cases[] = {
      // Each missing level in turn, after the one-step attempt.
      {u"C:\\x\\y\\z\\", {}, true, {"C:\\x\\y\\z\\", "C:\\x\\", "C:\\x\\y\\", "C:\\x\\y\\z\\"}, {"x/y/z"}, {}},
      // The final component is a file name.
      {u"C:\\x\\y\\file.txt", {}, true, {"C:\\x\\y\\", "C:\\x\\", "C:\\x\\y\\"}, {"x/y"}, {"x/y/file.txt"}},
      // Already there: the folder is asked for again and nothing changes.
      {u"C:\\work\\e\\f\\", {"e", "e/f"}, true, {"C:\\work\\e\\f\\", "C:\\work\\e\\f\\"}, {"work/e/f"}, {}},
      // Letter case of existing levels is ignored, also of the last one.
      {u"C:\\work\\DATA\\", {"data"}, true, {"C:\\work\\DATA\\", "C:\\work\\DATA\\"}, {"work/data"}, {"work/DATA"}},
      // Relative paths: the first level only by the one-step attempt.
      {u"a\\", {}, true, {"a\\"}, {"work/a"}, {}},
      {u"a\\b\\", {}, false, {"a\\b\\", "a\\b\\"}, {}, {"work/a"}},
      {u"a\\b\\c\\", {"a"}, true, {"a\\b\\c\\", "a\\b\\", "a\\b\\c\\"}, {"work/a/b/c"}, {}},
      // Drive-relative: the current folder of C:.
      {u"C:d\\", {}, true, {"C:d\\"}, {"work/d"}, {}},
      // Names a folder may not hold, and nothing at all.
      {u"C:\\p\\a|b\\", {}, false, {"C:\\p\\a|b\\", "C:\\p\\", "C:\\p\\a|b\\"}, {"p"}, {"p/a|b"}},
      {u"", {}, false, {""}, {}, {}},
      // A drive without a folder.
      // Spaces, quotes' cousins and letters beyond ASCII.
      {u"C:\\\u00df d\\-n 'x'\\",
       {},
       true,
       {"C:\\\u00df d\\-n 'x'\\", "C:\\\u00df d\\", "C:\\\u00df d\\-n 'x'\\"},
       {"\u00df d/-n 'x'"},
       {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.path));
    for (const std::string& dir : c.before) MkDirOnC("work/" + dir);
    RecordingCreation recorder;
    EXPECT_EQ(fm_.CreatePath(c.path), Boolean(c.result));
    EXPECT_EQ(recorder.folders, c.mkdirs);
    for (const std::string& dir : c.folders) EXPECT_TRUE(fs::is_directory(OnC(dir))) << dir;
    for (const std::string& name : c.absent) EXPECT_FALSE(fs::exists(OnC(name))) << name;
    for (const char* folder : {"", "work"})  // all but C:\tmp and C:\work (the current folder)
      for (const auto& e : fs::directory_iterator(OnC(folder)))
        if (e.path() != OnC("tmp") && e.path() != OnC("work")) fs::remove_all(e.path());
  }
}

TEST_F(Folders, CreatePathOnAShare) {
  RecordingCreation recorder;
  EXPECT_EQ(fm_.CreatePath(u"\\\\server\\share"), kFalse);  // never created, nothing asked
  EXPECT_EQ(fm_.CreatePath(u"\\\\server\\"), kFalse);
  EXPECT_TRUE(recorder.folders.empty());

  EXPECT_EQ(fm_.CreatePath(u"\\\\server\\share\\a\\"), kTrue);
  EXPECT_TRUE(fs::is_directory(root_ / "share/a"));
  recorder.folders.clear();
  EXPECT_EQ(fm_.CreatePath(u"\\\\server\\share\\b\\c\\d.txt"), kTrue);
  EXPECT_TRUE(fs::is_directory(root_ / "share/b/c"));
  EXPECT_EQ(recorder.folders,
            (Names{"\\\\server\\share\\b\\c\\", "\\\\server\\share\\b\\", "\\\\server\\share\\b\\c\\"}));
  EXPECT_EQ(fm_.CreatePath(u"\\\\other\\share\\a\\"), kFalse);  // a share that is not there
}

// --- GetTempDir -------------------------------------------------------------

TEST_F(Folders, GetTempDirIsTheFolderOfTmpdirEndingInASeparator) {
  const std::string c = root_ / "c";
  const struct {
    std::optional<std::string> tmpdir;  // none: unset
    String dir;
  } cases[] = {
      {c + "/tmp", u"C:\\tmp\\"},
      {c, u"C:\\"},  // a drive's own folder is its root
      {std::nullopt, u"Z:\\tmp\\"},
      {c + "/Gr\xc3\xbc\xc3\x9f\x65", u"C:\\Gr\u00fc\u00dfe\\"},  // need not exist
      // "C:\" + name + "\": 511 characters fit beside the NUL in 512, 512 do not.
      {c + "/" + std::string(507, 'n'), u"C:\\" + String(507, u'n') + u"\\"},
      {c + "/" + std::string(508, 'n'), u""},
  };
  for (const auto& k : cases) {
    ScopedEnv env("TMPDIR", k.tmpdir ? k.tmpdir->c_str() : nullptr);
    EXPECT_EQ(fm_.GetTempDir(), k.dir) << k.tmpdir.value_or("unset").size();
  }
}

// --- GetTempFilePathname ----------------------------------------------------

TEST_F(Folders, GetTempFilePathnameCreatesANewEmptyPrivateFile) {
  const mode_t oldMask = ::umask(0277);  // even a umask that takes the owner's writing away
  const String name = fm_.GetTempFilePathname();
  ::umask(oldMask);
  const std::string utf8 = text::ToUtf8(name);
  ASSERT_TRUE(IsTempName(utf8, "C:\\tmp\\")) << utf8;
  struct stat st {};
  ASSERT_EQ(::stat(OnC("tmp/" + utf8.substr(7)).c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_size, 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  // A new name each time, and every file stays.
  String prefix = u"kor";
  std::set<String> names;
  for (int i = 0; i < 200; ++i) names.insert(fm_.GetTempFilePathname(nullptr, &prefix));
  EXPECT_EQ(names.size(), 200u);
  EXPECT_EQ(Entries("tmp").size(), 201u);
}

TEST_F(Folders, GetTempFilePathnameNames) {
  MkDirOnC("Data");
  const struct {
    std::optional<String> path, prefix;
    std::string start;   // of the whole name, before the number, in UTF-8
    std::string folder;  // POSIX, under C:\ (for the file)
  } cases[] = {
      {std::nullopt, std::nullopt, "C:\\tmp\\", "tmp"},
      {u"C:\\Data", u"x", "C:\\Data\\x", "Data"},  // a separator is added
      {u"c:\\DATA", u"x", "C:\\DATA\\x", "Data"},  // case ignored, letters as given
      {u".", u"w", "C:\\work\\w", "work"},         // the full path name
      {u"\\\\server\\share", u"s", "\\\\server\\share\\s", "../share"},
      {std::nullopt, u"\u00e4\u00f6\u00fc\u00df", "C:\\tmp\\\u00e4\u00f6\u00fc", "tmp"},
  };
  for (const auto& c : cases) {
    String path = c.path.value_or(u""), prefix = c.prefix.value_or(u"");
    const std::string utf8 =
        text::ToUtf8(fm_.GetTempFilePathname(c.path ? &path : nullptr, c.prefix ? &prefix : nullptr));
    EXPECT_TRUE(IsTempName(utf8, c.start)) << utf8;
    EXPECT_TRUE(fs::exists(OnC(c.folder + "/" + utf8.substr(utf8.rfind('\\') + 1)))) << utf8;
    EXPECT_EQ(path, c.path.value_or(u""));
    EXPECT_EQ(prefix, c.prefix.value_or(u""));
  }
}

TEST_F(Folders, GetTempFilePathnameFailures) {
  FileOnC("file.txt");
  const std::u16string longFolder = u"C:\\" + String(244, u'n');  // 247 characters
  MkDirOnC(std::string(244, 'n'));
  const std::pair<String, String> cases[] = {
      {u"C:\\file.txt", u""},  // a file, not a folder
      {u"Q:\\", u""},          // no such drive
      {longFolder, u""},       // too long for a name
      {u"C:\\tmp", u"a?b"},    // no file name may hold these
      {u"C:\\tmp", u"a\\b"},
  };
  for (auto [path, prefix] : cases)
    EXPECT_EQ(TempFileError(fm_, &path, &prefix), kTempFileErrorNumber) << text::ToUtf8(path);
  EXPECT_EQ(kTempFileErrorNumber, ObjectErrorNumber(1));
  // A folder one character shorter is taken.
  String shorter = longFolder.substr(0, 246);
  MkDirOnC(std::string(243, 'n'));
  EXPECT_EQ(fm_.GetTempFilePathname(&shorter).substr(0, 247), shorter + u"\\");
  // No folder for temporary files: the empty name is no folder.
  ScopedEnv env("TMPDIR", OnC(std::string(600, 'n')).c_str());
  EXPECT_EQ(TempFileError(fm_, nullptr, nullptr), kTempFileErrorNumber);
  EXPECT_EQ(Entries("tmp"), Names{});
  EXPECT_EQ(Entries(std::string(243, 'n')).size(), 1u);
  // A folder the caller may not write.
  env.Set("TMPDIR", OnC("tmp").c_str());
  OpenRoot();
  korFileMan& fm = fm_;
  const int status = AsNobody([&fm] { return TempFileError(fm, nullptr, nullptr) == kTempFileErrorNumber ? 0 : 1; });
  if (status == 255) GTEST_SKIP() << "cannot change to another user";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Entries("tmp"), Names{});
}

}  // namespace
}  // namespace kor
