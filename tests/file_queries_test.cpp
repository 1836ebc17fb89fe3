// File queries and folders: wildcard matching, korFileMan's existence and
// date methods, the lock probes against a second process, the Windows name
// rules as every member that meets the file system applies them, and the
// folders and temporary files korFileMan creates.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "kortools/korCSV_IO.h"
#include "kortools/korFileMan.h"
#include "kortools/korINI.h"
#include "kortools/string_array.h"
#include "platform/paths.h"
#include "platform/posix/kernel_time.h"
#include "platform/posix/lock_probes.h"
#include "tests/test_support.h"
#include "winrules/wildcard.h"

namespace kor {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;

TEST(Wildcard, MatchesAsWindowsSearchesDo) {
  // "?" is one character (not one byte) and never ".", and may match nothing
  // before a "." or at the end; "x." and "x.*" also match "x"; letters match
  // ignoring case, beyond ASCII too; bytes that are not UTF-8 match themselves.
  // The search patterns on which Wine agrees are compared with it by the
  // platform cases in tests/differential.
  const struct {
    const char *pattern, *name;
    bool match;
  } cases[] = {
      {"*.txt", "notes.txt.bak", false},
      {"data?.csv", "data.csv", true},
      {"a?b", "a.b", false},
      {"abc??", "abcd", true},
      {"x.*", "xy", false},
      {"*.", "README", true},
      {"*.", "a.b", false},
      {"x.?", "x.y", true},
      {"\u00e4*.txt", "\u00c4rger.TXT", true},
      {"?rger", "\u00e4rger", true},
      {"a\xff", "A\xff", true},
      {"", "x", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " / " + c.name);
    EXPECT_EQ(platform::WildcardMatch(c.pattern, c.name), c.match);
    EXPECT_EQ(platform::WildcardPattern(c.pattern).Matches(c.name), c.match);
  }
  EXPECT_TRUE(platform::HasWildcards("a*"));
  EXPECT_FALSE(platform::HasWildcards("a.b"));
  // The folder order: letters ignoring case, then bytes.
  EXPECT_TRUE(platform::NameBefore("a.txt", "B.txt"));
  EXPECT_TRUE(platform::NameBefore("Z", "\xc3\xa4"));
  // A long pattern of stars takes linear time, not exponential.
  EXPECT_FALSE(platform::WildcardMatch(std::string(200, '*') + "b", std::string(250, 'a')));
}

void File(const TempFolder& t, const std::string& rel, mode_t mode = 0644) {
  WriteFile(t.path() / rel, "x");
  ::chmod((t / rel).c_str(), mode);
}

TEST(FileExists, CountsNormalFilesOnlyAndFolderExistsFoldersOnly) {
  TempFolder t;
  File(t, "a.txt");
  File(t, "ro.txt", 0444);
  File(t, ".hidden.txt");
  fs::create_directories(t.path() / "dir/sub");
  const struct {
    String name;
    Integer result;
  } cases[] = {
      // "dir\" holds a folder only.
      {t.Win("A.TXT"), -1},          {t.Win("ro.txt"), -1},   {t.Win("?.TXT"), -1},  {t.Win("*.csv"), 0},
      {t.Win() + u"\\", -1},         {t.Win("dir"), 0},       {t.Win("dir\\"), 0},   {t.Win(".hidden.txt"), 0},
      {t.Win("nofolder\\a.txt"), 0}, {t.Win("d*\\a.txt"), 0}, {String(u"\0", 1), 0},
  };
  korFileMan fm;
  for (const auto& c : cases) {
    String name = c.name;
    EXPECT_EQ(fm.FileExists(name), c.result) << text::ToUtf8(name);
    EXPECT_EQ(name, c.name);
  }
  // FolderExists: folder names only, with or without "\".
  const std::pair<String, bool> folders[] = {
      {t.Win("DIR"), true}, {t.Win("D*"), true}, {t.Win("a.txt\\"), false}, {u"", false}};
  for (const auto& [name, result] : folders) EXPECT_EQ(bool(fm.FolderExists(name)), result) << text::ToUtf8(name);
}

// The Date that the current offset makes of a UTC time in seconds since 1970.
Date ExpectedLocal(std::int64_t unixSeconds) {
  ::tzset();
  const std::time_t now = std::time(nullptr);
  struct tm tm {};
  ::localtime_r(&now, &tm);
  const std::int64_t local = unixSeconds + tm.tm_gmtoff;
  const std::int64_t days = (local >= 0 ? local : local - 86399) / 86400;
  return Date{static_cast<double>(days + 25569) + static_cast<double>(local - days * 86400) / 86400.0};
}

// Both forms give the last-write time; errors leave the outputs alone.
TEST(FileDateTime, TimesAndErrors) {
  TempFolder t;
  File(t, "a.txt");
  const platform::KernelTime times[2] = {{1300000000, 0}, {1400000000, 999999999}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (t / "a.txt").c_str(), times, 0), 0);
  korFileMan fm;
  String name = t.Win("A.txt");
  Variant created, accessed;
  const Variant plain = fm.FileDateTime(name, nullptr, &accessed);
  ASSERT_NE(plain.get_if<Date>(), nullptr);
  ASSERT_NE(accessed.get_if<Date>(), nullptr);
  EXPECT_NEAR(plain.get_if<Date>()->value, ExpectedLocal(1400000000).value, 1e-9);  // milliseconds dropped
  EXPECT_NEAR(accessed.get_if<Date>()->value, ExpectedLocal(1300000000).value, 1e-9);
  EXPECT_EQ(plain, fm.FileDateTimeExt(name, &created));
  EXPECT_NE(created.get_if<Date>(), nullptr);

