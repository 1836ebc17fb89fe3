// The classes' overloads for literals and temporaries: they compile where the
// automation-shaped members need variables, and answer as those members do.
#include <gtest/gtest.h>

#include "kortools/RegKey.h"
#include "kortools/korCSV_IO.h"
#include "kortools/korFileMan.h"
#include "kortools/korINI.h"
#include "kortools/korParse.h"
#include "tests/test_support.h"

namespace kor {
namespace {

using testing_support::ErrorOf;
using testing_support::TempFolder;

TEST(LiteralCalls, Parse) {
  korParse p;
  EXPECT_EQ(p.ParseString(u"a,b,c", u",", 2), u"b");
  StringArray values;
  EXPECT_EQ(p.SmartParse(u"x;'y;z'", values, u";", u"'"), 2);
  EXPECT_EQ(values(2), u"y;z");
  EXPECT_EQ(ChangeType<String>(p.SandR(u"abcb", u"b", u"XY")), u"aXYcXY");
  Integer n = 0, m = 0, until = 0;
  StringArray tokens;
  EXPECT_EQ(p.ParseTokenArray(u"a 'b c' d", 0, values, n), 0);
  p.ParseTokenArray(u"a 'b c' d", until, tokens, m);
  EXPECT_GT(n, 1);
  EXPECT_EQ(n, m);
}

TEST(LiteralCalls, IniAndCsvFiles) {
  TempFolder dir;
  const String file = dir.Name("app.ini");
  korINI ini;
  ini.WriteINI(u"Options", u"Colour", u"red", file);
  EXPECT_EQ(ini.GetIni(u"Options", u"Colour", u"blue", file), u"red");
  EXPECT_EQ(*ini.GetInt(u"Options", u"Size", 7, file).get_if<Double>(), 7);

  korCSV_IO csv;
  StringArray data;
  data.ReDim(1, 2, 1, 1);
  data(1, 1) = u"a";
  data(2, 1) = u"b,c";
  csv.WriteCSVFile(dir.Name("d.csv"), data);
  StringArray back;
  csv.ReadCSVFile(dir.Name("d.csv"), back);
  EXPECT_EQ(back(2, 1), u"b,c");
}

TEST(LiteralCalls, FileMan) {
  korFileMan fm;
  EXPECT_EQ(fm.GetFilename(u"C:\\dir\\file.txt"), u"file.txt");
  EXPECT_EQ(fm.MakePathRelative(u"C:\\a\\b", u"C:\\a\\c\\d.txt"), u"..\\c\\d.txt");
  TempFolder dir;
  const String made = fm.GetTempFilePathname(dir.Name(""), u"lit");
  EXPECT_EQ(fm.FileExists(made), -1);
  EXPECT_TRUE(fm.FileCopy(made, made + u".copy", vbFileOpNoConfirm));
}

TEST(LiteralCalls, RegistryRaisesAsTheMemberDoes) {
  RegKey byLiteral, byVariable;
  const auto literal = ErrorOf([&] { byLiteral.RegKeyOpen(HKEY_CURRENT_USER, u"Software\\korTools\\none"); });
  eRegistryRoots root = HKEY_CURRENT_USER;
  String key = u"Software\\korTools\\none";
  EXPECT_NE(literal, 0);
  EXPECT_EQ(literal, ErrorOf([&] { byVariable.RegKeyOpen(root, key); }));
  EXPECT_EQ(byLiteral.RegErrorCode, byVariable.RegErrorCode);
}

}  // namespace
}  // namespace kor
