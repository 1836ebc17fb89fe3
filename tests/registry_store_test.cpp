// The registry store's file readers: regedit exports, Wine registry files and
// hives, and what they do with bad input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/code_page.h"
#include "platform/posix/hive_file.h"
#include "tests/registry_hive.h"
#include "tests/test_support.h"
#include "winrules/registry/registry_files.h"

namespace kor::platform::regstore {
namespace {

namespace fs = std::filesystem;
using testing_hive::HiveWriter;

const fs::path kData = fs::path(KORTOOLS_TEST_DATA) / "registry";

std::string Le(std::u16string_view text) {
  std::string out;
  for (const char16_t u : text) AppendUtf16Le(out, u);
  return out;
}

struct Collect final : Diagnostics {
  std::vector<std::pair<std::size_t, std::string>> lines;
  void Report(std::size_t line, std::string_view what) override { lines.emplace_back(line, std::string(what)); }
  std::vector<std::size_t> Numbers() const {
    std::vector<std::size_t> n;
    for (const auto& l : lines) n.push_back(l.first);
    return n;
  }
};

std::vector<std::string> Folded(std::initializer_list<std::string_view> names) {
  std::vector<std::string> r;
  for (const auto n : names) r.push_back(Fold(n));
  return r;
}

std::vector<std::string> ValueNames(const Key* k) {
  std::vector<std::string> r;
  for (const Value& v : k->values) r.emplace_back(v.name);
  return r;
}

std::vector<std::string> SubkeyNames(const Key* k) {
  std::vector<std::string> r;
  for (const Key* c : k->children) r.emplace_back(c->name);
  return r;
}

const CodePage& Utf8() {
  static const auto cp = OpenCodePage("UTF-8");
  return *cp;
}

// A store and the problems reported while files are read into it.
struct Loaded {
  Store store;
  Collect diag;
  std::uint32_t Regedit(std::string_view bytes, const CodePage& cp = Utf8(), std::uint64_t lastWrite = 0) {
    return ReadRegeditFile(bytes, cp, lastWrite, store, diag);
  }
  const Key* Find(Root root, std::initializer_list<std::string_view> names) { return store.Find(root, Folded(names)); }
};

// A REG_SZ's data: UTF-16LE with its NUL.
std::string Sz(std::u16string_view text) { return Le(text) + std::string(2, '\0'); }

// Each kind of file read into one store: a Unicode regedit export, a
// REGEDIT4 one in the code page, a Wine user file, blanks before a Wine
// value's "=", an octal escape followed by a digit, and UTF-8 text whose lead
// byte is the smallest one there is.
TEST(RegistryStore, ReadsEachKindOfFile) {
  const auto cp1252 = OpenCodePage("WINDOWS-1252");
  ASSERT_NE(cp1252, nullptr);
  const std::string wine = testing_support::ReadFile(kData / "wine" / "user.reg");
  std::string sid;
  const auto place = WineFilePlace(wine, "anything.reg", &sid);
  ASSERT_TRUE(place.has_value());
  EXPECT_EQ(place->root, Root::kCurrentUser);
  EXPECT_EQ(sid, "S-1-5-21-0-0-0-1000");
  Loaded r;
  ASSERT_EQ(r.Regedit(testing_support::ReadFile(kData / "acme_v5.reg"), Utf8(), 7), 0u);
  ASSERT_EQ(r.Regedit(testing_support::ReadFile(kData / "acme_v4.reg"), *cp1252), 0u);
  ASSERT_EQ(ReadWineFile(wine, *place, r.store, r.diag), 0u);
  ASSERT_EQ(ReadWineFile("WINE REGISTRY Version 2\n[Software\\\\T] 1700000000\n\"A\" \t= \"1\"\n\"O\"=\"\\1012\"\n",
                         KeyPath{Root::kCurrentUser, {}}, r.store, r.diag),
            0u);
  ASSERT_EQ(r.Regedit("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\T]\n\"Bz\"=\"\xC2\xA9\"\n"), 0u);
  r.store.SetCurrentUser(sid);
  r.store.Finish();
  EXPECT_TRUE(r.diag.lines.empty()) << r.diag.lines.front().second;

  struct Case {
    Root root;
    std::initializer_list<std::string_view> key;
    const char* name;
    std::uint32_t kind;
    std::string data;
  };
  const Case cases[] = {
      {Root::kCurrentUser,
       {"software", "ACME", "app"},
       "Blob",
       3,
       "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18"},
      {Root::kCurrentUser, {"software", "ACME", "app"}, "Expand", 2, Sz(u"%TEMP%")},
      {Root::kCurrentUser, {"software", "ACME", "app"}, "Multi", 7, Le(std::u16string(u"a\0b\0\0", 5))},
      {Root::kCurrentUser, {"software", "ACME", "app"}, "Qword", 11, std::string("\x01\0\0\0\0\0\0\0", 8)},
      {Root::kLocalMachine, {"Software", "Acme4"}, "Latin", 1, Sz(u"caf\u00e9")},
      // Hex data of a string kind is 8-bit text in a REGEDIT4 file.
      {Root::kLocalMachine, {"Software", "Acme4"}, "Expand", 2, Sz(u"%TEMP%")},
      {Root::kLocalMachine, {"Software", "Acme4"}, "Count", 4, std::string("\x04\0\0\0", 4)},
      // "\xfc" then "\x00df" (four digits at most) then "e".
      {Root::kCurrentUser, {"Software", "Acme", "Wine"}, "Unicode", 1, Sz(u"Gr\u00fc\u00dfe")},
      {Root::kCurrentUser, {"Software", "Acme", "Wine"}, "Expand", 2, Sz(u"%USERPROFILE%\\acme")},
      {Root::kCurrentUser, {"Software", "Acme", "Wine"}, "Multi", 7, Le(std::u16string(u"one\0two\0\0", 9))},
      {Root::kCurrentUser, {"Software", "Acme", "Wine"}, "Blob", 3, "\xde\xad\xbe\xef"},
      {Root::kCurrentUser, {"Software", "T"}, "A", 1, Sz(u"1")},
      // An octal escape takes three digits at most.
      {Root::kCurrentUser, {"Software", "T"}, "O", 1, Sz(u"A2")},
      {Root::kCurrentUser, {"Software", "T"}, "BZ", 1, Sz(u"\u00a9")},  // names match in any case, z too
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Value* v = r.store.FindValue(r.Find(c.root, c.key), c.name);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->kind, c.kind);
    EXPECT_EQ(v->data, c.data);
  }
  EXPECT_EQ(r.Find(Root::kCurrentUser, {"Software", "Acme", "App"})->lastWrite, 7u);
  const Key* k = r.Find(Root::kCurrentUser, {"Software", "Acme", "Wine"});
  EXPECT_EQ(k->lastWrite, 0x1da1b2c3d4e5f60u);
  EXPECT_EQ(ValueNames(k), (std::vector<std::string>{"Path", "Unicode", "Count", "Expand", "Multi", "Blob", "Key[1]"}));
  EXPECT_EQ(r.Find(Root::kCurrentUser, {"Software", "Acme", "Wine", "Sub[x]"})->lastWrite,
            1700000001ULL * 10000000ULL + 116444736000000000ULL);
  // A link into the user's own keys.
  EXPECT_EQ(r.Find(Root::kCurrentUser, {"Software", "Classes", "Links"}),
            r.Find(Root::kCurrentUser, {"Software", "Acme"}));
}

TEST(RegistryStore, PlacesFilesByHeaderOrName) {
  EXPECT_EQ(WineFilePlace("WINE REGISTRY Version 2\n", "USER.REG")->root, Root::kCurrentUser);
  EXPECT_FALSE(WineFilePlace("WINE REGISTRY Version 2\n", "other.reg").has_value());
  EXPECT_EQ(HiveFilePlace("UsrClass.dat")->names, (std::vector<std::string>{"Software", "Classes"}));
  EXPECT_FALSE(HiveFilePlace("NTUSER.DAT.LOG1").has_value());
  EXPECT_TRUE(IsRegistryFileName("SYSTEM"));
  EXPECT_FALSE(IsRegistryFileName(".hidden.reg"));

  const std::pair<std::string, FileKind> kinds[] = {
      {"regf\x01\x00", FileKind::kHive},
      {"\r\n  REGEDIT4\r\n", FileKind::kRegedit},
      {"\xFF\xFE" + Le(u"Windows Registry Editor Version 5.00\r\n"), FileKind::kRegedit},
      {"\xEF\xBB\xBFWindows Registry Editor Version 5.00\n", FileKind::kRegedit},
      {"WINE REGISTRY Version 2\n", FileKind::kWine},
      {"Windows Registry Editor Version 4.00\n", FileKind::kUnknown},
  };
  for (const auto& [bytes, kind] : kinds) EXPECT_EQ(DetectFileKind(bytes), kind) << bytes;
}

// Bad lines of a regedit export: each is reported with its number, the rest
// of the file is read, and a value whose data could not be read is damaged.
TEST(RegistryStore, BadRegeditLinesAreReportedAndSkipped) {
  struct Case {
    const char* what;
    std::string body;                   // after the header and "[HKEY_CURRENT_USER\T]" (lines 1 and 2)
    std::vector<std::size_t> reported;  // line numbers
    const char* damaged;                // a value name queried as damaged, or null
  };
  const Case cases[] = {
      {"invalid hex", "\"Bad\"=hex:01,zz,03\n", {3}, "Bad"},
      {"empty hex item", "\"Bad\"=hex:01,,03\n", {3}, "Bad"},
      {"invalid dword", "\"Bad\"=dword:1234567Z\n", {3}, "Bad"},
      {"unterminated string", "\"Bad\"=\"abc\n", {3}, "Bad"},
      {"unterminated name", "\"abc=1\n", {3}, nullptr},
      {"no equals sign", "\"Bad\" \"x\"\n", {3}, "Bad"},
      {"unknown type", "\"Bad\"=qword:1\n", {3}, "Bad"},
      {"invalid kind", "\"Bad\"=hex(zz):00,\\\n  01\n", {3}, "Bad"},
      {"bad hex inside continuation", "\"Bad\"=hex:01,\\\n  zz,02\n", {3}, "Bad"},
      {"unknown root", "[HKEY_NOWHERE\\x]\n\"v\"=\"1\"\n", {3}, nullptr},
      {"root deleted", "[-HKEY_CURRENT_USER]\n", {3}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string text =
        "REGEDIT4\n[HKEY_CURRENT_USER\\T]\n" + c.body + "\n[HKEY_CURRENT_USER\\T]\n\"Good\"=\"1\"\n";
    Loaded r;
    EXPECT_EQ(r.Regedit(text), 0u);
    r.store.Finish();
    EXPECT_EQ(r.diag.Numbers(), c.reported);
    const Key* t = r.Find(Root::kCurrentUser, {"T"});
    ASSERT_NE(t, nullptr);
    EXPECT_NE(r.store.FindValue(t, "Good"), nullptr);
    EXPECT_EQ(r.store.FindValue(t, "Bad"), nullptr);
    if (c.damaged) {
      EXPECT_TRUE(r.store.IsDamaged(t, c.damaged));
      EXPECT_TRUE(r.diag.lines.front().second.ends_with(" (value \"Bad\")")) << r.diag.lines.front().second;
    }
  }
}

TEST(RegistryStore, RefusesWhatTheRegistryCannotHold) {
  std::string deep = "[HKEY_CURRENT_USER";
  for (int i = 0; i < 1000; ++i) deep += "\\k";
  std::string ok = "[HKEY_CURRENT_USER";
  for (int i = 0; i < 512; ++i) ok += "\\k";
  const std::string longValue(100000, 'v');
  const std::string text = "REGEDIT4\n" + deep + "]\n\"x\"=\"1\"\n" + ok + "]\n\"y\"=\"2\"\n" + "[HKEY_CURRENT_USER\\" +
                           std::string(256, 'n') + "]\n" + "[HKEY_CURRENT_USER\\" + std::string(255, 'n') + "]\n\"" +
                           longValue + "\"=\"1\"\n\"" + std::string(16383, 'w') + "\"=\"2\"\n";
  Loaded r;
  EXPECT_EQ(r.Regedit(text), 0u);
  r.store.Finish();
  EXPECT_EQ(r.diag.Numbers(), (std::vector<std::size_t>{2, 6, 8}));
  std::vector<std::string> path(512, "K");
  const Key* deepest = r.store.Find(Root::kCurrentUser, path);
  ASSERT_NE(deepest, nullptr);
  EXPECT_TRUE(deepest->children.empty());
  const Key* wide = r.store.Find(Root::kCurrentUser, {std::string(255, 'N')});
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->values.size(), 1u);
  EXPECT_EQ(r.store.Find(Root::kCurrentUser, {std::string(256, 'N')}), nullptr);
}

TEST(HiveFile, ReadsAHiveBuiltWithTheWriter) {
  testing_support::TempFolder folder;
  const std::string path = (folder.path() / "NTUSER.DAT").string();
  testing_hive::WriteEmptyHive(path);
  {
    HiveWriter w(path);
    const auto acme = w.Child(w.Child(w.Root(), "Software"), "Acme");
    w.Values(acme, {{"Path", hive_t_REG_SZ, Sz(u"C:\\Acme \u00e9")},
                    {"Count", hive_t_REG_DWORD, std::string("\x2a\0\0\0", 4)},
                    {"Blob", hive_t_REG_BINARY, "\x01\x02"},
                    {"", hive_t_REG_SZ, Sz(u"default")}});
    w.Child(acme, "zeta");
    w.Child(acme, "Alpha");
    w.Commit();
  }
  Loaded r;
  ASSERT_EQ(ReadHiveFile(path, KeyPath{Root::kCurrentUser, {}}, r.store, r.diag), 0u);
  r.store.Finish();
  EXPECT_TRUE(r.diag.lines.empty());
  const Key* acme = r.Find(Root::kCurrentUser, {"software", "acme"});
  ASSERT_NE(acme, nullptr);
  EXPECT_EQ(ValueNames(acme), (std::vector<std::string>{"Path", "Count", "Blob", ""}));
  EXPECT_EQ(SubkeyNames(acme), (std::vector<std::string>{"Alpha", "zeta"}));
  EXPECT_EQ(r.store.FindValue(acme, "PATH")->data, Sz(u"C:\\Acme \u00e9"));
  EXPECT_EQ(r.store.FindValue(acme, "Count")->kind, 4u);
}

}  // namespace
}  // namespace kor::platform::regstore