  fs::create_directory(t.path() / "locked");
  File(t, "locked/x");
  ::chmod(t.path().c_str(), 0755);
  ::chmod((t / "locked").c_str(), 0);
  const struct {
    String name;
    std::int32_t plain, withOutput;
  } cases[] = {
      {t.Win("none.txt"), 53, 53},
      {t.Win("nofolder\\x.txt"), 53, 76},  // only the form with outputs tells a missing folder
      {t.Win("*\\x"), 52, 5},              // a wildcard in a folder: an invalid name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.name));
    name = c.name;
    created = accessed = u"kept";
    EXPECT_EQ(ErrorOf([&] { fm.FileDateTime(name); }), c.plain);
    EXPECT_EQ(ErrorOf([&] { fm.FileDateTimeExt(name, &created, &accessed); }), c.withOutput);
    EXPECT_EQ(created, Variant(u"kept"));
    EXPECT_EQ(accessed, Variant(u"kept"));
  }
  // A folder that may not be read: access denied (75), for a user without root's rights.
  const int status = AsNobody([&] {
    String name = t.Win("locked\\x");
    Variant created;
    return ErrorOf([&] { fm.FileDateTime(name, &created); });
  });
  if (status == 255) GTEST_SKIP() << "cannot change to another user";
  EXPECT_EQ(status, 75);
}

// A second process that holds a file open (stopped) until it is destroyed.
class Holder {
 public:
  Holder(const std::string& path, int flags) : pid_(::fork()) {
    if (pid_ == 0) {
      ::prctl(PR_SET_DUMPABLE, 1);  // its open files stay visible to its own user
      if (::open(path.c_str(), flags) < 0) ::_exit(1);
      ::raise(SIGSTOP);
      ::_exit(0);
    }
    int status = 0;
    opened_ = ::waitpid(pid_, &status, WUNTRACED) == pid_ && WIFSTOPPED(status);
  }
  ~Holder() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  bool opened() const { return opened_; }

 private:
  pid_t pid_;
  bool opened_ = false;
};

