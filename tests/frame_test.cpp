// The value types, conversions, arrays, type information and late-bound
// dispatch that every class stands on.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "frame/dates.h"
#include "kortools/dispatch.h"
#include "kortools/error.h"
#include "kortools/paths.h"
#include "kortools/typeinfo.h"
#include "kortools/variant.h"
#include "tests/test_support.h"

namespace kor {
namespace {

using testing_support::ErrorOf;

TEST(ChangeType, WholeNumbersRoundHalfToEvenAndTrapOverflow) {
  struct Case {
    Variant in;
    std::int32_t expectLong;
    std::int32_t error;
  };
  const Case cases[] = {
      {Double{2.5}, 2, 0},
      {Double{3.5}, 4, 0},
      {Double{-2.5}, -2, 0},
      {Double{-0.5}, 0, 0},
      {String(u" 12.5 "), 12, 0},
      {String(u"1,000"), 1000, 0},
      {String(u"&HFF"), 255, 0},
      {String(u"&HFFFF"), -1, 0},
      {Boolean(true), -1, 0},
      {Variant(), 0, 0},
      {Double{2147483647.4}, 2147483647, 0},
      {Double{2147483647.5}, 0, 6},
      {Double{NAN}, 0, 6},
      {String(u"12abc"), 0, 13},
      {String(u""), 0, 13},
      {Variant::Missing(), 0, 13},
      {String(u"1e400"), 0, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    if (c.error) {
      EXPECT_EQ(ErrorOf([&] { ChangeType<Long>(c.in); }), c.error);
    } else {
      EXPECT_EQ(ChangeType<Long>(c.in), c.expectLong);
    }
  }
  EXPECT_EQ(ErrorOf([] { ChangeType<Integer>(Long{32768}); }), 6);
  EXPECT_EQ(ChangeType<Integer>(Double{-32768.4}), -32768);
}

TEST(ChangeType, TextAndBooleans) {
  EXPECT_EQ(ChangeType<String>(Double{0.5}), u"0.5");
  EXPECT_EQ(ChangeType<String>(Double{1e20}), u"1E+20");
  EXPECT_EQ(ChangeType<String>(Double{-1.5e-7}), u"-1.5E-07");
  EXPECT_EQ(ChangeType<String>(Single{0.1f}), u"0.1");
  EXPECT_EQ(ChangeType<String>(Boolean(true)), u"True");
  EXPECT_EQ(ChangeType<String>(Long{-7}), u"-7");
  EXPECT_EQ(ChangeType<Boolean>(String(u" TRUE ")), kTrue);
  EXPECT_EQ(ChangeType<Boolean>(String(u"0")), kFalse);
  EXPECT_EQ(ChangeType<Boolean>(Long{2}).value, -1);
  EXPECT_EQ(ErrorOf([] { ChangeType<Boolean>(String(u"yes")); }), 13);
  EXPECT_EQ(ErrorOf([] { ChangeType<String>(Variant(StringArray())); }), 13);
}

TEST(Dates, CivilRoundTripIncludingBeforeTheEpoch) {
  struct Case {
    const char16_t* text;
    double value;
  };
  const Case cases[] = {{u"1899-12-30", 0.0},
                        {u"1899-12-29 06:00:00", -1.25},
                        {u"2000-01-01 12:00:00", 36526.5},
                        {u"1900-03-01", 61.0},
                        {u"0100-01-01", -657434.0}};
  for (const auto& c : cases) {
    Date d;
    ASSERT_TRUE(dates::ParseDate(c.text, d)) << c.value;
    EXPECT_DOUBLE_EQ(d.value, c.value);
    EXPECT_EQ(dates::FormatDate(d), c.text);
  }
  Date d;
  EXPECT_FALSE(dates::ParseDate(u"2001-02-29", d));
  EXPECT_FALSE(dates::ParseDate(u"2001-02-28 24:00", d));
}

TEST(StringArray, BoundsAndReDim) {
  StringArray a;
  EXPECT_EQ(a.Dims(), 0);
  EXPECT_EQ(ErrorOf([&] { a.UBound(); }), 9);
  a.ReDim(1, 3);
  a(1) = u"x";
  a(3) = u"z";
  EXPECT_EQ(ErrorOf([&] { a(4); }), 9);
  EXPECT_EQ(ErrorOf([&] { a(0); }), 9);
  EXPECT_EQ(ErrorOf([&] { a(1, 1); }), 9);
  a.ReDimPreserve(1, 5);
  EXPECT_EQ(a(1), u"x");
  EXPECT_EQ(a(3), u"z");
  EXPECT_EQ(a(5), u"");
  EXPECT_EQ(ErrorOf([&] { a.ReDimPreserve(0, 5); }), 9);        // lower bound may not change
  EXPECT_EQ(ErrorOf([&] { a.ReDimPreserve(1, 5, 1, 2); }), 9);  // nor the number of dimensions
  a.ReDim(0, -1);                                               // empty
  EXPECT_EQ(a.size(), 0u);
  EXPECT_EQ(ErrorOf([&] { a.ReDim(0, -2); }), 9);

  StringArray t;
  t.ReDim(1, 2, 0, 1);
  t(2, 0) = u"b0";
  t(1, 1) = u"a1";
  t.ReDimPreserve(1, 2, 0, 3);  // the last upper bound may change
  EXPECT_EQ(t(2, 0), u"b0");
  EXPECT_EQ(t(1, 1), u"a1");
  EXPECT_EQ(t.UBound(2), 3);
  EXPECT_EQ(ErrorOf([&] { t.ReDimPreserve(1, 3, 0, 3); }), 9);  // the first may not
  t.ReDim(5, 5);
  EXPECT_EQ(t.Dims(), 1);
  EXPECT_EQ(t(5), u"");
}

TEST(TypeLibrary, TablesAreConsistent) {
  const auto& lib = TypeLibrary();
  ASSERT_EQ(lib.classes.size(), 5u);
  EXPECT_EQ(lib.enums.size(), 5u);
  EXPECT_EQ(lib.fileManAliases.size(), 5u);
  std::set<std::string_view> guids{lib.guid};
  for (const auto& c : lib.classes) {
    SCOPED_TRACE(std::string(c.name));
    EXPECT_EQ(c.iface.name, "_" + std::string(c.name));
    guids.insert(c.guid);
    guids.insert(c.iface.guid);
    for (std::size_t i = 0; i < c.iface.members.size(); ++i) {
      const auto& m = c.iface.members[i];
      EXPECT_EQ(m.slot, static_cast<int>(i));
      ASSERT_NE(m.invoke, nullptr);
      for (const auto& p : m.params) {
        EXPECT_FALSE(p.name.empty());
        if (p.defaultValue) {
          EXPECT_TRUE(p.optional);
        }
      }
    }
  }
  for (auto g : lib.fileManAliases) guids.insert(g);
  EXPECT_EQ(guids.size(), 1u + 10u + 5u);  // every identifier distinct

  // Lookups ignore case; a member is found by name or dispatch id.
  const ClassInfo* fm = FindClass("KORFILEMAN");
  ASSERT_NE(fm, nullptr);
  EXPECT_EQ(FindMember(*fm, 0x6003000B)->name, "FileCopyExt");
  EXPECT_EQ(FindMember(*FindClass("korParse"), "parsestring")->name, "ParseString");
  const ClassInfo* reg = FindClass("RegKey");
  EXPECT_NE(FindMember(*reg, "RegErrorCode", MemberKind::PropertyGet), nullptr);
  EXPECT_NE(FindMember(*reg, "RegErrorCode", MemberKind::PropertyPut), nullptr);
  EXPECT_EQ(FindMember(*reg, "RegErrorCode"), nullptr);
  const EnumInfo* roots = FindEnum("eRegistryRoots");
  ASSERT_NE(roots, nullptr);
  EXPECT_EQ(roots->members[0].value, -2147483647 - 1);
}

TEST(Dispatch, RefusesWhatItCannotCall) {
  auto parse = AutomationObject::Global("korParse");
  std::vector<Variant> args{String(u"a"), String(u","), Long{1}, Long{2}};
  EXPECT_EQ(ErrorOf([&] { parse.Invoke("ParseString", args); }), 450);
  EXPECT_EQ(args.size(), 4u);
  std::vector<Variant> few{String(u"a")};
  EXPECT_EQ(ErrorOf([&] { parse.Invoke("ParseString", few); }), 449);
  EXPECT_EQ(few.size(), 1u);  // the caller's list keeps its length
  EXPECT_EQ(ErrorOf([&] { parse.Invoke("NoSuchMember", few); }), 438);
  EXPECT_EQ(ErrorOf([&] { parse.Invoke(7, few); }), 438);  // by dispatch id
  EXPECT_EQ(ErrorOf([] { AutomationObject::Create("korNothing"); }), 429);
  std::vector<Variant> bad{String(u"a"), String(u","), String(u"two")};
  EXPECT_EQ(ErrorOf([&] { parse.Invoke("ParseString", bad); }), 13);
  std::vector<Variant> big{String(u"a"), String(u","), Double{3e9}};
  EXPECT_EQ(ErrorOf([&] { parse.Invoke(0x60030000, big); }), 6);
}

TEST(Dispatch, PropertiesAndGlobalInstances) {
  auto key = AutomationObject::Create("RegKey");
  EXPECT_EQ(key.GetProperty("RegErrorCode"), Variant(Long{0}));
  key.SetProperty("regerrorcode", Long{234});
  EXPECT_EQ(key.GetProperty("RegErrorCode"), Variant(Long{234}));
  auto other = AutomationObject::Create("RegKey");
  EXPECT_EQ(other.GetProperty("RegErrorCode"), Variant(Long{0}));
  EXPECT_EQ(AutomationObject::Global("RegKey").Self(), AutomationObject::Global("regkey").Self());
  EXPECT_NE(AutomationObject::Global("RegKey").Self(), key.Self());
}

// Late-bound calls of each class, as a script host makes them: the result and
// the by-reference arguments written back, or the error raised.
TEST(Dispatch, CallsOfEachClass) {
  testing_support::TempFolder dir;
  testing_support::ScopedHost host;
  const String ini = dir.Name("none.ini"), csv = dir.Name("t.csv");
  testing_support::WriteFile(dir / "t.csv", "a\r\nb,c\r\n");
  const auto list = [](std::vector<String> items) {
    StringArray a;
    a.ReDim(0, static_cast<Long>(items.size()) - 1);
    for (std::size_t i = 0; i < items.size(); ++i) a(static_cast<Long>(i)) = items[i];
    return Variant(a);
  };
  StringArray records;  // only the first line sized it: no record is examined beyond it
  records.ReDim(0, 1, 0, 2);
  records(1, 1) = u"a";
  records(1, 2) = u"b";
  using S = String;
  struct Case {
    const char* call;  // Class.Member
    std::vector<Variant> args;
    std::int32_t error;
    Variant result;
    std::vector<std::pair<std::size_t, Variant>> after;  // arguments written back
  };
  const Case cases[] = {
      // clang-format off
      // The optional delimiter and encapsulator left out take their defaults.
      {"korParse.SmartParse", {S(u"x \"y z\""), StringArray()}, 0, Integer{2}, {{1, list({u"", u"x", u"y z"})}}},
      {"korParse.ParseTokenArray", {S(u"a 'b c'"), Integer{0}, StringArray(), Integer{-4}}, 0, Integer{0},
       {{2, list({u"", u"a", u"b c", u""})}, {3, Integer{3}}}},
      {"korParse.SandR", {S(), S(u"x"), S(u"y")}, 0, S(), {}},
      {"korParse.ParseString", {S(u"a,b"), S(u","), Long{-2147483647 - 1}}, 6, {}, {}},
      // A by-reference name comes back as the code page passed it.
      {"korINI.GetIni", {S(u"S"), S(u"K\xD800", 2), S(u"d"), ini}, 0, S(u"d"), {{1, S(u"K?")}}},
      {"korINI.GetInt", {S(u"S"), S(u"K"), Long{-3}, ini}, 0, Double{-3}, {}},
      {"korINI.GetGroupKeys", {ini, S(u"S"), StringArray(), Integer{0}, S(u"not an array")}, 13, {}, {}},
      // Variants by reference pass through as they are.
      {"korFileMan.FileCopy", {ToWindowsPath(csv), ToWindowsPath(dir.Name("copy.csv")), Variant::Missing(),
       S(u"Copying"), Long{9}}, 0, kTrue, {{3, S(u"Copying")}, {4, Long{9}}}},
      // A Windows name, its letters looked up ignoring case.
      {"korCSV_IO.ReadCSVFile", {ToWindowsPath(dir.Name("T.CSV")), StringArray(), Long{0}}, 0, {}, {{1, records}}},
      {"korCSV_IO.WriteCSVFile", {csv, StringArray()}, 9, {}, {}},
      {"korFileMan.MakePathRelative", {S(u"C:\\a"), S(u"C:\\a\\F.txt")}, 0, S(u"F.txt"), {{0, S(u"C:\\a\\")}}},
      // clang-format on
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    const std::string_view call = c.call;
    auto object = AutomationObject::Global(call.substr(0, call.find('.')));
    std::vector<Variant> args = c.args;
    Variant result;
    EXPECT_EQ(ErrorOf([&] { result = object.Invoke(call.substr(call.find('.') + 1), args); }), c.error);
    if (c.error) continue;
    EXPECT_EQ(result, c.result);
    for (const auto& [index, value] : c.after) EXPECT_EQ(args[index], value) << index;
  }
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(dir.Read("copy.csv"), "a\r\nb,c\r\n");
}
}  // namespace
}  // namespace kor
