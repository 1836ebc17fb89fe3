// korINI: the numeric reading of INI text, single keys, and groups of
// numbered keys, on real files in a temporary folder, called directly and
// late-bound.
#include <gtest/gtest.h>

#include <cmath>

#include "ini/file_names.h"
#include "ini/numeric_text.h"
#include "kortools/korINI.h"
#include "kortools/paths.h"
#include "tests/test_support.h"

namespace kor {
namespace {

using testing_support::ErrorOf;
using testing_support::ScopedHost;
using testing_support::TempFolder;

// ---- the numeric reading and the number texts ----

TEST(IniNumericValue, ReadsTheLeadingNumber) {
  // Blanks, tabs and line feeds are skipped anywhere (not CR); "." is the
  // decimal point whatever the locale; "&H" and "&O" read as an Integer up to
  // 16 bits and as a Long up to 32.
  const std::pair<const char16_t*, double> cases[] = {
      {u"\t1\n2", 12},     {u"- 5", -5},        {u".5", 0.5},      {u"1.2.3", 1.2},
      {u"12abc", 12},      {u"1.5D2", 150},     {u"25d-1", 2.5},   {u"1E+", 1},
      {u"1,5", 1},         {u"\r1", 0},         {u"E5", 0},        {u"-0", 0},
      {u"1E-400", 0},      {u" & H 10", 16},    {u"&HFFFF", -1},   {u"&H8000", -32768},
      {u"&H10000", 65536}, {u"&HFFFFFFFF", -1}, {u"&o177777", -1}, {u"&O200000", 65536},
      {u"&O8", 0},         {u"&HG", 0},         {u"-&H10", 0},     {u"&H80000000", -2147483648.0}};
  for (const auto& [text, value] : cases) {
    SCOPED_TRACE(text::ToUtf8(text));
    const double v = ini::NumericValue(text);
    EXPECT_EQ(v, value);
    EXPECT_FALSE(std::signbit(v) && v == 0) << "negative zero";
  }
  EXPECT_EQ(ini::NumericValue(u"1.7976931348623157E308"), 1.7976931348623157e308);
  // Beyond their range numbers overflow; the digits before the point count as
  // well as the exponent. Singles too.
  const String overflows[] = {u"1E400", u"-1e309", u"&H100000000", u"&O40000000000", String(400, u'9') + u"E-10"};
  for (const String& text : overflows) EXPECT_EQ(ErrorOf([&] { ini::NumericValue(text); }), 6) << text::ToUtf8(text);
  EXPECT_EQ(ini::ToSingle(3.4028234e38), 3.4028234e38f);
  EXPECT_EQ(ErrorOf([] { ini::ToSingle(-3.5e38); }), 6);
}

TEST(IniNumbers, DecimalTexts) {
  // The window writers show the plain ones with ".".
  EXPECT_EQ(ini::GeneralDecimalText(100.0f / 3, u","), u"33,33333");
}

// ---- the file names korINI makes ----

TEST(IniFileNames, DefaultIniFileAndCompletion) {
  // The module's folder and base name (".so" and its version go too).
  const std::pair<const char16_t*, const char16_t*> modules[] = {
      {u"Z:\\usr\\lib\\libkortools.so.4.6.0", u"Z:\\usr\\lib\\libkortools.ini"},
      {u"Z:\\opt\\my.app\\run.sh", u"Z:\\opt\\my.app\\run.ini"},
      {u"Z:\\libk.so.4", u"Z:\\\\libk.ini"}};  // at the root the folder ends in "\" already
  for (const auto& [module, ini] : modules) EXPECT_EQ(ini::DefaultIniFileOf(module), ini) << text::ToUtf8(module);

  struct Case {
    const char16_t* name;
    const char16_t* work;  // current folder C:\Work
    const char16_t* root;  // current folder C:\ (.)
  };
  const Case cases[] = {
      {u"settings.ini", u"C:\\Work\\settings.ini", u"C:\\\\settings.ini"},
      {u"\\cfg\\a.ini", u"C:\\cfg\\a.ini", u"C:\\cfg\\a.ini"},
      {u"sub\\a.ini", u"C:sub\\a.ini", u"C:sub\\a.ini"},
      {u"D:a.ini", u"C:\\Work\\D:a.ini", u"C:\\\\D:a.ini"},  // no "\" at all
      {u"\\", u"C:\\", u"C:\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.name));
    EXPECT_EQ(ini::CompletedFileName(c.name, [] { return String(u"C:\\Work"); }), c.work);
    EXPECT_EQ(ini::CompletedFileName(c.name, [] { return String(u"C:\\"); }), c.root);
  }
  // The folder is asked for only when the name needs it.
  EXPECT_EQ(ini::CompletedFileName(u"C:\\a.ini", []() -> String { throw Error::Runtime(76); }), u"C:\\a.ini");
}

// ---- single keys ----

class IniKeys : public ::testing::Test {
 protected:
  String GetIni(const String& section, const String& key, const String& def, const String& file) {
    String s = section, k = key, d = def, f = file;
    return ini.GetIni(s, k, d, f);
  }
  Variant GetInt(const String& section, const String& key, Integer def, const String& file) {
    String s = section, k = key, f = file;
    const Variant v = ini.GetInt(s, k, def, f);
    EXPECT_EQ(v.type(), Variant::Type::Double);
    return v;
  }

  TempFolder dir;
  korINI ini;
};

TEST_F(IniKeys, ValuesDefaultsAndNumbers) {
  const String file = dir.Write("app.ini", {"[Options]", "Empty=", "Blank=   ", "Split=4 2", "Hex=&H10"});
  struct Case {
    const char16_t* section;
    const char16_t* key;
    String file;
    const char16_t* text;  // GetIni with the default "dflt"
    double number;         // GetInt with the default 7
  };
  const Case cases[] = {
      {u"Options", u"Empty", file, u"dflt", 7},
      {u"Options", u"Blank", file, u"dflt", 7},
      {u"Options", u"Split", file, u"4 2", 42},
      {u"Options", u"Hex", file, u"&H10", 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(String(c.section) + u"/" + c.key));
    EXPECT_EQ(GetIni(c.section, c.key, u"dflt", c.file), c.text);
    EXPECT_EQ(*GetInt(c.section, c.key, 7, c.file).get_if<Double>(), c.number);
  }
}

TEST_F(IniKeys, LongDefaultsAreCutTo254Characters) {
  EXPECT_EQ(GetIni(u"S", u"Missing", String(300, u'd'), dir.Name("none.ini")), String(254, u'd'));
}

TEST_F(IniKeys, WriteINI) {
  // The empty value is stored (the key stays); a value ends at its first NUL.
  const String file = dir.Name("w.ini");
  EXPECT_NE(ini.WriteINI(u"Options", u"Empty", u"", file), 0);
  EXPECT_NE(ini.WriteINI(u"Options", u"Cut", String(u"before\0after", 12), file), 0);
  EXPECT_EQ(dir.Read("w.ini"), "[Options]\r\nEmpty=\r\nCut=before\r\n");
}

// ---- groups of numbered keys ----

// A group call's results: "<counts> <error>:" and the array's rows, each
// "a,b,c", separated by "|"; -99 is a count never written, "mine" the
// caller's array left as it was.
class IniGroups : public IniKeys {
 protected:
  std::string GetGroup(const String& file, const String& section) {
    Integer keys = -99, items = -99;
    StringArray values = Untouched();
    String f = file, s = section;
    const std::int32_t error = ErrorOf([&] { ini.GetGroup(f, s, keys, items, values); });
    return Shown(std::to_string(keys) + "/" + std::to_string(items), error, values);
  }
  std::string GetGroupKeys(const String& file, const String& section, StringArray names) {
    Integer items = -99;
    StringArray values = Untouched();
    String f = file, s = section;
    const std::int32_t error = ErrorOf([&] { ini.GetGroupKeys(f, s, names, items, values); });
    EXPECT_EQ(f, file) << "GetGroupKeys changed the caller's file name";
    return Shown(std::to_string(items), error, values);
  }
  static std::string Shown(const std::string& counts, std::int32_t error, const StringArray& a) {
    std::string shown = counts + " " + std::to_string(error) + ":";
    if (a == Untouched()) return shown + " mine";
    for (Long i = a.LBound(1); i <= a.UBound(1); ++i) {
      shown += i == a.LBound(1) ? " " : "|";
      for (Long j = a.LBound(2); j <= a.UBound(2); ++j) shown += (j == a.LBound(2) ? "" : ",") + text::ToUtf8(a(i, j));
    }
    return shown;
  }
  static StringArray Names(Long lower, std::vector<String> names) {
    StringArray a;
    a.ReDim(lower, lower + static_cast<Long>(names.size()) - 1);
    for (Long i = 0; i < static_cast<Long>(names.size()); ++i) a(lower + i) = names[i];
    return a;
  }
  static StringArray Untouched() {
    StringArray a;
    a.ReDim(0, 0, 0, 0);
    a(0, 0) = u"mine";
    return a;
  }

  ScopedHost host;
};

TEST_F(IniGroups, GetGroup) {
  const std::pair<const char*, const char*> cases[] = {
      // The item count rounds half to even.
      {"NumberOfItems=2.5\nNumberOfKeys=1\nKey1=A\nA1=x\nA2=y\nA3=z", "1/2 0: ,,|A,x,y"},
      // A missing base name reads the bare item numbers.
      {"NumberOfItems=2\nNumberOfKeys=2\nKey1=A\nA1=a1\n1=one\n2=two", "2/2 0: ,,|A,a1,|,one,two"},
      // Base names keep their spaces in column 0 and lose them in key names.
      {"NumberOfItems=1\nNumberOfKeys=1\nKey1=\" A \"\nA1=a", "1/1 0: ,| A ,a"},
      // Long key numbers have no leading zeros.
      {"NumberOfItems=1\nNumberOfKeys=12\nKey12=L\nL1=last", "12/1 0: ,|,|,|,|,|,|,|,|,|,|,|,|L,last"},
      // Errors keep what was written so far.
      {"NumberOfItems=2\nNumberOfKeys=-1", "-1/2 9: mine"},
  };
  for (const auto& [file, shown] : cases) EXPECT_EQ(GetGroup(dir.Write("g.ini", {"[G]", file}), u"G"), shown);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(IniGroups, AnEmptyGroupIsReported) {
  const String file = dir.Write("e.ini", {"[Colors]", "NumberOfKeys=0", "NumberOfItems=3", "[Half]", "NumberOfKeys=2"});
  EXPECT_EQ(GetGroup(file, u"Colors"), "0/3 0: mine");
  EXPECT_EQ(GetGroup(file, u"Half"), "2/0 0: mine");
  EXPECT_EQ(GetGroup(dir.Name("absent.ini"), u"Colors"), "0/0 0: mine");
  EXPECT_EQ(host.messages,
            (std::vector<String>{u"( 0 keys and  3 items in section Colors of file " + file,
                                 u"( 2 keys and  0 items in section Half of file " + file,
                                 u"( 0 keys and  0 items in section Colors of file " + dir.Name("absent.ini")}));
}

TEST_F(IniGroups, GetGroupKeys) {
  const String file = ToWindowsPath(dir.Write("colors.ini", {"[Colors]", "NumberOfItems=2", "Red1=255", "Red2=0",
                                                             "Blue1=0", "Blue2=255", "[NoCount]", "A1=x"}));
  const String zero = ToWindowsPath(dir.Write(
      "zero.ini", {"[Colors]", "NumberOfItems=0", "[Neg]", "NumberOfItems=-1", "[Big]", "NumberOfItems=1E5"}));
  StringArray twoDims;
  twoDims.ReDim(0, 1, 0, 1);
  const struct {
    const String& file;
    const char16_t* section;
    StringArray names;
    const char* shown;
  } cases[] = {
      // Names used from index 1; spaces around them removed; index 0 never read.
      {file, u"Colors", Names(0, {u"Red", u" Blue ", u"Nope"}), "2 0: ,,|,0,255|,,"},
      // Without "NumberOfItems" every key has one item.
      {file, u"NoCount", Names(1, {u"A"}), "1 0: ,|,x"},
      {file, u"Colors", Names(0, {u"Red"}), "2 0: mine"},  // bounds 0 to 0: the count only
      {zero, u"Colors", Names(0, {u"", u"Red"}), "0 0: mine"},
      {zero, u"Neg", Names(0, {u"", u"Red"}), "-1 9: mine"},  // a negative count cannot bound the array
      {zero, u"Big", Names(0, {u"", u"Red"}), "-99 6: mine"},
      // Index 1 missing or two dimensions: error 9 at the first base name,
      // after the array took its new bounds.
      {file, u"Colors", Names(2, {u"Red"}), "2 9: ,,|,,|,,"},
      {file, u"Colors", twoDims, "2 9: ,,|,,"},
  };
  for (const auto& c : cases) EXPECT_EQ(GetGroupKeys(c.file, c.section, c.names), c.shown) << &c - cases;
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace kor
