// The text module's policies and the civil calendar.
#include <gtest/gtest.h>

#include "frame/dates.h"
#include "frame/text.h"

namespace kor::text {
namespace {

constexpr char16_t kBad = 0xFFFD;

TEST(Text, EachPolicyTreatsBadUtf8AsDocumented) {
  const struct {
    std::string_view utf8;
    bool valid;
    String replaced, kept;
  } rows[] = {
      {"a\xC3\xA9", true, u"a\u00E9", u"a\u00E9"},
      {"\xF0\x9F\x98\x80", true, u"\xD83D\xDE00", u"\xD83D\xDE00"},
      {"\xED\xA0\x80", false, {kBad, kBad, kBad}, u"\xD800"},  // an encoded surrogate
      {"\xF5\x80\x80", false, {kBad, kBad, kBad}, {kBad, kBad, kBad}},
      {"\xE0\x80\xAF", false, {kBad, kBad, kBad}, {kBad, kBad, kBad}},  // overlong
      {"x\xC3", false, {u'x', kBad}, {u'x', kBad}},                     // cut short
  };
  for (const auto& r : rows) {
    String strict;
    EXPECT_EQ(AppendUtf16(strict, r.utf8, Policy::kStrict), r.valid) << r.utf8;
    EXPECT_EQ(FromUtf8(r.utf8), r.replaced) << r.utf8;
    EXPECT_EQ(FromUtf8(r.utf8, Policy::kKeepSurrogates), r.kept) << r.utf8;
  }
}

TEST(Text, UnpairedSurrogatesAreRefusedReplacedOrKept) {
  const String lone = u"\xDC00\xD800x\xD83D\xDE00";
  std::string out;
  EXPECT_FALSE(AppendUtf8(out, lone, Policy::kStrict));
  EXPECT_EQ(ToUtf8(lone), "\xEF\xBF\xBD\xEF\xBF\xBDx\xF0\x9F\x98\x80");
  const std::string kept = ToUtf8(lone, Policy::kKeepSurrogates);
  EXPECT_EQ(kept, "\xED\xB0\x80\xED\xA0\x80x\xF0\x9F\x98\x80");
  EXPECT_EQ(FromUtf8(kept, Policy::kKeepSurrogates), lone);
}

// The line reader: the INI dialect's and the registry files' tests.

TEST(Text, CivilDaysHoldForAnyYear) {
  EXPECT_EQ(dates::DaysFromCivil(1899, 12, 30), -25569);
  EXPECT_EQ(dates::DaysFromCivil(2000, 2, 30), dates::DaysFromCivil(2000, 3, 1));
  for (const int year : {-40000, -1, 100, 1601, 2024, 30828, 40000}) {
    const dates::CivilDate d = dates::CivilOfDays(dates::DaysFromCivil(year, 2, 29));
    EXPECT_EQ(d.year, year);
    EXPECT_EQ(d.month * 100 + d.day, year % 4 == 0 && (year % 100 != 0 || year % 400 == 0) ? 229u : 301u) << year;
  }
}

}  // namespace
}  // namespace kor::text
