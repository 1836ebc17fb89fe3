// File queries: wildcard matching, the file search and file times, korFileMan's
// existence and date methods, and the lock probes against a second process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/kernel_time.h"
#include "frame/dates.h"
#include "frame/text.h"
#include "kortools/korFileMan.h"
#include "platform/file_locks.h"
#include "platform/file_search.h"
#include "platform/posix/file_locks_posix.h"
#include "platform/wildcard.h"
#include "tests/test_support.h"

namespace kor {
namespace {

using platform::FileTime;
using testing_support::ErrorOf;

TEST(Wildcard, MatchesAsWindowsSearchesDo) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"*", "anything", true},
      {"*", ".hidden", true},
      {"*.*", "README", true},
      {"*.*", "a.b.c", true},
      {"*.txt", "notes.TXT", true},
      {"*.txt", "a.b.txt", true},
      {"*.txt", "notes.txt.bak", false},
      {"*.txt", ".txt", true},
      {"*.TXT", "notes.txt", true},
      {"data?.csv", "data1.csv", true},
      {"data?.csv", "data.csv", true},  // "?" before "." may match nothing
      {"data?.csv", "data12.csv", false},
      {"a?b", "a.b", false},  // "?" never matches "."
      {"a?b", "axb", true},
      {"a?b", "ab", false},
      {"abc?", "abc", true},  // "?" at the end may match nothing
      {"abc??", "abcd", true},
      {"abc?", "abcde", false},
      {"x.*", "x", true},
      {"x.*", "x.y", true},
      {"x.*", "xy", false},
      {"x.", "x", true},
      {"x.", "x.y", false},
      {"*.", "README", true},
      {"*.", "a.b", false},
      {"x.?", "x", true},
      {"*.t*", "a.txt.bak", true},
      {"*a", "banana", true},
      {"*a*a*a", "banana", true},
      {"*a*a*a*a", "banana", false},
      {"b*n", "bn", true},
      {"\xc3\xa4*.txt", "\xc3\x84rger.TXT", true},  // "ä" matches "Ä"
      {"?rger", "\xc3\xa4rger", true},              // "?" is one character, not one byte
      {"a\xff", "A\xff", true},                     // bytes that are not UTF-8 match themselves
      {"a\xff", "a\xfe", false},
      {"exact", "EXACT", true},
      {"exact", "exactly", false},
      {"", "", true},
      {"", "x", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " / " + c.name);
    EXPECT_EQ(platform::WildcardMatch(c.pattern, c.name), c.match);
    EXPECT_EQ(platform::WildcardPattern(c.pattern).Matches(c.name), c.match);
  }
  EXPECT_TRUE(platform::HasWildcards("a*"));
  EXPECT_TRUE(platform::HasWildcards("a?"));
  EXPECT_FALSE(platform::HasWildcards("a.b"));
  // The folder order: letters ignoring case, then bytes.
  EXPECT_TRUE(platform::NameBefore("a.txt", "B.txt"));
  EXPECT_FALSE(platform::NameBefore("B.txt", "a.txt"));
  EXPECT_TRUE(platform::NameBefore("A", "a"));
  EXPECT_FALSE(platform::NameBefore("a", "a"));
  EXPECT_TRUE(platform::NameBefore(".", ".."));
  EXPECT_TRUE(platform::NameBefore("Z", "\xc3\xa4"));
  // A long pattern of stars takes linear time, not exponential.
  const std::string stars = std::string(200, '*') + "b";
  EXPECT_FALSE(platform::WildcardMatch(stars, std::string(250, 'a')));
}

// A fresh folder under the temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    char templ[] = "/tmp/korq.XXXXXX";
    path_ = ::mkdtemp(templ);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& posix() const { return path_; }
  std::string Posix(const std::string& rel) const { return path_ + "/" + rel; }
  // The Windows name of a file in the folder ("Z:\tmp\korq.x\rel").
  String Win(const std::string& rel = "") const {
    std::string w = "Z:" + path_ + (rel.empty() ? "" : "/" + rel);
    for (char& c : w)
      if (c == '/') c = '\\';
    return text::FromUtf8(w);
  }
  void File(const std::string& rel, const std::string& content = "x", mode_t mode = 0644) const {
    std::ofstream(Posix(rel)) << content;
    ::chmod(Posix(rel).c_str(), mode);
  }
  void Folder(const std::string& rel) const { ::mkdir(Posix(rel).c_str(), 0755); }

 private:
  std::string path_;
};

