// ParseString with a one-unit delimiter counts the fields before the wanted
// one eight units at a time: on lines long enough for many blocks, with runs
// of delimiters across block edges and at both ends, it must give what the
// step-by-step model gives for every index.
#include <gtest/gtest.h>

#include <random>

#include "fuzz/parse_model.h"
#include "kortools/korParse.h"

namespace kor {
namespace {

TEST(FieldCount, LongLinesMatchTheModel) {
  std::mt19937 rng(7);
  korParse p;
  for (int round = 0; round < 400; ++round) {
    String line(rng() % 90, u'x');
    for (char16_t& c : line) c = u"x,,y"[rng() % (round % 2 == 0 ? 4 : 2)];
    for (Long index = -1; index <= 40; ++index)
      ASSERT_EQ(p.ParseString(line, u",", index), reference::ParseString(line, u",", index)) << index;
  }
}

}  // namespace
}  // namespace kor
