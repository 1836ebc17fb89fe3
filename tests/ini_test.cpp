// korINI: the numeric reading of INI text, single keys, and groups of
// numbered keys, on real files in a temporary folder, called directly and
// late-bound.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <optional>

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
  struct Case {
    const char16_t* text;
    double value;
  };
  // Blanks, tabs and line feeds are skipped anywhere (not CR); "." is the
  // decimal point whatever the locale; "&H" and "&O" read as an Integer up to
  // 16 bits and as a Long up to 32.
  const Case cases[] = {{u"\t1\n2", 12},     {u"- 5", -5},        {u".5", 0.5},      {u"1.2.3", 1.2},
                        {u"12abc", 12},      {u"1.5D2", 150},     {u"25d-1", 2.5},   {u"1E+", 1},
                        {u"1,5", 1},         {u"\r1", 0},         {u"E5", 0},        {u"-0", 0},
                        {u"1E-400", 0},      {u" & H 10", 16},    {u"&HFFFF", -1},   {u"&H8000", -32768},
                        {u"&H10000", 65536}, {u"&HFFFFFFFF", -1}, {u"&o177777", -1}, {u"&O200000", 65536},
                        {u"&O8", 0},         {u"&HG", 0},         {u"-&H10", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.text));
    const double v = ini::NumericValue(c.text);
    EXPECT_EQ(v, c.value);
    EXPECT_FALSE(std::signbit(v) && v == 0) << "negative zero";
  }
  EXPECT_EQ(ini::NumericValue(u"&H80000000"), -2147483648.0);
}

TEST(IniNumericValue, NumbersBeyondTheirRangeOverflow) {
  for (const char16_t* text : {u"1E400", u"-1e309", u"&H100000000", u"&O40000000000"}) {
    SCOPED_TRACE(text::ToUtf8(text));
    EXPECT_EQ(ErrorOf([&] { ini::NumericValue(text); }), 6);
  }
  EXPECT_EQ(ini::NumericValue(u"1.7976931348623157E308"), 1.7976931348623157e308);
  // The digits before the point count as well as the exponent.
  EXPECT_EQ(ErrorOf([] { ini::NumericValue(String(400, u'9') + u"E-10"); }), 6);
  // Singles too.
  EXPECT_EQ(ini::ToSingle(3.4028234e38), 3.4028234e38f);
  EXPECT_EQ(ErrorOf([] { ini::ToSingle(-3.5e38); }), 6);
}

TEST(IniNumbers, DefaultAndDecimalTexts) {
  EXPECT_EQ(ini::DefaultText(7), u" 7");
  EXPECT_EQ(ini::DefaultText(-32768), u"-32768");
  struct Case {
    Single value;
    const char16_t* text;
  };
  const Case cases[] = {{6.25f, u"6.25"},        {100.0f / 3, u"33.33333"},   {-0.0f, u"0"},
                        {0.1f, u"0.1"},          {12345678, u"1.234568E+07"}, {0.0001f, u"0.0001"},
                        {-1.5e-7f, u"-1.5E-07"}, {99.99999f, u"99.99999"}};
  for (const auto& c : cases) EXPECT_EQ(ini::GeneralDecimalText(c.value, u"."), c.text) << text::ToUtf8(c.text);
  EXPECT_EQ(ini::GeneralDecimalText(100.0f / 3, u","), u"33,33333");
}

// ---- the file names korINI makes ----

TEST(IniFileNames, DefaultIniFileAndCompletion) {
  // The module's folder and base name (".so" and its version go too).
  const std::pair<const char16_t*, const char16_t*> modules[] = {
      {u"Z:\\usr\\lib\\libkortools.so.4.6.0", u"Z:\\usr\\lib\\libkortools.ini"},
      {u"Z:\\opt\\app\\bin\\app", u"Z:\\opt\\app\\bin\\app.ini"},
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
  const String file = dir.Write("app.ini", {"[Options]", "Size=abc", "Empty=", "Blank=   ", "Split=4 2", "Hex=&H10"});
  const String missingFile = dir.Name("none.ini");
  struct Case {
    const char16_t* section;
    const char16_t* key;
    String file;
    const char16_t* text;  // GetIni with the default "dflt"
    double number;         // GetInt with the default 7
  };
  const Case cases[] = {
      {u"Options", u"Size", file, u"abc", 0},   {u"Options", u"Empty", file, u"dflt", 7},
      {u"Options", u"Blank", file, u"dflt", 7}, {u"Options", u"Missing", file, u"dflt", 7},
      {u"Nowhere", u"Size", file, u"dflt", 7},  {u"Options", u"Size", missingFile, u"dflt", 7},
      {u"Options", u"Split", file, u"4 2", 42}, {u"Options", u"Hex", file, u"&H10", 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(String(c.section) + u"/" + c.key));
    EXPECT_EQ(GetIni(c.section, c.key, u"dflt", c.file), c.text);
    EXPECT_EQ(*GetInt(c.section, c.key, 7, c.file).get_if<Double>(), c.number);
  }
  EXPECT_EQ(*GetInt(u"Options", u"Missing", -3, file).get_if<Double>(), -3);
}

TEST_F(IniKeys, LongValuesAndDefaultsAreCutTo254Characters) {
  const String file = dir.Write("long.ini", {"[S]", "Long=" + std::string(300, 'v')});
  EXPECT_EQ(GetIni(u"S", u"Long", u"", file), String(254, u'v'));
  EXPECT_EQ(GetIni(u"S", u"Missing", String(300, u'd'), file), String(254, u'd'));
}

TEST_F(IniKeys, WriteINI) {
  // The empty value is stored (the key stays); a value ends at its first NUL.
  const String file = dir.Name("w.ini");
  EXPECT_NE(ini.WriteINI(u"Options", u"Empty", u"", file), 0);
  EXPECT_NE(ini.WriteINI(u"Options", u"Cut", String(u"before\0after", 12), file), 0);
  EXPECT_EQ(dir.Read("w.ini"), "[Options]\r\nEmpty=\r\nCut=before\r\n");
  EXPECT_EQ(ini.WriteINI(u"Options", u"Colour", u"red", dir.Name("no-such-folder/w.ini")), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "no-such-folder"));
}