std::string Utf8(const String& s) { return text::ToUtf8(s); }

// Sets TZ for the life of the object.
class TimeZone {
 public:
  explicit TimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~TimeZone() {
    if (old_)
      ::setenv("TZ", old_->c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::optional<std::string> old_;
};

TEST(FileSearch, FindsEntriesWithWindowsErrors) {
  TempFolder t;
  t.File("Report.TXT");
  t.File("readonly.txt", "x", 0444);
  t.File(".hidden");
  t.Folder("Sub");
  auto& search = platform::PlatformFileSearch();
  struct Case {
    std::string name;
    std::uint32_t error;
    std::string found;
    std::uint32_t attributes;
  };
  const Case cases[] = {
      {"report.txt", 0, "Report.TXT", platform::kFileAttributeArchive},
      {"REP*.t?t", 0, "Report.TXT", platform::kFileAttributeArchive},
      {"readonly.txt", 0, "readonly.txt", platform::kFileAttributeArchive | platform::kFileAttributeReadOnly},
      {".hidden", 0, ".hidden", platform::kFileAttributeArchive | platform::kFileAttributeHidden},
      {"sub", 0, "Sub", platform::kFileAttributeDirectory},
      {"*", 0, ".", platform::kFileAttributeDirectory},  // not a drive's root: "." comes first
      {"s*", 0, "Sub", platform::kFileAttributeDirectory},
      {"missing.txt", platform::kErrorFileNotFound, "", 0},
      {"*.none", platform::kErrorFileNotFound, "", 0},
      {"", platform::kErrorFileNotFound, "", 0},  // the folder with a trailing "\"
      {"nofolder\\x.txt", platform::kErrorPathNotFound, "", 0},
      {"nofolder\\*", platform::kErrorPathNotFound, "", 0},
      {"Report.TXT\\x", platform::kErrorPathNotFound, "", 0},
      {"S*\\x", platform::kErrorInvalidName, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::Win32FindData data;
    std::uint32_t error = 0;
    const std::string name = Utf8(t.Win()) + "\\" + c.name;
    const platform::FindHandle h = search.FindFirstFile(name, data, error);
    if (c.error != 0) {
      EXPECT_EQ(h, platform::kInvalidHandleValue);
      EXPECT_EQ(error, c.error);
      continue;
    }
    ASSERT_NE(h, platform::kInvalidHandleValue);
    EXPECT_EQ(data.cFileName, c.found);
    EXPECT_EQ(data.dwFileAttributes, c.attributes);
    EXPECT_TRUE(search.FindClose(h));
    EXPECT_FALSE(search.FindClose(h));  // closed once only
  }
  std::uint32_t error = 0;
  platform::Win32FindData data;
  EXPECT_EQ(search.FindFirstFile("", data, error), platform::kInvalidHandleValue);
  EXPECT_EQ(error, platform::kErrorPathNotFound);
  EXPECT_EQ(search.FindFirstFile("Z:\\", data, error), platform::kInvalidHandleValue);  // a root is no entry
  EXPECT_EQ(error, platform::kErrorFileNotFound);
  EXPECT_NE(search.FindFirstFile("Z:\\*", data, error), platform::kInvalidHandleValue);
  EXPECT_NE(data.cFileName, ".");  // a drive's root has no "." entry
}

TEST(FileSearch, TimesComeFromTheFile) {
  TempFolder t;
  t.File("a.txt");
  const kor::platform::KernelTime times[2] = {{1000000000, 0}, {1200000000, 500}};  // access, modification
  ASSERT_EQ(::utimensat(AT_FDCWD, t.Posix("a.txt").c_str(), times, 0), 0);
  platform::Win32FindData data;
  std::uint32_t error = 0;
  auto& search = platform::PlatformFileSearch();
  const platform::FindHandle h = search.FindFirstFile(Utf8(t.Win("a.txt")), data, error);
  ASSERT_NE(h, platform::kInvalidHandleValue);
  search.FindClose(h);
  constexpr std::uint64_t k1970 = 116444736000000000ull;
  EXPECT_EQ(data.ftLastAccessTime.Value(), k1970 + 1000000000ull * 10000000);
  EXPECT_EQ(data.ftLastWriteTime.Value(), k1970 + 1200000000ull * 10000000 + 5);
  // Creation (or status change) time: this run made the file.
  const std::uint64_t now = k1970 + static_cast<std::uint64_t>(std::time(nullptr)) * 10000000;
  EXPECT_LE(data.ftCreationTime.Value(), now + 10000000);
  EXPECT_GE(data.ftCreationTime.Value(), now - 600ull * 10000000);
  EXPECT_EQ(data.nFileSizeLow, 1u);
  FileTime written;
  EXPECT_EQ(search.LastWriteTime(Utf8(t.Win("A.TXT")), written), 0u);
  EXPECT_EQ(written.Value(), data.ftLastWriteTime.Value());
  EXPECT_EQ(search.LastWriteTime(Utf8(t.Win()) + "\\", written), 0u);  // a folder, trailing "\" included
  EXPECT_EQ(search.LastWriteTime(Utf8(t.Win("none")), written), platform::kErrorFileNotFound);
  EXPECT_EQ(search.LastWriteTime(Utf8(t.Win("no\\none")), written), platform::kErrorPathNotFound);
}

TEST(FileSearch, RuntimeSearchFiltersByAttributes) {
  TempFolder t;
  t.File(".hidden");
  t.Folder("dir");
  auto& search = platform::PlatformFileSearch();
  std::string found;
  const std::string all = Utf8(t.Win()) + "\\";
  EXPECT_EQ(search.FindEntry(all, 0, found), platform::kErrorFileNotFound);  // no plain file
  EXPECT_EQ(found, "");
  EXPECT_EQ(search.FindEntry(all + "*", platform::kFileAttributeHidden, found), 0u);
  EXPECT_EQ(found, ".hidden");
  EXPECT_EQ(search.FindEntry(all + "d*", platform::kFileAttributeDirectory, found), 0u);
  EXPECT_EQ(found, "dir");
  EXPECT_EQ(search.FindEntry(all + "DIR", 0, found), platform::kErrorFileNotFound);
  EXPECT_EQ(search.FindEntry(all + "DIR", platform::kFileAttributeDirectory, found), 0u);
  EXPECT_EQ(found, "dir");
  t.File("b.txt");
  t.File("A.txt");
  EXPECT_EQ(search.FindEntry(all, 0, found), 0u);
  EXPECT_EQ(found, "A.txt");  // the first by name, ignoring case
}

// Records the searches korFileMan asks for and counts the open handles.
class RecordingSearch final : public platform::FileSearch {
 public:
  RecordingSearch() { platform::SetFileSearch(this); }
  ~RecordingSearch() override { platform::SetFileSearch(nullptr); }

  platform::FindHandle FindFirstFile(std::string_view name, platform::Win32FindData& data,
                                     std::uint32_t& lastError) override {
    calls.push_back("first " + std::string(name));
    const auto h = platform::PlatformFileSearch().FindFirstFile(name, data, lastError);
    if (h != platform::kInvalidHandleValue) ++open;
    return h;
  }
  bool FindClose(platform::FindHandle handle) override {
    calls.push_back("close");
    --open;
    return platform::PlatformFileSearch().FindClose(handle);
  }
  std::uint32_t FindEntry(std::string_view pattern, std::uint32_t attributes, std::string& found) override {
    calls.push_back("entry " + std::string(pattern));
    return platform::PlatformFileSearch().FindEntry(pattern, attributes, found);
  }
  std::uint32_t LastWriteTime(std::string_view name, FileTime& time) override {
    calls.push_back("date " + std::string(name));
    return platform::PlatformFileSearch().LastWriteTime(name, time);
  }

  std::vector<std::string> calls;
  int open = 0;
};

TEST(FileExists, CountsNormalFilesOnly) {
  TempFolder t;
  t.File("a.txt");
  t.File("ro.txt", "x", 0444);
  t.File(".hidden.txt");
  t.Folder("dir");
  t.Folder("empty");
  t.Folder("dir/sub");
  struct Case {
    String name;
    Integer result;
  };
  const Case cases[] = {
      {t.Win("a.txt"), -1},          {t.Win("A.TXT"), -1},      {t.Win("ro.txt"), -1},
      {t.Win("*.txt"), -1},          {t.Win("?.TXT"), -1},      {t.Win("*.csv"), 0},
      {t.Win() + u"\\", -1},         {t.Win("dir"), 0},  // a folder, without "\"
      {t.Win("dir") + u"\\", 0},                         // holds a folder only
      {t.Win("empty") + u"\\", 0},   {t.Win(".hidden.txt"), 0}, {t.Win("missing.txt"), 0},
      {t.Win("nofolder\\a.txt"), 0}, {t.Win("d*\\a.txt"), 0},   {u"", 0},
      {String(u"\0", 1), 0},
  };
  korFileMan fm;
  for (const Case& c : cases) {
    String name = c.name;
    SCOPED_TRACE(Utf8(name));
    EXPECT_EQ(fm.FileExists(name), c.result);
    EXPECT_EQ(name, c.name);
  }
}

TEST(FileExists, EndsTheSearchWithNotfound) {
  TempFolder t;
  t.File("a.txt");
  korFileMan fm;
  RecordingSearch rec;
  String name = t.Win("a.txt");
  EXPECT_EQ(fm.FileExists(name), -1);
  ASSERT_EQ(rec.calls.size(), 2u);
  EXPECT_EQ(rec.calls[1], "entry notfound");
  rec.calls.clear();
  name = t.Win("b.txt");
  EXPECT_EQ(fm.FileExists(name), 0);
  EXPECT_EQ(rec.calls.size(), 1u);  // nothing found: no second search
}

TEST(FileExists, RelativeToTheCurrentFolder) {
  TempFolder t;
  t.File("rel.txt");
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(t.posix());
  korFileMan fm;
  String name = u"REL.txt";
  String none = u"other.txt";
  EXPECT_EQ(fm.FileExists(name), -1);
  EXPECT_EQ(fm.FileExists(none), 0);
  std::filesystem::current_path(before);
}

TEST(FolderExists, FolderNamesOnly) {
  TempFolder t;
  t.File("file");
  t.Folder("Dir");
  struct Case {
    String name;
    bool result;
  };
  const Case cases[] = {
      {t.Win("dir"), true},           {t.Win("dir") + u"\\", true}, {t.Win("D*"), true}, {t.Win("file"), false},
      {t.Win("file") + u"\\", false}, {t.Win("none"), false},       {u"", false},        {t.Win("f*"), false},
  };
  korFileMan fm;
  RecordingSearch rec;
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.name));
    EXPECT_EQ(bool(fm.FolderExists(c.name)), c.result);
    EXPECT_EQ(rec.open, 0);
  }
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
  TempFolder t;
  t.File("a.txt");
  const kor::platform::KernelTime times[2] = {{1300000000, 0}, {1400000000, 999999999}};
  ASSERT_EQ(::utimensat(AT_FDCWD, t.Posix("a.txt").c_str(), times, 0), 0);
  korFileMan fm;
  String name = t.Win("A.txt");
  const Variant plain = fm.FileDateTime(name);
  Variant created, accessed = Variant::Missing();
  const Variant withOutput = fm.FileDateTimeExt(name, &created);
  ASSERT_NE(plain.get_if<Date>(), nullptr);
  EXPECT_NEAR(plain.get_if<Date>()->value, ExpectedLocal(1400000000).value, 1e-9);  // milliseconds dropped
  EXPECT_EQ(plain, withOutput);
  ASSERT_NE(created.get_if<Date>(), nullptr);
  EXPECT_TRUE(accessed.IsMissing());
  Variant access;
  fm.FileDateTime(name, nullptr, &access);
  ASSERT_NE(access.get_if<Date>(), nullptr);
  EXPECT_NEAR(access.get_if<Date>()->value, ExpectedLocal(1300000000).value, 1e-9);
  String folder = t.Win();
  EXPECT_NE(fm.FileDateTime(folder, &created).get_if<Date>(), nullptr);
}

