// korCSV_IO's private line splitter; the reader and the writer live in
// read_csv.cpp and write_csv.cpp.
#include "kortools/korCSV_IO.h"

#include <new>
#include <utility>
#include <vector>

#include "csv/split_line.h"

namespace kor {

namespace csv {

Integer SplitLine(const String& line, const String& separator, StringArray& fields) {
  // An empty separator would be skipped without end.
  if (separator.empty()) throw Error::Runtime(5);
  fields.ReDim(0, 0);
  // The fields go into an array of their own first: without memory for all
  // of them the caller's array stays as it is now.
  StringArray filled;
  std::size_t n = 0;
  try {
    std::vector<std::u16string_view> found;
    const std::u16string_view text = line;
    n = Splitter<char16_t>(separator).Split(text, [&](std::size_t, std::size_t begin, std::size_t end) {
      found.push_back(text.substr(begin, end - begin));
    });
    filled.ReDim(0, static_cast<Long>(n));
    for (std::size_t i = 0; i < n; ++i) filled.Items()[i + 1] = found[i];
  } catch (const std::bad_alloc&) {
    throw Error::Runtime(7);
  }
  fields = std::move(filled);
  return static_cast<Integer>(n);
}

}  // namespace csv

Integer korCSV_IO::SplitCSVLine(const String& i_Line, const String& i_Separator, StringArray& o_Fields) {
  return csv::SplitLine(i_Line, i_Separator, o_Fields);
}

}  // namespace kor
