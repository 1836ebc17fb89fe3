// The fast paths that the fuzz targets' model comparisons do not reach: the
// unit search eight units at a time, and the profile read's cache of parsed
// files. (String arrays in large pages: the CSV reads of 400,000 lines.)
#include <gtest/gtest.h>

#include <string>

#include "parse/forward_search.h"
#include "platform/posix/profile_file_options.h"
#include "test_support.h"

namespace kor {
namespace {

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