TEST(FileDateTime, ErrorsLeaveTheOutputsAlone) {
  TempFolder t;
  t.Folder("locked");
  t.File("locked/x");
  ::chmod(t.posix().c_str(), 0755);
  ::chmod(t.Posix("locked").c_str(), 0);
  struct Case {
    String name;
    std::int32_t plain, withOutput;
  };
  const Case cases[] = {
      {t.Win("none.txt"), 53, 53},
      {t.Win("nofolder\\x.txt"), 53, 76},
      {t.Win("*.none"), 53, 53},
      {t.Win("*\\x"), 53, 5},  // a wildcard in a folder: an invalid name
  };
  korFileMan fm;
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.name));
    String name = c.name;
    Variant created = u"kept", accessed = u"kept";
    EXPECT_EQ(ErrorOf([&] { fm.FileDateTime(name); }), c.plain);
    EXPECT_EQ(ErrorOf([&] { fm.FileDateTimeExt(name, &created, &accessed); }), c.withOutput);
    EXPECT_EQ(created, Variant(u"kept"));
    EXPECT_EQ(accessed, Variant(u"kept"));
  }
  // A folder that may not be read: access denied (75), for a user without root's rights.
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0) ::_exit(2);
    String name = t.Win("locked\\x");
    Variant created;
    ::_exit(ErrorOf([&] { fm.FileDateTime(name, &created); }) == 75 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 2) GTEST_SKIP() << "cannot change to another user";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// The two Long halves of a file time given in seconds since 1970 (and 100 ns units).