TEST(FileLocks, AnswerForAnotherProcess) {
  TempFolder t;
  File(t, "data.bin");
  const std::string path = t / "data.bin";
  korFileMan fm;
  String name = t.Win("DATA.bin");
  Boolean exclusive = true, shared = false;
  const struct {
    int holderFlags;  // -1: nobody
    bool locked, exclusiveAvailable;
  } cases[] = {
      {-1, false, true},
      {O_RDONLY, true, true},
      {O_RDWR, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.holderFlags);
    std::optional<Holder> holder;
    if (c.holderFlags >= 0) holder.emplace(path, c.holderFlags);
    ASSERT_TRUE(!holder || holder->opened());
    EXPECT_EQ(bool(fm.FileIsLocked(name)), c.locked);
    EXPECT_EQ(bool(fm.FileIsAvailable(name, exclusive)), c.exclusiveAvailable);
    EXPECT_TRUE(bool(fm.FileIsAvailable(name, shared)));
    // The scan of /proc, used where no lease is granted, agrees.
    const int rw = ::open(path.c_str(), O_RDWR);
    EXPECT_EQ(platform::OpenElsewhere(rw, false, platform::InUseCheck::kScan), c.locked);
    ::close(rw);
    const int ro = ::open(path.c_str(), O_RDONLY);
    EXPECT_EQ(platform::OpenElsewhere(ro, true, platform::InUseCheck::kScan), !c.exclusiveAvailable);
    ::close(ro);
  }
  // This process's own other open counts as well, as on Windows.
  const int fd = ::open(path.c_str(), O_RDONLY);
  EXPECT_TRUE(bool(fm.FileIsLocked(name)));
  ::close(fd);
  // A missing file is made (empty) by the one and not by the other.
  String created = t.Win("new.bin"), missing = t.Win("missing.bin");
  EXPECT_FALSE(bool(fm.FileIsLocked(created)));
  EXPECT_EQ(ReadFile(t / "new.bin"), "");
  EXPECT_FALSE(bool(fm.FileIsAvailable(missing, shared)));
  EXPECT_EQ(t.Entries(), (std::vector<std::string>{"data.bin", "new.bin"}));
  for (String other : {t.Win("nofolder\\x.bin"), t.Win(), String()}) {
    EXPECT_TRUE(bool(fm.FileIsLocked(other)));
    EXPECT_FALSE(bool(fm.FileIsAvailable(other, shared)));
  }
  // A file without its owner's write permission is read-only: the write
  // probe fails for root as for an ordinary user, and nothing is changed.
  ::chmod(path.c_str(), 0444);
  ::chmod(t.path().c_str(), 0777);
  const auto probe = [&] {
    korFileMan other;
    String n = name;
    return (other.FileIsLocked(n) == kTrue ? 1 : 0) | (other.FileIsAvailable(n, exclusive) == kTrue ? 2 : 0);
  };
  EXPECT_EQ(probe(), 3);
  if (::geteuid() == 0) {
    EXPECT_EQ(AsNobody(probe), 3);
  }
  EXPECT_EQ(ReadFile(path), "x");
}

// ---------------------------------------------------------------------------
// The Windows name rules: names Windows refuses are refused and never
// created, trailing dots and spaces go when a name is created as when it is
// looked up, and "\\?\" and "\\.\" names work everywhere.

class WindowsNameRules : public ::testing::Test {
 protected:
  TempFolder dir_;
  korFileMan fm_;
};

