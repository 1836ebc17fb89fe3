// CreatePath, GetTempDir and GetTempFilePathname, and the platform operations
// behind them, inside a fresh temporary folder mapped as drive C: (with a
// share \\server\share beside it and C:\work as the current folder).
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
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

using testing_support::ErrorOf;

constexpr std::int32_t kTempFileErrorNumber = -2147221503;
const String kTempFileErrorText = u"Error creating temporary filename. Valid path & prefix settings.";

// An environment variable set for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { saved_ ? ::setenv(name_, saved_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

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
  if (name.size() < start.size() + 5 || name.compare(0, start.size(), start) != 0 ||
      name.compare(name.size() - 4, 4, ".TMP") != 0)
    return false;
  const std::string digits = name.substr(start.size(), name.size() - start.size() - 4);
  return digits.size() <= 4 && digits.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

bool IsFolder(const std::string& posix) {
  struct stat st {};
  return ::stat(posix.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& posix) {
  struct stat st {};
  return ::lstat(posix.c_str(), &st) == 0;
}

// Runs `f` in a child process with the rights of the user "nobody"; its
// exit status (255 when the rights cannot be dropped).
template <typename F>
int AsNobody(F&& f) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0) ::_exit(255);
    ::_exit(f());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 254;
}

class Folders : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kortools_folders_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    for (const char* dir : {"/c", "/c/work", "/c/tmp", "/share"}) ASSERT_EQ(::mkdir((root_ + dir).c_str(), 0755), 0);
    cwd_ = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(cwd_, 0);
    ASSERT_EQ(::chdir((root_ + "/c/work").c_str()), 0);
    drives_.emplace("KORTOOLS_DRIVES", "C=" + root_ + "/c;\\\\server\\share=" + root_ + "/share");
    tmpdir_.emplace("TMPDIR", root_ + "/c/tmp");
    platform::ReloadFileSystemView();
  }

  void TearDown() override {
    if (cwd_ >= 0) {
      EXPECT_EQ(::fchdir(cwd_), 0);
      ::close(cwd_);
    }
    tmpdir_.reset();
    drives_.reset();
    platform::ReloadFileSystemView();
    (void)std::system(("chmod -R u+rwx '" + root_ + "' 2>/dev/null; rm -rf '" + root_ + "'").c_str());
  }

  // The POSIX name of a name under drive C:.
  std::string OnC(const std::string& rest) const { return root_ + "/c/" + rest; }

  // Entries of a POSIX folder.
  static std::set<std::string> Entries(const std::string& posix) {
    std::set<std::string> names;
    if (DIR* d = ::opendir(posix.c_str())) {
      while (const dirent* e = ::readdir(d))
        if (std::string_view(e->d_name) != "." && std::string_view(e->d_name) != "..") names.insert(e->d_name);
      ::closedir(d);
    }
    return names;
  }

  // The error GetTempFilePathname raises; its description must be the one
  // the method documents.
  static std::int32_t TempFileError(korFileMan& fm, String* path, String* prefix) {
    try {
      fm.GetTempFilePathname(path, prefix);
    } catch (const Error& e) {
      EXPECT_EQ(e.Description(), kTempFileErrorText);
      return e.Number();
    }
    return 0;
  }

  std::string root_;
  int cwd_ = -1;
  std::optional<ScopedEnv> drives_, tmpdir_;
  korFileMan fm_;
};

// --- The platform's MkDir ---------------------------------------------------