std::pair<Long, Long> Halves(std::int64_t unixSeconds, std::int64_t units = 0) {
  const auto v = static_cast<std::uint64_t>((unixSeconds + 11644473600) * 10000000 + units);
  return {static_cast<Long>(static_cast<std::uint32_t>(v)), static_cast<Long>(static_cast<std::uint32_t>(v >> 32))};
}

TEST(SysToVBTime, ConvertsBitPatternsToTheSecond) {
  TimeZone utc("UTC0");
  korFileMan fm;
  const auto noon2000 = Halves(946728000, 9999999);  // 2000-01-01 12:00:00.9999999
  struct Case {
    Long low, high;
    std::optional<double> date;
  };
  const Case cases[] = {
      {0, 0, std::nullopt},
      {noon2000.first, noon2000.second, 36526.5},
      {0, 1, -109205.0 + 429.0 / 86400},  // 1601-01-01 00:07:09: the plain sum before 1899-12-30
      {Halves(-2209161600 - 86400 + 21600).first, Halves(-2209161600 - 86400 + 21600).second, -1.0 + 0.25},
      {Halves(253402300799).first, Halves(253402300799).second, (2958465.0 * 86400 + 86399) / 86400},  // 9999-12-31
      {Halves(253402300800).first, Halves(253402300800).second, std::nullopt},                         // year 10000
      {0, static_cast<Long>(0x80000000u), std::nullopt},                                               // 2^63
      {-1, -1, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.low) + " " + std::to_string(c.high));
    Long low = c.low, high = c.high;
    const Variant v = fm.SysToVBTime(low, high);
    if (!c.date) {
      EXPECT_TRUE(v.IsEmpty());
      continue;
    }
    ASSERT_NE(v.get_if<Date>(), nullptr);
    EXPECT_DOUBLE_EQ(v.get_if<Date>()->value, *c.date);
    EXPECT_EQ(low, c.low);
    EXPECT_EQ(high, c.high);
  }
  // A low half of 2^31 or more arrives as a negative Long and counts as unsigned.
  const std::uint64_t v = ((1600000000ull + 11644473600ull) * 10000000) | 0x80000000u;
  Long low = static_cast<Long>(static_cast<std::uint32_t>(v)), high = static_cast<Long>(v >> 32);
  ASSERT_LT(low, 0);
  const auto seconds = static_cast<std::int64_t>(v / 10000000) - 11644473600;
  EXPECT_NEAR(fm.SysToVBTime(low, high).get_if<Date>()->value, ExpectedLocal(seconds).value, 1e-9);
}