// Every member refuses a name Windows refuses, the way its own failures go,
// and nothing is created or changed.
TEST_F(WindowsNameRules, RefusedNamesAreNeverCreated) {
  WriteFile(dir_.path() / "src.txt", "data");
  const String source = dir_.Win("src.txt");
  // The searches take "*" and "?" as wildcards: their answers are those of
  // a search.
  const std::size_t searches[] = {1, 3};
  const std::function<bool(String&)> refusals[] = {
      [&](String& n) { return fm_.FileIsLocked(n) == kTrue; },
      [&](String& n) { return fm_.FileExists(n) == 0 && fm_.FolderExists(n) == kFalse; },
      [&](String& n) { return fm_.CreatePath(n + u"\\") == kFalse; },
      [&](String& n) {
        Variant created;
        return ErrorOf([&] { fm_.FileDateTime(n, &created); }) == 5 && ErrorOf([&] { fm_.FileDateTime(n); }) == 52;
      },
      [&](String& n) {
        String from = source;
        return fm_.FileCopy(from, n) == kFalse && fm_.FileMove(from, n) == kFalse && fm_.FileRename(from, n) == kFalse;
      },
      [&](String& n) {
        String f = n;
        return ErrorOf([&] { fm_.GetTempFilePathname(&f); }) == -2147221503;
      },
      [&](String& n) {
        korINI ini;
        String s = u"s", k = u"k", def = u"default";
        return ini.WriteINI(u"s", u"k", u"v", n) == 0 && ini.GetIni(s, k, def, n) == u"default";
      },
      [&](String& n) {
        korCSV_IO csv;
        StringArray data;
        data.ReDim(1, 1, 1, 1);
        return ErrorOf([&] { csv.WriteCSVFile(n, data); }) == 52;
      },
  };
  for (const char* bad : {"a?b", "a|b", "*.txt", "q<1>", "x\"y", "a:b", "tab\tname", "CON", "nul.txt", "Lpt3.log"}) {
    for (std::size_t i = 0; i < std::size(refusals); ++i) {
      if (platform::HasWildcards(bad) && std::count(std::begin(searches), std::end(searches), i) > 0) continue;
      String name = dir_.Win(bad);
      EXPECT_TRUE(refusals[i](name)) << bad << ", member group " << i;
    }
  }
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"src.txt"});
  EXPECT_EQ(dir_.Read("src.txt"), "data");
}

// A name is created as it is found: without its trailing dots and spaces.
TEST_F(WindowsNameRules, TrailingDotsGoWhenANameIsCreated) {
  WriteFile(dir_.path() / "a.txt", "a");
  String source = dir_.Win("a.txt"), copy = dir_.Win("b.txt .");
  EXPECT_EQ(fm_.CreatePath(dir_.Win("made.\\")), kTrue);
  EXPECT_EQ(fm_.FolderExists(dir_.Win("made. ")), kTrue);
  EXPECT_EQ(fm_.FileCopy(source, copy), kTrue);
  EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"a.txt", "b.txt", "made"}));
  String found = dir_.Win("b.txt.");
  EXPECT_EQ(fm_.FileExists(found), -1);
}

// "\\?\" and "\\.\" names reach the same entries in every member.
TEST_F(WindowsNameRules, PrefixedNamesWorkEverywhere) {
  WriteFile(dir_.path() / "f.txt", "f");
  fs::create_directory(dir_.path() / "sub");
  for (const char16_t* prefix : {u"\\\\?\\", u"\\\\.\\"}) {
    SCOPED_TRACE(text::ToUtf8(prefix));
    String file = prefix + dir_.Win("f.txt"), pattern = prefix + dir_.Win("*.txt");
    String copy = prefix + dir_.Win("sub\\g.txt");
    EXPECT_EQ(fm_.FileExists(pattern), -1);
    EXPECT_EQ(fm_.FolderExists(prefix + dir_.Win("sub")), kTrue);
    EXPECT_EQ(fm_.FileCopy(file, copy), kTrue);
    EXPECT_EQ(fm_.FileDelete(copy), kTrue);
  }
  EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"f.txt", "sub"}));
}

// ---------------------------------------------------------------------------
// CreatePath, GetTempDir and GetTempFilePathname, inside a fresh temporary
// folder mapped as drive C: (with a share \\server\share beside it and
// C:\work as the current folder).

