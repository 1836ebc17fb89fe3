// The profile-file engine: the INI dialect on bytes (reading, editing that
// keeps every other byte, line ends), the POSIX operations
// (name resolution, buffer cutting, the read cache, atomic replacement,
// failures) and concurrent writer processes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/posix/kernel_time.h"
#include "platform/posix/profile_file_options.h"
#include "tests/test_support.h"
#include "winrules/ini_text.h"

namespace kor::platform {
namespace {

namespace fs = std::filesystem;

const CodePage& Utf8() {
  static const auto cp = OpenCodePage("UTF-8");
  return *cp;
}

// The value of a key as the engine's reader finds it; "<missing>" when the
// section or the key is not there.
std::string Read(std::string_view file, std::string_view section, std::string_view key) {
  ini::Table table(ini::Decode(file), Utf8());
  std::string value;
  return table.Find(section, key, value) ? value : "<missing>";
}

// The file after a write, marked when the editor left it alone.
std::string Write(std::string file, std::string_view section, std::string_view key, std::string_view value) {
  ini::Text text = ini::Decode(file);
  const ini::Edit edit = ini::SetValue(text, Utf8(), section, key, value);
  return ini::Encode(text) + (edit == ini::Edit::kRejected    ? " <rejected>"
                              : edit == ini::Edit::kUnchanged ? " <unchanged>"
                                                              : "");
}

// The read answers the Win32 layer gives are compared with it by the platform
// cases in tests/differential, and fuzz/profile_fuzz.cpp holds edits of any
// file to "every other key reads as before": the rows here pin each rule.
TEST(IniDialect, ReadRules) {
  struct Case {
    const char* file;
    const char* section;
    const char* key;
    const char* expected;
  };
  const Case cases[] = {
      {"[ Size \t]\nzKey=1\n", "SIZE", "ZKEY", "1"},   // a tab in the brackets
      {"[s]\n;k=1\n", "s", ";k", "<missing>"},         // a comment is no key
      {"[s]\nk\nk=v\n", "s", "k", "v"},                // nor a line without "="
      {"[s]\nk=\"\"\n", "s", "k", ""},                 // empty quotes
      {"[s]\nk=\"a\" b\n", "s", "k", "\"a\" b"},       // quotes that do not enclose
      {"a=1\n[s]\n", "", "a", "<missing>"},            // keys before any section
      {"[]\na=1\n", "", "a", "1"},                     // empty section name
      {"[a]b]\nk=1\n", "a]b", "k", "1"},               // the last "]" closes
      {"[s]\n[abc\nk=1\n", "s", "[abc", "<missing>"},  // but no key
      {"[s]\n\ra=1\r\n\n\rb=2", "s", "b", "2"},        // mixed line ends
      {"[gr\xC3\xB6\xC3\x9F\x65]\n\xC3\xA4=1\n", "GR\xC3\x96\xC3\x9F\x45", "\xC3\x84", "1"},  // Unicode case
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Read(c.file, c.section, c.key), c.expected) << "file: " << c.file << " [" << c.section << "] " << c.key;
  }
}

TEST(IniDialect, WriteKeepsEveryOtherByte) {
  struct Case {
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
  };
  const Case cases[] = {
      // Replacing a value keeps the name's spelling, the blanks up to the value, the line end.
      {"; c\r\n[S]\r\n  Key = old ; x\r\n\r\n[t]\r\n", "s", "key", "new", "; c\r\n[S]\r\n  Key = new\r\n\r\n[t]\r\n"},
      {"[s]\nk=   \n", "s", "k", "v", "[s]\nk=   v\n"},
      {"[s]\nflag\n", "s", "flag", "1", "[s]\nflag=1\n"},
      {"[s]\na=1\n[s]\na=2\n", "s", "a", "3", "[s]\na=3\n[s]\na=2\n"},
      // A new key goes after the section's last key line.
      {"[s]\na=1\n\n; end\n[t]\nb=2\n", "s", "c", "3", "[s]\na=1\nc=3\n\n; end\n[t]\nb=2\n"},
      {"[s]", "s", "k", "v", "[s]\r\nk=v"},
      {"[s]\ra=1\r", "s", "b", "2", "[s]\ra=1\rb=2\r"},
      {"[s]\r\na=1\nb=2\r", "s", "c", "3", "[s]\r\na=1\nb=2\r\nc=3\r"},
      // A new section goes at the end.
      {"[s]\na=1", "t", "k", "v", "[s]\na=1\n[t]\nk=v\n"},
      {"; only a comment", "t", "k", "v", "; only a comment\r\n[t]\r\nk=v\r\n"},
      {"a=1\n", "", "a", "2", "a=1\n[]\na=2\n"},
      // Names are stored without blanks around them; values as given.
      {"", " s ", " k ", " v ", "[s]\r\nk= v \r\n"},
      {"[s]\nk = v\n", "S", "K", "v", "[s]\nk = v\n <unchanged>"},
      {"[size]\nzone=1\n", "SIZE", "ZONE", "2", "[size]\nzone=2\n"},  // names compared in any case
      // Lines that would not read back as written are refused.
      {"[s]\n", "s", "a=b", "v", "[s]\n <rejected>"},
      {"[s]\n", "s", " [k", "v", "[s]\n <rejected>"},
      {"[s]\n", "s", "k", "a\rb", "[s]\n <rejected>"},
      {"[s]\n", "a\nb", "k", "v", "[s]\n <rejected>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Write(c.before, c.section, c.key, c.value), c.after) << "file: " << c.before;
  }
}

// ---------------------------------------------------------------------------
// The POSIX engine

using testing_support::ReadFile;
using testing_support::TempFolder;
using testing_support::WriteFile;

std::string Get(ProfileFiles& files, const std::string& file, std::string_view section, std::string_view key) {
  char buffer[255];
  const std::uint32_t n = files.GetPrivateProfileString(section, key, "<default>", buffer, sizeof buffer, file);
  EXPECT_EQ(buffer[n], '\0');
  return std::string(buffer, n);
}

// A clock far ahead, so that every file counts as settled and the cache's
// stamp comparison alone decides.
std::unique_ptr<ProfileFiles> SettledEngine() {
  PosixProfileOptions o;
  o.now = [] {
    kor::platform::KernelTime t = kor::platform::ClockNow(CLOCK_REALTIME);
    t.tv_sec += 3600;
    return t;
  };
  return MakePosixProfileFiles(o);
}

class ProfileFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("KORTOOLS_INI_SYNC", "0", 1);  // the flushes are tested where they matter
    ::unsetenv("KORTOOLS_INI_DIR");
    ASSERT_TRUE(SystemCodePage().IsUtf8()) << "the tests expect a UTF-8 code page";
  }
  void TearDown() override { ::unsetenv("KORTOOLS_INI_SYNC"); }

