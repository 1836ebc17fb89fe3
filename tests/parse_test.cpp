// korParse: what the fuzz target's comparison with the step-by-step models
// (fuzz/parse_fuzz.cpp, replayed over its corpus by ctest) does not reach:
// the smallest index, empty delimiters and encapsulators, the limits of
// SmartParse and ParseTokenArray, and the caller's token array.
#include <gtest/gtest.h>

#include "frame/text.h"
#include "kortools/host.h"
#include "kortools/korParse.h"
#include "tests/test_support.h"

namespace kor {
namespace {

using testing_support::ErrorOf;

std::vector<String> Elements(const StringArray& a, Long from, Long to) {
  std::vector<String> out;
  for (Long i = from; i <= to; ++i) out.push_back(a(i));
  return out;
}

String Words(int count, const char16_t* prefix = u"w") {
  String s;
  for (int i = 1; i <= count; ++i) {
    if (i > 1) s += u' ';
    s += prefix + text::Ascii(std::to_string(i));
  }
  return s;
}

TEST(ParseString, SmallestIndexOverflowsOnceTheLineIsNotEmpty) {
  korParse p;
  String empty, line = u"a,b";
  EXPECT_EQ(p.ParseString(empty, u",", -2147483647 - 1), u"");
  EXPECT_EQ(ErrorOf([&] { p.ParseString(line, u",", -2147483647 - 1); }), 6);
  EXPECT_EQ(ErrorOf([&] { p.ParseString(line, u"", -2147483647 - 1); }), 6);
}

struct SmartCase {
  String line;
  const char16_t* delimiter;  // null: left out
  const char16_t* encapsulator;
  std::vector<String> expect;
};

TEST(SmartParse, EmptyDelimiterOrEncapsulator) {
  // The cases the fuzz target's model leaves out: no delimiter, no
  // encapsulator, neither.
  const SmartCase cases[] = {
      {u"\"a b\" c", u"", nullptr, {u"a b"}},
      {u"\"a b\" c", nullptr, u"", {u"\"a", u"b\"", u"c"}},
      {u"\"a\" b", u"", u"", {u"\"a\" b"}},
  };
  korParse p;
  testing_support::ScopedHost host;
  for (const auto& c : cases) {
    String line = c.line, delimiter = c.delimiter ? c.delimiter : u"",
           encapsulator = c.encapsulator ? c.encapsulator : u"";
    StringArray values;
    values.ReDim(5, 7);
    const Integer n =
        p.SmartParse(line, values, c.delimiter ? &delimiter : nullptr, c.encapsulator ? &encapsulator : nullptr);
    ASSERT_EQ(n, static_cast<Integer>(c.expect.size())) << text::ToUtf8(c.line);
    EXPECT_EQ(values.AllBounds(), (std::vector<StringArray::Bounds>{{0, n}}));
    EXPECT_EQ(values(0), u"");
    EXPECT_EQ(Elements(values, 1, n), c.expect) << text::ToUtf8(c.line);
    EXPECT_EQ(line, c.line);
  }
  EXPECT_TRUE(host.messages.empty());
}

TEST(SmartParse, MoreThanTenThousandValuesReportTheLine) {
  struct Case {
    String line;
    const char16_t* delimiter;
    String message;
  };
  const String spaced = Words(10001);
  String commaLine = u"," + spaced;  // ",w1,w2,...": the leading delimiter adds no value
  for (auto& ch : commaLine)
    if (ch == u' ') ch = u',';
  const Case cases[] = {
      {spaced, nullptr, u"Error in parsing line:  ; " + spaced},
      {commaLine, u",", u"Error in parsing line:, ; " + commaLine},
  };
  korParse p;
  for (const auto& c : cases) {
    testing_support::ScopedHost host;
    String line = c.line, delimiter = c.delimiter ? c.delimiter : u"";
    StringArray values;
    EXPECT_EQ(p.SmartParse(line, values, c.delimiter ? &delimiter : nullptr), -9);
    EXPECT_EQ(host.messages, std::vector<String>{c.message});
    EXPECT_EQ(values.UBound(), 10000);
    EXPECT_EQ(values(1), u"w1");
    EXPECT_EQ(values(10000), u"w10000");
  }
  // Exactly ten thousand values fit.
  String line = Words(10000);
  StringArray values;
  EXPECT_EQ(p.SmartParse(line, values), 10000);
}

TEST(ParseTokenArray, CallersArrayIsOnlyEverEnlarged) {
  struct Case {
    Long lower, upper;
    String text;
    StringArray::Bounds after;
    std::vector<String> expect;  // elements lower(after) .. upper(after)
  };
  const Case cases[] = {
      {0, 5, u"a b", {0, 5}, {u"0", u"a", u"b", u"", u"4", u"5"}},
      {0, 1, u"a b", {0, 3}, {u"0", u"a", u"b", u""}},
      {0, -1, u"a", {0, 2}, {u"", u"a", u""}},
      // Open cases: an array that begins at 1 or below grows at its upper
      // bound; one that begins above 1 is made to begin at 0.
      {1, 1, u"a b", {1, 3}, {u"a", u"b", u""}},
      {-1, 1, u"a b", {-1, 3}, {u"-1", u"0", u"a", u"b", u""}},
      {3, 4, u"a b", {0, 4}, {u"", u"a", u"b", u"", u"4"}},
  };
  korParse p;
  for (const auto& c : cases) {
    StringArray tokens;
    tokens.ReDim(c.lower, c.upper);
    for (Long i = c.lower; i <= c.upper; ++i) tokens(i) = text::Ascii(std::to_string(i));
    Integer scanUntil = 0, found = 0;
    p.ParseTokenArray(c.text, scanUntil, tokens, found);
    EXPECT_EQ(tokens.AllBounds(), std::vector<StringArray::Bounds>{c.after}) << c.lower << ".." << c.upper;
    EXPECT_EQ(Elements(tokens, c.after.lower, c.after.upper), c.expect) << c.lower << ".." << c.upper;
  }
  // A two-dimensional array cannot take tokens: it is left as it was.
  StringArray table;
  table.ReDim(0, 1, 0, 1);
  table(1, 1) = u"kept";
  const StringArray before = table;
  Integer scanUntil = 0, found = 0;
  EXPECT_EQ(p.ParseTokenArray(u"a b", scanUntil, table, found), 0);
  EXPECT_EQ(found, 3);
  EXPECT_EQ(table, before);
}

TEST(ParseTokenArray, CountStopsAtTheIntegerLimit) {
  korParse p;
  // 40000 tokens, the scan ended by an unclosed quote so that the last token
  // stored is a real one.
  const String text = Words(40000, u"t") + u" 'open";
  Integer scanUntil = 0, found = 0;
  StringArray tokens;
  p.ParseTokenArray(text, scanUntil, tokens, found);
  EXPECT_EQ(found, 32767);
  EXPECT_EQ(tokens.UBound(), 32767);
  EXPECT_EQ(tokens(32766), u"t32766");
  EXPECT_EQ(tokens(32767), u"t40000");

  // One variable as both limit and count: the count reaches the limit at once.
  Integer both = 5;
  p.ParseTokenArray(u"a b c", both, tokens, both);
  EXPECT_EQ(both, 1);
}

}  // namespace
}  // namespace kor