TEST_F(IniKeys, ByReferenceArgumentsComeBackThroughTheCodePage) {
  const String file = dir.Write("cp.ini", {"[S]", "K=v"});
  // An unpaired surrogate cannot cross to the platform: it comes back as "?".
  String section = u"S", key = String(u"K\xD800", 2), def = String(u"d\xDC00", 2), f = file;
  EXPECT_EQ(ini.GetIni(section, key, def, f), u"d?");  // the key "K?" does not exist
  EXPECT_EQ(key, u"K?");
  EXPECT_EQ(def, u"d?");
  EXPECT_EQ(f, file);
  // Text after a NUL does not reach the platform but stays in the variable.
  section = String(u"S\0x", 3);
  key = u"K";
  def = u"";
  EXPECT_EQ(ini.GetIni(section, key, def, f), u"v");
  EXPECT_EQ(section, String(u"S\0x", 3));
}

// ---- groups of numbered keys ----

const std::vector<std::string> kColors = {"[Colors]", "NumberOfItems=2", "NumberOfKeys=2", "Key1=Red", "Key2=Blue",
                                          "Red1=255", "Red2=0",          "Blue1=0",        "Blue2=255"};

std::vector<std::vector<String>> Rows(const StringArray& a) {
  std::vector<std::vector<String>> rows;
  for (Long i = a.LBound(1); i <= a.UBound(1); ++i) {
    rows.emplace_back();
    for (Long j = a.LBound(2); j <= a.UBound(2); ++j) rows.back().push_back(a(i, j));
  }
  return rows;
}

using Table = std::vector<std::vector<String>>;