  TempFolder dir;
  std::unique_ptr<ProfileFiles> files = MakePosixProfileFiles();
};

TEST_F(ProfileFilesTest, ReadWriteAndRefuse) {
  const std::string ini = dir / "a.ini";
  // What a writer killed between naming its new file and the rename left
  // goes at the next write.
  WriteFile(dir / ".a.ini.tmp-kortools", "[half");
  // Text ends at its first NUL, as for the "A" functions.
  EXPECT_TRUE(files->WritePrivateProfileString(std::string_view("Sec\0x", 5), std::string_view("K2\0y", 4),
                                               std::string_view("v\0z", 3), ini));
  EXPECT_EQ(Get(*files, ini, "Sec", "K2"), "v");
  // A UTF-8 character is never cut in two: the cut moves before it.
  ASSERT_TRUE(files->WritePrivateProfileString("s", "u", std::string(253, 'a') + "\xE2\x82\xAC", ini));
  EXPECT_EQ(Get(*files, ini, "s", "u"), std::string(253, 'a'));
  ASSERT_TRUE(files->WritePrivateProfileString("s", "u", std::string(251, 'a') + "\xE2\x82\xAC", ini));
  EXPECT_EQ(Get(*files, ini, "s", "u"), std::string(251, 'a') + "\xE2\x82\xAC");
  EXPECT_EQ(Get(*files, "", "s", "k"), "<default>");
  EXPECT_EQ(Get(*files, dir.path().string(), "s", "k"), "<default>");  // a folder
  EXPECT_FALSE(files->WritePrivateProfileString("s", "k", "v", dir.path().string()));
  // Refused writes leave the file: a key line that cannot be stored, and a
  // read-only file (no write permission for anyone, so even for root).
  const std::string before = ReadFile(ini);
  EXPECT_FALSE(files->WritePrivateProfileString("Sec", "a=b", "v", ini));
  ASSERT_EQ(::chmod(ini.c_str(), 0444), 0);
  EXPECT_FALSE(files->WritePrivateProfileString("Sec", "K2", "2", ini));
  EXPECT_EQ(ReadFile(ini), before);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.ini"});
}