TEST_F(Folders, MkDirRaisesTheRuntimeErrors) {
  ASSERT_EQ(::mkdir(OnC("Data").c_str(), 0755), 0);
  std::ofstream(OnC("file.txt")) << "x";
  auto& files = platform::PlatformFileCreation();
  const auto mkdir = [&files](std::string_view name) { return ErrorOf([&] { files.MkDir(name); }); };

  EXPECT_EQ(mkdir("C:\\new"), 0);
  EXPECT_TRUE(IsFolder(OnC("new")));
  EXPECT_EQ(mkdir("C:\\DATA\\Sub\\"), 0);  // the parent found whatever its letter case
  EXPECT_TRUE(IsFolder(OnC("Data/Sub")));
  EXPECT_EQ(mkdir("rel"), 0);  // relative to the current folder
  EXPECT_TRUE(IsFolder(OnC("work/rel")));

  const std::pair<std::string, std::int32_t> failures[] = {
      {"C:\\new", 75},          // exists
      {"C:\\data", 75},         // exists with other letters
      {"C:\\", 75},             // the root
      {"C:\\file.txt", 75},     // a file of that name
      {"C:\\a\\b", 76},         // parent missing
      {"C:\\file.txt\\b", 76},  // the parent is a file
      {"Q:\\x", 76},            // no such drive
      {"", 52},
      {"C:\\a*b", 52},
      {"C:\\a?b", 52},
      {"C:\\a|b\\", 52},
      {"C:\\a:b", 52},
      {"C:\\a\"b", 52},
      {"C:\\a<b>", 52},
      {"C:\\tab\there", 52},
      {std::string("C:\\a\0b", 6), 52},  // never cut at the NUL
      {"C:\\" + std::string(300, 'n'), 76},
  };
  for (const auto& [name, error] : failures) EXPECT_EQ(mkdir(name), error) << name;
  EXPECT_EQ(Entries(OnC("")), (std::set<std::string>{"Data", "file.txt", "new", "tmp", "work"}));
  EXPECT_TRUE(Entries(OnC("Data/Sub")).empty());
}

TEST_F(Folders, MkDirWithoutWritePermissionRaises75) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run a probe as another user";
  ASSERT_EQ(::chmod(root_.c_str(), 0755), 0);
  EXPECT_EQ(AsNobody([] { return ErrorOf([] { platform::PlatformFileCreation().MkDir("C:\\work\\x"); }); }), 75);
  EXPECT_FALSE(Exists(OnC("work/x")));
}

// --- CreatePath -------------------------------------------------------------

