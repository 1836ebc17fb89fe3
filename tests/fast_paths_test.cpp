// The fast paths of the string search, the CSV reader and the string array,
// compared with the step-by-step models on many small random inputs: the
// shortcuts (eight units at a time, a first pass that skips lines, pieces
// copied in blocks, storage in large pages) must give exactly what the plain
// steps give, at every position and length around their block sizes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "frame/text.h"
#include "fuzz/csv_model.h"
#include "fuzz/parse_model.h"
#include "kortools/korCSV_IO.h"
#include "kortools/korParse.h"
#include "parse/forward_search.h"
#include "platform/code_page.h"
#include "platform/posix/profile_file_options.h"
#include "test_support.h"

namespace kor {
namespace {

String RandomText(std::mt19937& rng, std::u16string_view alphabet, std::size_t length) {
  String s(length, u' ');
  for (char16_t& c : s) c = alphabet[rng() % alphabet.size()];
  return s;
}

// Patterns whose first unit recurs ("aba", "aa") take the general search;
// the others the plain one. Texts from few letters make partial matches and
// neighbouring occurrences common.
TEST(FastSearch, SandRAndParseStringMatchTheModel) {
  std::mt19937 rng(18);
  const std::u16string_view patterns[] = {u"a", u"b", u"ab", u"ba", u"aa", u"aba", u"abb", u"bab", u"abab", u"ccc"};
  korParse p;
  for (int round = 0; round < 3000; ++round) {
    String text = RandomText(rng, u"abc", rng() % 40);
    String search(patterns[rng() % std::size(patterns)]);
    String replacing = RandomText(rng, u"xy", rng() % 12);
    SCOPED_TRACE(text::ToUtf8(text) + " / " + text::ToUtf8(search) + " / " + text::ToUtf8(replacing));
    EXPECT_EQ(ChangeType<String>(p.SandR(text, search, replacing)), reference::SandR(text, search, replacing));
    for (Long index = 0; index <= 6; ++index)
      EXPECT_EQ(p.ParseString(text, search, index), reference::ParseString(text, search, index)) << index;
  }
}

// Left-to-right replacement without overlaps, by the standard library.
String Replaced(const String& text, const String& search, const String& replacing) {
  String out;
  std::size_t from = 0;
  for (std::size_t p; (p = text.find(search, from)) != String::npos; from = p + search.size())
    out.append(text, from, p - from).append(replacing);
  return out.append(text, from);
}

// Long texts: the result grows past its first steps, and occurrences sit at
// the last places where a whole pattern fits.
TEST(FastSearch, LongTextsAndTheirEnds) {
  korParse p;
  struct Case {
    String text, search, replacing;
  };
  const String many = [] {
    String s;
    for (int i = 0; i < 70000; ++i) s += u"q the ";
    return s + u"the";
  }();
  const Case cases[] = {
      {many, u"the", u"a"},
      {many, u"the", u"a much longer replacement"},
      {many, u"q", u""},
      {String(100000, u'z') + u"ab", u"ab", u"-"},
      {String(100000, u'a') + u"b", u"aab", u"X"},  // the general search at full length
  };
  for (const Case& c : cases) {
    String text = c.text, search = c.search, replacing = c.replacing;
    EXPECT_EQ(ChangeType<String>(p.SandR(text, search, replacing)), Replaced(c.text, c.search, c.replacing))
        << text::ToUtf8(c.search);
  }
}

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

// The first pass skips a line that has no more commas than the widest record
// has fields: lines whose runs of commas, quotes or non-ASCII letters make
// the field count differ from the comma count must still size the array as
// the model does.
TEST(FastCsvRead, RandomFilesMatchTheModel) {
  testing_support::TempFolder dir;
  std::mt19937 rng(18);
  const std::vector<std::string> pieces = {"a", "bc", ",", ",", ",,", "\"", "\",", " ", "\xc3\xa9", "\r\n", "\r"};
  korCSV_IO csv;
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    for (std::size_t k = rng() % 60; k > 0; --k) bytes += pieces[rng() % pieces.size()];
    testing_support::WriteFile(dir / "r.csv", bytes);
    String name = dir.Name("r.csv");
    StringArray data;
    csv.ReadCSVFile(name, data);
    const auto model = reference::ReadCSV(bytes, platform::SystemCodePage());
    SCOPED_TRACE(bytes);
    if (!model) {
      EXPECT_EQ(data.Dims(), 0);
      continue;
    }
    ASSERT_EQ(data.Dims(), 2);
    ASSERT_EQ(static_cast<std::size_t>(data.UBound(2)), model->size());
    ASSERT_EQ(static_cast<std::size_t>(data.UBound(1)), (*model)[0].size());
    for (std::size_t r = 0; r < model->size(); ++r)
      for (std::size_t f = 0; f < (*model)[r].size(); ++f)
        EXPECT_EQ(data(static_cast<Long>(f + 1), static_cast<Long>(r + 1)), (*model)[r][f]) << r << " " << f;
  }
}

// Arrays big enough for large pages keep their contents and bounds exactly
// as small ones do.
TEST(FastStringArray, LargeArraysKeepTheirContents) {
  StringArray a;
  a.ReDim(1, 400000);
  a(1) = u"first";
  a(400000) = u"a value too long for the short-string buffer";
  a.ReDimPreserve(1, 900000);
  EXPECT_EQ(a(1), u"first");
  EXPECT_EQ(a(400000), u"a value too long for the short-string buffer");
  EXPECT_EQ(a(900000), u"");
  EXPECT_EQ(a.size(), 900000u);
  a.ReDim(0, 299999, 1, 2);
  EXPECT_EQ(a.size(), 600000u);
  EXPECT_EQ(a(0, 1), u"");
}

// A group of reads looks at the file once, and the next read, of a group or
// of one key, sees what another writer put in place in between (a new file of
// the same size, as an editor saves it). The clock runs an hour ahead, so
// that every parsed file is kept as settled and only the look at the file
// can tell that it changed.
TEST(FastIniRead, GroupsAreNeverStale) {
  testing_support::TempFolder dir;
  auto files = platform::MakePosixProfileFiles({[] {
    platform::KernelTime t = platform::ClockNow(CLOCK_REALTIME);
    t.tv_sec += 3600;
    return t;
  }});
  const std::string name = dir / "g.ini";
  const auto save = [&](char v) {
    testing_support::WriteFile(dir / "g.tmp", std::string("[G]\r\nA1=") + v + "\r\n");
    std::filesystem::rename(dir / "g.tmp", name);
  };
  const auto read = [&] {
    char buffer[8];
    files->GetPrivateProfileString("G", "A1", "", buffer, sizeof buffer, name);
    return std::string(buffer);
  };
  save('1');
  {
    const platform::ProfileReadGroup group;
    EXPECT_EQ(read(), "1");
    EXPECT_EQ(read(), "1");
  }
  save('2');
  {
    const platform::ProfileReadGroup outer;
    const platform::ProfileReadGroup inner;
    EXPECT_EQ(read(), "2");
  }
  EXPECT_EQ(read(), "2");
  save('3');
  EXPECT_EQ(read(), "3");
}

}  // namespace
}  // namespace kor