using Names = std::vector<std::string>;

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

  TempFolder root_;
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
    Names folders;  // under C:\ afterwards
    Names absent;   // under C:\ afterwards
  } cases[] = {
      {u"C:\\x\\y\\z\\", {}, true, {"x/y/z"}, {}},
      // The final component is a file name.
      {u"C:\\x\\y\\file.txt", {}, true, {"x/y"}, {"x/y/file.txt"}},
      // Already there: nothing changes.
      {u"C:\\work\\e\\f\\", {"e", "e/f"}, true, {"work/e/f"}, {}},
      // Letter case of existing levels is ignored, also of the last one.
      {u"C:\\work\\DATA\\", {"data"}, true, {"work/data"}, {"work/DATA"}},
      // Relative paths: the first level only by the one-step attempt.
      {u"a\\", {}, true, {"work/a"}, {}},
      {u"a\\b\\", {}, false, {}, {"work/a"}},
      {u"a\\b\\c\\", {"a"}, true, {"work/a/b/c"}, {}},
      // Drive-relative: the current folder of C:.
      {u"C:d\\", {}, true, {"work/d"}, {}},
      // Names a folder may not hold, and nothing at all.
      {u"C:\\p\\a|b\\", {}, false, {"p"}, {"p/a|b"}},
      {u"", {}, false, {}, {}},
      // A share is never created itself; its folders are, as a drive's.
      {u"\\\\server\\share", {}, false, {}, {}},
      {u"\\\\server\\", {}, false, {}, {}},
      {u"\\\\server\\share\\b\\c\\d.txt", {}, true, {"../share/b/c"}, {"../share/b/c/d.txt"}},
      // Spaces, quotes' cousins and letters beyond ASCII.
      {u"C:\\\u00df d\\'x'\\", {}, true, {"\u00df d/'x'"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.path));
    for (const std::string& dir : c.before) MkDirOnC("work/" + dir);
    EXPECT_EQ(fm_.CreatePath(c.path), Boolean(c.result));
    for (const std::string& dir : c.folders) EXPECT_TRUE(fs::is_directory(OnC(dir))) << dir;
    for (const std::string& name : c.absent) EXPECT_FALSE(fs::exists(OnC(name))) << name;
    for (const char* folder : {"", "work"})  // all but C:\tmp and C:\work (the current folder)
      for (const auto& e : fs::directory_iterator(OnC(folder)))
        if (e.path() != OnC("tmp") && e.path() != OnC("work")) fs::remove_all(e.path());
  }
}

// --- GetTempFilePathname ----------------------------------------------------

// A new, empty, private file, named from the folder and the prefix given.
TEST_F(Folders, GetTempFilePathname) {
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

  MkDirOnC("Data");
  const struct {
    std::optional<String> path, prefix;
    std::string start;   // of the whole name, before the number, in UTF-8
    std::string folder;  // POSIX, under C:\ (for the file)
  } cases[] = {
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
  // A folder that cannot hold the file raises the method's one error, with its
  // own description, and creates nothing.
  WriteFile(OnC("file.txt"), "x");
  MkDirOnC(std::string(244, 'n'));  // "C:\nnn...": 247 characters, too long for a folder of the file
  const std::size_t inData = Entries("Data").size();
  const std::pair<String, String> failures[] = {
      {u"C:\\missing", u""}, {u"C:\\file.txt", u""}, {u"Q:\\", u""}, {u"C:\\" + String(244, u'n'), u""},
      {u"C:\\Data", u"a?b"}, {u"C:\\Data", u"a\\b"},
  };
  for (auto [path, prefix] : failures) {
    const Raised r = RaisedBy([&] { fm_.GetTempFilePathname(&path, &prefix); });
    EXPECT_EQ(r.number, -2147221503) << text::ToUtf8(path) << " " << text::ToUtf8(prefix);
    EXPECT_EQ(r.description, u"Error creating temporary filename. Valid path & prefix settings.");
  }
  EXPECT_EQ(Entries("Data").size(), inData);
}

}  // namespace
}  // namespace kor