class IniGroups : public IniKeys {
 protected:
  struct Group {
    Integer keys = -99, items = -99;
    StringArray values;
    std::int32_t error = 0;
  };
  Group GetGroup(const String& file, const String& section, StringArray start = StringArray()) {
    Group g;
    g.values = std::move(start);
    String f = file, s = section;
    g.error = ErrorOf([&] { ini.GetGroup(f, s, g.keys, g.items, g.values); });
    return g;
  }
  Group GetGroupKeys(const String& file, const String& section, StringArray names, StringArray start = StringArray()) {
    Group g;
    g.values = std::move(start);
    String f = file, s = section;
    g.error = ErrorOf([&] { ini.GetGroupKeys(f, s, names, g.items, g.values); });
    EXPECT_EQ(f, file) << "GetGroupKeys changed the caller's file name";
    return g;
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

TEST_F(IniGroups, GetGroupVariants) {
  struct Case {
    const char* file;  // after "[G]"
    Integer keys, items;
    Table rows;
  };
  const Case cases[] = {
      {"NumberOfItems=2\nNumberOfKeys=2\nKey1=Red\nKey2=Blue\nRed1=255\nRed2=0\nBlue1=0\nBlue2=255",
       2,
       2,
       {{u"", u"", u""}, {u"Red", u"255", u"0"}, {u"Blue", u"0", u"255"}}},
      // The item count rounds half to even.
      {"NumberOfItems=2.5\nNumberOfKeys=1\nKey1=A\nA1=x\nA2=y\nA3=z", 1, 2, {{u"", u"", u""}, {u"A", u"x", u"y"}}},
      // A missing base name reads the bare item numbers.
      {"NumberOfItems=2\nNumberOfKeys=2\nKey1=A\nA1=a1\n1=one\n2=two",
       2,
       2,
       {{u"", u"", u""}, {u"A", u"a1", u""}, {u"", u"one", u"two"}}},
      // Base names keep their spaces in column 0 and lose them in key names.
      {"NumberOfItems=1\nNumberOfKeys=1\nKey1=\" A \"\nA1=a", 1, 1, {{u"", u""}, {u" A ", u"a"}}},
      // Long key numbers have no leading zeros.
      {"NumberOfItems=1\nNumberOfKeys=12\nKey12=L\nL1=last", 12, 1, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Group g = GetGroup(dir.Write("g.ini", {"[G]", c.file}), u"G");
    ASSERT_EQ(g.error, 0);
    EXPECT_EQ(g.keys, c.keys);
    EXPECT_EQ(g.items, c.items);
    if (!c.rows.empty())
      EXPECT_EQ(Rows(g.values), c.rows);
    else
      EXPECT_EQ(g.values(12, 1), u"last");
  }
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(IniGroups, GetGroupReportsAnEmptyGroupAndKeepsWhatWasWrittenOnErrors) {
  const String file =
      dir.Write("e.ini", {"[Colors]", "NumberOfKeys=0", "NumberOfItems=3", "[Half]", "NumberOfKeys=2", "[Big]",
                          "NumberOfItems=3", "NumberOfKeys=40000", "[Neg]", "NumberOfItems=2", "NumberOfKeys=-1"});
  const struct {
    const char16_t* section;
    std::int32_t error;
    Integer keys, items;
  } cases[] = {{u"Colors", 0, 0, 3}, {u"Half", 0, 2, 0}, {u"Big", 6, -99, 3}, {u"Neg", 9, -1, 2}};
  for (const auto& c : cases) {
    const Group g = GetGroup(file, c.section, Untouched());
    EXPECT_EQ(g.error, c.error);
    EXPECT_EQ(g.keys, c.keys);  // -99: never written
    EXPECT_EQ(g.items, c.items);
    EXPECT_EQ(g.values, Untouched());
  }
  const Group absent = GetGroup(dir.Name("absent.ini"), u"Colors", Untouched());
  EXPECT_EQ(absent.keys, 0);
  EXPECT_EQ(absent.items, 0);
  EXPECT_EQ(host.messages,
            (std::vector<String>{u"( 0 keys and  3 items in section Colors of file " + file,
                                 u"( 2 keys and  0 items in section Half of file " + file,
                                 u"( 0 keys and  0 items in section Colors of file " + dir.Name("absent.ini")}));
}

TEST_F(IniGroups, GetGroupKeysReadsTheCallersBaseNames) {
  const String file = ToWindowsPath(dir.Write("colors.ini", kColors));
  // Names used from index 1; spaces around them removed; index 0 never read.
  Group g = GetGroupKeys(file, u"Colors", Names(0, {u"Red", u" Blue ", u"Nope"}));
  ASSERT_EQ(g.error, 0);
  EXPECT_EQ(g.items, 2);
  EXPECT_EQ(Rows(g.values), (Table{{u"", u"", u""}, {u"", u"0", u"255"}, {u"", u"", u""}}));

  // Without "NumberOfItems" every key has one item.
  const String noCount = ToWindowsPath(dir.Write("one.ini", {"[S]", "A1=x", "A2=y"}));
  g = GetGroupKeys(noCount, u"S", Names(1, {u"A"}));
  EXPECT_EQ(g.items, 1);
  EXPECT_EQ(Rows(g.values), (Table{{u"", u""}, {u"", u"x"}}));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(IniGroups, GetGroupKeysEndsEarlyOrFails) {
  const String file = ToWindowsPath(dir.Write("colors.ini", kColors));
  const String zero = ToWindowsPath(dir.Write(
      "zero.ini", {"[Colors]", "NumberOfItems=0", "[Neg]", "NumberOfItems=-1", "[Big]", "NumberOfItems=1E5"}));
  StringArray twoDims;
  twoDims.ReDim(0, 1, 0, 1);
  const struct {
    const String& file;
    const char16_t* section;
    StringArray names;
    std::int32_t error;
    Integer items;
    bool untouched;
  } cases[] = {
      {file, u"Colors", Names(0, {u"Red"}), 0, 2, true},  // bounds 0 to 0: the count only
      {zero, u"Colors", Names(0, {u"", u"Red"}), 0, 0, true},
      {zero, u"Colors", StringArray(), 9, 0, true},          // no dimensions, even with nothing to read
      {zero, u"Neg", Names(0, {u"", u"Red"}), 9, -1, true},  // a negative count cannot bound the array
      {zero, u"Big", Names(0, {u"", u"Red"}), 6, -99, true},
      // Index 1 missing or two dimensions: error 9 at the first base name,
      // after the array took its new bounds.
      {file, u"Colors", Names(2, {u"Red"}), 9, 2, false},
      {file, u"Colors", twoDims, 9, 2, false},
  };
  for (const auto& c : cases) {
    const Group g = GetGroupKeys(c.file, c.section, c.names, Untouched());
    EXPECT_EQ(g.error, c.error) << &c - cases;
    EXPECT_EQ(g.items, c.items) << &c - cases;
    EXPECT_EQ(g.values == Untouched(), c.untouched) << &c - cases;
  }
}

}  // namespace
}  // namespace kor
