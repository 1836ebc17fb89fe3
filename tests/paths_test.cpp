// Path names: korFileMan's path strings, file-name analysis, absolute and
// relative paths, and the platform's Windows view of the POSIX file system.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "host/path_command.h"
#include "kortools/korFileMan.h"
#include "kortools/paths.h"
#include "platform/code_page.h"
#include "platform/posix/file_system_view.h"
#include "tests/test_support.h"

namespace kor {
namespace {

using namespace testing_support;

// Test texts are written with "|" for "\" where that reads better.
String W(std::u16string_view s) {
  String r(s);
  for (char16_t& c : r)
    if (c == u'|') c = u'\\';
  return r;
}

// GetPath and GetFilePath follow from GetFilename (fuzz/paths_fuzz.cpp
// holds them to it).
TEST(PathStrings, PartsOfAName) {
  struct Case {
    String in, filename, extension, normalized, unnormalized;
    bool relative;
  };
  const Case cases[] = {
      {u"", u"", u"", W(u"|"), u"", true},
      {u"file.txt", u"file.txt", u"txt", W(u"file.txt|"), u"file.txt", true},
      {W(u"C:|dir|"), u"", W(u"C:|dir|"), W(u"C:|dir|"), W(u"C:|dir"), false},
      {W(u"C:|dir|file.txt"), u"file.txt", u"txt", W(u"C:|dir|file.txt|"), W(u"C:|dir|file.txt"), false},
      {W(u"|file.txt"), u"file.txt", u"txt", W(u"|file.txt|"), W(u"|file.txt"), true},
      {W(u"C:|dir.old|readme"), u"readme", W(u"old|readme"), W(u"C:|dir.old|readme|"), W(u"C:|dir.old|readme"), false},
      {u".profile", u".profile", u"profile", W(u".profile|"), u".profile", true},
      {W(u"C:|dir||"), u"", W(u"C:|dir||"), W(u"C:|dir||"), W(u"C:|dir|"), false},
      {W(u"||server|share"), u"share", W(u"||server|share"), W(u"||server|share|"), W(u"||server|share"), false},
      {u"C:file", u"C:file", u"C:file", W(u"C:file|"), u"C:file", false},
      {String(u"a\0b|c.d", 7), u"c.d", u"d", String(u"a\0b|c.d|", 8), String(u"a\0b|c.d", 7), true},
  };
  korFileMan fm;
  for (const Case& c : cases) {
    String in = W(c.in);
    const String before = in;
    SCOPED_TRACE(text::ToUtf8(in));
    EXPECT_EQ(fm.GetFilename(in), W(c.filename));
    EXPECT_EQ(fm.FileExtension(in), W(c.extension));
    EXPECT_EQ(fm.NormalizePath(in), W(c.normalized));
    EXPECT_EQ(fm.UnNormalizePath(in), W(c.unnormalized));
    EXPECT_EQ(bool(fm.PathIsRelative(in)), c.relative);
    EXPECT_EQ(in, before);  // the caller's variable is never changed
  }
}

TEST(PathStrings, SlashConversion) {
  korFileMan fm;
  const String mixed(u"a/\\b\0/\xD800", 7);
  EXPECT_EQ(fm.SwitchToSlash(mixed), String(u"a//b\0/\xD800", 7));
  EXPECT_EQ(fm.SwitchToBackSlash(mixed), String(u"a\\\\b\0\\\xD800", 7));
}

struct Analysis {
  String drive, folder, name, extension;
  bool operator==(const Analysis&) const = default;
};

TEST(AnalyseFilename, BothMethodsSideBySide) {
  struct Case {
    std::u16string_view in;
    Analysis first, second;
    bool ok;
  };
  const Case cases[] = {
      {u"C:|dir|sub|file.txt",
       {u"C:", W(u"|dir|sub"), u"file", u"txt"},
       {u"C:", W(u"|dir|sub|"), u"file", u"txt"},
       true},
      {u"C:file.txt", {u"", u"", u"C:file", u"txt"}, {u"C:", u"", u"file", u"txt"}, true},
      {u"||server|share", {u"", W(u"||server"), u"share", u""}, {W(u"||server|share"), u"", u"", u""}, true},
      {u"C:|dir|", {u"C:", W(u"|dir"), u"", u""}, {u"C:", W(u"|dir|"), u"", u""}, true},
      {u"C:|dir|.profile", {u"C:", W(u"|dir"), u"", u"profile"}, {}, false},
      {u"", {}, {}, true},
      {u"|file.txt", {u"", u"", u"file", u"txt"}, {u"", W(u"|"), u"file", u"txt"}, true},
      {u"C:dir|file.txt", {u"", W(u"|C:dir"), u"file", u"txt"}, {u"C:", W(u"dir|"), u"file", u"txt"}, true},
      {u"ab:x", {u"", u"", u"ab:x", u""}, {u"ab:", u"", u"x", u""}, true},
      {u"||server", {u"", W(u"|"), u"server", u""}, {}, false},
      {u"||server||x", {u"", W(u"||server|"), u"x", u""}, {}, false},
      {u":x", {u"", u"", u":x", u""}, {}, false},
      {u"....", {u"", u"", u"...", u""}, {u"", u"", u"...", u""}, true},
  };
  korFileMan fm;
  for (const Case& c : cases) {
    const String in = W(c.in);
    SCOPED_TRACE(text::ToUtf8(in));
    Analysis a{u"x", u"x", u"x", u"x"}, b = a;
    EXPECT_EQ(fm.AnalyseFilename(in, a.drive, a.folder, a.name, a.extension), -1);
    EXPECT_EQ(bool(fm.AnalyseFilename2(in, b.drive, b.folder, b.name, b.extension)), c.ok);
    EXPECT_EQ(a, c.first);
    EXPECT_EQ(b, c.second);
  }
}

TEST(MakePathAbsolute, Forms) {
  struct Case {
    std::u16string_view file, base, expected;
  };
  const Case cases[] = {
      {u"", u"C:|base", u""},
      {u" file ", u"", u"file"},
      {u" file ", u" C:|base ", u"C:|base|file"},
      {u"\"file name.txt\"", u"C:|base", u"\"C:|base|file name.txt\""},
      {u"||srv|share|x", u"C:|base", u"||srv|share|x"},
      {u"C:", u"C:|base", u"C:"},
      {u"C:x", u"C:|base", u"C:x"},
      {u"|dir|file", u"C:|base", u"C:|dir|file"},
      {u"|dir|file", u"||server|share|base", u"||server|share|dir|file"},
      {u".|file", u"C:|base", u"C:|base|file"},
      {u"..|file", u"C:|base|sub", u"C:|base|file"},
      {u"..|..|..|file", u"C:|base", u"C:|file"},
      {u"..|", u"C:|base", u"..|"},
      {u"\"", u"C:|base", u"\"C:|base|"},
      {u".|..|x", u"C:|base", u"C:|base|..|x"},
      // A trailing separator of the base folder counts as absent in the dot
      // forms too; a drive without ":\" is used as given.
      {u".|file", u"C:|base|", u"C:|base|file"},
      {u"..|file", u"C:|base|", u"C:|file"},
      {u"..|file", u"||srv|share|", u"||srv|share|file"},
      {u".|file", u"C:dir", u"C:dir|file"},
  };
  korFileMan fm;
  for (const Case& c : cases) {
    String file = W(c.file), base = W(c.base);
    const String fileBefore = file, baseBefore = base;
    SCOPED_TRACE(text::ToUtf8(file) + " against " + text::ToUtf8(base));
    EXPECT_EQ(fm.MakePathAbsolute(file, base), W(c.expected));
    EXPECT_EQ(file, fileBefore);
    EXPECT_EQ(base, baseBefore);
  }
}

TEST(MakePathAbsolute, IntegerOverflowRaisesError6) {
  korFileMan fm;
  auto call = [&](String file, String base) { return ErrorOf([&] { fm.MakePathAbsolute(file, base); }); };
  // The first "\" after the server name of a network base folder.
  EXPECT_EQ(call(u"x", u"\\\\" + String(32764, u's') + u"\\share"), 6);  // at 32,767
  EXPECT_EQ(call(u"x", u"\\\\" + String(32763, u's') + u"\\share"), 0);  // at 32,766
  // A "..\" step over a base folder longer than 32,767 characters.
  EXPECT_EQ(call(u"..\\x", u"C:\\" + String(32765, u'a')), 6);
  String base = u"C:\\" + String(32764, u'a'), file = u"..\\x";
  EXPECT_EQ(fm.MakePathAbsolute(file, base), u"C:\\x");
  // The other forms have no 16-bit position.
  EXPECT_EQ(call(u"x", u"C:\\" + String(100000, u'a')), 0);
}

// The caller's fromPath ends in "\" afterwards (fuzz/paths_fuzz.cpp), and
// letter case is ignored (the VBScript suite).
TEST(MakePathRelative, FolderByFolder) {
  struct Case {
    std::u16string_view from, to, expected;
  };
  const Case cases[] = {
      {u"C:|a|b", u"C:|a|c|f.txt", u"..|c|f.txt"},
      {u"C:|a", u"C:|a|sub|f.txt", u".|sub|f.txt"},
      {u"||srv|share|a", u"||srv|share|b|f.txt", u"..|b|f.txt"},
      {u"C:|ab|", u"C:|a|b", u"..|a|b"},
      {u"C:|\u00dcber", u"C:|\u00fcber|f", u"f"},
      {u"", u"|x", u"x"},
      {u"C:|a||", u"C:|a||x", u"x"},
  };
  korFileMan fm;
  for (const Case& c : cases) {
    String from = W(c.from), to = W(c.to);
    SCOPED_TRACE(text::ToUtf8(from) + " to " + text::ToUtf8(to));
    EXPECT_EQ(fm.MakePathRelative(from, to), W(c.expected));
  }
}

// A view of the file system with fixed settings: C: and D: mapped, one share,
// and entries that are ignored (Z cannot be remapped, folders must be
// absolute).
platform::PosixViewSettings TestSettings(std::string cwd = "/srv/c/work/sub") {
  static const auto utf8 = platform::OpenCodePage("UTF-8");
  platform::PosixViewSettings s;
  s.codePage = utf8.get();
  s.drives = R"(C=/srv/c; d:=/mnt/data/ ;\\Srv\Share=/mnt/share;Z=/ignored;Q=relative;bad;E=/x\y)";
  s.tempFolder = "/tmp";
  s.currentFolder = [cwd](std::string& out) {
    out = cwd;
    return !cwd.empty();
  };
  return s;
}

TEST(FileSystemView, WindowsNamesToPosix) {
  const platform::PosixFileSystemView view(TestSettings());
  struct Case {
    std::string name, posix;
    std::uint32_t error;
  };
  const Case cases[] = {
      {R"(C:\x\y.txt)", "/srv/c/x/y.txt", 0},
      {R"(C:\x\..\..\..)", "/srv/c", 0},  // ".." never climbs out of a drive's folder
      {R"(C:\a\\\b\.\c)", "/srv/c/a/b/c", 0},
      {R"(E:\f)", "", 3},
      {R"(\\srv\SHARE\dir\f)", "/mnt/share/dir/f", 0},
      {R"(\\srv\share\..\..)", "/mnt/share", 0},
      {R"(\\srv\other\f)", "", 3},
      {R"(\\?\C:\x)", "/srv/c/x", 0},
      {R"(\\?\UNC\srv\share\x)", "/mnt/share/x", 0},
      {R"(\dir\x)", "/srv/c/dir/x", 0},
      {R"(x\y)", "/srv/c/work/sub/x/y", 0},
      {"C:x", "/srv/c/work/sub/x", 0},
      {"D:x", "/mnt/data/x", 0},
      {"/tmp/./x//", "/tmp/./x//", 0},
      {"", "", 123},
      {std::string("C:\\x\0y", 6), "/srv/c/x", 0},
      {std::string("\0C:\\x", 5), "", 123},
      {R"(C:\x:y)", "", 123},  // a ":" in a component is refused
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string posix = "untouched";
    EXPECT_EQ(view.ToPosix(c.name, posix), c.error);
    EXPECT_EQ(posix, c.error ? "untouched" : c.posix);
  }
  // A root keeps its separator in the full name; a bare share name gets none.
  const std::pair<const char*, const char*> full[] = {
      {R"(C:\)", R"(C:\)"}, {R"(\\srv\share\x\..)", R"(\\srv\share\)"}, {R"(\\srv\share)", R"(\\srv\share)"}};
  for (const auto& [name, expected] : full) {
    std::string out;
    EXPECT_EQ(view.FullPathName(name, out), 0u);
    EXPECT_EQ(out, expected) << name;
  }
  // Without a current folder only names that do not need it resolve.
  const platform::PosixFileSystemView lost(TestSettings(""));
  std::string posix;
  EXPECT_EQ(lost.ToPosix("x", posix), 3u);
  EXPECT_EQ(lost.ToPosix(R"(\x)", posix), 3u);
  EXPECT_EQ(lost.ToPosix(R"(C:\x)", posix), 0u);
}

TEST(FileSystemView, PosixNamesToWindows) {
  const platform::PosixFileSystemView view(TestSettings());
  const std::pair<std::string, std::string> cases[] = {
      {"/srv/c", R"(C:\)"},
      {"/srv/c/", R"(Z:\srv\c\)"},  // the drive's own folder with "/" keeps an exact way back
      {"/mnt/data/a", R"(D:\a)"},
      {"/mnt/share/a", R"(Z:\mnt\share\a)"},  // shares are never reported
  };
  for (const auto& [posix, windows] : cases) {
    SCOPED_TRACE(posix);
    std::string out;
    EXPECT_EQ(view.ToWindows(posix, out), 0u);
    EXPECT_EQ(out, windows);
  }
  std::string out;
  EXPECT_EQ(view.ToWindows("/a:b", out), 123u);  // no Windows name holds a ":"

  // The longest folder wins; a drive mapped to "/" takes Z:'s place.
  platform::PosixViewSettings nested = TestSettings();
  nested.drives = "C=/srv;D=/srv/d;Y=/";
  const platform::PosixFileSystemView longest(nested);
  for (const auto& [posix, windows] : {std::pair<std::string, std::string>{"/srv/d/x", R"(D:\x)"},
                                       {"/srv/x", R"(C:\x)"},
                                       {"/x", R"(Y:\x)"},
                                       {"/", R"(Y:\)"}}) {
    EXPECT_EQ(longest.ToWindows(posix, out), 0u);
    EXPECT_EQ(out, windows) << posix;
  }
}

class TempTree : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* dir : {"/Data", "/Data/Sub", "/ab", "/AB", "/Gr\xc3\xbc\xc3\x9f\x65"})
      ASSERT_EQ(::mkdir((root_ + dir).c_str(), 0755), 0);
    WriteFile(root_ + "/Data/Report.TXT", "x");
  }
  TempFolder folder_;
  const std::string root_ = folder_.path().string();
};