TEST(SysToVBTime, UsesTheOffsetInForceNow) {
  // Central European time with its daylight-saving rule, spelled out so that
  // no time-zone database is needed.
  TimeZone cet("CET-1CEST,M3.5.0,M10.5.0/3");
  korFileMan fm;
  const std::int64_t winter = 1610712000;  // 2021-01-15 12:00 UTC
  const std::int64_t summer = 1626350400;  // 2021-07-15 12:00 UTC
  const std::time_t now = std::time(nullptr);
  struct tm nowTm {};
  ::localtime_r(&now, &nowTm);
  ASSERT_TRUE(nowTm.tm_gmtoff == 3600 || nowTm.tm_gmtoff == 7200);
  for (const std::int64_t instant : {winter, summer}) {
    const auto h = Halves(instant);
    Long low = h.first, high = h.second;
    const Date got = *fm.SysToVBTime(low, high).get_if<Date>();
    // The offset of now, whatever the date converted.
    EXPECT_NEAR(got.value, (static_cast<double>(instant + nowTm.tm_gmtoff) / 86400.0) + 25569, 1e-9);
    // The local clock at that instant showed its own offset: the two differ
    // by an hour for the instant in the other half of the year.
    const std::time_t at = static_cast<std::time_t>(instant);
    struct tm atTm {};
    ::localtime_r(&at, &atTm);
    const double clock = (static_cast<double>(instant + atTm.tm_gmtoff) / 86400.0) + 25569;
    EXPECT_NEAR(std::fabs(got.value - clock) * 24, atTm.tm_gmtoff == nowTm.tm_gmtoff ? 0 : 1, 1e-6);
  }
}