TEST_F(Folders, CreatePath) {
  struct Case {
    std::u16string path;
    std::vector<std::string> before;  // folders under C:\work made first
    bool result;
    std::vector<std::string> mkdirs;   // the folders asked of the platform, in order
    std::vector<std::string> folders;  // under C:\ afterwards
    std::vector<std::string> absent;   // under C:\ afterwards
  };
  const Case cases[] = {
      // Each missing level in turn, after the one-step attempt.
      {u"C:\\x\\y\\z\\", {}, true, {"C:\\x\\y\\z\\", "C:\\x\\", "C:\\x\\y\\", "C:\\x\\y\\z\\"}, {"x/y/z"}, {}},
      // The final component is a file name.
      {u"C:\\x\\y\\file.txt", {}, true, {"C:\\x\\y\\", "C:\\x\\", "C:\\x\\y\\"}, {"x/y"}, {"x/y/file.txt"}},
      {u"C:\\x\\y", {}, true, {"C:\\x\\"}, {"x"}, {"x/y"}},
      // Already there: the folder is asked for again and nothing changes.
      {u"C:\\work\\e\\f\\", {"e", "e/f"}, true, {"C:\\work\\e\\f\\", "C:\\work\\e\\f\\"}, {"work/e/f"}, {}},
      // Letter case of existing levels is ignored, also of the last one.
      {u"C:\\work\\DATA\\", {"data"}, true, {"C:\\work\\DATA\\", "C:\\work\\DATA\\"}, {"work/data"}, {"work/DATA"}},
      {u"C:\\WORK\\Q\\r\\", {"q"}, true, {"C:\\WORK\\Q\\r\\"}, {"work/q/r"}, {"work/Q"}},
      // Relative paths: the first level only by the one-step attempt.
      {u"a\\", {}, true, {"a\\"}, {"work/a"}, {}},
      {u"a\\b\\", {}, false, {"a\\b\\", "a\\b\\"}, {}, {"work/a"}},
      {u"a\\b\\", {"a"}, true, {"a\\b\\"}, {"work/a/b"}, {}},
      {u"a\\b\\c\\", {"a"}, true, {"a\\b\\c\\", "a\\b\\", "a\\b\\c\\"}, {"work/a/b/c"}, {}},
      // Drive-relative: the current folder of C:.
      {u"C:d\\", {}, true, {"C:d\\"}, {"work/d"}, {}},
      // Names a folder may not hold, and nothing at all.
      {u"C:\\a*b\\", {}, false, {"C:\\a*b\\", "C:\\a*b\\"}, {}, {"a*b"}},
      {u"C:\\p\\a|b\\", {}, false, {"C:\\p\\a|b\\", "C:\\p\\", "C:\\p\\a|b\\"}, {"p"}, {"p/a|b"}},
      {u"", {}, false, {""}, {}, {}},
      // A drive without a folder.
      {u"Q:\\x\\", {}, false, {"Q:\\x\\", "Q:\\x\\"}, {}, {}},
      // Spaces, quotes' cousins and letters beyond ASCII.
      {u"C:\\Gr\u00fc\u00dfe dir\\-n 'x'\\",
       {},
       true,
       {"C:\\Gr\xc3\xbc\xc3\x9f"
        "e dir\\-n 'x'\\",
        "C:\\Gr\xc3\xbc\xc3\x9f"
        "e dir\\",
        "C:\\Gr\xc3\xbc\xc3\x9f"
        "e dir\\-n 'x'\\"},
       {"Gr\xc3\xbc\xc3\x9f"
        "e dir/-n 'x'"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.path));
    for (const std::string& dir : c.before) ASSERT_EQ(::mkdir(OnC("work/" + dir).c_str(), 0755), 0);
    RecordingCreation recorder;
    EXPECT_EQ(fm_.CreatePath(c.path), Boolean(c.result));
    EXPECT_EQ(recorder.folders, c.mkdirs);
    for (const std::string& dir : c.folders) EXPECT_TRUE(IsFolder(OnC(dir))) << dir;
    for (const std::string& name : c.absent) EXPECT_FALSE(Exists(OnC(name))) << name;
    ASSERT_EQ(std::system(("cd '" + OnC("") +
                           "' && find . -mindepth 1 -maxdepth 1 ! -name tmp ! -name work "
                           "-exec rm -rf {} + && rm -rf work/* ")
                              .c_str()),
              0);
  }
}

TEST_F(Folders, CreatePathOnAShare) {
  RecordingCreation recorder;
  EXPECT_EQ(fm_.CreatePath(u"\\\\server\\share"), kFalse);  // never created, nothing asked
  EXPECT_EQ(fm_.CreatePath(u"\\\\server"), kFalse);
  EXPECT_EQ(fm_.CreatePath(u"\\\\server\\"), kFalse);
  EXPECT_TRUE(recorder.folders.empty());

  EXPECT_EQ(fm_.CreatePath(u"\\\\server\\share\\a\\"), kTrue);
  EXPECT_TRUE(IsFolder(root_ + "/share/a"));
  recorder.folders.clear();
  EXPECT_EQ(fm_.CreatePath(u"\\\\server\\share\\b\\c\\d.txt"), kTrue);
  EXPECT_TRUE(IsFolder(root_ + "/share/b/c"));
  EXPECT_EQ(recorder.folders, (std::vector<std::string>{"\\\\server\\share\\b\\c\\", "\\\\server\\share\\b\\",
                                                        "\\\\server\\share\\b\\c\\"}));
  EXPECT_EQ(fm_.CreatePath(u"\\\\other\\share\\a\\"), kFalse);  // a share that is not there
}