TEST_F(TempTree, FindPosixLooksUpLetterCaseOnAMiss) {
  platform::PosixViewSettings s = TestSettings();
  s.drives = "T=" + root_;
  const platform::PosixFileSystemView view(s);
  const std::pair<std::string, std::string> cases[] = {
      {R"(T:\Data\Report.TXT)", "/Data/Report.TXT"},              // exact
      {R"(T:\data\report.txt)", "/Data/Report.TXT"},              // both components
      {R"(T:\missing\Data)", "/missing/Data"},                    // nothing after a miss is looked up
      {R"(T:\Ab)", "/AB"},                                        // several matches: the first in byte order
      {"T:\\GR\xc3\x9c\xc3\x9f\x45", "/Gr\xc3\xbc\xc3\x9f\x65"},  // beyond ASCII
  };
  for (const auto& [name, rest] : cases) {
    std::string posix;
    EXPECT_EQ(view.FindPosix(name, posix), 0u);
    EXPECT_EQ(posix, root_ + rest) << name;
  }
  // A POSIX name is taken exactly as given.
  std::string posix;
  EXPECT_EQ(view.FindPosix(root_ + "/data", posix), 0u);
  EXPECT_EQ(posix, root_ + "/data");
}

// The path command converts with the public conversions, and reports their
// errors.
TEST_F(TempTree, PublicConversionsAndThePathCommand) {
  ScopedEnv env("KORTOOLS_DRIVES", ("K=" + root_).c_str());
  env.after = platform::ReloadFileSystemView;
  platform::ReloadFileSystemView();

  EXPECT_EQ(ErrorOf([] { ToPosixPath(""); }), 52);

  std::ostringstream out, err;
  EXPECT_EQ(host::RunPathCommand({R"(K:\data)", R"(Q:\x)", "/tmp"}, true, out, err), 1);
  EXPECT_EQ(out.str(), root_ + "/Data\n\n/tmp\n");
  EXPECT_NE(err.str().find("Q:\\x: error 76: Path not found"), std::string::npos) << err.str();
  out.str("");
  err.str("");
  EXPECT_EQ(host::RunPathCommand({root_ + "/x", "/"}, false, out, err), 0);
  EXPECT_EQ(out.str(), "K:\\x\nZ:\\\n");
  EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace kor
