// The value types, conversions, arrays, type information and late-bound
// dispatch that every class stands on.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "frame/dates.h"
#include "kortools/dispatch.h"
#include "kortools/error.h"
#include "kortools/paths.h"
#include "kortools/string_array.h"
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
      {Double{2.5}, 2, 0},        {Double{3.5}, 4, 0},          {Double{-0.5}, 0, 0},
      {String(u" 12.5 "), 12, 0}, {String(u"1,000"), 1000, 0},  {String(u"&HFFFF"), -1, 0},
      {Boolean(true), -1, 0},     {Double{2147483647.5}, 0, 6}, {Double{NAN}, 0, 6},
      {String(u"12abc"), 0, 13},  {Variant::Missing(), 0, 13},  {String(u"1e400"), 0, 6},
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

// Bounds, dimensions and elements an array does not have raise 9 and leave
// the array as it was.
TEST(StringArray, RefusedBoundsRaiseNineAndLoseNothing) {
  StringArray a;
  a.ReDim(2147483646, 2147483647);
  a(2147483647) = u"kept";
  const StringArray before = a;
  const std::function<void()> refused[] = {
      [&] { a.ReDim(5, 3); },        [&] { a.ReDimPreserve(0, 2147483647); }, [&] { a.ReDimPreserve(0, 1, 0, 1); },
      [&] { a(2147483645) = u"x"; }, [&] { a(2147483647, 0) = u"x"; },        [&] { a.UBound(2); },
      [&] { a.LBound(0); },
  };
  for (const auto& f : refused) EXPECT_EQ(ErrorOf(f), 9) << &f - refused;
  EXPECT_EQ(a, before);
  a.ReDimPreserve(2147483646, 2147483646);
  EXPECT_EQ(a.size(), 1u);
}

// The type library's tables: the committed IDL is what they describe, widl
// compiles it, and the Windows client loads every class's type information
// from the registered library.

// The host's tests call through the same dispatch by name (errors 438, 449,
// 450 and 13); here what they do not: the caller's list keeps its length, and
// a dispatch id.
TEST(Dispatch, RefusesWhatItCannotCall) {
  auto parse = AutomationObject::Global("korParse");
  std::vector<Variant> few{String(u"a")};
  EXPECT_EQ(ErrorOf([&] { parse.Invoke("ParseString", few); }), 449);
  EXPECT_EQ(few.size(), 1u);
  EXPECT_EQ(ErrorOf([&] { parse.Invoke(7, few); }), 438);
  std::vector<Variant> big{String(u"a"), String(u","), Double{3e9}};
  EXPECT_EQ(ErrorOf([&] { parse.Invoke(0x60030000, big); }), 6);
}

}  // namespace
}  // namespace kor
