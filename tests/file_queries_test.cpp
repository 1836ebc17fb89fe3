// File queries: wildcard matching, the file search and file times, korFileMan's
// existence and date methods, and the lock probes against a second process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "frame/dates.h"
#include "frame/text.h"
#include "kortools/korFileMan.h"
#include "platform/file_locks.h"
#include "platform/posix/kernel_time.h"
#include "platform/posix/lock_probes.h"
#include "tests/test_support.h"
#include "winrules/wildcard.h"

namespace kor {
namespace {

using testing_support::AsNobody;
using testing_support::ErrorOf;
using testing_support::ScopedEnv;

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
      // clang-format off
      {"*.txt", "notes.txt.bak", false}, {"data?.csv", "data.csv", true}, {"a?b", "a.b", false},
      {"abc??", "abcd", true},          {"x.*", "xy", false},            {"*.", "README", true},
      {"*.", "a.b", false},             {"x.?", "x", true}, {"x.?", "x.y", true},              {"\u00e4*.txt", "\u00c4rger.TXT", true},
      {"?rger", "\u00e4rger", true},     {"a\xff", "A\xff", true},         {"", "x", false},
      // clang-format on
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

// A temporary folder with its Windows names ("Z:\tmp\...\rel").
struct Folder : testing_support::TempFolder {
  std::string Posix(const std::string& rel) const { return *this / rel; }
  std::string WinA(const std::string& rel = "") const {
    std::string w = "Z:" + path().string() + (rel.empty() ? "" : "/" + rel);
    std::replace(w.begin(), w.end(), '/', '\\');
    return w;
  }
  String Win(const std::string& rel = "") const { return text::FromUtf8(WinA(rel)); }
  void File(const std::string& rel, const std::string& content = "x", mode_t mode = 0644) const {
    testing_support::WriteFile(Posix(rel), content);
    ::chmod(Posix(rel).c_str(), mode);
  }
  void Dir(const std::string& rel) const { ::mkdir(Posix(rel).c_str(), 0755); }
  void Times(const std::string& rel, time_t access, time_t write, long writeNs = 0) const {
    const kor::platform::KernelTime times[2] = {{access, 0}, {write, writeNs}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Posix(rel).c_str(), times, 0), 0);
  }
};

// TZ set for the life of the object.
struct TimeZone : ScopedEnv {
  explicit TimeZone(const char* tz) : ScopedEnv("TZ", tz) {
    ::tzset();
    after = [] { ::tzset(); };
  }
};

TEST(FileExists, CountsNormalFilesOnlyAndFolderExistsFoldersOnly) {
  Folder t;
  t.File("a.txt");
  t.File("ro.txt", "x", 0444);
  t.File(".hidden.txt");
  t.Dir("dir");
  t.Dir("empty");
  t.Dir("dir/sub");
  const struct {
    String name;
    Integer result;
  } cases[] = {
      {t.Win("A.TXT"), -1},        {t.Win("ro.txt"), -1},     {t.Win("?.TXT"), -1},
      {t.Win("*.csv"), 0},         {t.Win() + u"\\", -1},     {t.Win("dir"), 0},  // a folder, without "\"
      {t.Win("dir") + u"\\", 0},                                                  // holds a folder only
      {t.Win("empty") + u"\\", 0}, {t.Win(".hidden.txt"), 0}, {t.Win("nofolder\\a.txt"), 0},
      {t.Win("d*\\a.txt"), 0},     {String(u"\0", 1), 0},
  };
  korFileMan fm;
  for (const auto& c : cases) {
    String name = c.name;
    EXPECT_EQ(fm.FileExists(name), c.result) << text::ToUtf8(name);
    EXPECT_EQ(name, c.name);
  }
  // FolderExists: folder names only, with or without "\".
  const std::pair<String, bool> folders[] = {
      {t.Win("DIR"), true},    {t.Win("dir") + u"\\", true},    {t.Win("D*"), true},
      {t.Win("a.txt"), false}, {t.Win("a.txt") + u"\\", false}, {u"", false},
  };
  for (const auto& [name, result] : folders) EXPECT_EQ(bool(fm.FolderExists(name)), result) << text::ToUtf8(name);
  // A name without a folder is looked for in the current folder.
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(t.path());
  String relative = u"A.txt", other = u"other.txt";
  EXPECT_EQ(fm.FileExists(relative), -1);
  EXPECT_EQ(fm.FileExists(other), 0);
  std::filesystem::current_path(before);
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

TEST(FileDateTime, BothFormsGiveTheLastWriteTime) {
  Folder t;
  t.File("a.txt");
  t.Times("a.txt", 1300000000, 1400000000, 999999999);
  korFileMan fm;
  String name = t.Win("A.txt");
  const Variant plain = fm.FileDateTime(name);
  Variant created, accessed;
  ASSERT_NE(plain.get_if<Date>(), nullptr);
  EXPECT_NEAR(plain.get_if<Date>()->value, ExpectedLocal(1400000000).value, 1e-9);  // milliseconds dropped
  EXPECT_EQ(plain, fm.FileDateTimeExt(name, &created));
  ASSERT_NE(created.get_if<Date>(), nullptr);
  fm.FileDateTime(name, nullptr, &accessed);
  ASSERT_NE(accessed.get_if<Date>(), nullptr);
  EXPECT_NEAR(accessed.get_if<Date>()->value, ExpectedLocal(1300000000).value, 1e-9);
  String folder = t.Win();
  EXPECT_NE(fm.FileDateTime(folder, &created).get_if<Date>(), nullptr);
}

TEST(FileDateTime, ErrorsLeaveTheOutputsAlone) {
  Folder t;
  t.Dir("locked");
  t.File("locked/x");
  ::chmod(t.path().c_str(), 0755);
  ::chmod(t.Posix("locked").c_str(), 0);
  const struct {
    String name;
    std::int32_t plain, withOutput;
  } cases[] = {
      {t.Win("none.txt"), 53, 53},
      {t.Win("nofolder\\x.txt"), 53, 76},
      {t.Win("*\\x"), 52, 5},  // a wildcard in a folder: an invalid name
  };
  korFileMan fm;
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.name));
    String name = c.name;
    Variant created = u"kept", accessed = u"kept";
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

// The two Long halves of a file time given in seconds since 1970 (and 100 ns units).
std::pair<Long, Long> Halves(std::int64_t unixSeconds, std::int64_t units = 0) {
  const auto v = static_cast<std::uint64_t>((unixSeconds + 11644473600) * 10000000 + units);
  return {static_cast<Long>(static_cast<std::uint32_t>(v)), static_cast<Long>(static_cast<std::uint32_t>(v >> 32))};
}

TEST(SysToVBTime, ConvertsBitPatternsToTheSecond) {
  TimeZone utc("UTC0");
  korFileMan fm;
  const struct {
    std::pair<Long, Long> halves;
    std::optional<double> date;
  } cases[] = {
      {{0, 0}, std::nullopt},
      {Halves(946728000, 9999999), 36526.5},  // 2000-01-01 12:00:00.9999999
      {Halves(-2209161600 - 86400 + 21600), -1.0 + 0.25},
      {Halves(253402300799), (2958465.0 * 86400 + 86399) / 86400},  // 9999-12-31
      {Halves(253402300800), std::nullopt},                         // year 10000
      {{-1, -1}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.halves.first) + " " + std::to_string(c.halves.second));
    auto [low, high] = c.halves;
    const Variant v = fm.SysToVBTime(low, high);
    EXPECT_EQ(std::make_pair(low, high), c.halves);
    if (!c.date) {
      EXPECT_TRUE(v.IsEmpty());
    } else {
      ASSERT_NE(v.get_if<Date>(), nullptr);
      EXPECT_DOUBLE_EQ(v.get_if<Date>()->value, *c.date);
    }
  }
  // A low half of 2^31 or more arrives as a negative Long and counts as unsigned.
  const std::uint64_t v = ((1600000000ull + 11644473600ull) * 10000000) | 0x80000000u;
  Long low = static_cast<Long>(static_cast<std::uint32_t>(v)), high = static_cast<Long>(v >> 32);
  ASSERT_LT(low, 0);
  const auto seconds = static_cast<std::int64_t>(v / 10000000) - 11644473600;
  EXPECT_NEAR(fm.SysToVBTime(low, high).get_if<Date>()->value, ExpectedLocal(seconds).value, 1e-9);
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
  Folder t;
  t.File("data.bin", "abc");
  const std::string path = t.Posix("data.bin");
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
    // The scan of /proc agrees with the lease.
    for (const auto how : {platform::InUseCheck::kLeaseThenScan, platform::InUseCheck::kScan}) {
      const int rw = ::open(path.c_str(), O_RDWR);
      EXPECT_EQ(platform::OpenElsewhere(rw, false, how), c.locked);
      ::close(rw);
      const int ro = ::open(path.c_str(), O_RDONLY);
      EXPECT_EQ(platform::OpenElsewhere(ro, true, how), !c.exclusiveAvailable);
      ::close(ro);
    }
  }
  // This process's own other open counts as well, as on Windows.
  const int fd = ::open(path.c_str(), O_RDONLY);
  EXPECT_TRUE(bool(fm.FileIsLocked(name)));
  ::close(fd);
  // A missing file is made (empty) by the one and not by the other.
  String created = t.Win("new.bin"), missing = t.Win("missing.bin");
  EXPECT_FALSE(bool(fm.FileIsLocked(created)));
  EXPECT_TRUE(std::filesystem::exists(t.Posix("new.bin")));
  EXPECT_EQ(testing_support::ReadFile(t.Posix("new.bin")), "");
  EXPECT_FALSE(bool(fm.FileIsAvailable(missing, shared)));
  EXPECT_FALSE(std::filesystem::exists(t.Posix("missing.bin")));
  for (String other : {t.Win("nofolder\\x.bin"), t.Win(), String()}) {
    EXPECT_TRUE(bool(fm.FileIsLocked(other)));
    EXPECT_FALSE(bool(fm.FileIsAvailable(other, shared)));
  }
}

}  // namespace
}  // namespace kor