TEST_F(ProfileFilesTest, NamesResolve) {
  // Windows names through the Z: drive, in any letter case once the file exists.
  std::string windows = "Z:" + dir / "Mixed.INI";
  std::replace(windows.begin(), windows.end(), '/', '\\');
  EXPECT_TRUE(files->WritePrivateProfileString("s", "k", "1", windows));
  std::transform(windows.begin(), windows.end(), windows.begin(), [](unsigned char c) { return std::tolower(c); });
  EXPECT_TRUE(files->WritePrivateProfileString("s", "k", "2", windows));
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"Mixed.INI"});
  EXPECT_EQ(Get(*files, windows, "s", "k"), "2");

  // A name without a folder: in KORTOOLS_INI_DIR when it is set.
  fs::create_directory(dir.path() / "settings");
  ::setenv("KORTOOLS_INI_DIR", (dir / "settings").c_str(), 1);
  EXPECT_TRUE(files->WritePrivateProfileString("s", "k", "there", "bare.ini"));
  EXPECT_EQ(Get(*files, "bare.ini", "s", "k"), "there");
  EXPECT_EQ(ReadFile(dir / "settings/bare.ini"), "[s]\r\nk=there\r\n");
  ::unsetenv("KORTOOLS_INI_DIR");
}

TEST_F(ProfileFilesTest, ChangesByOthersAreSeenAtOnce) {
  auto engine = SettledEngine();
  const std::string ini = dir / "a.ini";
  WriteFile(ini, "[s]\nk=aaaa\n");
  EXPECT_EQ(Get(*engine, ini, "s", "k"), "aaaa");
  EXPECT_EQ(Get(*engine, ini, "s", "k"), "aaaa");  // from the cache

  // Same size, same inode, and the modification time put back: the change
  // time still tells.
  struct stat st;
  ASSERT_EQ(::stat(ini.c_str(), &st), 0);
  WriteFile(ini, "[s]\nk=bbbb\n");  // in place, as an editor that does not replace files
  const kor::platform::KernelTime times[2] = {st.st_atim, st.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, ini.c_str(), times, 0), 0);
  EXPECT_EQ(Get(*engine, ini, "s", "k"), "bbbb");

  // Replaced by another file (new inode).
  WriteFile(dir / "b.tmp", "[s]\nk=cccc\n");
  fs::rename(dir / "b.tmp", ini);
  EXPECT_EQ(Get(*engine, ini, "s", "k"), "cccc");
  // Deleted.
  fs::remove(ini);
  EXPECT_EQ(Get(*engine, ini, "s", "k"), "<default>");
}

TEST_F(ProfileFilesTest, ConcurrentWriterProcessesLoseNoUpdate) {
  const std::string ini = dir / "shared.ini";
  constexpr int kProcesses = 4, kKeys = 500;
  // Two sections, so that both the key and the section paths of the editor race.
  const auto section = [](int i) { return i % 2 ? "odd" : "even"; };
  const auto key = [](int p, int i) { return "p" + std::to_string(p) + "k" + std::to_string(i); };
  std::vector<pid_t> pids;
  for (int p = 0; p < kProcesses; ++p) {
    pids.push_back(::fork());
    if (pids.back() == 0) {
      auto engine = MakePosixProfileFiles();
      for (int i = 0; i < kKeys; ++i)
        if (!engine->WritePrivateProfileString(section(i), key(p, i), std::to_string(i), ini)) ::_exit(1);
      ::_exit(0);
    }
  }
  for (pid_t pid : pids) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const ini::Table table(ini::Decode(ReadFile(ini)), Utf8());
  EXPECT_EQ(table.KeyCount(), static_cast<std::size_t>(kProcesses * kKeys));
  std::string value;
  for (int p = 0; p < kProcesses; ++p)
    for (int i = 0; i < kKeys; ++i)
      EXPECT_TRUE(table.Find(section(i), key(p, i), value) && value == std::to_string(i)) << key(p, i);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"shared.ini"});
}

}  // namespace
}  // namespace kor::platform
