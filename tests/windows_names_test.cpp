// The Windows name rules as every member that meets the file system applies
// them: names Windows refuses are refused and never created, trailing dots and
// spaces go when a name is created as when it is looked up, "\\?\" and "\\.\"
// names work everywhere, and read-only holds for root as for anyone.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "frame/text.h"
#include "kortools/korCSV_IO.h"
#include "kortools/korFileMan.h"
#include "kortools/korINI.h"
#include "kortools/paths.h"
#include "kortools/string_array.h"
#include "tests/test_support.h"
#include "winrules/wildcard.h"
#include "winrules/windows_names.h"

namespace kor {
namespace {

using testing_support::AsNobody;
using testing_support::ErrorOf;
using testing_support::ScopedEnv;
using testing_support::TempFolder;

String U(const std::string& s) { return text::FromUtf8(s); }

// What the member tests below cannot reach: the names that are almost
// refused, and the prefixes that name devices.
TEST(WindowsNames, NearMissesAndDevicePrefixes) {
  const std::pair<const char*, std::uint32_t> cases[] = {
      {R"(C:\d\COM0)", 0},  {R"(C:\d\console)", 0},      {R"(C:\LPT1\x)", 123},   {R"(C:\*\x.txt)", 123},
      {R"(\\.\COM1)", 123}, {R"(\\?\Volume{1}\x)", 123}, {R"(\\.\UNC\s\h\x)", 0}, {R"(C:\ \x)", 123},
  };
  for (const auto& [name, error] : cases) EXPECT_EQ(platform::windows_names::Check(name, true), error) << name;
}

class WindowsNameRules : public ::testing::Test {
 protected:
  String Win(const std::string& file) const { return ToWindowsPath(U(dir_.path().string())) + u"\\" + U(file); }
  std::vector<std::string> Entries() const { return dir_.Entries(); }

  TempFolder dir_;
  korFileMan fm_;
};

// Every member refuses a name Windows refuses, the way its own failures go,
// and nothing is created or changed.
TEST_F(WindowsNameRules, RefusedNamesAreNeverCreated) {
  testing_support::WriteFile(dir_.path() / "src.txt", "data");
  const String source = Win("src.txt");
  const String folder = Win("");
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
        ScopedEnv plain("KORTOOLS_WINVER", "3.51");
        String from = source, to = n;
        return fm_.FileCopy(from, to) == kFalse && fm_.FileMove(from, n) == kFalse;
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
      String name = folder + U(bad);
      EXPECT_TRUE(refusals[i](name)) << bad << ", member group " << i;
    }
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"src.txt"});
  EXPECT_EQ(dir_.Read("src.txt"), "data");
}

// A name is created as it is found: without its trailing dots and spaces.
TEST_F(WindowsNameRules, TrailingDotsGoWhenANameIsCreated) {
  testing_support::WriteFile(dir_.path() / "a.txt", "a");
  String source = Win("a.txt");
  EXPECT_EQ(fm_.CreatePath(Win("made.\\")), kTrue);
  EXPECT_EQ(fm_.FolderExists(Win("made. ")), kTrue);
  String shellCopy = Win("b.txt.");
  EXPECT_EQ(fm_.FileCopy(source, shellCopy), kTrue);
  {
    ScopedEnv plain("KORTOOLS_WINVER", "3.51");
    String plainCopy = Win("c.txt .");
    EXPECT_EQ(fm_.FileCopy(source, plainCopy), kTrue);
  }
  EXPECT_EQ(Entries(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "made"}));
  String found = Win("b.txt.");
  EXPECT_EQ(fm_.FileExists(found), -1);
}

// "\\?\" and "\\.\" names reach the same entries in every member.
TEST_F(WindowsNameRules, PrefixedNamesWorkEverywhere) {
  testing_support::WriteFile(dir_.path() / "f.txt", "f");
  std::filesystem::create_directory(dir_.path() / "sub");
  for (const char16_t* prefix : {u"\\\\?\\", u"\\\\.\\"}) {
    SCOPED_TRACE(text::ToUtf8(prefix));
    String file = prefix + Win("f.txt"), pattern = prefix + Win("*.txt"), copy = prefix + Win("sub\\g.txt");
    EXPECT_EQ(fm_.FileExists(pattern), -1);
    EXPECT_EQ(fm_.FolderExists(prefix + Win("sub")), kTrue);
    EXPECT_EQ(fm_.FileCopy(file, copy), kTrue);
    EXPECT_EQ(fm_.FileDelete(copy), kTrue);
  }
  EXPECT_EQ(Entries(), (std::vector<std::string>{"f.txt", "sub"}));
}

// A file without its owner's write permission is read-only: the write probe
// fails for root as for an ordinary user, and nothing is changed.
TEST_F(WindowsNameRules, ReadOnlyHoldsForEveryone) {
  testing_support::WriteFile(dir_.path() / "ro.txt", "keep");
  ::chmod((dir_ / "ro.txt").c_str(), 0444);
  ::chmod(dir_.path().c_str(), 0777);
  String name = Win("ro.txt");
  const auto probe = [&] {
    korFileMan fm;
    String n = name;
    Boolean exclusive = kTrue;
    return (fm.FileIsLocked(n) == kTrue ? 1 : 0) | (fm.FileIsAvailable(n, exclusive) == kTrue ? 2 : 0);
  };
  EXPECT_EQ(probe(), 3);
  if (::geteuid() == 0) {
    EXPECT_EQ(AsNobody(probe), 3);
  }
  EXPECT_EQ(dir_.Read("ro.txt"), "keep");
}

}  // namespace
}  // namespace kor