TEST_F(Folders, CreatePathStopsAtAFileOrAFolderItMayNotWrite) {
  std::ofstream(OnC("file.txt")) << "x";
  EXPECT_EQ(fm_.CreatePath(u"C:\\file.txt\\sub\\deeper\\"), kFalse);
  EXPECT_EQ(Entries(OnC("")), (std::set<std::string>{"file.txt", "tmp", "work"}));

  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run a probe as another user";
  ASSERT_EQ(::chmod(root_.c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(OnC("work/open").c_str(), 0777), 0);
  ASSERT_EQ(::chmod(OnC("work/open").c_str(), 0777), 0);
  korFileMan& fm = fm_;
  EXPECT_EQ(AsNobody([&fm] { return fm.CreatePath(u"C:\\work\\x\\y\\") ? 1 : 0; }), 0);
  EXPECT_EQ(AsNobody([&fm] { return fm.CreatePath(u"C:\\work\\open\\x\\y\\") ? 1 : 0; }), 1);
  EXPECT_EQ(Entries(OnC("work")), (std::set<std::string>{"open"}));
  EXPECT_TRUE(IsFolder(OnC("work/open/x/y")));
}

// --- GetTempDir -------------------------------------------------------------

TEST_F(Folders, GetTempDirIsTheFolderOfTmpdirEndingInASeparator) {
  EXPECT_EQ(fm_.GetTempDir(), u"C:\\tmp\\");
  {
    ScopedEnv env("TMPDIR", root_ + "/c/tmp//");
    EXPECT_EQ(fm_.GetTempDir(), u"C:\\tmp\\");
  }
  {
    ScopedEnv env("TMPDIR", root_ + "/c");  // a drive's own folder is its root
    EXPECT_EQ(fm_.GetTempDir(), u"C:\\");
  }
  {
    ScopedEnv env("TMPDIR", std::nullopt);
    EXPECT_EQ(fm_.GetTempDir(), u"Z:\\tmp\\");
  }
  {
    ScopedEnv env("TMPDIR", "");
    EXPECT_EQ(fm_.GetTempDir(), u"Z:\\tmp\\");
  }
  {
    ScopedEnv env("TMPDIR", root_ +
                                "/c/Gr\xc3\xbc\xc3\x9f"
                                "e");  // need not exist
    EXPECT_EQ(fm_.GetTempDir(), u"C:\\Gr\u00fc\u00dfe\\");
  }
}

TEST_F(Folders, GetTempDirOfAFolderThatDoesNotFitIsEmpty) {
  // "C:\" + name + "\": 511 characters fit beside the NUL in 512, 512 do not.
  for (const std::size_t length : {std::size_t{507}, std::size_t{508}, std::size_t{2000}}) {
    ScopedEnv env("TMPDIR", root_ + "/c/" + std::string(length, 'n'));
    const String dir = fm_.GetTempDir();
    if (length + 4 < 512) {
      EXPECT_EQ(dir, u"C:\\" + String(length, u'n') + u"\\");
    } else {
      EXPECT_EQ(dir, u"") << length;
    }
  }
  char buffer[8] = "unused";
  ScopedEnv env("TMPDIR", root_ + "/c/tmp");
  auto& files = platform::PlatformFileCreation();
  EXPECT_EQ(files.GetTempPath(7, buffer), 8u);  // "C:\tmp\" and its NUL
  EXPECT_STREQ(buffer, "unused");
  EXPECT_EQ(files.GetTempPath(8, buffer), 7u);
  EXPECT_STREQ(buffer, "C:\\tmp\\");
}

// --- GetTempFilePathname ----------------------------------------------------

TEST_F(Folders, GetTempFilePathnameCreatesANewEmptyPrivateFile) {
  const mode_t oldMask = ::umask(0277);  // even a umask that takes the owner's writing away
  const String name = fm_.GetTempFilePathname();
  ::umask(oldMask);
  const std::string utf8 = text::ToUtf8(name);
  ASSERT_TRUE(IsTempName(utf8, "C:\\tmp\\")) << utf8;
  const std::string posix = OnC("tmp/" + utf8.substr(7));
  struct stat st {};
  ASSERT_EQ(::stat(posix.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_size, 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(Folders, GetTempFilePathnameNames) {
  struct Case {
    std::optional<String> path, prefix;
    std::string start;   // of the whole name, before the number, in UTF-8
    std::string folder;  // POSIX, under C:\ (for the file)
  };
  ASSERT_EQ(::mkdir(OnC("Data").c_str(), 0755), 0);
  const Case cases[] = {
      {std::nullopt, std::nullopt, "C:\\tmp\\", "tmp"},
      {u"", u"", "C:\\tmp\\", "tmp"},
      {std::nullopt, u"abcdef", "C:\\tmp\\abc", "tmp"},
      {std::nullopt, u"ab", "C:\\tmp\\ab", "tmp"},
      {u"C:\\Data", u"x", "C:\\Data\\x", "Data"},    // a separator is added
      {u"C:\\Data\\", u"x", "C:\\Data\\x", "Data"},  // and kept
      {u"c:\\DATA", u"x", "C:\\DATA\\x", "Data"},    // case ignored, letters as given
      {u".", u"w", "C:\\work\\w", "work"},           // the full path name
      {u"..\\Data", u"y", "C:\\Data\\y", "Data"},
      {u"\\\\server\\share", u"s", "\\\\server\\share\\s", "../share"},
      {std::nullopt, u"\u00e4\u00f6\u00fc\u00df", "C:\\tmp\\\xc3\xa4\xc3\xb6\xc3\xbc", "tmp"},
      {std::nullopt, u"- '", "C:\\tmp\\- '", "tmp"},
  };
  for (const Case& c : cases) {
    String path = c.path.value_or(u"");
    String prefix = c.prefix.value_or(u"");
    const String savedPath = path, savedPrefix = prefix;
    const String name = fm_.GetTempFilePathname(c.path ? &path : nullptr, c.prefix ? &prefix : nullptr);
    const std::string utf8 = text::ToUtf8(name);
    EXPECT_TRUE(IsTempName(utf8, c.start)) << utf8;
    EXPECT_TRUE(Exists(OnC(c.folder + "/" + utf8.substr(utf8.rfind('\\') + 1)))) << utf8;
    EXPECT_EQ(path, savedPath);
    EXPECT_EQ(prefix, savedPrefix);
  }
}

TEST_F(Folders, GetTempFilePathnameGivesANewNameEachTime) {
  String prefix = u"kor";
  std::set<String> names;
  for (int i = 0; i < 200; ++i) names.insert(fm_.GetTempFilePathname(nullptr, &prefix));
  EXPECT_EQ(names.size(), 200u);
  EXPECT_EQ(Entries(OnC("tmp")).size(), 200u);
}

TEST_F(Folders, GetTempFilePathnameFailures) {
  std::ofstream(OnC("file.txt")) << "x";
  const std::u16string longFolder = u"C:\\" + String(244, u'n');  // 247 characters
  ASSERT_EQ(::mkdir(OnC(std::string(244, 'n')).c_str(), 0755), 0);
  const std::pair<std::optional<String>, String> cases[] = {
      {u"C:\\missing", u""},  // no such folder
      {u"C:\\missing\\deeper\\", u""},
      {u"C:\\file.txt", u""},  // a file, not a folder
      {u"Q:\\", u""},          // no such drive
      {longFolder, u""},       // too long for a name
      {u"C:\\tmp", u"a?b"},    // no file name may hold these
      {u"C:\\tmp", u"a\\b"},
      {u"C:\\tmp", u"a/b"},
      {u"C:\\tmp", u"<x"},
  };
  for (auto [path, prefix] : cases) {
    EXPECT_EQ(TempFileError(fm_, path ? &*path : nullptr, &prefix), kTempFileErrorNumber) << text::ToUtf8(*path);
  }
  EXPECT_EQ(kTempFileErrorNumber, ObjectErrorNumber(1));
  // A folder one character shorter is taken.
  String shorter = longFolder.substr(0, 246);
  ASSERT_EQ(::mkdir(OnC(std::string(243, 'n')).c_str(), 0755), 0);
  EXPECT_EQ(fm_.GetTempFilePathname(&shorter).substr(0, 247), shorter + u"\\");
  // No folder for temporary files: the empty name is no folder.
  ScopedEnv env("TMPDIR", root_ + "/c/" + std::string(600, 'n'));
  EXPECT_EQ(TempFileError(fm_, nullptr, nullptr), kTempFileErrorNumber);
  EXPECT_TRUE(Entries(OnC("tmp")).empty());
  EXPECT_EQ(Entries(OnC(std::string(243, 'n'))).size(), 1u);
}

TEST_F(Folders, GetTempFilePathnameInAFolderItMayNotWrite) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run a probe as another user";
  ASSERT_EQ(::chmod(root_.c_str(), 0755), 0);
  korFileMan& fm = fm_;
  EXPECT_EQ(AsNobody([&fm] { return TempFileError(fm, nullptr, nullptr) == kTempFileErrorNumber ? 0 : 1; }), 0);
  EXPECT_TRUE(Entries(OnC("tmp")).empty());
}

// --- The platform's GetTempFileName -----------------------------------------

TEST_F(Folders, GetTempFileNameReportsWhy) {
  std::ofstream(OnC("file.txt")) << "x";
  auto& files = platform::PlatformFileCreation();
  char name[platform::FileCreation::kMaxPath] = {};
  const std::pair<std::string, std::uint32_t> cases[] = {
      {"C:\\missing", platform::kErrorPathNotFound},
      {"C:\\file.txt", platform::FileCreation::kDirectory},
      {"C:\\" + std::string(244, 'n'), platform::FileCreation::kBufferOverflow},
      {"", platform::kErrorInvalidName},
  };
  for (const auto& [folder, code] : cases) {
    std::uint32_t error = 0;
    EXPECT_EQ(files.GetTempFileName(folder, "", 0, name, &error), 0u) << folder;
    EXPECT_EQ(error, code) << folder;
  }
  // With a number of its own, the name is only formed.
  EXPECT_EQ(files.GetTempFileName("C:\\tmp", "abcd", 0x12ABC, name), 0x12ABCu);
  EXPECT_STREQ(name, "C:\\tmp\\abc2ABC.TMP");
  EXPECT_EQ(files.GetTempFileName("C:\\missing\\", "", 10, name), 10u);
  EXPECT_STREQ(name, "C:\\missing\\A.TMP");
  EXPECT_TRUE(Entries(OnC("tmp")).empty());
}

TEST_F(Folders, GetTempFileNameWithEveryNameTaken) {
  // 65,535 names: the search goes round once, skipping the names that are
  // there, and gives up only when none is left. On a tmpfs when there is one,
  // for speed.
  char tmpl[] = "/dev/shm/kortools_folders_XXXXXX";
  const bool shm = ::mkdtemp(tmpl) != nullptr;
  const std::string dir = shm ? std::string(tmpl) : OnC("tmp");
  const char* hex = "0123456789ABCDEF";
  for (std::uint32_t n = 1; n <= 0xFFFF; ++n) {
    if (n == 0x1234) continue;
    std::string file = dir + "/t";
    for (int shift = 12; shift >= 0; shift -= 4)
      if ((n >> shift) != 0) file += hex[(n >> shift) & 0xF];
    file += ".TMP";
    const int fd = ::open(file.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0) << file;
    ::close(fd);
  }
  std::string windows;
  ASSERT_EQ(platform::GetFileSystemView().ToWindows(dir, windows), 0u);
  auto& files = platform::PlatformFileCreation();
  char name[platform::FileCreation::kMaxPath] = {};
  EXPECT_EQ(files.GetTempFileName(dir, "t", 0, name), 0x1234u);
  EXPECT_EQ(name, windows + "\\t1234.TMP");
  std::uint32_t error = 0;
  EXPECT_EQ(files.GetTempFileName(dir, "t", 0, name, &error), 0u);
  EXPECT_EQ(error, platform::FileCreation::kFileExists);
  String folder = text::FromUtf8(windows);
  EXPECT_EQ(TempFileError(fm_, &folder, nullptr), 0);  // another prefix still has room
  if (shm) (void)std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace kor