// A second process that holds a file open until it is destroyed.
class Holder {
 public:
  Holder(const std::string& path, int flags, bool asNobody = false) {
    int ready[2], go[2];
    if (::pipe(ready) != 0 || ::pipe(go) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(go[1]);
      if (asNobody && (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0)) ::_exit(1);
      ::prctl(PR_SET_DUMPABLE, 1);  // its open files stay visible to its own user
      const int fd = ::open(path.c_str(), flags, 0666);
      const char c = fd >= 0 ? 'y' : 'n';
      (void)!::write(ready[1], &c, 1);
      char x;
      (void)!::read(go[0], &x, 1);  // until the parent closes its end
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(go[0]);
    go_ = go[1];
    char c = 'n';
    (void)!::read(ready[0], &c, 1);
    ::close(ready[0]);
    opened_ = c == 'y';
  }
  ~Holder() {
    ::close(go_);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  bool opened() const { return opened_; }

 private:
  pid_t pid_ = -1;
  int go_ = -1;
  bool opened_ = false;
};

TEST(FileIsLocked, AnswersForAnotherProcess) {
  TempFolder t;
  t.File("data.bin", "abc");
  korFileMan fm;
  String name = t.Win("DATA.bin");
  EXPECT_FALSE(bool(fm.FileIsLocked(name)));
  {
    Holder reader(t.Posix("data.bin"), O_RDONLY);
    ASSERT_TRUE(reader.opened());
    EXPECT_TRUE(bool(fm.FileIsLocked(name)));
  }
  {
    Holder writer(t.Posix("data.bin"), O_WRONLY);
    ASSERT_TRUE(writer.opened());
    EXPECT_TRUE(bool(fm.FileIsLocked(name)));
  }
  EXPECT_FALSE(bool(fm.FileIsLocked(name)));
  {
    // This process's own other open counts as well, as on Windows.
    const int fd = ::open(t.Posix("data.bin").c_str(), O_RDONLY);
    EXPECT_TRUE(bool(fm.FileIsLocked(name)));
    ::close(fd);
  }
  String created = t.Win("new.bin");
  EXPECT_FALSE(bool(fm.FileIsLocked(created)));
  struct stat st {};
  ASSERT_EQ(::stat(t.Posix("new.bin").c_str(), &st), 0);  // made, empty
  EXPECT_EQ(st.st_size, 0);
  String noFolder = t.Win("nofolder\\x.bin");
  String folder = t.Win();
  String empty;
  EXPECT_TRUE(bool(fm.FileIsLocked(noFolder)));
  EXPECT_TRUE(bool(fm.FileIsLocked(folder)));
  EXPECT_TRUE(bool(fm.FileIsLocked(empty)));
}

TEST(FileIsAvailable, DeniesWritersOnlyWhenExclusive) {
  TempFolder t;
  t.File("data.bin", "abc");
  korFileMan fm;
  String name = t.Win("data.bin");
  Boolean exclusive = true, shared = false;
  EXPECT_TRUE(bool(fm.FileIsAvailable(name, exclusive)));
  EXPECT_TRUE(bool(fm.FileIsAvailable(name, shared)));
  {
    Holder writer(t.Posix("data.bin"), O_RDWR);
    ASSERT_TRUE(writer.opened());
    EXPECT_FALSE(bool(fm.FileIsAvailable(name, exclusive)));
    EXPECT_TRUE(bool(fm.FileIsAvailable(name, shared)));
  }
  {
    Holder reader(t.Posix("data.bin"), O_RDONLY);
    ASSERT_TRUE(reader.opened());
    EXPECT_TRUE(bool(fm.FileIsAvailable(name, exclusive)));
  }
  String missing = t.Win("missing.bin");
  EXPECT_FALSE(bool(fm.FileIsAvailable(missing, shared)));
  EXPECT_FALSE(std::filesystem::exists(t.Posix("missing.bin")));  // nothing created
  String folder = t.Win();
  EXPECT_FALSE(bool(fm.FileIsAvailable(folder, shared)));
}

TEST(LockProbe, ScanOfProcAgreesWithTheLease) {
  TempFolder t;
  t.File("f", "abc");
  const std::string path = t.Posix("f");
  struct Case {
    int holderFlags;  // -1: nobody
    bool any, writers;
  };
  const Case cases[] = {{-1, false, false}, {O_RDONLY, true, false}, {O_WRONLY, true, true}, {O_RDWR, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.holderFlags);
    std::optional<Holder> holder;
    if (c.holderFlags >= 0) holder.emplace(path, c.holderFlags);
    for (const auto how : {platform::InUseCheck::kLeaseThenScan, platform::InUseCheck::kScan}) {
      const int rw = ::open(path.c_str(), O_RDWR);
      EXPECT_EQ(platform::OpenElsewhere(rw, false, how), c.any);
      ::close(rw);
      const int ro = ::open(path.c_str(), O_RDONLY);
      EXPECT_EQ(platform::OpenElsewhere(ro, true, how), c.writers);
      ::close(ro);
    }
  }
}

TEST(LockProbe, WithoutALeaseTheScanSeesTheSameUser) {
  TempFolder t;
  ::chmod(t.posix().c_str(), 0777);
  t.File("shared.bin", "abc", 0666);  // owned by root: no lease for another user
  const pid_t child = ::fork();
  if (child == 0) {
    int result = 1;
    {
      Holder holder(t.Posix("shared.bin"), O_WRONLY, true);
      if (!holder.opened() || ::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0)
        ::_exit(2);
      ::prctl(PR_SET_DUMPABLE, 1);
      korFileMan fm;
      String name = t.Win("shared.bin");
      Boolean exclusive = true;
      if (fm.FileIsLocked(name) && !fm.FileIsAvailable(name, exclusive)) result = 0;
    }
    ::_exit(result);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 2) GTEST_SKIP() << "cannot change to another user";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace kor
