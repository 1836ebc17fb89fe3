// The delimiter search every korParse method stands on, and the tokenisers'
// edge paths: self-overlapping delimiters, an encapsulator that ends the line,
// and the scan that repeats its values until the array is full.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/text.h"
#include "kortools/korParse.h"
#include "parse/forward_search.h"
#include "tests/test_support.h"

namespace kor {
namespace {

// Every text of up to 8 units over {a, b}, every pattern that overlaps itself
// in a different way, and every run of forward starts (each start, and every
// second one): each answer is the standard library's find from that start.
TEST(ForwardSearch, AgreesWithFindForEveryStartRun) {
  const std::u16string patterns[] = {u"a", u"aa", u"aaa", u"ab", u"aba", u"abab", u"aab", u"abaab", u"baa"};
  for (int length = 0; length <= 8; ++length) {
    for (int bits = 0; bits < (1 << length); ++bits) {
      std::u16string text;
      for (int i = 0; i < length; ++i) text += (bits >> i) & 1 ? u'b' : u'a';
      for (const std::u16string& pattern : patterns) {
        for (const std::size_t step : {1u, 2u, 3u}) {
          parse::ForwardSearch search(text, pattern);
          for (std::size_t start = 0; start <= text.size() + 1; start += step)
            ASSERT_EQ(search.From(start), text.find(pattern, start))
                << text::ToUtf8(text) << " / " << text::ToUtf8(pattern) << " from " << start << " step " << step;
        }
      }
    }
  }
}

// The unit search eight units at a time, which the fuzz target's short lines
// do not reach: a unit whose two bytes equal another unit's.
TEST(FastSearch, FindUnitAtEveryPlace) {
  for (std::size_t n = 0; n <= 40; ++n)
    for (std::size_t at = 0; at <= n; ++at) {
      String s(n, u'x');
      if (at < n) s[at] = u'\u2C2C';  // both bytes equal to ','
      if (at + 1 < n) s[at + 1] = u'\u2C2C';
      EXPECT_EQ(parse::FindUnit(s.data(), s.data() + n, u'\u2C2C') - s.data(), static_cast<std::ptrdiff_t>(at));
      EXPECT_EQ(parse::FindUnit(s.data(), s.data() + n, u',') - s.data(), static_cast<std::ptrdiff_t>(n));
    }
}

TEST(ParseString, OverlappingDelimitersAreTakenLeftToRight) {
  const struct {
    String line, delimiter;
    Long index;
    String expect;
  } cases[] = {
      {u"aaaxaa", u"aa", 2, u"ax"},
      {u"xabababy", u"aba", 2, u"baby"},
      {u"x;;;;;y", u";;", 2, u";y"},
      {u"abaaba", u"aba", 1, u""},
      {u"b", u"", 1, u"b"},
      // A partial match of a delimiter whose first unit recurs hides the
      // start of a whole one; a delimiter longer than the line is nowhere,
      // also where the units after the line would complete it.
      {u"xaaaby", u"aab", 2, u"y"},
      {u"a", String(u"a\0", 2), 2, u"a"},
  };
  korParse p;
  for (const auto& c : cases) {
    String line = c.line;
    EXPECT_EQ(p.ParseString(line, c.delimiter, c.index), c.expect) << text::ToUtf8(c.line);
  }
  String text = u"aaaa", search = u"aa", replacing = u"b";
  EXPECT_EQ(*p.SandR(text, search, replacing).get_if<String>(), u"bb");
}

struct Smart {
  Integer count;
  std::vector<String> values;
};

Smart SmartParse(String line, const char16_t* delimiter, const char16_t* encapsulator) {
  korParse p;
  String d = delimiter ? delimiter : u"", e = encapsulator ? encapsulator : u"";
  StringArray values;
  Smart r{p.SmartParse(line, values, delimiter ? &d : nullptr, encapsulator ? &e : nullptr), {}};
  for (Long i = 1; i <= values.UBound() && i <= 4; ++i) r.values.push_back(values(i));
  return r;
}

TEST(SmartParse, EncapsulatorAtTheEndOfTheLine) {
  testing_support::ScopedHost host;
  // A two-unit encapsulator that ends the line exactly is a value's start.
  Smart r = SmartParse(u"x ''", nullptr, u"''");
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(r.values, std::vector<String>{u"x"});
  // One that begins in the last unit sends the scan back to the start; the
  // second time round repeats the values stored since, until the array is
  // full: the line is reported and the count is -9.
  r = SmartParse(u"ab cd '", nullptr, u"''");
  EXPECT_EQ(r.count, -9);
  EXPECT_EQ(r.values, (std::vector<String>{u"ab", u"cd", u"b cd ", u"b cd "}));
  EXPECT_EQ(host.messages, std::vector<String>{u"Error in parsing line:  ; ab cd '"});
}

}  // namespace
}  // namespace kor
